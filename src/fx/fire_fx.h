// The fire: flames drawn on a grid of 9 x 9 vertices spanning a four-corner area of the picture, through
// an effect that scrolls a noise picture over a flame pattern at three rates, between a start and an end
// colour. As a scene item it draws its own grid with technique "Main"; the flame light embeds one and
// draws it on a quad of its own with SetFireParams and its own technique. Implemented in fx/fire_fx.cpp;
// the header sits here so that the flame light can embed a fire.
#pragma once

#include "fx/fx_constructor.h"
#include "render/mesh.h"

class DS_Frame;

// The fire's grid: an indexed PT mesh with its column and row counts.
class FireGrid : public DS_IndexedMesh<DX_V::PT> {
 public:
  UINT columns = 0;
  UINT rows = 0;
};

class DS_FireFX : public DS_FX_Constructor {
 public:
  static const DWORD kVersion = 2;
  static const int kEffectId = 92;
  static const int kPatternId = 93;
  static const int kNoiseId = 8;

  // Yellow end and red start colours, pattern 93 and noise 8 of the shared module, density 100 (derived
  // 0), brightness 15 (0.3), texture repeat 100 (1.0); effect 92; the clock at real time.
  DS_FireFX();
  // The base copy and every field; textures and grid buffers shared with references added.
  DS_FireFX(const DS_FireFX& o);
  ~DS_FireFX() override;

  // Every value of source, as a reader would store it; the texture references follow unless source is
  // this fire.
  void Assign(const DS_FireFX& source);

  DS_FX_Constructor* Clone() const override { return new DS_FireFX(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // The base's, then the pattern and noise textures (first frames of their links) and the grid.
  void LoadEffect(IDirect3DTexture9** mask) override;
  bool ReleaseTextures() override;
  void LoadTextures() override;
  // Its own technique "Main" on the grid ("MainNoMask" without a mask, where the effect has it); no
  // "Scale".
  void Render(DS_ABRender* renderer) override;

  // 8 x 8 cells: 81 vertices in a write-only managed buffer and the 384 indices of the grid (128
  // triangles); buffers held before are replaced. Without buffers the grid stays empty.
  void CreateGridMesh();
  // The grid's vertices between the area's corners 1 to 4 with texture coordinates (0, 0), (0, 1),
  // (1 / repeat, 0), (1 / repeat, 1).
  void BuildGrid();
  // "WorldViewProj" of mesh's world, "ViewProj", "Noise", "Pattern" and the scroll offsets "c11", "c12",
  // "c13" of the fire's clock. Nothing without the fire's effect.
  static void SetFireParams(const DS_Frame& mesh, DS_FireFX* fire);
  // The values Render sets: "ColorK1" (start colour) and "ColorK2" (end minus start), each {r, g, b} / 255.
  void ColourTerms(float k1[3], float k2[3]) const;
  // "bg_scale_factor": {1, 1} while the slide draws off-screen, else the screen-to-picture ratios.
  static void BackgroundScale(float out[2]);

  // "DS_FireFX", version 2, the fields, then the base section.
  void SaveBase(DS_IOF_Virtual** stream);
  // The fields of the version (none before version 2), then the base section.
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  // Header (class name ignored), a new fire, its fields. The caller owns the result.
  static DS_FireFX* CreateFromStream(DS_IOF_Virtual** stream);
  static DS_FireFX* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);

  MediaQuad area;          // picture pixels
  MediaColor endColour;    // COLORREF
  MediaColor startColour;  // COLORREF
  MediaParamT<int> firstInt;
  DS_ImageFileLink patternLink;
  DS_ImageFileLink noiseLink;
  MediaParamTB<int> secondInt;
  UINTSclaleTo<float> density;
  UINTSclaleTo<float> brightness;
  UINTSclaleTo<float> textureRepeat;
  ComRef<IDirect3DTexture9> patternTexture;
  ComRef<IDirect3DTexture9> noiseTexture;
  FireGrid grid;
};
