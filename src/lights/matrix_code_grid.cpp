#include "lights/matrix_code_grid.h"

#include <algorithm>

#include "platform/noise.h"

using namespace matrix_cell;

namespace {
// Steps to wait: two draws of 0..4.
int RandomDelay() {
  const int a = CrtRand() % 5;
  const int b = CrtRand() % 5;
  return a + b;
}
}  // namespace

std::unique_ptr<MatrixCodeGrid> MatrixCodeGrid::Create(const MatrixCodeSettings& s, int width, int height) {
  std::unique_ptr<MatrixCodeGrid> g(new MatrixCodeGrid);
  const int cell = s.cellSize ? static_cast<int>(s.cellSize) : 1;
  g->width = std::max(width, 0);
  g->height = std::max(height, 0);
  g->columns = g->width / cell + 1;
  g->rows = g->height / cell + 1;
  g->cells.assign(static_cast<size_t>(g->columns) * g->rows, 0u);
  g->columnStates.assign(static_cast<size_t>(g->columns), MatrixCodeColumn());
  g->startMode = static_cast<int>(s.startMode);
  g->density = static_cast<int>(s.density);
  g->flickerCount = static_cast<int>(s.flickerCount);
  g->sparkle = s.sparkle != 0;
  g->glyphCount = s.glyphCount ? static_cast<int>(s.glyphCount) : 1;
  g->randomRow = g->startMode != 0;
  g->mixedStart = g->startMode != 1;
  g->PickFlickerCells();
  return g;
}

int MatrixCodeGrid::SpawnChance(int d) {
  static const struct {
    int below;
    int n;
  } kTable[] = {{10, 85}, {15, 60}, {20, 45}, {25, 25}, {30, 20}, {35, 15}, {45, 10},
                {50, 8},  {55, 7},  {65, 5},  {80, 3},  {90, 2}};
  for (const auto& e : kTable)
    if (d < e.below) return e.n;
  return 1;
}

void MatrixCodeGrid::PickFlickerCells() {
  for (uint32_t& c : cells) c &= ~kFlicker;
  for (int i = 1; i < flickerCount; ++i) {
    const int c = CrtRand() % columns;
    const int r = CrtRand() % rows;
    Cell(r, c) |= kFlicker;
  }
}

void MatrixCodeGrid::StepColumns(bool full) {
  for (int c = 0; c < columns; ++c) {
    MatrixCodeColumn& s = columnStates[static_cast<size_t>(c)];
    if (s.delay != 0) {
      s.delay -= 1;
    } else {
      if (s.remaining <= 0) {
        WriteGlyph(s.row, 0, c);
      } else {
        const int glyph = full ? 0 : CrtRand() % glyphCount + 1;
        WriteGlyph(s.row, glyph, c);
        s.remaining -= 1;
      }
      if (s.row >= 0) s.row += 1;
    }
    if (CrtRand() % 10 == 0) s.delay = RandomDelay();
  }
}

void MatrixCodeGrid::WriteGlyph(int row, int glyph, int column) {
  if (row >= rows) return;
  if (row < 0) {
    for (int r = rows - 1; r >= 1; --r) {
      uint32_t& cell = Cell(r, column);
      const uint32_t above = Cell(r - 1, column);
      if (fadeTail && Glyph(cell) != 0 && Glyph(above) == 0) {
        cell = WithCounter(cell, -1);
      } else {
        cell = WithCounter(WithGlyph(cell, Glyph(above)), Counter(above));
      }
      cell |= kDirty;
    }
  }
  const int target = row < 0 ? 0 : row;
  uint32_t& cell = Cell(target, column);
  cell = WithGlyph(cell, glyph) | kDirty;
  if (glyph != 0) cell = WithCounter(cell, row >= 0 ? CrtRand() % 2 + 1 : 0);
}

bool MatrixCodeGrid::StartsAtRandomRow() {
  if (!randomRow) return false;
  if (!mixedStart) return true;
  return (CrtRand() & 1) != 0;
}

void MatrixCodeGrid::SpawnColumns() {
  // A single column leaves no span to draw sparkles from.
  if (sparkle && columns >= 2) {
    const int n = (CrtRand() % ((columns / 2) * sparkleDivisor)) / sparkleDivisor - 1;
    for (int i = 0; i < n; ++i) {
      const int c = CrtRand() % columns;
      const int r = CrtRand() % rows;
      uint32_t& cell = Cell(r, c);
      if (Glyph(cell) != 0 && Counter(cell) == 0) cell = WithCounter(cell, CrtRand() % 20) | kDirty;
    }
  }
  const int chance = SpawnChance(density);
  for (MatrixCodeColumn& s : columnStates) {
    if (s.remaining > 0) continue;
    if (CrtRand() % chance != 0) continue;
    s.remaining = CrtRand() % rows + 3;
    s.delay = RandomDelay();
    if (CrtRand() % 4 != 0) s.remaining = 0;
    if (StartsAtRandomRow()) {
      // One row has no upper half to start in.
      s.row = rows >= 2 ? CrtRand() % (rows / 2) : 0;
    } else {
      s.row = -1;
    }
  }
  if (CrtRand() % 500 == 0) PickFlickerCells();
}

void MatrixCodeScan::Reset(float l, float t) {
  column = 0;
  row = 0;
  lastGlyphCount = glyphCount;
  glyphCount = 0;
  left = l;
  top = t;
}

void MatrixCodeScan::Age(uint32_t& cell) {
  if (!(cell & kDirty)) return;
  cell &= ~kDirty;
  const int counter = Counter(cell);
  if (counter > 0) {
    cell = WithCounter(cell, counter - 1) | kDirty;
  } else if (counter < 0) {
    cell = WithCounter(cell, counter + 1) | kDirty;
    if (counter + 1 == 0) cell = WithGlyph(cell, 0);
  }
  if ((cell & kFlicker) && Glyph(cell) != 0) cell = WithGlyph(cell, CrtRand() % grid->glyphCount) | kDirty;
}

bool MatrixCodeScan::Next(MatrixCodeGlyph& g) {
  g.column = 0;
  g.row = 0;
  MatrixCodeGrid& grid_ = *grid;
  while (row < grid_.rows) {
    uint32_t& cell = grid_.Cell(row, column);
    const int glyph = Glyph(cell);
    bool found = false;
    if (glyph != 0) {
      glyphCount += 1;
      g.x = left + g.halfWidth + 2.0f * column * g.halfWidth;
      g.y = top + g.halfHeight + 2.0f * row * g.halfHeight;
      g.z = 0;
      g.column = column;
      g.row = row;
      g.uLeft = 0;
      g.uRight = 1;
      g.vTop = static_cast<float>(glyph - 1) / grid_.glyphCount;
      g.vBottom = static_cast<float>(glyph) / grid_.glyphCount;
      g.colorMask = 0xFFFFFFFF;
      const int counter = Counter(cell);
      g.brightness = (counter > 0 || (cell & kFlicker)) ? 2 : (counter == 0 ? 1 : 0);
      found = true;
    }
    Age(cell);
    if (++column == grid_.columns) {
      column = 0;
      ++row;
    }
    if (found) return true;
  }
  g.colorMask &= 0x00FFFFFF;
  return false;
}

void MatrixQuadCorners(const MatrixCodeGlyph& g, const MatrixPlacement& p, float out[4][2]) {
  const float X = p.left + p.kx * (g.x - p.left) + p.kx * p.sx * p.offX;
  const float Y = p.top + p.ky * (g.y - p.top) + p.ky * p.sy * p.offY;
  const float hx = p.kx * g.halfWidth;
  const float hy = p.ky * g.halfHeight;
  const float c[4][2] = {{X - hx, Y + hy}, {X - hx, Y - hy}, {X + hx, Y + hy}, {X + hx, Y - hy}};
  for (int i = 0; i < 4; ++i) {
    out[i][0] = c[i][0];
    out[i][1] = c[i][1];
  }
}

void MatrixQuadUV(const MatrixCodeGlyph& g, float out[4][2]) {
  const float c[4][2] = {{g.uLeft, g.vBottom}, {g.uLeft, g.vTop}, {g.uRight, g.vBottom}, {g.uRight, g.vTop}};
  for (int i = 0; i < 4; ++i) {
    out[i][0] = c[i][0];
    out[i][1] = c[i][1];
  }
}

DWORD MatrixGlyphColor(const MatrixCodeGlyph& g, float transparency, int mode, float luminance, DWORD glyphColor,
                       DWORD headColor) {
  float a = transparency;
  if (g.brightness == 0) a *= 0.5f;
  if (mode == 1 && g.brightness != 2) a = transparency * luminance;
  // A transparency past its range would wrap to a visible alpha: keep it in 0..1.
  a = std::min(std::max(a, 0.0f), 1.0f);
  const DWORD alpha = static_cast<DWORD>(static_cast<int>(a * 255.0f)) & 0xFF;
  const DWORD c = g.brightness == 2 ? headColor : glyphColor;
  const DWORD r = c & 0xFF, gr = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return ((alpha << 24) | (r << 16) | (gr << 8) | b) & g.colorMask;
}

int MatrixLuminanceIndex(int row, int column, int rows, int columns) {
  const int y = rows > 0 ? 256 * row / rows : 0;
  const int x = columns > 0 ? 256 * column / columns : 0;
  return std::min(y, 255) * 256 + std::min(x, 255);
}

UINT MatrixGlyphBands(UINT sheetWidth, UINT sheetHeight) {
  if (sheetWidth == 0) return 1;
  return sheetHeight / sheetWidth + 2;
}

void MatrixLuminanceMap(const BYTE* bits, int pitch, float* out) {
  for (int y = 0; y < 256; ++y) {
    const BYTE* row = bits + static_cast<ptrdiff_t>(y) * pitch;
    for (int x = 0; x < 256; ++x) {
      const BYTE* t = row + x * 4;
      out[y * 256 + x] = 0.299f * (t[2] / 255.0f) + 0.587f * (t[1] / 255.0f) + 0.114f * (t[0] / 255.0f);
    }
  }
}
