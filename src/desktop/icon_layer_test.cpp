#include "desktop/icon_layer.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(IconBounds, CoverTheLabelsWithRoomForASecondLine) {
  RECT r = {0, 0, 800, 600};
  IconBounds b = StartIconBounds(r);
  EXPECT_EQ(b.minX, 800);
  EXPECT_EQ(b.minY, 600);
  EXPECT_EQ(b.maxX, 0);
  EXPECT_EQ(b.maxY, 0);

  AddIconLabel(b, r, RECT{20, 60, 90, 75});
  AddIconLabel(b, r, RECT{120, 160, 190, 190});
  EXPECT_EQ(b.minX, 20);
  EXPECT_EQ(b.minY, 60);
  EXPECT_EQ(b.maxX, 190);
  EXPECT_EQ(b.maxY, 220);  // 2 * 190 - 160

  // Labels of items moved out of sight do not widen the bounds.
  AddIconLabel(b, r, RECT{10000, 10040, 10070, 10055});
  AddIconLabel(b, r, RECT{30, 601, 60, 615});
  AddIconLabel(b, r, RECT{801, 10, 850, 20});
  EXPECT_EQ(b.maxX, 190);
  EXPECT_EQ(b.maxY, 220);
  // A label on the edge still counts.
  AddIconLabel(b, r, RECT{800, 600, 820, 610});
  EXPECT_EQ(b.maxX, 820);
  EXPECT_EQ(b.maxY, 620);
}

// A W x H bitmap, bottom-up, B G R A; Pixel(x, y) with y counted from the top of the picture.
struct Bitmap {
  int w, h;
  std::vector<BYTE> bits;
  Bitmap(int w_, int h_) : w(w_), h(h_), bits(static_cast<size_t>(w_) * h_ * 4, 0) {}
  BYTE* Pixel(int x, int y) { return &bits[(static_cast<size_t>(h - 1 - y) * w + x) * 4]; }
  void Fill(BYTE b, BYTE g, BYTE r, BYTE a) {
    for (size_t i = 0; i < bits.size(); i += 4) {
      bits[i] = b;
      bits[i + 1] = g;
      bits[i + 2] = r;
      bits[i + 3] = a;
    }
  }
};

TEST(IconUpload, KeyColourStaysTransparentEverythingElseBecomesOpaque) {
  Bitmap bm(3, 1);
  struct Px {
    BYTE b, g, r, a, after;
  } px[] = {{1, 1, 1, 0, 0}, {1, 1, 2, 0, 255}, {200, 10, 0, 0, 255}};
  for (int x = 0; x < 3; ++x) {
    BYTE* p = bm.Pixel(x, 0);
    p[0] = px[x].b, p[1] = px[x].g, p[2] = px[x].r, p[3] = px[x].a;
  }
  ApplyIconKey(bm.bits.data(), 3, 1, IconBounds{0, 0, 2, 0});
  for (int x = 0; x < 3; ++x) EXPECT_EQ(bm.Pixel(x, 0)[3], px[x].after) << x;

  // Alpha already set is kept, on key pixels too.
  Bitmap keep(2, 1);
  keep.Pixel(0, 0)[3] = 7;
  BYTE* key = keep.Pixel(1, 0);
  key[0] = key[1] = key[2] = 1;
  key[3] = 9;
  ApplyIconKey(keep.bits.data(), 2, 1, IconBounds{0, 0, 1, 0});
  EXPECT_EQ(keep.Pixel(0, 0)[3], 7);
  EXPECT_EQ(keep.Pixel(1, 0)[3], 9);
}

TEST(IconUpload, TouchesOnlyTheLabelRowsAndColumnsCountedFromTheTop) {
  const int W = 6, H = 5;
  Bitmap bm(W, H);
  bm.Fill(50, 60, 70, 0);
  // Min x is not used: columns start at 0. Rows 1..3 from the top, columns 0..2.
  ApplyIconKey(bm.bits.data(), W, H, IconBounds{4, 1, 2, 3});
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      bool inside = y >= 1 && y <= 3 && x <= 2;
      EXPECT_EQ(bm.Pixel(x, y)[3], inside ? 255 : 0) << x << "," << y;
    }
  // The top row of the picture is the last row in memory.
  EXPECT_EQ(bm.bits[(static_cast<size_t>(H - 1) * W) * 4 + 3], 0);
  EXPECT_EQ(bm.bits[(static_cast<size_t>(H - 2) * W) * 4 + 3], 255);
}

TEST(IconUpload, BoundsBeyondTheBitmapOrInvertedAreSafe) {
  const int W = 4, H = 3;
  struct Case {
    const char* what;
    IconBounds b;
    int opaque;
  } cases[] = {
      {"all of it and beyond", IconBounds{-50, -50, 500, 500}, W * H},
      {"below the bitmap", IconBounds{0, H, W, H + 10}, 0},
      {"inverted start of an empty view", IconBounds{800, 600, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    Bitmap bm(W, H);
    ApplyIconKey(bm.bits.data(), W, H, c.b);
    int opaque = 0;
    for (size_t i = 3; i < bm.bits.size(); i += 4) opaque += bm.bits[i] == 255;
    EXPECT_EQ(opaque, c.opaque) << c.what;
  }
  ApplyIconKey(nullptr, W, H, IconBounds{0, 0, W, H});  // no bitmap: nothing happens
}

TEST(IconUpload, CoverageHoldsEveryVisiblePixelWithItsMargin) {
  const int W = 10, H = 8;
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> visible;  // x, y from the top
    int margin;
    RECT expected;
  } cases[] = {
      {"nothing visible", {}, 2, {0, 0, 0, 0}},
      {"one pixel", {{4, 3}}, 0, {4, 3, 5, 4}},
      {"one pixel with a margin", {{4, 3}}, 2, {2, 1, 7, 6}},
      {"two corners apart", {{1, 6}, {7, 2}}, 1, {0, 1, 9, 8}},
      {"the margin stops at the bitmap's edges", {{0, 0}, {9, 7}}, 3, {0, 0, 10, 8}},
      {"the top row of the picture is the last row in memory", {{5, 0}}, 0, {5, 0, 6, 1}},
  };
  for (const Case& c : cases) {
    Bitmap bm(W, H);
    bm.Fill(1, 1, 1, 0);
    for (const auto& p : c.visible) bm.Pixel(p.first, p.second)[3] = 255;
    RECT r = IconCoverage(bm.bits.data(), W, H, c.margin);
    EXPECT_EQ(c.expected.left, r.left) << c.what;
    EXPECT_EQ(c.expected.top, r.top) << c.what;
    EXPECT_EQ(c.expected.right, r.right) << c.what;
    EXPECT_EQ(c.expected.bottom, r.bottom) << c.what;
  }
  // Alpha is all that counts: a faint pixel shows, a coloured transparent one does not.
  Bitmap faint(W, H);
  faint.Pixel(3, 3)[0] = 200;
  faint.Pixel(6, 4)[3] = 1;
  RECT r = IconCoverage(faint.bits.data(), W, H, 0);
  EXPECT_EQ(6, r.left);
  EXPECT_EQ(4, r.top);
  RECT none = IconCoverage(nullptr, W, H, 2);
  EXPECT_EQ(0, none.right - none.left);
}

}  // namespace
