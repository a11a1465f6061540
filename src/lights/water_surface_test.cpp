#include "lights/water_surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/noise.h"

namespace {

TEST(WaterSurface, GridSizing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float sizeX, sizeZ, rowScale, density;
    UINT columns, rows;
  } cases[] = {
      {40, 30, 1, 1, 128, 96},
      {30, 30, 1, 3, 170, 384},   // 384 x 384 is past 65536 vertices
      {53.33f, 30, 1, 1, 128, 72},
      {40, 30, 2, 1, 128, 192},
      {1000, 1, 1, 1, 128, 4},    // a very wide picture keeps rows to wrap over
      {0, 0, 1, 1, 128, 128},     // no picture: a square
      {nan, nan, 1, 1, 128, 128},
      {1, 1000, 1, 1, 4, 16384},  // very tall: the vertex cap keeps columns
  };
  for (const auto& c : cases) {
    WaterSurface s;
    s.Size(c.sizeX, c.sizeZ, c.rowScale, c.density);
    EXPECT_EQ(s.columns, c.columns) << c.sizeX << " x " << c.sizeZ;
    EXPECT_EQ(s.rows, c.rows) << c.sizeX << " x " << c.sizeZ;
    EXPECT_EQ(s.vertexCount, static_cast<int>(c.columns * c.rows));
    EXPECT_EQ(s.indexCount, 2 * s.vertexCount);
    EXPECT_LE(s.vertexCount, 65536);
    EXPECT_TRUE(std::isfinite(s.invSizeX) && std::isfinite(s.invSizeZ));
  }
}

TEST(WaterSurface, SpiralStrip) {
  const std::vector<WORD> want = {0,  4,  1, 5,  2, 6,  3,  7,  7,  6,  11, 10, 15, 14, 14, 10,
                                  13, 9, 12, 8, 8, 9, 4, 5, 5, 9, 6, 10, 10, 9, 9, 5};
  EXPECT_EQ(WaterSurface::SpiralIndices(4, 4), want);
  // Every vertex of a larger grid is reached, every index in range.
  const std::vector<WORD> big = WaterSurface::SpiralIndices(128, 96);
  ASSERT_EQ(big.size(), 2u * 128 * 96);
  std::vector<bool> seen(128 * 96, false);
  for (WORD i : big) {
    ASSERT_LT(i, 128 * 96);
    seen[i] = true;
  }
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_TRUE(seen[i]) << i;
}

TEST(WaterSurface, DropsWeighDropSize) {
  ResetCrtRand();
  WaterSurface s;
  s.Size(8, 8, 1, 0.0625f);  // 8 x 8
  ASSERT_EQ(s.columns, 8u);
  s.dropSize = 0.4f;
  for (int i = 0; i < 50; ++i) s.AddDrop();
  float sum = 0;
  for (const WaterCell& c : s.cells) sum += c.velocity;
  EXPECT_NEAR(sum, -0.4f * 50, 1e-3f);

  // A grid without inner cells takes no drop.
  WaterSurface tiny;
  tiny.columns = tiny.rows = 2;
  tiny.cellCount = 4;
  tiny.cells.assign(4, WaterCell{0, 0});
  tiny.AddDrop();
  for (const WaterCell& c : tiny.cells) EXPECT_EQ(c.velocity, 0.0f);
}

TEST(WaterSurface, PassesKeepTheLevel) {
  WaterSurface flat;
  flat.Size(40, 30, 1, 0.25f);
  for (int i = 0; i < 8; ++i) flat.Pass();
  for (const WaterCell& c : flat.cells) {
    EXPECT_EQ(c.height, 0.0f);
    EXPECT_EQ(c.velocity, 0.0f);
  }

  ResetCrtRand();
  WaterSurface s;
  s.Size(40, 30, 1, 0.25f);
  s.AddDrop();
  s.AddDrop();
  for (int pass = 0; pass < 12; ++pass) {
    s.Pass();
    double sum = 0;
    for (const WaterCell& c : s.cells) sum += c.height;
    EXPECT_NEAR(sum, 0.0, 1e-4) << pass;
    // Column 0, row 0 and the last row rest; the last column moves.
    for (UINT r = 0; r < s.rows; ++r) EXPECT_EQ(s.cells[r * s.columns].velocity, 0.0f);
    for (UINT c = 0; c < s.columns; ++c) EXPECT_EQ(s.cells[c].velocity, 0.0f);
  }
  bool lastColumnMoved = false;
  for (UINT r = 1; r + 1 < s.rows; ++r) lastColumnMoved |= s.cells[r * s.columns + s.columns - 1].height != 0.0f;
  EXPECT_TRUE(lastColumnMoved);
}

TEST(WaterSurface, RefractionTable) {
  const WaterRefraction* t = WaterSurface::RefractionTable();
  const struct {
    int i;
    float bend;
    DWORD alpha;
  } cases[] = {{0, 0.881413f, 253}, {128, 0.513355f, 31}, {255, 0.333978f, 0}, {254, -1, 0}};
  for (const auto& c : cases) {
    if (c.bend >= 0) {
      EXPECT_NEAR(t[c.i].bend, c.bend, 1e-5f) << c.i;
    }
    EXPECT_EQ(t[c.i].color >> 24, c.alpha) << c.i;
    EXPECT_EQ(t[c.i].color & 0xFFFFFF, 0u) << c.i;
  }
  EXPECT_NEAR(t[10].scale, -0.750188f, 1e-5f);
}

TEST(WaterSurface, VerticesOfACalmSurfaceAndOfAWidePicture) {
  WaterSurface s;
  s.BuildRefractionTable();
  s.Size(40, 30, 1, 0.25f);  // 32 x 24
  s.depth = 0.2f;
  std::vector<DX_V::PNCT> v(static_cast<size_t>(s.vertexCount));
  const D3DXVECTOR3 eye(0, 120, 0);
  s.FillVertices(eye, v.data());
  // Under the eye a calm surface shows the picture slightly enlarged about its centre.
  const DX_V::PNCT& mid = v[(s.rows / 2) * s.columns + s.columns / 2];
  EXPECT_NEAR(mid.u, (1 - 0.05f * 0.2f) * mid.x / 40 + 0.5f, 1e-3f);
  EXPECT_NEAR(mid.v, (1 - 0.05f * 0.2f) * mid.z / 30 + 0.5f, 1e-3f);
  EXPECT_FLOAT_EQ(mid.ny, 1.0f);
  EXPECT_FLOAT_EQ(v[0].x, -20.0f);
  EXPECT_FLOAT_EQ(v[0].z, -15.0f);

  // A 3:1 picture's outer columns miss the sphere: their coordinates stay numbers.
  WaterSurface wide;
  wide.BuildRefractionTable();
  wide.Size(90, 30, 1, 0.25f);
  wide.depth = 0.2f;
  std::vector<DX_V::PNCT> w(static_cast<size_t>(wide.vertexCount));
  wide.FillVertices(eye, w.data());
  for (const DX_V::PNCT& p : w) {
    ASSERT_TRUE(std::isfinite(p.u) && std::isfinite(p.v)) << p.x << " " << p.z;
  }
}

// FNV-1a over bytes.
uint64_t Hash(const void* data, size_t size) {
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
  return h;
}

// The heights, velocities and vertices of rippled surfaces to the bit, as this code has always made them:
// a frame's water is these numbers, so any other arithmetic order shows as another frame. A table of plain
// values stands in for the refraction table, whose trigonometry may differ in the last bit between C
// libraries; each of its entries differs, so a vertex that takes the wrong one shows too.
TEST(WaterSurface, RipplesAndVerticesToTheBit) {
  static WaterRefraction table[256];
  for (int i = 0; i < 256; ++i) table[i] = {0.3f + i / 512.0f, -0.75f + i / 4096.0f, static_cast<D3DCOLOR>(i) << 24};
  const struct {
    float sizeX, sizeZ, density;
    uint64_t cells, underTheEye, aside;
  } cases[] = {
      {40, 30, 0.25f, 0x2c428678a258947dull, 0xae28df9cf6ec6047ull, 0x2984c5043066ef99ull},  // 32 x 24
      {36, 30, 1, 0x6d85ad2f91a222c2ull, 0xa2a5eef30dfbdba4ull, 0x2d9346f4836126bcull},      // 128 x 106: the pond
      {30, 30, 1.02f, 0x7563e1fe8bacdbdcull, 0xeaa9b0194dd1a129ull, 0x16518d5dc2b0ac36ull},  // 130 x 130
  };
  for (const auto& c : cases) {
    ResetCrtRand();
    WaterSurface s;
    s.Size(c.sizeX, c.sizeZ, 1, c.density);
    s.refraction = table;
    s.stepScale = 1.1f;
    s.dropSize = 0.45f;
    s.damping = 0.99f;
    s.depth = 0.3f;
    for (int frame = 0; frame < 40; ++frame) {
      if (frame % 5 == 0) s.AddDrop();
      for (int i = 0; i < 4; ++i) s.Pass();
    }
    std::vector<DX_V::PNCT> v(static_cast<size_t>(s.vertexCount));
    const size_t bytes = v.size() * sizeof(DX_V::PNCT);
    s.FillVertices(D3DXVECTOR3(0, 120, 0), v.data());
    const uint64_t under = Hash(v.data(), bytes);
    s.FillVertices(D3DXVECTOR3(7, 60, -4), v.data());
    const uint64_t aside = Hash(v.data(), bytes);
    const uint64_t cells = Hash(s.cells.data(), s.cells.size() * sizeof(WaterCell));
    EXPECT_EQ(cells, c.cells) << s.columns << " x " << s.rows;
    EXPECT_EQ(under, c.underTheEye) << s.columns << " x " << s.rows;
    EXPECT_EQ(aside, c.aside) << s.columns << " x " << s.rows;
  }
}

TEST(WaterSurface, WithoutBuffersNothingIsFilledOrDrawn) {
  WaterSurface s;
  s.BuildRefractionTable();
  s.Create(40, 30, 1, 1);  // no device natively: creation fails
  EXPECT_EQ(s.vertices, nullptr);
  EXPECT_EQ(s.indices, nullptr);
  s.AddDrop();
  EXPECT_EQ(s.Update(D3DXVECTOR3(0, 120, 0)), 0);
  EXPECT_EQ(s.Draw(), 0);
  EXPECT_EQ(RoundToInt(2.5f), 2);
  EXPECT_EQ(RoundToInt(3.5f), 4);
  EXPECT_EQ(RoundToInt(-0.5f), 0);
}

}  // namespace
