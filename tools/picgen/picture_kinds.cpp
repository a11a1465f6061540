#include "picgen/picture_kinds.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>

#include "picgen/object_pictures.h"
#include "picgen/sprite_kinds.h"
#include "picgen/water_pictures.h"

namespace {

const double kPi = 3.14159265358979323846;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ (seed + 1) * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  h *= 0x27d4eb2du;
  h ^= h >> 16;
  return h;
}

double Unit(uint32_t h) { return (h & 0xFFFFFFu) / 16777216.0; }

double Smooth(double t) { return t * t * (3 - 2 * t); }

// One octave of value noise over a lattice that wraps after `period` cells.
double LatticeNoise(double x, double y, int period, uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  auto wrap = [period](double v) {
    int i = static_cast<int>(v) % period;
    return static_cast<uint32_t>(i < 0 ? i + period : i);
  };
  uint32_t x0 = wrap(fx), x1 = wrap(fx + 1), y0 = wrap(fy), y1 = wrap(fy + 1);
  double tx = Smooth(x - fx), ty = Smooth(y - fy);
  double a = Unit(Hash(x0, y0, seed)), b = Unit(Hash(x1, y0, seed));
  double c = Unit(Hash(x0, y1, seed)), d = Unit(Hash(x1, y1, seed));
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Smooth 1-D noise in 0..1 with four octaves, for ridge lines.
double Ridge(double x, uint32_t seed) {
  double sum = 0, amplitude = 1, total = 0;
  for (int o = 0; o < 4; ++o) {
    sum += amplitude * LatticeNoise(x, 0.5, 1 << 20, seed + o);
    total += amplitude;
    amplitude *= 0.5;
    x *= 2;
  }
  return sum / total;
}

class Options {
 public:
  Options(const PictureRequest& r, std::set<std::string> allowed) : r_(r) {
    for (const auto& o : r.options)
      if (!allowed.count(o.first))
        throw PictureRequestError("picture kind " + r.kind + " takes no option " + o.first);
  }
  const std::string* Find(const std::string& name) const {
    auto it = r_.options.find(name);
    return it == r_.options.end() ? nullptr : &it->second;
  }
  long Int(const std::string& name, long fallback, long lo, long hi) const {
    const std::string* v = Find(name);
    if (!v) return fallback;
    char* end = nullptr;
    long n = std::strtol(v->c_str(), &end, 10);
    if (v->empty() || *end || n < lo || n > hi)
      throw PictureRequestError(name + "=" + *v + ": a whole number from " + std::to_string(lo) + " to " +
                                std::to_string(hi) + " is needed");
    return n;
  }
  double Real(const std::string& name, double fallback, double lo, double hi) const {
    const std::string* v = Find(name);
    if (!v) return fallback;
    char* end = nullptr;
    double d = std::strtod(v->c_str(), &end);
    if (v->empty() || *end || !(d >= lo && d <= hi))
      throw PictureRequestError(name + "=" + *v + ": a number from " + std::to_string(lo) + " to " +
                                std::to_string(hi) + " is needed");
    return d;
  }
  Rgba Colour(const std::string& name, uint32_t fallback) const {
    const std::string* v = Find(name);
    if (!v) return RgbHex(fallback);
    char* end = nullptr;
    unsigned long n = std::strtoul(v->c_str(), &end, 16);
    if (v->size() != 6 || *end) throw PictureRequestError(name + "=" + *v + ": a colour RRGGBB is needed");
    return RgbHex(static_cast<uint32_t>(n));
  }
  uint32_t Seed() const { return static_cast<uint32_t>(Int("seed", 1, 0, 0x7FFFFFFF)); }

 private:
  const PictureRequest& r_;
};

template <typename F>
void EachPixel(Picture& p, F f) {
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x) f(x, y);
}

struct Palette {
  uint32_t skyTop, skyHorizon, sun, far, near, water;
};

Picture Landscape(const PictureRequest& r) {
  Options o(r, {"seed", "palette"});
  const uint32_t seed = o.Seed();
  static const std::map<std::string, Palette> palettes = {
      {"dawn", {0x2b3a67, 0xf6a96b, 0xfff1c1, 0x6b5b7b, 0x2f3e46, 0x3b4a6b}},
      {"day", {0x2f6fc6, 0xbfe3ff, 0xfffbe8, 0x6c8ea0, 0x3d6b35, 0x2d5f8a}},
      {"dusk", {0x1d1445, 0xe8685a, 0xffd27f, 0x4a2c4f, 0x1f1b2e, 0x2a1f45}},
      {"night", {0x040818, 0x23305a, 0xe8ecff, 0x1b2540, 0x0b1020, 0x0d1630}},
  };
  const std::string* name = o.Find("palette");
  auto it = palettes.find(name ? *name : "day");
  if (it == palettes.end()) throw PictureRequestError("palette=" + *name + ": dawn, day, dusk or night");
  const Palette& pal = it->second;
  const bool night = it->first == "night";

  Picture p(r.width, r.height, false);
  const double w = r.width, h = r.height, s = std::min(w, h);
  const double horizon = 0.62 * h, shore = 0.74 * h;
  const Rgba top = RgbHex(pal.skyTop), low = RgbHex(pal.skyHorizon);
  EachPixel(p, [&](int x, int y) { p.Set(x, y, Mix(top, low, std::pow((y + 0.5) / horizon, 1.4))); });
  if (night) {
    for (int i = 0; i < 400; ++i) {
      double sx = Unit(Hash(i, 1, seed)) * w, sy = Unit(Hash(i, 2, seed)) * horizon;
      p.Disc(sx, sy, 0.4 + 1.2 * Unit(Hash(i, 3, seed)) * s / 1000, RgbHex(0xffffff));
    }
  }
  // Sun or moon with a glow; a disc, so that a stretched picture shows at once.
  const double sunX = (0.2 + 0.6 * Unit(Hash(7, 7, seed))) * w, sunY = 0.33 * h, sunR = 0.07 * s;
  Rgba glow = RgbHex(pal.sun);
  EachPixel(p, [&](int x, int y) {
    double d = std::hypot(x + 0.5 - sunX, y + 0.5 - sunY) / (4 * sunR);
    if (d < 1) p.Blend(x, y, glow, 0.45 * (1 - d) * (1 - d));
  });
  p.Disc(sunX, sunY, sunR, glow);

  auto layer = [&](double base, double height, double scale, uint32_t salt, const Rgba& colour, double bottom) {
    for (int x = 0; x < p.width(); ++x) {
      double ridge = base - height * Ridge((x + 0.5) / s * scale, seed * 31 + salt);
      for (int y = std::max(0, static_cast<int>(ridge)); y < std::min(p.height(), static_cast<int>(bottom)); ++y)
        p.Blend(x, y, colour, std::clamp(y + 1 - ridge, 0.0, 1.0));
    }
  };
  layer(horizon, 0.24 * h, 3.0, 1, Mix(RgbHex(pal.far), low, 0.25), shore);
  layer(shore, 0.16 * h, 5.0, 2, RgbHex(pal.near), shore + 1);

  // The lake: the sky mirrored, darkened towards the viewer, with ripple lines.
  const Rgba water = RgbHex(pal.water);
  for (int y = static_cast<int>(shore); y < p.height(); ++y) {
    double depth = (y + 0.5 - shore) / (h - shore);
    for (int x = 0; x < p.width(); ++x) {
      double mirrored = std::clamp(horizon - (y - shore) * 1.5, 0.0, horizon - 1);
      Rgba c = Mix(Mix(top, low, std::pow(mirrored / horizon, 1.4)), water, 0.35 + 0.5 * depth);
      double ripple = std::sin((y - shore) * (0.35 + 0.02 * (y - shore)) + 4 * Ridge(x / s * 8, seed + 9));
      if (ripple > 0.93) c = Mix(c, glow, 0.25 * (1 - depth));
      p.Set(x, y, c);
    }
  }
  return p;
}

Picture Target(const PictureRequest& r) {
  Options o(r, {"from", "to"});
  const Rgba a = o.Colour("from", 0x30343c), b = o.Colour("to", 0x5a6270);
  Picture p(r.width, r.height, false);
  const double w = r.width, h = r.height, s = std::min(w, h), cx = w / 2, cy = h / 2;
  const double cell = s / 8;
  EachPixel(p, [&](int x, int y) {
    long i = static_cast<long>(std::floor((x + 0.5 - cx) / cell)), j = static_cast<long>(std::floor((y + 0.5 - cy) / cell));
    p.Set(x, y, (i + j) % 2 ? a : b);
  });
  const double corner = s / 5;
  p.Disc(0, 0, corner, RgbHex(0xd83a3a));
  p.Disc(w, 0, corner, RgbHex(0x3ac25a));
  p.Disc(0, h, corner, RgbHex(0x3a6ad8));
  p.Disc(w, h, corner, RgbHex(0xe8c83a));
  p.Ring(cx, cy, 0.42 * s, s / 60, RgbHex(0xffffff));
  p.Disc(cx, cy, 0.04 * s, RgbHex(0xff5030));
  const int frame = std::max(1, static_cast<int>(s / 50));
  const Rgba white = RgbHex(0xf0f0f0);
  p.Fill(0, 0, r.width, frame, white);
  p.Fill(0, r.height - frame, r.width, r.height, white);
  p.Fill(0, 0, frame, r.height, white);
  p.Fill(r.width - frame, 0, r.width, r.height, white);
  return p;
}

Picture Gradient(const PictureRequest& r) {
  Options o(r, {"from", "to", "angle"});
  const Rgba a = o.Colour("from", 0x000000), b = o.Colour("to", 0xffffff);
  const double angle = o.Real("angle", 0, -360, 360) * kPi / 180;
  const double dx = std::cos(angle), dy = std::sin(angle);
  // Projections of the corners give the range that maps to 0..1.
  double lo = 0, hi = 0;
  for (double cx : {0.0, 1.0 * r.width})
    for (double cy : {0.0, 1.0 * r.height}) {
      lo = std::min(lo, cx * dx + cy * dy);
      hi = std::max(hi, cx * dx + cy * dy);
    }
  Picture p(r.width, r.height, false);
  EachPixel(p, [&](int x, int y) { p.Set(x, y, Mix(a, b, ((x + 0.5) * dx + (y + 0.5) * dy - lo) / (hi - lo))); });
  return p;
}

Picture Noise(const PictureRequest& r) {
  Options o(r, {"seed", "cells"});
  const uint32_t seed = o.Seed();
  const int cells = static_cast<int>(o.Int("cells", 4, 1, 256));
  Picture p(r.width, r.height, false);
  EachPixel(p, [&](int x, int y) {
    float v = static_cast<float>(TileableNoise((x + 0.5) / r.width, (y + 0.5) / r.height, cells, seed));
    p.Set(x, y, Rgba{v, v, v, 1});
  });
  return p;
}

Picture Haze(const PictureRequest& r) {
  Options o(r, {"seed", "cells", "strength"});
  const uint32_t seed = o.Seed();
  const int cells = static_cast<int>(o.Int("cells", 4, 1, 256));
  const double strength = o.Real("strength", 0.25, 0, 0.5);
  Picture p(r.width, r.height, false);
  EachPixel(p, [&](int x, int y) {
    double u = (x + 0.5) / r.width, v = (y + 0.5) / r.height;
    Rgba c;
    c.r = static_cast<float>(0.5 + strength * (2 * TileableNoise(u, v, cells, seed) - 1));
    c.g = static_cast<float>(0.5 + strength * (2 * TileableNoise(u, v, cells, seed + 101) - 1));
    c.b = 0;
    p.Set(x, y, c);
  });
  return p;
}

Picture Flame(const PictureRequest& r) {
  Options o(r, {"tongues", "seed"});
  const long tongues = o.Int("tongues", 1, 1, 64);
  const uint32_t seed = o.Seed();
  Picture p(r.width, r.height, true);
  const Rgba edge = RgbHex(0xb01800), body = RgbHex(0xff7a10), core = RgbHex(0xfff4b0);
  EachPixel(p, [&](int x, int y) {
    // Tongues side by side, each of its own height and lower towards the sides, so that the fire
    // gathers in the middle; a single tongue fills the height.
    const double across = (x + 0.5) / r.width * tongues;
    const int tongue = static_cast<int>(across);
    const double side = (tongue + 0.5) / tongues * 2 - 1;
    const double tall = tongues == 1 ? 1.0
                                     : (0.55 + 0.45 * Unit(Hash(static_cast<uint32_t>(tongue), 5, seed))) *
                                           (1 - 0.5 * side * side);
    double u = (across - tongue) * 2 - 1, v = ((y + 0.5) / r.height - (1 - tall)) / tall;
    if (v <= 0) {
      p.Set(x, y, Rgba{edge.r, edge.g, edge.b, 0});
      return;
    }
    double half = 0.92 * std::sqrt(std::max(0.0, std::sin(kPi * std::pow(v, 2.2))));  // pointed top, round base
    double inside = half > 0 ? 1 - std::fabs(u) / half : 0;
    Rgba c = inside < 0.5 ? Mix(edge, body, inside / 0.5) : Mix(body, core, (inside - 0.5) / 0.5 * v);
    c.a = static_cast<float>(SmoothStep(0, 0.3, inside) * SmoothStep(0.02, 0.5, v));
    p.Set(x, y, c);
  });
  return p;
}

// A fire pattern that tiles across: soft tongues of flame over a glowing bed. Alpha is the flame's
// density, highest low in the middle of a tongue and falling off smoothly to its sides and its tip, with
// no flat plateau, so that the fire effect can shape and colour flames from it; the colour is the heat
// of that density (deep red through orange to yellow-white). The tongues are of heights drawn from the
// seed, lower towards the picture's sides by the share `gather` (the bed too), and lean a little to either
// side.
Picture Fire(const PictureRequest& r) {
  Options o(r, {"tongues", "seed", "gather"});
  const long tongues = o.Int("tongues", 5, 1, 64);
  const uint32_t seed = o.Seed();
  const double gather = o.Real("gather", 0.3, 0, 1);
  struct Tongue {
    double centre, tall, width, lean;
  };
  std::vector<Tongue> t;
  for (long k = 0; k < tongues; ++k) {
    const uint32_t key = static_cast<uint32_t>(k);
    const double side = (k + 0.5) / tongues * 2 - 1;
    Tongue g;
    g.centre = (k + 0.5 + 0.6 * (Unit(Hash(key, 1, seed)) - 0.5)) / tongues;
    g.tall = (0.5 + 0.5 * Unit(Hash(key, 2, seed))) * (1 - gather * side * side);
    g.width = (0.4 + 0.35 * Unit(Hash(key, 3, seed))) / tongues;
    g.lean = 0.6 * (Unit(Hash(key, 4, seed)) - 0.5) / tongues;
    t.push_back(g);
  }
  Picture p(r.width, r.height, true);
  EachPixel(p, [&](int x, int y) {
    const double u = (x + 0.5) / r.width, h = 1 - (y + 0.5) / r.height;  // h: height above the base
    double clear = 1;  // the share no tongue covers
    for (const Tongue& g : t) {
      if (h >= g.tall) continue;
      const double rise = h / g.tall;  // 0 at the base, 1 at the tip
      double dx = u - (g.centre + g.lean * rise * rise);
      dx -= std::floor(dx + 0.5);  // the nearest copy across the wrap
      // Widest a little above the base, narrowing to a point.
      const double half = g.width * std::pow(1 - rise, 0.45) * (0.75 + 0.25 * std::sin(kPi * std::min(1.0, rise * 2)));
      const double across = dx / half;
      const double density = std::exp(-2.2 * across * across) * std::pow(1 - rise, 0.5);
      clear *= 1 - density;
    }
    // The bed: embers along the base that the tongues rise from, varying along it.
    const double side = u * 2 - 1;
    const double bed = std::pow(std::max(0.0, 1 - h / 0.3), 1.6) * (0.35 + 0.35 * TileableNoise(u, 0.5, 6, seed + 11)) *
                       (1 - gather * side * side);
    clear *= 1 - bed;
    // Never quite solid: a dense core reads as the hottest part without flattening it.
    const double a = 0.85 * (1 - clear);
    const double heat = std::min(1.0, a * 1.05);
    Rgba c{static_cast<float>(std::min(1.0, heat * 2.2)),
           static_cast<float>(std::pow(std::max(0.0, std::min(1.0, heat * 1.6 - 0.35)), 1.2)),
           static_cast<float>(std::max(0.0, std::min(1.0, heat * 2.5 - 1.6))), static_cast<float>(a)};
    p.Set(x, y, c);
  });
  return p;
}

// A room's wall around a wide brick fireplace: brick surround, a wooden mantel shelf, a dark arched
// opening over the lower half of the picture with logs, embers and a warm glow, and a stone hearth
// along the bottom edge.
Picture Fireplace(const PictureRequest& r) {
  Options o(r, {"seed"});
  const uint32_t seed = o.Seed();
  Picture p(r.width, r.height, false);
  const double w = r.width, h = r.height;
  const double surroundL = 0.02 * w, surroundR = 0.98 * w, surroundT = 0.30 * h;
  const double openL = 0.07 * w, openR = 0.93 * w, openT = 0.46 * h, openB = 0.96 * h;
  const double archRise = 0.06 * h, hearthT = 0.96 * h;
  const double mantelT = 0.25 * h, mantelB = 0.31 * h;
  const double brickW = std::max(4.0, 0.055 * w), brickH = std::max(3.0, 0.04 * h), mortar = std::max(1.0, 0.004 * w);
  const Rgba wallTop = RgbHex(0x1e1410), wallLow = RgbHex(0x3a2618), mortarColour = RgbHex(0x4a4038);
  const Rgba brickA = RgbHex(0x7a3a26), brickB = RgbHex(0x5c2c1e), wood = RgbHex(0x3b2414), woodLight = RgbHex(0x5a3820);
  const Rgba soot = RgbHex(0x0a0706), ember = RgbHex(0xff6a10), hearth = RgbHex(0x5a5450);
  const double cx = 0.5 * w;
  EachPixel(p, [&](int x, int y) {
    const double px = x + 0.5, py = y + 0.5;
    // The wall with faint vertical panels.
    Rgba c = Mix(wallTop, wallLow, py / h);
    c = Mix(c, RgbHex(0x000000), 0.08 * (std::fmod(px / (0.125 * w), 1.0) < 0.03 ? 1 : 0));
    // Arched top of the opening: highest in the middle.
    const double u = (px - cx) / (0.5 * (openR - openL));
    const double archTop = openT - archRise * std::sqrt(std::max(0.0, 1 - u * u));
    const bool inOpening = px >= openL && px < openR && py >= archTop && py < openB;
    if (px >= surroundL && px < surroundR && py >= surroundT && py < hearthT && !inOpening) {
      // Running bond bricks, each row shifted by half a brick, each brick its own shade.
      const int row = static_cast<int>((py - surroundT) / brickH);
      const double bx = px - surroundL + (row % 2 ? 0.5 * brickW : 0);
      const int col = static_cast<int>(bx / brickW);
      const double fx = std::fmod(bx, brickW), fy = std::fmod(py - surroundT, brickH);
      if (fx < mortar || fy < mortar) {
        c = mortarColour;
      } else {
        c = Mix(brickA, brickB, Unit(Hash(static_cast<uint32_t>(col), static_cast<uint32_t>(row), seed)));
      }
      // The fire's warmth on the bricks around the opening.
      const double d = std::hypot((px - cx) / w, (py - 0.75 * h) / h);
      c = Mix(c, ember, 0.35 * (1 - SmoothStep(0.1, 0.45, d)));
    }
    if (px >= 0.01 * w && px < 0.99 * w && py >= mantelT && py < mantelB)
      c = Mix(woodLight, wood, (py - mantelT) / (mantelB - mantelT));
    if (inOpening) {
      // Sooty inside, lit from the embers at its floor.
      c = Mix(soot, ember, 0.55 * std::pow(SmoothStep(archTop, openB, py), 3.0));
    }
    if (py >= hearthT) c = Mix(hearth, RgbHex(0x2a2624), (py - hearthT) / (h - hearthT));
    p.Set(x, y, c);
  });
  // Two logs across the opening's floor and a bed of embers.
  const double logY = openB - 0.035 * h, logR = 0.03 * std::min(w, h);
  for (int i = 0; i < 24; ++i) {
    const double t = i / 23.0;
    p.Disc(cx - 0.30 * w + 0.40 * w * t, logY - 0.5 * logR * t, logR, RgbHex(0x2e1a0e));
    p.Disc(cx + 0.30 * w - 0.40 * w * t, logY - 0.5 * logR * t, logR, RgbHex(0x3a2212));
  }
  for (int i = 0; i < 60; ++i) {
    const double ex = cx + (Unit(Hash(i, 11, seed)) - 0.5) * 0.7 * w;
    const double ey = openB - Unit(Hash(i, 12, seed)) * 0.02 * h;
    p.Disc(ex, ey, 0.004 * w + 0.004 * w * Unit(Hash(i, 13, seed)), Mix(ember, RgbHex(0xffd040), Unit(Hash(i, 14, seed))));
  }
  return p;
}

Picture Glyphs(const PictureRequest& r) {
  Options o(r, {"seed"});
  const uint32_t seed = o.Seed();
  Picture p(r.width, r.height, true);
  EachPixel(p, [&](int x, int y) { p.Set(x, y, Rgba{1, 1, 1, 0}); });
  const int bands = GlyphBandCount(r.width, r.height);
  const double bandHeight = static_cast<double>(r.height) / bands;
  const int cols = 5, rows = 7;
  const double marginX = 0.15 * r.width, marginY = 0.12 * bandHeight;
  const double bw = (r.width - 2 * marginX) / cols, bh = (bandHeight - 2 * marginY) / rows;
  for (int g = 0; g < bands; ++g) {
    for (int j = 0; j < rows; ++j)
      for (int i = 0; i < cols; ++i) {
        // Mirror the left half onto the right for glyph-like symmetry; keep a spine so no glyph is empty.
        int mi = std::min(i, cols - 1 - i);
        bool on = mi == 2 ? (j % 2 == 0 || Unit(Hash(g, j, seed)) < 0.5) : Unit(Hash(g * 8 + mi, j, seed)) < 0.45;
        if (!on) continue;
        double x0 = marginX + i * bw, y0 = g * bandHeight + marginY + j * bh;
        p.Fill(static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0)),
               static_cast<int>(std::lround(x0 + bw)), static_cast<int>(std::lround(y0 + bh)), RgbHex(0xffffff));
      }
  }
  return p;
}

Picture Lens(const PictureRequest& r) {
  Options o(r, {"variant"});
  const long variant = o.Int("variant", 1, 1, 2);
  Picture p(r.width, r.height, true);
  const double cx = r.width / 2.0, cy = r.height / 2.0, radius = std::min(r.width, r.height) / 2.0;
  const double spotX = variant == 1 ? -0.38 : 0.30, spotY = variant == 1 ? -0.40 : 0.42;
  EachPixel(p, [&](int x, int y) {
    double dx = (x + 0.5 - cx) / radius, dy = (y + 0.5 - cy) / radius, d = std::hypot(dx, dy);
    double rim = variant == 1 ? 0.55 * SmoothStep(0.72, 0.97, d) : 0.3 * SmoothStep(0.5, 0.97, d);
    double spot = std::hypot(dx - spotX, dy - spotY) / (variant == 1 ? 0.28 : 0.45);
    double a = (rim + 0.05 + (spot < 1 ? (variant == 1 ? 0.75 : 0.35) * (1 - spot) * (1 - spot) : 0)) *
               (1 - SmoothStep(0.97, 1.0, d));
    p.Set(x, y, Rgba{1, 1, 1, static_cast<float>(std::min(1.0, a))});
  });
  return p;
}

Picture Shadow(const PictureRequest& r) {
  Options o(r, {});
  Picture p(r.width, r.height, true);
  EachPixel(p, [&](int x, int y) {
    double d = std::hypot((x + 0.5) / r.width * 2 - 1, (y + 0.5) / r.height * 2 - 1);
    p.Set(x, y, Rgba{0, 0, 0, static_cast<float>(0.7 * std::pow(1 - SmoothStep(0, 1, d), 1.5))});
  });
  return p;
}

const std::map<std::string, std::function<Picture(const PictureRequest&)>>& Kinds() {
  static const std::map<std::string, std::function<Picture(const PictureRequest&)>> kinds = {
      {"landscape", Landscape}, {"target", Target}, {"gradient", Gradient}, {"noise", Noise}, {"haze", Haze},
      {"flame", Flame},         {"fire", Fire},           {"fireplace", Fireplace}, {"glyphs", Glyphs}, {"lens", Lens},         {"shadow", Shadow},
      {"body", ButterflyBodyPicture}, {"wing", WingPicture}, {"clockface", ClockFacePicture},
      {"hand", ClockHandPicture}, {"leaf", LeafPicture},
      {"sprite", DrawSprite},   {"bolt", DrawBolt},
      {"seabed", SeabedPicture}, {"ripple", RipplePicture},
  };
  return kinds;
}

}  // namespace

double TileableNoise(double u, double v, int cells, uint32_t seed) {
  double sum = 0, amplitude = 1, total = 0;
  int period = cells;
  for (int octave = 0; octave < 4; ++octave) {
    sum += amplitude * LatticeNoise(u * period, v * period, period, seed + octave * 977);
    total += amplitude;
    amplitude *= 0.5;
    period *= 2;
  }
  return sum / total;
}

int GlyphBandCount(int width, int height) { return height / width + 2; }

void ParsePictureSize(const std::string& text, int* width, int* height) {
  size_t x = text.find('x');
  auto number = [&text](size_t from, size_t to) {
    std::string part = text.substr(from, to - from);
    if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::atoi(part.c_str());
  };
  int w = x == std::string::npos ? -1 : number(0, x);
  int h = x == std::string::npos ? -1 : number(x + 1, text.size());
  if (w < 1 || h < 1 || w > 8192 || h > 8192)
    throw PictureRequestError("size " + text + ": WIDTHxHEIGHT from 1x1 to 8192x8192 is needed");
  *width = w;
  *height = h;
}

PictureRequest ParsePictureRequest(const std::vector<std::string>& args) {
  if (args.size() < 2) throw PictureRequestError("a picture kind and a size are needed");
  PictureRequest r;
  r.kind = args[0];
  ParsePictureSize(args[1], &r.width, &r.height);
  for (size_t i = 2; i < args.size(); ++i) {
    size_t eq = args[i].find('=');
    if (eq == std::string::npos || eq == 0) throw PictureRequestError("option " + args[i] + ": name=value is needed");
    if (!r.options.emplace(args[i].substr(0, eq), args[i].substr(eq + 1)).second)
      throw PictureRequestError("option " + args[i].substr(0, eq) + " given twice");
  }
  return r;
}

Picture DrawPicture(const PictureRequest& request) {
  auto it = Kinds().find(request.kind);
  if (it == Kinds().end()) throw PictureRequestError("unknown picture kind " + request.kind);
  return it->second(request);
}

std::vector<std::string> PictureKinds() {
  std::vector<std::string> names;
  for (const auto& k : Kinds()) names.push_back(k.first);
  return names;
}
