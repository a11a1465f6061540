#include "picgen/sprite_kinds.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const double kPi = 3.14159265358979323846;

const std::string* Option(const PictureRequest& r, const std::string& name) {
  auto it = r.options.find(name);
  return it == r.options.end() ? nullptr : &it->second;
}

void OnlyOptions(const PictureRequest& r, std::initializer_list<const char*> allowed) {
  for (const auto& o : r.options)
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return o.first == a; }))
      throw PictureRequestError("picture kind " + r.kind + " takes no option " + o.first);
}

// Coverage of a shape at (u, v) in -1..1 over one frame, 0..1 with soft edges.
typedef double (*Shape)(double u, double v, int frame);

double Soft(double d, double edge) { return 1 - SmoothStep(-edge, edge, d); }

double Ellipse(double u, double v, double a, double b) { return std::hypot(u / a, v / b) - 1; }

// Facing right, the way the fish item expects its picture: it mirrors the sprite of a fish swimming left.
double Fish(double u, double v, int) {
  const double body = Soft(Ellipse(u - 0.15, v, 0.62, 0.36), 0.08);
  const double tail = (u < -0.4 && std::fabs(v) < (-u - 0.4) * 0.9 && u > -0.95) ? 1.0 : 0.0;
  const double eye = Soft(Ellipse(u - 0.52, v + 0.08, 0.06, 0.1), 0.03);
  return std::max(body, tail) * (1 - 0.8 * eye);
}

double Bird(double u, double v, int) {
  // Two wings as arcs meeting at the body, seen from afar.
  const double wing = std::fabs(v + 0.35 * std::fabs(u) - 0.12 - 0.25 * u * u);
  return std::fabs(u) < 0.95 ? Soft(wing - 0.08, 0.05) : 0.0;
}

double Ghost(double u, double v, int) {
  const double head = Soft(Ellipse(u, v + 0.2, 0.6, 0.6), 0.1);
  const double skirt = (v > -0.2 && v < 0.7 + 0.15 * std::sin(u * 9) && std::fabs(u) < 0.6) ? 1.0 : 0.0;
  return std::max(head, skirt) * (1 - 0.8 * Soft(Ellipse(std::fabs(u) - 0.22, v + 0.3, 0.1, 0.14), 0.04));
}

double Sparkle(double u, double v, int) {
  const double r = std::hypot(u, v);
  const double star = std::max(Soft(std::fabs(u) * 8 + std::fabs(v) - 1, 0.3), Soft(std::fabs(v) * 8 + std::fabs(u) - 1, 0.3));
  return std::min(1.0, star + std::pow(std::max(0.0, 1 - r), 3));
}

double Ray(double u, double v, int) { return std::pow(std::max(0.0, 1 - u * u), 2) * (1 - v * v) * 0.8; }

double Drop(double u, double v, int) { return Soft(std::fabs(u) * 7 - 1, 0.4) * (0.3 + 0.7 * (v + 1) / 2) * Soft(std::fabs(v) - 0.95, 0.05); }

double Puff(double u, double v, int) {
  const double r = std::hypot(u, v);
  const double lobes = 0.15 * std::sin(std::atan2(v, u) * 5);
  return 0.7 * std::pow(std::max(0.0, 1 - r / (0.85 + lobes)), 1.5);
}

double Flower(double u, double v, int) {
  const double stem = (std::fabs(u) < 0.05 && v > -0.2) ? 1.0 : 0.0;
  const double a = std::atan2(v + 0.5, u), r = std::hypot(u, v + 0.5);
  const double petals = Soft(r - 0.3 - 0.12 * std::cos(a * 6), 0.04);
  return std::max(stem, petals);
}

double Blade(double u, double v, int) {
  const double halfWidth = 0.25 * (v + 1) / 2;  // pointed top
  return Soft(std::fabs(u + 0.1 * (1 - v) * (1 - v) / 4) - halfWidth, 0.05);
}

double Flash(double u, double v, int frame) {
  // A forked spark whose branches differ by frame.
  double best = 1e9;
  double x = 0, y = -1;
  for (int k = 0; k < 8; ++k) {
    const double nx = std::sin((k + 1) * 2.3 + frame * 1.7) * 0.35, ny = -1 + (k + 1) * 0.25;
    const double dx = nx - x, dy = ny - y, t = std::clamp(((u - x) * dx + (v - y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    best = std::min(best, std::hypot(u - x - t * dx, v - y - t * dy));
    x = nx;
    y = ny;
  }
  return Soft(best - 0.03, 0.05) + 0.5 * Soft(best - 0.12, 0.1);
}

}  // namespace

Picture DrawSprite(const PictureRequest& r) {
  OnlyOptions(r, {"shape", "frames", "colour"});
  const std::string sparkle = "sparkle";
  const std::string* shapeName = Option(r, "shape");
  if (!shapeName) shapeName = &sparkle;
  static const std::pair<const char*, Shape> shapes[] = {
      {"fish", Fish},   {"bird", Bird}, {"ghost", Ghost},   {"sparkle", Sparkle}, {"ray", Ray},
      {"drop", Drop},   {"puff", Puff}, {"flower", Flower}, {"blade", Blade},     {"flash", Flash}};
  Shape shape = nullptr;
  for (const auto& s : shapes)
    if (shapeName && *shapeName == s.first) shape = s.second;
  if (!shape) throw PictureRequestError("sprite needs shape=fish|bird|ghost|sparkle|ray|drop|puff|flower|blade|flash");
  long frames = 1;
  if (const std::string* f = Option(r, "frames")) {
    char* end = nullptr;
    frames = std::strtol(f->c_str(), &end, 10);
    if (f->empty() || *end || frames < 1 || frames > r.width) throw PictureRequestError("frames=" + *f + ": 1 to the width");
  }
  Rgba tint = RgbHex(0xffffff);
  if (const std::string* c = Option(r, "colour")) {
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(c->c_str(), &end, 16);
    if (c->size() != 6 || *end) throw PictureRequestError("colour=" + *c + ": RRGGBB");
    tint = RgbHex(static_cast<uint32_t>(rgb));
  }
  Picture p(r.width, r.height, true);
  const double frameWidth = static_cast<double>(r.width) / frames;
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) {
      const int frame = static_cast<int>(x / frameWidth);
      const double u = ((x + 0.5) - frame * frameWidth) / frameWidth * 2 - 1, v = (y + 0.5) / r.height * 2 - 1;
      Rgba c = tint;
      c.a = static_cast<float>(std::clamp(shape(u, v, frame), 0.0, 1.0));
      p.Set(x, y, c);
    }
  return p;
}

Picture DrawBolt(const PictureRequest& r) {
  OnlyOptions(r, {});
  Picture p(r.width, r.height, true);
  const Rgba core = RgbHex(0xffffff), glow = RgbHex(0xa8c8ff);
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) {
      const double u = (x + 0.5) / r.width;
      const int half = y * 2 < r.height ? 0 : 1;
      const double v = ((y + 0.5) - half * r.height / 2.0) / (r.height / 2.0) * 2 - 1;  // -1..1 in its half
      // A zig-zag that repeats across the middle part (period 0.61 / 2) and tapers in the end caps.
      const double phase = (u - 0.195) / 0.305;
      const double zig = 0.35 * std::sin(2 * kPi * phase * (half ? 3 : 2) + half) +
                         0.12 * std::sin(2 * kPi * phase * 7 + 1.3 * half);
      const double taper = std::min(1.0, std::min(u / 0.195, (1 - u) / 0.195));
      const double d = std::fabs(v - zig * taper);
      Rgba c = Mix(glow, core, Soft(d - 0.05, 0.04));
      c.a = static_cast<float>(std::clamp(Soft(d - 0.06, 0.05) + 0.6 * std::pow(std::max(0.0, 1 - d / 0.5), 2), 0.0, 1.0) *
                               std::min(1.0, taper * 3));
      p.Set(x, y, c);
    }
  return p;
}
