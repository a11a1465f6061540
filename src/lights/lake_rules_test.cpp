#include "lights/lake_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(LakeRules, MirrorBandOfThePicture) {
  const struct {
    float share, yh, vh, vBottom;
  } cases[] = {{0.375f, 375, 0.625f, 0.25f}, {0.5f, 300, 0.5f, 0.0f}, {0.0f, 600, 1.0f, 1.0f}};
  for (const auto& c : cases) {
    const LakeQuad b = MakeMirrorBand(LakePictureQuad(800, 600), c.share);
    EXPECT_FLOAT_EQ(b.y[0], 600);  // bottom stays
    EXPECT_FLOAT_EQ(b.y[1], c.yh);
    EXPECT_FLOAT_EQ(b.y[3], c.yh);
    EXPECT_FLOAT_EQ(b.v[1], c.vh);
    EXPECT_FLOAT_EQ(b.v[0], c.vBottom);
    EXPECT_FLOAT_EQ(b.x[2], 800);
    EXPECT_FLOAT_EQ(b.u[2], 1);
  }
}

TEST(LakeRules, HorizonShareStaysInItsRange) {
  // derived value = 0.5 - 0.005 x stored value
  const struct {
    float horizon, share;
  } cases[] = {{0.375f, 0.375f}, {0.5f, 0.5f}, {0.0f, 0.0f}, {-0.25f, 0.0f}, {0.75f, 0.5f}, {NAN, 0.0f}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(LakeHorizonShare(c.horizon), c.share) << c.horizon;
  EXPECT_EQ(LakeHazeRows(7, 0.375f), 7);
  EXPECT_EQ(LakeHazeRows(7, 0.0f), 0);
}

TEST(LakeRules, PlaneCornersAndBumpCoordinates) {
  const LakeQuad band = MakeMirrorBand(LakePictureQuad(800, 600), 0.375f);
  LakeVertex v[6] = {};
  SetLakePlaneCorners(band, v);
  SetLakeBumpCoords(1.0f, v);
  const struct {
    float x, y, pv, bu, bv;
  } want[6] = {{0, 375, 0.625f, 0.01f, 0.01f}, {0, 600, 0.25f, 0.01f, 1},    {800, 600, 0.25f, 1, 1},
               {0, 375, 0.625f, 0.01f, 0.01f}, {800, 600, 0.25f, 1, 1}, {800, 375, 0.625f, 1, 0.01f}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_FLOAT_EQ(v[i].x, want[i].x) << i;
    EXPECT_FLOAT_EQ(v[i].y, want[i].y) << i;
    EXPECT_FLOAT_EQ(v[i].pv, want[i].pv) << i;
    EXPECT_FLOAT_EQ(v[i].bu, want[i].bu) << i;
    EXPECT_FLOAT_EQ(v[i].bv, want[i].bv) << i;
    EXPECT_EQ(v[i].z, 0.0f);
  }
}

TEST(LakeRules, TintAlphasAndBumpMatrix) {
  const LakeTintAlphas t = ComputeTintAlphas(0.248f, 0.58f);
  const BYTE tint[4] = {63, 63, 26, 26}, haze[4] = {0, 0, 26, 26};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(t.tint[i], tint[i]) << i;
    EXPECT_EQ(t.haze[i], haze[i]) << i;
  }
  EXPECT_EQ(ComputeTintAlphas(3.0f, 0.0f).tint[0], 255);  // past the range: opaque, never wrapped

  float m[4];
  LakeBumpMatrix(0.0f, m);
  EXPECT_FLOAT_EQ(m[0], 0.04f);
  EXPECT_FLOAT_EQ(m[1], 0.0f);
  EXPECT_FLOAT_EQ(m[3], 0.04f);
  LakeBumpMatrix(1.0f, m);  // 4.5 radians
  EXPECT_NEAR(m[0], 0.04f * std::cos(4.5f), 1e-6f);
  EXPECT_NEAR(m[1], -0.04f * std::sin(4.5f), 1e-6f);
  EXPECT_NEAR(m[2], 0.04f * std::sin(4.5f), 1e-6f);
}

// Normals around the middle become signed offsets: u from red, v from green, rows read at the pitch.
TEST(LakeRules, NormalsBecomeSignedBumpOffsets) {
  const struct {
    BYTE red, green;
    int u, v;
  } cases[] = {{128, 128, 0, 0}, {255, 0, 127, -127}, {0, 255, -127, 127}, {200, 60, 72, -68}, {129, 127, 1, -1}};
  const UINT n = sizeof cases / sizeof cases[0];
  // One texel a case along a row, the second row its mirror; source rows padded past their texels.
  const int pitch = static_cast<int>(n) * 4 + 12;
  std::vector<BYTE> normals(static_cast<size_t>(pitch) * 2, 0xEE);
  for (UINT i = 0; i < n; ++i)
    for (int row = 0; row < 2; ++row) {
      BYTE* t = &normals[static_cast<size_t>(row) * pitch + (row ? n - 1 - i : i) * 4];
      t[0] = 255;  // blue: the normal's z, not used
      t[1] = cases[i].green;
      t[2] = cases[i].red;
      t[3] = 0;
    }
  const int outPitch = static_cast<int>(n) * 2 + 6;
  std::vector<BYTE> out(static_cast<size_t>(outPitch) * 2, 0xAA);
  NormalsToBumpOffsets(normals.data(), pitch, n, 2, out.data(), outPitch);
  for (UINT i = 0; i < n; ++i) {
    SCOPED_TRACE(i);
    for (int row = 0; row < 2; ++row) {
      const BYTE* t = &out[static_cast<size_t>(row) * outPitch + (row ? n - 1 - i : i) * 2];
      EXPECT_EQ(static_cast<signed char>(t[0]), cases[i].u);
      EXPECT_EQ(static_cast<signed char>(t[1]), cases[i].v);
    }
  }
  EXPECT_EQ(out[n * 2], 0xAA) << "nothing written past a row's texels";
}

}  // namespace
