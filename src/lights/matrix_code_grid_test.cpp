#include "lights/matrix_code_grid.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/noise.h"

namespace {

using namespace matrix_cell;

MatrixCodeSettings Settings(UINT cell, UINT density, UINT flicker, UINT sparkle, UINT startMode, UINT glyphs) {
  MatrixCodeSettings s;
  s.cellSize = cell;
  s.density = density;
  s.flickerCount = flicker;
  s.sparkle = sparkle;
  s.startMode = startMode;
  s.glyphCount = glyphs;
  return s;
}

TEST(MatrixCodeGrid, SpawnChanceByDensity) {
  const struct {
    int density, n;
  } cases[] = {{0, 85},  {9, 85},  {10, 60}, {14, 60}, {15, 45}, {20, 25}, {24, 25}, {25, 20}, {30, 15},
               {35, 10}, {44, 10}, {45, 8},  {50, 7},  {55, 5},  {64, 5},  {65, 3},  {79, 3},  {80, 2},
               {89, 2},  {90, 1},  {100, 1}};
  for (const auto& c : cases) EXPECT_EQ(MatrixCodeGrid::SpawnChance(c.density), c.n) << c.density;
}

TEST(MatrixCodeGrid, SizesFlagsAndFlickerCells) {
  const struct {
    UINT cell, startMode, flicker;
    int w, h, columns, rows;
    bool randomRow, mixed;
    int flickerCells;  // at most, cells may repeat
  } cases[] = {
      {16, 2, 50, 1024, 768, 65, 49, true, true, 49},
      {16, 0, 1, 1024, 768, 65, 49, false, true, 0},
      {16, 1, 0, 15, 15, 1, 1, true, false, 0},
      {0, 2, 3, 3, 2, 4, 3, true, true, 2},  // cell size 0 counts as 1
  };
  for (const auto& c : cases) {
    ResetCrtRand();
    auto g = MatrixCodeGrid::Create(Settings(c.cell, 20, c.flicker, 0, c.startMode, 12), c.w, c.h);
    EXPECT_EQ(g->columns, c.columns);
    EXPECT_EQ(g->rows, c.rows);
    EXPECT_EQ(g->cells.size(), static_cast<size_t>(c.columns * c.rows));
    EXPECT_EQ(g->randomRow, c.randomRow);
    EXPECT_EQ(g->mixedStart, c.mixed);
    int flickering = 0;
    for (uint32_t w : g->cells) flickering += (w & kFlicker) ? 1 : 0;
    EXPECT_LE(flickering, c.flickerCells);
    EXPECT_EQ(flickering > 0, c.flickerCells > 0);
  }
}

// Against our copy of the run-time generator (41, 18467, 6334, 26500, 19169, 15724, 11478, ...).
TEST(MatrixCodeGrid, SpawnDrawsInItsOrder) {
  ResetCrtRand();
  auto g = MatrixCodeGrid::Create(Settings(16, 90, 0, 0, 1, 12), 15, 31);  // one column, two rows
  ASSERT_EQ(g->columns, 1);
  ASSERT_EQ(g->rows, 2);
  g->SpawnColumns();
  // 41 % 1 spawns; 18467 % 2 + 3 = 4; 6334 % 5 + 26500 % 5 = 4; 19169 % 4 != 0 erases; 15724 % 1 = row 0.
  EXPECT_EQ(g->columnStates[0].remaining, 0);
  EXPECT_EQ(g->columnStates[0].delay, 4);
  EXPECT_EQ(g->columnStates[0].row, 0);
  EXPECT_EQ(CrtRand(), 29358);  // 11478 was the flicker draw: nothing else was drawn
}

TEST(MatrixCodeGrid, StepWritesARunAndWaits) {
  ResetCrtRand();
  auto g = MatrixCodeGrid::Create(Settings(16, 20, 0, 0, 1, 12), 15, 63);  // one column, four rows
  g->columnStates[0] = MatrixCodeColumn{2, 0, 1};
  g->StepColumns(false);
  // Glyph 41 % 12 + 1 = 6 at row 1, head counter 18467 % 2 + 1 = 2; 6334 % 10 != 0 keeps no delay.
  EXPECT_EQ(Glyph(g->Cell(1, 0)), 6);
  EXPECT_EQ(Counter(g->Cell(1, 0)), 2);
  EXPECT_TRUE(g->Cell(1, 0) & kDirty);
  EXPECT_EQ(g->columnStates[0].remaining, 1);
  EXPECT_EQ(g->columnStates[0].row, 2);
  // A full grid writes empties and the run still counts down.
  g->StepColumns(true);
  EXPECT_EQ(Glyph(g->Cell(2, 0)), 0);
  EXPECT_EQ(g->columnStates[0].remaining, 0);
}

TEST(MatrixCodeGrid, ScrollingWriteMovesTheColumnAndFadesTails) {
  auto g = MatrixCodeGrid::Create(Settings(16, 20, 0, 0, 0, 12), 15, 63);
  const int glyphs[4] = {5, 0, 7, 0};
  for (int r = 0; r < 4; ++r) g->Cell(r, 0) = WithCounter(WithGlyph(0, glyphs[r]), r == 2 ? 3 : 0);
  g->WriteGlyph(-1, 3, 0);
  const int want[4] = {3, 5, 7, 7};
  const int counters[4] = {0, 0, -1, 3};
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(Glyph(g->Cell(r, 0)), want[r]) << r;
    EXPECT_EQ(Counter(g->Cell(r, 0)), counters[r]) << r;
    EXPECT_TRUE(g->Cell(r, 0) & kDirty) << r;
  }
  g->WriteGlyph(4, 9, 0);  // below the grid: nothing
  EXPECT_EQ(Glyph(g->Cell(3, 0)), 7);
}

TEST(MatrixCodeGrid, OneColumnOrOneRowNeverDrawsModuloZero) {
  ResetCrtRand();
  auto g = MatrixCodeGrid::Create(Settings(16, 100, 0, 1, 2, 12), 10, 10);  // 1 x 1 with sparkle
  for (int i = 0; i < 200; ++i) {
    g->SpawnColumns();
    g->StepColumns(false);
  }
  EXPECT_EQ(g->columnStates[0].row >= -1, true);
}

TEST(MatrixCodeScan, WalkFindsGlyphsAndAgesCells) {
  auto grid = MatrixCodeGrid::Create(Settings(16, 20, 0, 0, 0, 4), 31, 15);  // 2 columns, 1 row
  grid->Cell(0, 0) = WithCounter(WithGlyph(0, 2), 1) | kDirty;
  grid->Cell(0, 1) = WithCounter(WithGlyph(0, 3), -1) | kDirty;
  MatrixCodeScan scan(std::move(grid));
  scan.Reset(100, 50);
  MatrixCodeGlyph g;
  g.halfWidth = 8;
  g.halfHeight = 4;
  ASSERT_TRUE(scan.Next(g));
  EXPECT_FLOAT_EQ(g.x, 108);
  EXPECT_FLOAT_EQ(g.y, 54);
  EXPECT_EQ(g.brightness, 2);
  EXPECT_FLOAT_EQ(g.vTop, 0.25f);
  EXPECT_FLOAT_EQ(g.vBottom, 0.5f);
  ASSERT_TRUE(scan.Next(g));
  EXPECT_EQ(g.column, 1);
  EXPECT_EQ(g.brightness, 0);
  EXPECT_FALSE(scan.Next(g));
  EXPECT_EQ(g.colorMask, 0x00FFFFFFu);
  EXPECT_EQ(scan.glyphCount, 2);
  // Aged: the head dimmed to an ordinary glyph, the tail erased.
  EXPECT_EQ(Counter(scan.grid->Cell(0, 0)), 0);
  EXPECT_EQ(Glyph(scan.grid->Cell(0, 1)), 0);
  scan.Reset(0, 0);
  EXPECT_EQ(scan.lastGlyphCount, 2);
  ASSERT_TRUE(scan.Next(g));
  EXPECT_EQ(g.brightness, 1);
  EXPECT_FALSE(scan.grid->Cell(0, 0) & kDirty);
}

TEST(MatrixCodeQuads, CornersUVAndColours) {
  MatrixCodeGlyph g;
  g.halfWidth = 8;
  g.halfHeight = 8;
  g.x = 108;
  g.y = 58;
  g.uLeft = 0;
  g.uRight = 1;
  g.vTop = 0.5f;
  g.vBottom = 0.75f;
  MatrixPlacement p;
  p.left = 100;
  p.top = 50;
  p.kx = 2;
  p.ky = 2;
  p.sx = 1;
  p.sy = 1;
  p.offX = -4;
  p.offY = 0;
  float c[4][2], uv[4][2];
  MatrixQuadCorners(g, p, c);
  // X = 100 + 2 * 8 + 2 * -4 = 108, Y = 50 + 16 = 66, half sizes 16.
  const float wantC[4][2] = {{92, 82}, {92, 50}, {124, 82}, {124, 50}};
  MatrixQuadUV(g, uv);
  const float wantUV[4][2] = {{0, 0.75f}, {0, 0.5f}, {1, 0.75f}, {1, 0.5f}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(c[i][0], wantC[i][0]);
    EXPECT_FLOAT_EQ(c[i][1], wantC[i][1]);
    EXPECT_FLOAT_EQ(uv[i][0], wantUV[i][0]);
    EXPECT_FLOAT_EQ(uv[i][1], wantUV[i][1]);
  }

  const struct {
    int brightness, mode;
    float transparency, luminance;
    DWORD mask, want;
  } colours[] = {
      {1, 0, 1.0f, 0.0f, 0xFFFFFFFF, 0xFF332211},  // glyph colour 0x112233 as COLORREF
      {2, 0, 1.0f, 0.0f, 0xFFFFFFFF, 0xFFCCBBAA},  // head colour
      {0, 0, 1.0f, 0.0f, 0xFFFFFFFF, 0x7F332211},  // fading tail at half alpha
      {1, 1, 1.0f, 0.5f, 0xFFFFFFFF, 0x7F332211},  // mode 1: alpha from luminance
      {0, 1, 0.5f, 1.0f, 0xFFFFFFFF, 0x7F332211},  // no halving there
      {2, 1, 1.0f, 0.0f, 0xFFFFFFFF, 0xFFCCBBAA},  // heads keep full alpha
      {1, 0, 1.0f, 0.0f, 0x00FFFFFF, 0x00332211},  // past the last glyph
      {1, 0, 2.0f, 0.0f, 0xFFFFFFFF, 0xFF332211},  // transparency past its range stays opaque
      {1, 0, -1.0f, 0.0f, 0xFFFFFFFF, 0x00332211},
  };
  for (const auto& k : colours) {
    MatrixCodeGlyph q;
    q.brightness = k.brightness;
    q.colorMask = k.mask;
    EXPECT_EQ(MatrixGlyphColor(q, k.transparency, k.mode, k.luminance, 0x112233, 0xAABBCC), k.want)
        << k.brightness << " " << k.mode << " " << k.transparency;
  }
}

TEST(MatrixCodeQuads, ChunksBandsAndLuminance) {
  const struct {
    UINT quads, chunks;
  } chunks[] = {{0, 0}, {1, 1}, {16383, 1}, {16384, 2}, {32766, 2}, {32767, 3}};
  for (const auto& c : chunks) EXPECT_EQ(MatrixChunkCount(c.quads), c.chunks) << c.quads;

  // Drawing only the first quads: a chunk draws those of them it holds.
  const struct {
    UINT drawn, chunk, chunkQuads, quads;
  } drawn[] = {{0, 0, 5757, 0},         {1, 0, 5757, 1},         {5757, 0, 5757, 5757},
               {16383, 0, 16383, 16383}, {16383, 1, 16383, 0},   {16384, 1, 16383, 1},
               {20000, 1, 3617, 3617},   {40000, 2, 100, 100},    {32766, 2, 100, 0}};
  for (const auto& d : drawn)
    EXPECT_EQ(MatrixChunkDrawnQuads(d.drawn, d.chunk, d.chunkQuads), d.quads) << d.drawn << " in chunk " << d.chunk;

  const struct {
    UINT w, h, bands;
  } bands[] = {{32, 320, 12}, {64, 640, 12}, {64, 64, 3}, {64, 32, 2}, {0, 320, 1}};
  for (const auto& b : bands) EXPECT_EQ(MatrixGlyphBands(b.w, b.h), b.bands) << b.w << "x" << b.h;

  EXPECT_EQ(MatrixLuminanceIndex(0, 0, 49, 65), 0);
  EXPECT_EQ(MatrixLuminanceIndex(48, 64, 49, 65), (256 * 48 / 49) * 256 + 256 * 64 / 65);

  // Rows are read at the pitch, four bytes a texel: blue, green, red, unused.
  const int pitch = 256 * 4 + 64;
  std::vector<BYTE> bits(static_cast<size_t>(pitch) * 256, 0);
  BYTE* last = &bits[static_cast<size_t>(255) * pitch + 255 * 4];
  last[0] = 255;  // blue
  last[2] = 255;  // red
  BYTE* first = &bits[static_cast<size_t>(1) * pitch];
  first[1] = 255;  // green at (0, 1)
  std::vector<float> map(256 * 256);
  MatrixLuminanceMap(bits.data(), pitch, map.data());
  EXPECT_NEAR(map[255 * 256 + 255], 0.299f + 0.114f, 1e-5f);
  EXPECT_NEAR(map[256], 0.587f, 1e-5f);
  EXPECT_EQ(map[1], 0.0f);
}

}  // namespace
