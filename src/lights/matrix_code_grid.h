// The falling-code grid: square cells over the picture, a small state machine per column that drops or
// scrolls runs of random glyphs, the per-frame walk that finds every glyph and ages its cell, and the
// rules that turn a found glyph into a quad (corners, colour, texture band). Pure: no device.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/types.h"

// The values a grid is built from.
struct MatrixCodeSettings {
  UINT cellSize = 16;
  UINT density = 20;
  UINT flickerCount = 10;
  UINT sparkle = 0;
  UINT startMode = 0;
  UINT glyphCount = 1;  // glyph bands of the sheet
};

struct MatrixCodeColumn {
  int remaining = 0;  // glyphs still to write in the run; 0 or less writes empties
  int delay = 0;      // steps to wait before the next write
  int row = 0;        // where the next write goes; -1 scrolls the column
};

// A cell word: bits 0-7 glyph (0 empty), bits 8-15 signed counter, dirty and flicker bits.
namespace matrix_cell {
const uint32_t kDirty = 0x10000;
const uint32_t kFlicker = 0x20000;
inline int Glyph(uint32_t w) { return static_cast<int>(w & 0xFF); }
inline int Counter(uint32_t w) { return static_cast<int8_t>((w >> 8) & 0xFF); }
inline uint32_t WithGlyph(uint32_t w, int g) { return (w & ~0xFFu) | (static_cast<uint32_t>(g) & 0xFF); }
inline uint32_t WithCounter(uint32_t w, int c) {
  return (w & ~0xFF00u) | ((static_cast<uint32_t>(c) & 0xFF) << 8);
}
}  // namespace matrix_cell

class MatrixCodeGrid {
 public:
  // A zeroed grid over a width x height picture (cell size at least 1), its flicker cells picked.
  static std::unique_ptr<MatrixCodeGrid> Create(const MatrixCodeSettings& settings, int width, int height);

  // 1 in N chance per idle column and step, by density.
  static int SpawnChance(int density);

  void PickFlickerCells();
  // One step of every column; full: every cell holds a glyph, so runs write empties.
  void StepColumns(bool full);
  void WriteGlyph(int row, int glyph, int column);
  void SpawnColumns();

  uint32_t& Cell(int row, int column) { return cells[static_cast<size_t>(row) * columns + column]; }

  int width = 0, height = 0;
  int columns = 0, rows = 0;
  std::vector<uint32_t> cells;
  std::vector<MatrixCodeColumn> columnStates;
  int startMode = 0;
  int density = 1;
  int flickerCount = 0;
  bool sparkle = false;
  int glyphCount = 1;
  bool randomRow = false;
  bool mixedStart = false;
  int sparkleDivisor = 10;
  bool fadeTail = true;

 private:
  bool StartsAtRandomRow();
};

// One glyph found by the walk.
struct MatrixCodeGlyph {
  float halfWidth = 0, halfHeight = 0;  // inputs, back-buffer pixels
  float x = 0, y = 0, z = 0;
  float uLeft = 0, uRight = 0, vTop = 0, vBottom = 0;
  DWORD colorMask = 0xFFFFFFFF;
  int brightness = 0;  // 0 fading tail, 1 ordinary, 2 bright
  int column = 0, row = 0;
};

// The grid with the cursor of the per-frame walk.
class MatrixCodeScan {
 public:
  explicit MatrixCodeScan(std::unique_ptr<MatrixCodeGrid> g) : grid(std::move(g)) {}

  // Start of a frame: cursor home, the counts moved on; left, top: the fitted picture's corner.
  void Reset(float left, float top);
  // The next glyph from the cursor, ageing every cell passed; false (colour mask alpha cleared) past the
  // last cell.
  bool Next(MatrixCodeGlyph& glyph);

  std::unique_ptr<MatrixCodeGrid> grid;
  int column = 0, row = 0;
  int lastGlyphCount = 0;
  int glyphCount = 0;
  float left = 0, top = 0;

 private:
  void Age(uint32_t& cell);
};

// Quad i of n lives in chunk i / kMatrixChunkQuads.
const UINT kMatrixChunkQuads = 16383;
inline UINT MatrixChunkCount(UINT quads) { return (quads + kMatrixChunkQuads - 1) / kMatrixChunkQuads; }
// How many of chunk c's quads (of chunkQuads) are among the first `drawn` quads of all chunks.
inline UINT MatrixChunkDrawnQuads(UINT drawn, UINT c, UINT chunkQuads) {
  const UINT before = c * kMatrixChunkQuads;
  return drawn <= before ? 0 : (drawn - before < chunkQuads ? drawn - before : chunkQuads);
}

// The picture's transform of a glyph: scale and offset (picture units), and the scale of picture pixels.
struct MatrixPlacement {
  float left = 0, top = 0;  // fitted picture corner, back-buffer pixels
  float kx = 1, ky = 1;     // projection scale
  float sx = 1, sy = 1;     // back-buffer pixels per picture pixel
  float offX = 0, offY = 0; // zoom offset
};

// Four corners (x, y) in strip order: bottom-left, top-left, bottom-right, top-right.
void MatrixQuadCorners(const MatrixCodeGlyph& g, const MatrixPlacement& p, float out[4][2]);
// Four (u, v) in the corners' order.
void MatrixQuadUV(const MatrixCodeGlyph& g, float out[4][2]);
// The glyph's ARGB colour: a = transparency, halved for a fading tail; in mode 1 ordinary and fading glyphs
// take it from the luminance under their cell. COLORREF colours.
DWORD MatrixGlyphColor(const MatrixCodeGlyph& g, float transparency, int mode, float luminance, DWORD glyphColor,
                       DWORD headColor);
// The index into the 256 x 256 luminance map under a cell.
int MatrixLuminanceIndex(int row, int column, int rows, int columns);
// Band count of a sheet: height / width + 2; 1 for a sheet without width.
UINT MatrixGlyphBands(UINT sheetWidth, UINT sheetHeight);
// 0.299 R + 0.587 G + 0.114 B of 256 x 256 BGRA texels read with the pitch.
void MatrixLuminanceMap(const BYTE* bits, int pitch, float* out);
