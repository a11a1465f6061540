// The pictures the generator draws: named kinds of chosen size, each from a few options, all drawn
// procedurally and deterministically (the same request gives the same pixels on every run).
//
//   landscape  seed=N palette=dawn|day|dusk|night   sky, sun or moon, mountains, hills and a lake
//   target     from=RRGGBB to=RRGGBB                 square checker, centred circle, coloured corners and a
//                                                    frame: shows at a glance how a picture was placed
//   gradient   from=RRGGBB to=RRGGBB angle=DEG       linear gradient (0: left to right, 90: top to bottom)
//   noise      seed=N cells=N                        grey value noise that tiles in both directions
//   haze       seed=N cells=N strength=F             distortion map: red and green around 0.5, tiles
//   flame      tongues=N seed=N                      RGBA flame shape, transparent at the top; N tongues
//                                                    side by side of heights drawn from the seed
//   fire       tongues=N seed=N gather=F             RGBA fire pattern that tiles across: N soft tongues
//                                                    over a glowing bed, alpha the flame's density, colour
//                                                    its heat; tongues lower to the sides by gather (0..1)
//   fireplace  seed=N                                a brick fireplace on a room's wall, its dark opening
//                                                    over the lower part of the picture
//   glyphs     seed=N                                white glyphs on transparent, height/width + 2 equal
//                                                    horizontal bands, one glyph a band
//   lens       variant=1|2                           RGBA highlight overlay of a glass ball
//   shadow     (none)                                RGBA soft elliptic shadow
//   body, wing, clockface, hand, leaf                the 3D objects' textures (object_pictures.h)
//   sprite, bolt                                     particle pictures (sprite_kinds.h)
//   seabed, ripple                                   water pictures (water_pictures.h)
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "picgen/picture.h"

struct PictureRequest {
  std::string kind;
  int width = 0;
  int height = 0;
  std::map<std::string, std::string> options;
};

// Bad requests: an unknown kind or option, a malformed value or size.
class PictureRequestError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// "<W>x<H>", each 1..8192.
void ParsePictureSize(const std::string& text, int* width, int* height);
// kind, size, then name=value options.
PictureRequest ParsePictureRequest(const std::vector<std::string>& args);

// Draws the picture; throws PictureRequestError for an unknown kind or an option the kind does not take.
Picture DrawPicture(const PictureRequest& request);
std::vector<std::string> PictureKinds();

// Band count of a glyph sheet of that size.
int GlyphBandCount(int width, int height);

// Value noise in 0..1 over the unit square with `cells` lattice cells a side at the first of four
// octaves; periodic in u and v with period 1, so that pictures made from it tile.
double TileableNoise(double u, double v, int cells, uint32_t seed);
