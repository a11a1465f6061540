// A picture being drawn: straight (not premultiplied) RGBA in 0..1 per channel, rows from the top, with
// the few drawing operations the picture kinds share. Every operation is deterministic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};

// 0xRRGGBB, opaque.
Rgba RgbHex(uint32_t rgb);
// a + (b - a) * t per channel, alpha included.
Rgba Mix(const Rgba& a, const Rgba& b, double t);
// 0 below e0, 1 above e1, a smooth step between.
double SmoothStep(double e0, double e1, double x);

class Picture {
 public:
  Picture(int width, int height, bool alpha);

  int width() const { return width_; }
  int height() const { return height_; }
  // Whether the picture keeps transparency when written (otherwise alpha is ignored).
  bool hasAlpha() const { return alpha_; }

  const Rgba& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  void Set(int x, int y, const Rgba& c) { pixels_[static_cast<size_t>(y) * width_ + x] = c; }
  // Source-over compositing of c with its alpha scaled by coverage (0..1).
  void Blend(int x, int y, const Rgba& c, double coverage);
  // A filled disc with an antialiased edge, centre and radius in pixels.
  void Disc(double cx, double cy, double radius, const Rgba& c);
  // A circle line of the given width.
  void Ring(double cx, double cy, double radius, double lineWidth, const Rgba& c);
  // An axis-aligned rectangle [x0, x1) x [y0, y1), clipped.
  void Fill(int x0, int y0, int x1, int y1, const Rgba& c);

  // 8-bit channels, rounded: RGBA (4 bytes a pixel) with alpha, RGB (3) without.
  std::vector<uint8_t> Bytes() const;

 private:
  int width_;
  int height_;
  bool alpha_;
  std::vector<Rgba> pixels_;
};
