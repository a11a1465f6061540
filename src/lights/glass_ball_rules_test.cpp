#include "lights/glass_ball_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

TEST(GlassBallRules, BallParameters) {
  const struct {
    UINT size, refraction;
    float sx, ky, z, depth, sway;
  } cases[] = {
      {100, 0, 1, 1, -600, 1.5645f, 0.125f},
      {100, 100, 1, 1, -600, 1.5645f * 1.5f, 0.1875f},
      {0, 0, 1, 1, -2400, 0.40425f, 0.125f},
      {100, 0, 2, 0.5f, -600, 1.5645f, 0.125f},
  };
  for (const auto& c : cases) {
    const GlassBallParams p = ComputeBallParams(c.size, c.refraction, c.sx, c.ky);
    EXPECT_NEAR(p.ballZ, c.z, 1e-3f) << c.size << " " << c.refraction;
    EXPECT_NEAR(p.lensDepth, c.depth, 1e-4f) << c.size << " " << c.refraction;
    EXPECT_NEAR(p.swayAmplitude, c.sway, 1e-6f);
  }
}

TEST(GlassBallRules, BumpMapTexels) {
  const int pitch = 256 * 4 + 32;
  std::vector<BYTE> bits(static_cast<size_t>(pitch) * 256, 0xCD);
  GenerateBallBump(bits.data(), pitch);
  auto texel = [&](int x, int y) {
    uint32_t v;
    std::memcpy(&v, &bits[static_cast<size_t>(y) * pitch + x * 4], 4);
    return v;
  };
  auto du = [&](int x, int y) { return static_cast<int16_t>(texel(x, y) & 0xFFFF); };
  auto dv = [&](int x, int y) { return static_cast<int16_t>(texel(x, y) >> 16); };
  EXPECT_EQ(texel(0, 0), 0u);  // outside the hemisphere
  EXPECT_EQ(du(128, 128), static_cast<int16_t>(std::atan(128.0f - std::sqrt(16383.0f)) * 16297.4658203125));
  // Rising towards the centre on the left, falling on the right; symmetric in u and v.
  EXPECT_LT(du(60, 128), 0);
  EXPECT_GT(du(200, 128), 0);
  EXPECT_EQ(du(60, 128), dv(128, 60));
  EXPECT_EQ(bits[256 * 4], 0xCD);  // the pitch's padding is left alone
}

TEST(GlassBallRules, DiscMaskFollowsThePitch) {
  for (bool four : {false, true}) {
    const int bpp = four ? 4 : 1;
    const int pitch = 1024 * bpp + 64;
    std::vector<BYTE> bits(static_cast<size_t>(pitch) * 1024, 0x11);
    GenerateDiscMask(bits.data(), pitch, four);
    auto alpha = [&](int x, int y) { return bits[static_cast<size_t>(y) * pitch + x * bpp + (four ? 3 : 0)]; };
    EXPECT_EQ(alpha(0, 0), 255);
    EXPECT_EQ(alpha(512, 512), 0);
    EXPECT_EQ(alpha(512, 3), 255);  // beyond the radius of 508
    EXPECT_EQ(alpha(512, 4), 0);    // on the circle
    EXPECT_EQ(alpha(1023, 1023), 255);
    EXPECT_EQ(bits[static_cast<size_t>(pitch) - 1], 0x11);  // padding untouched
  }
}

TEST(GlassBallRules, GradientRows) {
  std::vector<BYTE> bits(256 * 1024);
  GenerateGradient(bits.data(), 1024, 0x0000FF /* red */, 0xFF0000 /* blue */);
  auto texel = [&](int x, int y) {
    uint32_t v;
    std::memcpy(&v, &bits[static_cast<size_t>(y) * 1024 + x * 4], 4);
    return v;
  };
  EXPECT_EQ(texel(0, 0), 0x00FF0000u);
  EXPECT_EQ(texel(255, 255), 0x000000FFu);
  const uint32_t mid = texel(17, 128);
  EXPECT_NEAR(static_cast<int>((mid >> 16) & 0xFF), 127, 1);
  EXPECT_EQ((mid >> 8) & 0xFF, 0u);
  EXPECT_NEAR(static_cast<int>(mid & 0xFF), 128, 1);
  EXPECT_EQ(mid >> 24, 0u);
  GenerateGradient(bits.data(), 1024, 0, 0);
  EXPECT_EQ(texel(5, 5), 0u);
}

TEST(GlassBallRules, MotionScrollsAndSways) {
  GlassBallMotion m;
  m.Advance(1, 0.0f, 1.0f);
  m.Advance(1, 16.0f, 1.0f);
  EXPECT_NEAR(m.ScrollShare(1), 0.5f, 1e-6f);  // half a width after 16 s
  m.Advance(1, 32.0f, 1.0f);
  EXPECT_NEAR(m.ScrollShare(1), 0.0f, 1e-6f);  // wrapped
  EXPECT_EQ(m.Sway(1), 0.0f);

  GlassBallMotion s;
  const struct {
    float t, sway;
  } sways[] = {{0, 1}, {8, 0}, {16, -1}, {24, 0}, {32, 1}};
  for (const auto& c : sways) {
    s.Advance(3, c.t, 1.0f);
    EXPECT_NEAR(s.Sway(3), c.sway, 1e-5f) << c.t;
  }
  GlassBallMotion still;
  still.Advance(0, 0, 1);
  still.Advance(0, 10, 1);
  EXPECT_EQ(still.phase, 0.0f);
}

TEST(GlassBallRules, SharesAndCamera) {
  const BallShares k = ComputeBallShares(100.5f, 0, 1820.5f, 1080, 1, 1);
  EXPECT_NEAR(k.kx, 1720.0f / (1720 + 2 * 101), 1e-6f);
  EXPECT_NEAR(k.ky, 1080.0f / (1080 + 2), 1e-6f);

  BallCameraInput in = {};
  in.ballZ = -600;
  in.lensDepth = 1.5645f;
  in.swayAmplitude = 0.125f;
  in.sway = 1;
  in.sx = in.sy = in.kx = in.ky = 1;
  in.width = 1920;
  in.height = 1080;
  in.targetAspect = 1920.0f / 1080;
  in.pictureWidth = 1600;
  in.pictureHeight = 1000;
  BallCamera c = ComputeBallCamera(in, true);
  EXPECT_NEAR(c.xc, 0, 1e-4f);
  EXPECT_NEAR(c.yc, 0, 1e-4f);
  EXPECT_NEAR(c.u0, 0.125f, 1e-6f);
  EXPECT_FLOAT_EQ(c.s, 1.5645f);
  // A portrait picture keeps a finite lens offset.
  in.pictureWidth = 600;
  in.pictureHeight = 1000;
  in.px = 40;
  c = ComputeBallCamera(in, true);
  EXPECT_TRUE(std::isfinite(c.u0));
  EXPECT_NEAR(c.u0, 0.125f - c.xc * 1.5f / 1920, 1e-6f);
  const BallCamera flat = ComputeBallCamera(in, false);
  EXPECT_EQ(flat.u0, 0.0f);
  EXPECT_FLOAT_EQ(flat.s, 1.0f);
}

// The pixels the lens covers for certain lie inside its square's image as the device projects it (the
// ball camera's matrices), within two pixels of its edges where they fall inside the target.
TEST(GlassBallRules, LensInteriorLiesInsideTheProjectedSquare) {
  const struct {
    float xc, yc, ballZ;
    bool empty;
  } cases[] = {{0, 0, -600, false}, {150, -40, -600, false}, {0, 0, -337, false},
               {3000, 0, -600, true}, {0, 0, -0.5f, true}};
  const float W = 1920, H = 1080, aspect = W / H;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xc);
    SCOPED_TRACE(c.ballZ);
    BallCamera camera = {};
    camera.xc = c.xc;
    camera.yc = c.yc;
    const LensPixels hole = LensInterior(camera, c.ballZ, aspect, W, H);
    if (c.empty) {
      EXPECT_TRUE(hole.right <= hole.left || hole.bottom <= hole.top);
      continue;
    }
    D3DXMATRIX world, view, projection, a, m;
    D3DXMatrixTranslation(&world, c.xc, c.yc, 0);
    const D3DXVECTOR3 eye(0, 0, c.ballZ), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 4, aspect, 1, 3000);
    D3DXMatrixMultiply(&a, &world, &view);
    D3DXMatrixMultiply(&m, &a, &projection);
    // Screen corners of the square: top-left from (-256, 256), bottom-right from (256, -256).
    D3DXVECTOR3 tl(-256, 256, 0), br(256, -256, 0), p, q;
    D3DXVec3TransformCoord(&p, &tl, &m);
    D3DXVec3TransformCoord(&q, &br, &m);
    const float left = (p.x + 1) * W / 2, top = (1 - p.y) * H / 2, right = (q.x + 1) * W / 2, bottom = (1 - q.y) * H / 2;
    EXPECT_GT(hole.left, left);
    EXPECT_GT(hole.top, top);
    EXPECT_LT(hole.right, right);
    EXPECT_LT(hole.bottom, bottom);
    EXPECT_LE(hole.left, std::max(0.0f, left + 2.5f));
    EXPECT_LE(hole.top, std::max(0.0f, top + 2.5f));
    EXPECT_GE(hole.right, std::min(W, right - 2.5f));
    EXPECT_GE(hole.bottom, std::min(H, bottom - 2.5f));
  }
}

// What the split must hold: every pixel the device may sample a clear mask texel for (its filter reads
// the two texels about its texel coordinate on each axis, wrapping) is in the disc list, every pixel it
// may sample an opaque one for in the rim list; the device may place the square up to a pixel and a half
// from this arithmetic. Each list is disjoint (a pixel blended twice would change), and neither keeps
// much of what the other one needs alone.
TEST(GlassBallRules, SplitAtTheDiscKeepsEveryPixelTheMaskCanLeaveOrPaint) {
  const struct {
    const char* name;
    int width, height;
    double left, top, side;
    int strips;
  } cases[] = {
      {"centred on a wide target", 1920, 1080, 403.7, -16.3, 1112.6, 12},
      {"one strip", 1920, 1080, 403.7, -16.3, 1112.6, 1},
      {"many strips", 800, 600, 120.2, 40.9, 500.3, 40},
      {"across the left edge", 640, 360, -200.5, 20.25, 300, 8},
      {"larger than the target", 320, 180, -90.1, -120.6, 460.4, 12},
      {"small target", 64, 64, -1.0, -1.0, 66.0, 12},
      {"tiny square", 64, 64, 20.3, 30.6, 9.5, 12},
  };
  auto inside = [](const std::vector<RECT>& list, int x, int y) {
    int n = 0;
    for (const RECT& r : list) n += x >= r.left && x < r.right && y >= r.top && y < r.bottom ? 1 : 0;
    return n;
  };
  auto opaque = [](int tx, int ty) {
    tx = (tx % kDiscMaskSize + kDiscMaskSize) % kDiscMaskSize;
    ty = (ty % kDiscMaskSize + kDiscMaskSize) % kDiscMaskSize;
    const int dx = tx - kDiscMaskCentre, dy = ty - kDiscMaskCentre;
    return dx * dx + dy * dy > kDiscMaskRadius * kDiscMaskRadius;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LensSquare square = {c.left, c.top, c.left + c.side, c.top + c.side, true};
    const DiscScissors split = SplitLensAtDisc(square, c.width, c.height, c.strips);
    for (const auto* list : {&split.disc, &split.rim})
      for (const RECT& r : *list) {
        EXPECT_LT(r.left, r.right);
        EXPECT_LT(r.top, r.bottom);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, c.width);
        EXPECT_LE(r.bottom, c.height);
      }
    int missing = 0, twice = 0, discOnly = 0, rimOnly = 0, both = 0, squarePixels = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        bool clear = false, paint = false;
        for (double jx : {-1.5, 0.0, 1.5})
          for (double jy : {-1.5, 0.0, 1.5}) {
            const double X = (x + jx - c.left) / c.side * kDiscMaskSize - 0.5;
            const double Y = (y + jy - c.top) / c.side * kDiscMaskSize - 0.5;
            // Off the square, where that device draws nothing.
            if (X + 0.5 < 0 || Y + 0.5 < 0 || X + 0.5 >= kDiscMaskSize || Y + 0.5 >= kDiscMaskSize) continue;
            const int tx = static_cast<int>(std::floor(X)), ty = static_cast<int>(std::floor(Y));
            for (int k = 0; k < 4; ++k) {
              const bool o = opaque(tx + (k & 1), ty + (k >> 1));
              clear = clear || !o;
              paint = paint || o;
            }
          }
        const int inDisc = inside(split.disc, x, y), inRim = inside(split.rim, x, y);
        missing += (clear && inDisc == 0) || (paint && inRim == 0) ? 1 : 0;
        twice += inDisc > 1 || inRim > 1 ? 1 : 0;
        const bool onSquare = x >= c.left && x < c.left + c.side && y >= c.top && y < c.top + c.side;
        squarePixels += onSquare ? 1 : 0;
        if (onSquare) {
          discOnly += clear && !paint ? 1 : 0;
          rimOnly += paint && !clear ? 1 : 0;
          both += inDisc && inRim ? 1 : 0;
        }
      }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(twice, 0);
    // Where the lists overlap beyond what both need: at most a band a few strips' steps wide.
    if (c.side > 100 && c.strips >= 12) {
      EXPECT_GT(discOnly, squarePixels / 2) << "the disc holds most of the square";
      EXPECT_LT(both, squarePixels / 5) << "the rim keeps out of the disc";
    }
  }
}

// Every texel the filter reads anywhere over the lens's range (moved by the bump either way, wrapped)
// lies in a span; the spans leave out what it never reads, within a few texels.
TEST(GlassBallRules, LensReadSpansHoldEveryTexelTheLensMaySample) {
  const struct {
    const char* name;
    float scale, offset, centre, reach;
    int size;
    int count;  // spans expected
  } cases[] = {
      {"a band in the middle", 0.0007f, 0.5f, 0, 0.16f, 1920, 1},
      {"around the right edge", 0.0007f, 0.9f, 0, 0.16f, 1920, 2},
      {"around the left edge, beyond a whole turn", 0.0007f, -3.05f, 40, 0.05f, 1000, 2},
      {"falling with y", -0.0012f, 0.4f, -30, 0.2f, 1080, 1},
      {"wider than the texture", 0.0013f, 0.5f, 0, 0.2f, 1080, 1},
      {"no bump", 0.0005f, 0.25f, 100, 0, 64, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TexelSpans s = LensReadSpans(c.scale, c.offset, c.centre, c.reach, c.size);
    ASSERT_EQ(s.count, c.count);
    std::vector<bool> held(c.size, false);
    for (int i = 0; i < s.count; ++i) {
      EXPECT_LE(0, s.first[i]);
      EXPECT_LT(s.first[i], s.last[i]);
      EXPECT_LE(s.last[i], c.size);
      for (int t = s.first[i]; t < s.last[i]; ++t) {
        EXPECT_FALSE(held[t]) << "spans overlap at " << t;
        held[t] = true;
      }
    }
    std::vector<bool> read(c.size, false);
    for (int k = 0; k <= 4000; ++k) {
      const double x = c.centre - 256 + 512.0 * k / 4000;
      for (double bump : {-1.0, -0.5, 0.0, 0.5, 1.0}) {
        const double u = c.scale * x + c.offset + bump * c.reach;
        const int t = static_cast<int>(std::floor(u * c.size - 0.5));
        for (int n : {t, t + 1}) {
          const int w = ((n % c.size) + c.size) % c.size;
          read[w] = true;
          EXPECT_TRUE(held[w]) << "texel " << w << " at u " << u;
        }
      }
    }
    int spare = 0, readCount = 0;
    for (int t = 0; t < c.size; ++t) {
      spare += held[t] && !read[t] ? 1 : 0;
      readCount += read[t] ? 1 : 0;
    }
    if (readCount < c.size) {
      EXPECT_LE(spare, 8);
    }
  }
}

// Every texel of the texture that a copy's filter reads for a texel of the read spans (whichever half
// pixel the device takes as a pixel's centre) lies in a span; the spans are disjoint, in order, within the
// texture, and leave out what no copy passes on, within a few texels.
TEST(GlassBallRules, CopiedSpansHoldEveryTexelTheCopiesPassOn) {
  const struct {
    const char* name;
    TexelSpans read;
    std::vector<CopyPlace> copies;
    int size;
    size_t count;  // spans expected
  } cases[] = {
      {"a band, the copies a third of a width to the right", {1, {600, 0}, {1300, 0}}, {{640, 1920}, {-1280, 1920}}, 1920, 2},
      {"a band under the first copy only", {1, {700, 0}, {1200, 0}}, {{300.25f, 1920}, {-1619.75f, 1920}}, 1920, 1},
      {"two spans, wrapped around", {2, {0, 1700}, {200, 1920}}, {{960.5f, 1920}, {-959.5f, 1920}}, 1920, 1},
      {"down, the copies unmoved", {1, {0, 0}, {1080, 0}}, {{0, 1080}, {0, 1080}}, 1080, 1},
      {"copies twice as wide as the texture", {1, {100, 0}, {300, 0}}, {{0, 1000}, {-1000, 1000}}, 500, 1},
      {"nothing under a copy", {1, {10, 0}, {20, 0}}, {{100, 50}}, 50, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<TexelSpan> spans = CopiedSpans(c.read, c.copies, c.size);
    ASSERT_EQ(spans.size(), c.count);
    std::vector<bool> held(c.size, false);
    for (size_t i = 0; i < spans.size(); ++i) {
      EXPECT_LE(0, spans[i].first);
      EXPECT_LT(spans[i].first, spans[i].last);
      EXPECT_LE(spans[i].last, c.size);
      if (i > 0) {
        EXPECT_LT(spans[i - 1].last, spans[i].first) << "apart and in order";
      }
      for (int t = spans[i].first; t < spans[i].last; ++t) held[t] = true;
    }
    std::vector<bool> passed(c.size, false);
    for (int i = 0; i < c.read.count; ++i)
      for (int x = c.read.first[i]; x < c.read.last[i]; ++x)
        for (const CopyPlace& copy : c.copies) {
          if (x < copy.left || x >= copy.left + copy.extent) continue;
          for (double centre : {0.0, 0.5}) {
            const double u = (x + centre - copy.left) / copy.extent;
            const int t = static_cast<int>(std::floor(u * c.size - 0.5));
            for (int n : {t, t + 1}) {
              const int k = std::min(std::max(n, 0), c.size - 1);  // the edge texel, however it is addressed
              passed[k] = true;
              EXPECT_TRUE(held[k]) << "texel " << k << " for " << x;
            }
          }
        }
    int spare = 0;
    for (int t = 0; t < c.size; ++t) spare += held[t] && !passed[t] ? 1 : 0;
    EXPECT_LE(spare, 6 * static_cast<int>(c.read.count * c.copies.size()));
  }
}

TEST(GlassBallRules, SplitAtTheDiscOfNoSquareIsEmpty) {
  const LensSquare none = {0, 0, 100, 100, false};
  const DiscScissors split = SplitLensAtDisc(none, 64, 64, 12);
  EXPECT_TRUE(split.disc.empty());
  EXPECT_TRUE(split.rim.empty());
  // A square far off the target: nothing of the disc, the whole target for the rim.
  const LensSquare away = {500, 500, 600, 600, true};
  const DiscScissors distant = SplitLensAtDisc(away, 64, 64, 12);
  EXPECT_TRUE(distant.disc.empty());
  ASSERT_EQ(distant.rim.size(), 1u);
  EXPECT_EQ(distant.rim[0].right, 64);
  EXPECT_EQ(distant.rim[0].bottom, 64);
}

}  // namespace
