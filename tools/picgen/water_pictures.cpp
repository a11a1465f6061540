#include "picgen/water_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

uint32_t Mix32(uint32_t h) {
  h ^= h >> 16;
  h *= 0x7feb352du;
  h ^= h >> 15;
  h *= 0x846ca68bu;
  h ^= h >> 16;
  return h;
}
// A deterministic number in 0..1 for (i, salt) under seed.
double Rand(uint32_t i, uint32_t salt, uint32_t seed) {
  return (Mix32(i * 0x9e3779b9u ^ Mix32(salt + 0x632be5abu * (seed + 1))) & 0xFFFFFFu) / 16777216.0;
}

long IntOption(const PictureRequest& r, const std::string& name, long fallback, long lo, long hi) {
  auto it = r.options.find(name);
  if (it == r.options.end()) return fallback;
  char* end = nullptr;
  const long n = std::strtol(it->second.c_str(), &end, 10);
  if (it->second.empty() || *end || n < lo || n > hi)
    throw PictureRequestError(name + "=" + it->second + ": a whole number from " + std::to_string(lo) + " to " +
                              std::to_string(hi) + " is needed");
  return n;
}

void OnlyOptions(const PictureRequest& r, std::initializer_list<const char*> allowed) {
  for (const auto& o : r.options)
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return o.first == a; }))
      throw PictureRequestError("picture kind " + r.kind + " takes no option " + o.first);
}

// Crossing sine ripples with whole wave numbers, so that the field tiles; 0..1.
double RippleHeight(double u, double v, uint32_t seed) {
  double sum = 0, total = 0;
  for (uint32_t k = 0; k < 7; ++k) {
    const int fu = 1 + static_cast<int>(Rand(k, 1, seed) * 6), fv = static_cast<int>(Rand(k, 2, seed) * 7) - 3;
    const double amplitude = 1.0 / (1 + k * 0.4), phase = 2 * kPi * Rand(k, 3, seed);
    sum += amplitude * std::sin(2 * kPi * (fu * u + fv * v) + phase);
    total += amplitude;
  }
  sum += 0.6 * (2 * TileableNoise(u, v, 8, seed + 77) - 1);
  total += 0.6;
  return 0.5 + 0.5 * sum / total;
}

}  // namespace

Picture RipplePicture(const PictureRequest& r) {
  OnlyOptions(r, {"seed", "normals"});
  const uint32_t seed = static_cast<uint32_t>(IntOption(r, "seed", 1, 0, 0x7FFFFFFF));
  const long normals = IntOption(r, "normals", 0, 1, 100);
  const int w = r.width, h = r.height;
  std::vector<double> height(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) height[static_cast<size_t>(y) * w + x] = RippleHeight((x + 0.5) / w, (y + 0.5) / h, seed);
  Picture p(w, h, false);
  auto at = [&](int x, int y) { return height[static_cast<size_t>((y + h) % h) * w + (x + w) % w]; };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!normals) {
        const float g = static_cast<float>(at(x, y));
        p.Set(x, y, Rgba{g, g, g, 1});
        continue;
      }
      // The slope between the neighbours, as a normal map of the height field is made.
      const double dx = (at(x + 1, y) - at(x - 1, y)) * 0.5 * normals, dy = (at(x, y + 1) - at(x, y - 1)) * 0.5 * normals;
      const double len = std::sqrt(dx * dx + dy * dy + 1);
      p.Set(x, y, Rgba{static_cast<float>(0.5 - 0.5 * dx / len), static_cast<float>(0.5 - 0.5 * dy / len),
                       static_cast<float>(0.5 + 0.5 / len), 1});
    }
  return p;
}

Picture SeabedPicture(const PictureRequest& r) {
  OnlyOptions(r, {"seed"});
  const uint32_t seed = static_cast<uint32_t>(IntOption(r, "seed", 1, 0, 0x7FFFFFFF));
  const double w = r.width, h = r.height, s = std::min(w, h);
  Picture p(r.width, r.height, false);
  const Rgba shallow = RgbHex(0x58c4d0), deep = RgbHex(0x062c48), shaft = RgbHex(0xe8fff4);
  // The water: bright under the surface, deep blue below, with a shimmer of caustics near the top.
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) {
      const double v = (y + 0.5) / h;
      Rgba c = Mix(shallow, deep, std::pow(v, 0.8));
      const double caustic = TileableNoise((x + 0.5) / s * 0.5, v * 0.25 * h / s, 6, seed + 5);
      c = Mix(c, shaft, std::max(0.0, caustic - 0.55) * 1.2 * std::max(0.0, 1 - v / 0.35));
      p.Set(x, y, c);
    }
  // Light shafts slanting down from the surface, fading with depth.
  for (uint32_t i = 0; i < 7; ++i) {
    const double top = (0.05 + 0.9 * Rand(i, 10, seed)) * w, slope = 0.25 + 0.2 * Rand(i, 11, seed);
    const double width = (0.02 + 0.05 * Rand(i, 12, seed)) * w, strength = 0.12 + 0.14 * Rand(i, 13, seed);
    for (int y = 0; y < r.height; ++y) {
      const double fade = std::pow(1 - (y + 0.5) / h, 1.6) * strength;
      const double centre = top + slope * y;
      for (int x = std::max(0, static_cast<int>(centre - 2 * width)); x < std::min(r.width, static_cast<int>(centre + 2 * width));
           ++x) {
        const double d = std::fabs(x + 0.5 - centre) / width;
        if (d < 1) p.Blend(x, y, shaft, fade * (1 - d) * (1 - d));
      }
    }
  }
  // The sandy floor with a wavy edge and ripple marks, tinted by the water above it.
  const Rgba sand = Mix(RgbHex(0xc8b27a), deep, 0.35), sandDark = Mix(RgbHex(0x8a7550), deep, 0.45);
  std::vector<double> floorTop(r.width);
  for (int x = 0; x < r.width; ++x) {
    const double u = (x + 0.5) / w;
    floorTop[x] = h * (0.8 - 0.07 * TileableNoise(u, 0.5, 3, seed + 21));
    for (int y = std::max(0, static_cast<int>(floorTop[x])); y < r.height; ++y) {
      const double marks = 0.5 + 0.5 * std::sin((x + 0.5) / s * 90 + 6 * TileableNoise(u, (y + 0.5) / h, 4, seed + 22));
      Rgba c = Mix(sand, sandDark, 0.25 + 0.4 * marks * ((y - floorTop[x]) / (h - floorTop[x] + 1)));
      p.Blend(x, y, c, std::clamp(y + 1 - floorTop[x], 0.0, 1.0));
    }
  }
  // Stones half in the sand.
  for (uint32_t i = 0; i < 9; ++i) {
    const int x = std::min(r.width - 1, static_cast<int>(Rand(i, 30, seed) * w));
    const double radius = (0.015 + 0.035 * Rand(i, 31, seed)) * s;
    p.Disc(x + 0.5, floorTop[x] + radius * 0.6, radius, Mix(RgbHex(0x3a4a52), deep, 0.3 + 0.3 * Rand(i, 32, seed)));
  }
  // Weed swaying up from the floor.
  for (uint32_t i = 0; i < 14; ++i) {
    const int base = std::min(r.width - 1, static_cast<int>(Rand(i, 40, seed) * w));
    const double height = (0.15 + 0.3 * Rand(i, 41, seed)) * h, thick = (0.004 + 0.006 * Rand(i, 42, seed)) * s;
    const double phase = 2 * kPi * Rand(i, 43, seed), sway = (0.02 + 0.04 * Rand(i, 44, seed)) * s;
    const Rgba green = Mix(RgbHex(0x2f8a4f), deep, 0.2 + 0.3 * Rand(i, 45, seed));
    for (double t = 0; t <= 1; t += 0.5 / height) {
      const double x = base + sway * t * std::sin(t * 7 + phase), y = floorTop[base] + thick - t * height;
      p.Disc(x, y, thick * (1 - 0.7 * t) + 0.5, green);
    }
  }
  // Bubbles rising in a few columns, smaller towards the floor.
  for (uint32_t i = 0; i < 40; ++i) {
    const double column = Rand(i % 5, 50, seed) * w, y = Rand(i, 51, seed) * h * 0.85;
    const double x = column + 0.02 * s * std::sin(y / s * 25 + i);
    const double radius = (0.004 + 0.008 * Rand(i, 52, seed)) * s * (1.2 - y / h);
    p.Ring(x, y, radius, std::max(1.0, radius * 0.25), Mix(shaft, shallow, 0.3));
  }
  return p;
}
