#include "picgen/picture.h"

#include <algorithm>
#include <cmath>

Rgba RgbHex(uint32_t rgb) {
  Rgba c;
  c.r = ((rgb >> 16) & 0xFF) / 255.0f;
  c.g = ((rgb >> 8) & 0xFF) / 255.0f;
  c.b = (rgb & 0xFF) / 255.0f;
  return c;
}

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
  Rgba c;
  c.r = static_cast<float>(a.r + (b.r - a.r) * t);
  c.g = static_cast<float>(a.g + (b.g - a.g) * t);
  c.b = static_cast<float>(a.b + (b.b - a.b) * t);
  c.a = static_cast<float>(a.a + (b.a - a.a) * t);
  return c;
}

double SmoothStep(double e0, double e1, double x) {
  if (e1 == e0) return x < e0 ? 0.0 : 1.0;
  double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

Picture::Picture(int width, int height, bool alpha)
    : width_(width), height_(height), alpha_(alpha), pixels_(static_cast<size_t>(width) * height) {}

void Picture::Blend(int x, int y, const Rgba& c, double coverage) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  double sa = std::clamp(c.a * coverage, 0.0, 1.0);
  if (sa <= 0) return;
  Rgba& d = pixels_[static_cast<size_t>(y) * width_ + x];
  double da = d.a * (1 - sa);
  double oa = sa + da;
  auto channel = [&](float s, float dc) { return static_cast<float>((s * sa + dc * da) / oa); };
  d.r = channel(c.r, d.r);
  d.g = channel(c.g, d.g);
  d.b = channel(c.b, d.b);
  d.a = static_cast<float>(oa);
}

namespace {

// Blends c over the pixels within reach of (cx, cy), each with the coverage of its distance from the centre.
template <typename Coverage>
void BlendAround(Picture& p, double cx, double cy, double reach, const Rgba& c, Coverage coverage) {
  int x0 = std::max(0, static_cast<int>(std::floor(cx - reach - 1)));
  int x1 = std::min(p.width() - 1, static_cast<int>(std::ceil(cx + reach + 1)));
  int y0 = std::max(0, static_cast<int>(std::floor(cy - reach - 1)));
  int y1 = std::min(p.height() - 1, static_cast<int>(std::ceil(cy + reach + 1)));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) p.Blend(x, y, c, std::clamp(coverage(std::hypot(x + 0.5 - cx, y + 0.5 - cy)), 0.0, 1.0));
}

}  // namespace

void Picture::Disc(double cx, double cy, double radius, const Rgba& c) {
  BlendAround(*this, cx, cy, radius, c, [radius](double d) { return radius - d + 0.5; });
}

void Picture::Ring(double cx, double cy, double radius, double lineWidth, const Rgba& c) {
  BlendAround(*this, cx, cy, radius + lineWidth / 2, c,
              [radius, lineWidth](double d) { return lineWidth / 2 - std::fabs(d - radius) + 0.5; });
}

void Picture::Fill(int x0, int y0, int x1, int y1, const Rgba& c) {
  for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(width_, x1); ++x) Blend(x, y, c, 1.0);
}

std::vector<uint8_t> Picture::Bytes() const {
  std::vector<uint8_t> out;
  out.reserve(pixels_.size() * (alpha_ ? 4 : 3));
  auto byte = [](float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  for (const Rgba& p : pixels_) {
    out.push_back(byte(p.r));
    out.push_back(byte(p.g));
    out.push_back(byte(p.b));
    if (alpha_) out.push_back(byte(p.a));
  }
  return out;
}
