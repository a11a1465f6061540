#include "picgen/object_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace {

const double kPi = 3.14159265358979323846;

void Allow(const PictureRequest& r, const std::set<std::string>& allowed) {
  for (const auto& o : r.options)
    if (!allowed.count(o.first)) throw PictureRequestError("picture kind " + r.kind + " takes no option " + o.first);
}

template <class F>
void EachTexel(Picture& p, F f) {
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x) f(x, y, (x + 0.5) / p.width(), (y + 0.5) / p.height());
}

// Coverage of a signed distance (negative inside) over about one texel.
double Inside(double distance, double texel) { return 1 - SmoothStep(-texel, texel, distance); }

Rgba WithAlpha(Rgba c, double a) {
  c.a = static_cast<float>(std::clamp(a, 0.0, 1.0));
  return c;
}

// Distance-like measure of an ellipse: < 0 inside.
double Ellipse(double u, double v, double cu, double cv, double ru, double rv) {
  const double du = (u - cu) / ru, dv = (v - cv) / rv;
  return (std::sqrt(du * du + dv * dv) - 1) * std::min(ru, rv);
}

}  // namespace

Picture ButterflyBodyPicture(const PictureRequest& r) {
  Allow(r, {});
  Picture p(r.width, r.height, false);
  EachTexel(p, [&](int x, int y, double u, double v) {
    const double stripe = 0.5 + 0.5 * std::cos(v * 2 * kPi * 9);
    Rgba c = Mix(RgbHex(0x2a1a10), RgbHex(0x7a5a38), 0.6 * stripe);
    if (v > 0.85) c = RgbHex(0x140c08);  // head
    c = Mix(c, RgbHex(0x000000), 0.25 * std::fabs(std::cos(u * 2 * kPi)));
    p.Set(x, y, c);
  });
  return p;
}

Picture WingPicture(const PictureRequest& r) {
  Allow(r, {"palette"});
  std::string palette = "amber";
  auto it = r.options.find("palette");
  if (it != r.options.end()) palette = it->second;
  if (palette != "amber" && palette != "azure") throw PictureRequestError("palette=" + palette + ": amber or azure");
  const Rgba inner = RgbHex(palette == "amber" ? 0xf08a1c : 0x2f8fe8);
  const Rgba outer = RgbHex(palette == "amber" ? 0xc0400c : 0x1a3fa8);
  Picture p(r.width, r.height, true);
  const double texel = 1.5 / std::min(r.width, r.height);
  EachTexel(p, [&](int x, int y, double u, double v) {
    const double fore = Ellipse(u, v, 0.52, 0.30, 0.50, 0.29);
    const double hind = Ellipse(u, v, 0.36, 0.72, 0.36, 0.27);
    const double shape = std::min(fore, hind);
    const double a = Inside(shape, texel);
    // Colour from the hinge outward, a black border and white spots near it.
    Rgba c = Mix(inner, outer, std::min(1.0, std::hypot(u, v - 0.5) * 1.1));
    if (shape > -0.06) c = RgbHex(0x111111);
    const double spot = std::min(Ellipse(u, v, 0.86, 0.22, 0.035, 0.035), Ellipse(u, v, 0.78, 0.12, 0.03, 0.03));
    if (spot < 0 && shape < -0.01) c = RgbHex(0xfafafa);
    if (std::fabs(v - 0.5) < 0.012 && u < 0.7) c = Mix(c, RgbHex(0x111111), 0.6);  // vein
    p.Set(x, y, WithAlpha(c, a));
  });
  return p;
}

Picture ClockFacePicture(const PictureRequest& r) {
  Allow(r, {});
  Picture p(r.width, r.height, true);
  const double texel = 1.5 / std::min(r.width, r.height);
  EachTexel(p, [&](int x, int y, double u, double v) {
    const double du = u - 0.5, dv = v - 0.5, d = std::hypot(du, dv);
    Rgba c = Mix(RgbHex(0xfff6e0), RgbHex(0xe8d8b0), d * 2);
    if (d > 0.44) c = RgbHex(0x5a3a1a);  // rim
    // Twelve marks between radius 0.34 and 0.42.
    const double angle = std::atan2(du, -dv);  // 0 at twelve, clockwise
    const double step = kPi / 6;
    const double off = std::fabs(std::remainder(angle, step)) * d;
    const bool quarter = std::fabs(std::remainder(angle, kPi / 2)) * d < 0.02;
    if (d > 0.34 && d < 0.42 && off < (quarter ? 0.02 : 0.01)) c = RgbHex(0x202020);
    if (d < 0.025) c = RgbHex(0x202020);  // hub
    p.Set(x, y, WithAlpha(c, Inside(d - 0.48, texel)));
  });
  return p;
}

Picture ClockHandPicture(const PictureRequest& r) {
  Allow(r, {});
  Picture p(r.width, r.height, true);
  EachTexel(p, [&](int x, int y, double u, double v) {
    // A bar that narrows into a point over its first tenth.
    const double half = v < 0.1 ? 0.5 * v / 0.1 : 0.5;
    p.Set(x, y, WithAlpha(RgbHex(0x101828), std::fabs(u - 0.5) <= half ? 1.0 : 0.0));
  });
  return p;
}

Picture LeafPicture(const PictureRequest& r) {
  Allow(r, {"seed"});
  long seed = 1;
  auto it = r.options.find("seed");
  if (it != r.options.end()) {
    char* end = nullptr;
    seed = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end || seed < 0) throw PictureRequestError("seed=" + it->second + ": a whole number");
  }
  const uint32_t colours[][2] = {{0xd9480f, 0x8a1c0c}, {0xf2a516, 0xb35806}, {0xe8c547, 0x9a7b12}, {0xb5301e, 0x5e120a}};
  const auto& pick = colours[seed % 4];
  Picture p(r.width, r.height, true);
  const double texel = 1.5 / std::min(r.width, r.height);
  EachTexel(p, [&](int x, int y, double u, double v) {
    // Half width along the leaf: pointed at the tip (v = 0), rounder toward the stem.
    const double half = 0.46 * std::pow(std::sin(kPi * std::min(v, 0.96) / 0.96), 0.75);
    const double across = std::fabs(u - 0.5);
    const double a = v > 0.96 ? (across < 0.02 ? 1.0 : 0.0) : Inside(across - half, texel);
    Rgba c = Mix(RgbHex(pick[0]), RgbHex(pick[1]), across / 0.5 + 0.2 * v);
    // Midrib and veins running out toward the tip.
    const double vein = std::fabs(std::remainder(v + across * 0.8, 0.12));
    if (across < 0.012 || (vein < 0.008 && across < half - 0.03)) c = Mix(c, RgbHex(0x3a1a08), 0.5);
    p.Set(x, y, WithAlpha(c, a));
  });
  return p;
}
