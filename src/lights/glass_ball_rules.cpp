#include "lights/glass_ball_rules.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

GlassBallParams ComputeBallParams(UINT ballSize, UINT refraction, float sx, float ky) {
  const double D = static_cast<float>(ballSize);
  const double a = refraction;
  GlassBallParams p;
  p.ballZ = static_cast<float>(-600.0 / (0.75 * D / 100.0 + 0.25)) / (sx * ky);
  p.lensDepth = static_cast<float>(
      static_cast<float>((static_cast<double>(1.105f) * D * ky * sx / 100.0 + static_cast<double>(0.385f)) *
                         static_cast<double>(1.05f)) *
      (1.0 + 0.5 * a / 100.0));
  p.swayAmplitude = static_cast<float>(0.5 * a * 0.125 / 100.0 + 0.125);
  return p;
}

float BallBumpHeight(int x, int y) {
  const int d = (x - 128) * (x - 128) + (y - 128) * (y - 128);
  return d <= 16384 ? std::sqrt(static_cast<float>(16384 - d)) : 0.0f;
}

void GenerateBallBump(BYTE* bits, int pitch) {
  for (int y = 0; y < 256; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(bits + static_cast<ptrdiff_t>(y) * pitch);
    for (int x = 0; x < 256; ++x) {
      const int x1 = std::min(x + 1, 255), y1 = std::min(y + 1, 255);
      const float h = BallBumpHeight(x, y);
      const int du = static_cast<int>(std::atan(h - BallBumpHeight(x1, y)) * 16297.4658203125);
      const int dv = static_cast<int>(std::atan(h - BallBumpHeight(x, y1)) * 16297.4658203125);
      row[x] = (static_cast<uint32_t>(static_cast<uint16_t>(dv)) << 16) | static_cast<uint16_t>(du);
    }
  }
}

void GenerateDiscMask(BYTE* bits, int pitch, bool fourBytes) {
  const int c = kDiscMaskCentre;
  for (int y = 0; y < kDiscMaskSize; ++y) {
    BYTE* row = bits + static_cast<ptrdiff_t>(y) * pitch;
    for (int x = 0; x < kDiscMaskSize; ++x) {
      const int d = (x - c) * (x - c) + (y - c) * (y - c);
      const BYTE a = d > kDiscMaskRadius * kDiscMaskRadius ? 255 : 0;
      if (fourBytes) {
        const uint32_t v = (static_cast<uint32_t>(a) << 24) | 0xFFFFFF;
        std::memcpy(row + x * 4, &v, 4);
      } else {
        row[x] = a;
      }
    }
  }
}

void GenerateGradient(BYTE* bits, int pitch, DWORD top, DWORD bottom) {
  for (int i = 0; i < 256; ++i) {
    const double t = i / 255.0;
    auto mix = [&](int shift) {
      const double c1 = (top >> shift) & 0xFF, c2 = (bottom >> shift) & 0xFF;
      return static_cast<uint32_t>(static_cast<int>(c1 + t * (c2 - c1)));
    };
    const uint32_t v = (mix(0) << 16) | (mix(8) << 8) | mix(16);
    uint32_t* row = reinterpret_cast<uint32_t*>(bits + static_cast<ptrdiff_t>(i) * pitch);
    for (int x = 0; x < 256; ++x) row[x] = v;
  }
}

void GlassBallMotion::Advance(int mode, double t, float speed) {
  if (!started) {
    started = true;
    last = t;
  }
  if (mode != 0) phase += (t - last) * static_cast<double>(speed * 0.0625f);
  last = t;
}

float GlassBallMotion::ScrollShare(int mode) const {
  if (mode != 1 && mode != 2) return 0;
  const double s = mode == 1 ? phase * -0.5 : phase * 0.5;
  return static_cast<float>(s - std::floor(s));
}

float GlassBallMotion::Sway(int mode) const {
  if (mode != 3) return 0;
  const double s = phase * 0.5;
  const float f = static_cast<float>(s - std::floor(s));
  return std::fabs(2 * f - 1) * 2 - 1;
}

GlassBallMotion& SharedGlassBallMotion() {
  static GlassBallMotion motion;
  return motion;
}

BallShares ComputeBallShares(float left, float top, float right, float bottom, float sx, float sy) {
  const float l = sx * left, t = sy * top, r = sx * right, b = sy * bottom;
  const float m = std::trunc(l) + 1, n = std::trunc(t) + 1;
  const float w = r - l, h = b - t;
  BallShares s;
  s.kx = w + 2 * m != 0 ? w / (w + 2 * m) : 1.0f;
  s.ky = h + 2 * n != 0 ? h / (h + 2 * n) : 1.0f;
  return s;
}

BallCamera ComputeBallCamera(const BallCameraInput& in, bool lens) {
  BallCamera c;
  const float z = in.ballZ;
  const float W = in.width > 0 ? in.width : 1, H = in.height > 0 ? in.height : 1;
  const float kx = in.kx != 0 ? in.kx : 1, ky = in.ky != 0 ? in.ky : 1;
  c.xc = (-z / 600) * ((in.px + 250) * in.sx - 250 + 500 * in.offX / W / kx);
  c.yc = (z / 600) * ((in.py + 250) * in.sy - 250 + 500 * in.offY / H / ky);
  if (in.pictureBackground) {
    c.yc = ky * c.yc;
    c.xc = in.targetAspect * c.xc * kx;
  }
  if (lens) {
    c.s = in.lensDepth;
    const float F = 1.5f - 0.01f * static_cast<float>(in.refraction >> 1);
    // A portrait picture has a whole-number ratio of 0: count it as 1, which leaves landscapes unchanged.
    const UINT ph = in.pictureHeight ? in.pictureHeight : 1;
    const float r = static_cast<float>(std::max(1u, in.pictureWidth / ph));
    c.u0 = in.swayAmplitude * in.sway - c.xc * F / (W * r);
    c.v0 = F * c.yc / H;
  } else {
    c.s = ky;
    c.u0 = 0;
    c.v0 = 0;
  }
  return c;
}

LensSquare ProjectLensSquare(const BallCamera& camera, float ballZ, float aspect, float width, float height) {
  LensSquare s = {0, 0, 0, 0, false};
  const double depth = -static_cast<double>(ballZ);  // the lens plane's distance from the eye
  if (!(depth > 1) || !(aspect > 0) || !(width > 0) || !(height > 0)) return s;
  const double yScale = 1 / std::tan(3.14159265358979 / 8), xScale = yScale / aspect;
  // Screen x grows with x, screen y falls as y grows.
  s.left = (1 + (camera.xc - 256) * xScale / depth) * width / 2;
  s.right = (1 + (camera.xc + 256) * xScale / depth) * width / 2;
  s.top = (1 - (camera.yc + 256) * yScale / depth) * height / 2;
  s.bottom = (1 - (camera.yc - 256) * yScale / depth) * height / 2;
  s.valid = true;
  return s;
}

LensPixels LensInterior(const BallCamera& camera, float ballZ, float aspect, float width, float height) {
  LensPixels none = {0, 0, 0, 0};
  const LensSquare s = ProjectLensSquare(camera, ballZ, aspect, width, height);
  if (!s.valid) return none;
  auto within = [](double v, double limit) { return static_cast<int>(std::min(std::max(v, 0.0), limit)); };
  LensPixels p;
  p.left = within(std::ceil(s.left) + 1, width);
  p.top = within(std::ceil(s.top) + 1, height);
  p.right = within(std::floor(s.right) - 1, width);
  p.bottom = within(std::floor(s.bottom) - 1, height);
  if (p.right <= p.left || p.bottom <= p.top) return none;
  return p;
}

TexelSpans LensReadSpans(float scale, float offset, float centre, float reach, int size) {
  TexelSpans s = {0, {0, 0}, {0, 0}};
  if (size <= 0) return s;
  const double a = static_cast<double>(scale) * (centre - 256.0) + offset;
  const double b = static_cast<double>(scale) * (centre + 256.0) + offset;
  const double lo = std::min(a, b) - std::fabs(reach), hi = std::max(a, b) + std::fabs(reach);
  // The filter reads texels floor(u * size - 0.5) and the next; two more each side for the device's
  // rounding.
  const double first = std::floor(lo * size - 0.5) - 2, last = std::floor(hi * size - 0.5) + 1 + 2;
  s.count = 1;
  if (!(last - first + 1 < size)) {  // the whole axis (or a coordinate beyond all reason)
    s.last[0] = size;
    return s;
  }
  const double wrapped = first - std::floor(first / size) * size;  // 0 .. size - 1
  const int f = static_cast<int>(wrapped), l = f + static_cast<int>(last - first);  // l inclusive
  if (l < size) {
    s.first[0] = f;
    s.last[0] = l + 1;
    return s;
  }
  s.count = 2;
  s.first[0] = f;
  s.last[0] = size;
  s.first[1] = 0;
  s.last[1] = l - size + 1;
  return s;
}

std::vector<TexelSpan> CopiedSpans(const TexelSpans& read, const std::vector<CopyPlace>& copies, int size) {
  std::vector<TexelSpan> spans;
  if (size <= 0) return spans;
  for (int i = 0; i < read.count; ++i)
    for (const CopyPlace& c : copies) {
      if (!(c.extent > 0)) continue;
      const double a = std::max<double>(read.first[i], c.left), b = std::min<double>(read.last[i], c.left + c.extent);
      if (!(a < b)) continue;
      const double scale = size / static_cast<double>(c.extent);
      const double first = std::floor((a - c.left) * scale) - 3, last = std::ceil((b - c.left) * scale) + 3;
      const int f = static_cast<int>(std::max(0.0, first)), l = static_cast<int>(std::min<double>(size, last));
      if (f < l) spans.push_back(TexelSpan{f, l});
    }
  std::sort(spans.begin(), spans.end(), [](const TexelSpan& x, const TexelSpan& y) { return x.first < y.first; });
  std::vector<TexelSpan> merged;
  for (const TexelSpan& s : spans) {
    if (!merged.empty() && s.first <= merged.back().last)
      merged.back().last = std::max(merged.back().last, s.last);
    else
      merged.push_back(s);
  }
  return merged;
}

namespace {

// How far the device may place the square from this arithmetic, in pixels along any direction (its own
// rounding of the corners, and half a pixel either way in where a pixel's centre lies), with room to spare.
const double kDiscMarginPixels = 3;

// The rectangle [left, right) x [top, bottom) clipped to the target, appended when not empty; joined to
// the last one when it continues it downwards with the same columns.
void AddRect(std::vector<RECT>& list, double left, double top, double right, double bottom, int width, int height) {
  const LONG l = static_cast<LONG>(std::max(0.0, std::min(left, static_cast<double>(width))));
  const LONG r = static_cast<LONG>(std::max(0.0, std::min(right, static_cast<double>(width))));
  const LONG t = static_cast<LONG>(std::max(0.0, std::min(top, static_cast<double>(height))));
  const LONG b = static_cast<LONG>(std::max(0.0, std::min(bottom, static_cast<double>(height))));
  if (r <= l || b <= t) return;
  if (!list.empty()) {
    RECT& last = list.back();
    if (last.left == l && last.right == r && last.bottom == t) {
      last.bottom = b;
      return;
    }
  }
  list.push_back(RECT{l, t, r, b});
}

}  // namespace

DiscScissors SplitLensAtDisc(const LensSquare& square, int width, int height, int strips) {
  DiscScissors out;
  if (!square.valid || width <= 0 || height <= 0) return out;
  strips = std::max(strips, 1);
  // A pixel at (i, j) samples the mask at texel coordinates X = (i - left) / side * size - 0.5 (and Y
  // alike): its filter reads texels less than one away on either axis, so less than sqrt 2 away.
  const double size = kDiscMaskSize;
  const double perTexelX = (square.right - square.left) / size, perTexelY = (square.bottom - square.top) / size;
  if (!(perTexelX > 0) || !(perTexelY > 0)) return out;
  const double cx = square.left + (kDiscMaskCentre + 0.5) * perTexelX;
  const double cy = square.top + (kDiscMaskCentre + 0.5) * perTexelY;
  const double reach = std::sqrt(2.0);
  // Radii in texels: within inner every filtered texel is clear, beyond outer every one is opaque; the
  // margin in pixels widens the band between them.
  const double marginX = kDiscMarginPixels / perTexelX, marginY = kDiscMarginPixels / perTexelY;
  const double margin = std::max(marginX, marginY);
  const double outer = kDiscMaskRadius + reach + margin, inner = kDiscMaskRadius - reach - margin;
  const double W = width, H = height;

  // disc: for each strip of rows, the columns the outer ellipse reaches in the row nearest its centre.
  {
    const double rx = outer * perTexelX, ry = outer * perTexelY;
    const double first = std::max(0.0, std::floor(cy - ry)), last = std::min(H - 1, std::ceil(cy + ry));
    if (first <= last) {
      const double rows = last - first + 1;
      const double step = std::ceil(rows / strips);
      for (double a = first; a <= last; a += step) {
        const double b = std::min(last, a + step - 1);
        const double d = (a <= cy && cy <= b) ? 0 : std::min(std::fabs(a - cy), std::fabs(b - cy));
        if (d >= ry) continue;
        const double half = rx * std::sqrt(1 - (d / ry) * (d / ry));
        AddRect(out.disc, std::floor(cx - half), a, std::ceil(cx + half) + 1, b + 1, width, height);
      }
    }
  }
  // rim: every pixel but those the inner ellipse holds in the row farthest from its centre, strip by strip.
  {
    const double rx = inner * perTexelX, ry = inner * perTexelY;
    const double first = std::max(0.0, std::ceil(cy - ry)), last = std::min(H - 1, std::floor(cy + ry));
    if (!(inner > 0) || first > last) {
      AddRect(out.rim, 0, 0, W, H, width, height);
      return out;
    }
    AddRect(out.rim, 0, 0, W, first, width, height);
    const double rows = last - first + 1;
    const double step = std::ceil(rows / strips);
    for (double a = first; a <= last; a += step) {
      const double b = std::min(last, a + step - 1);
      const double d = std::max(std::fabs(a - cy), std::fabs(b - cy));
      if (d >= ry) {
        AddRect(out.rim, 0, a, W, b + 1, width, height);
        continue;
      }
      const double half = rx * std::sqrt(1 - (d / ry) * (d / ry));
      const double l = std::ceil(cx - half), r = std::floor(cx + half) + 1;  // the clear columns [l, r)
      if (r <= l) {
        AddRect(out.rim, 0, a, W, b + 1, width, height);
        continue;
      }
      AddRect(out.rim, 0, a, l, b + 1, width, height);
      AddRect(out.rim, r, a, W, b + 1, width, height);
    }
    AddRect(out.rim, 0, last + 1, W, H, width, height);
  }
  return out;
}
