#include "render/grid_indices.h"

void FillGridIndices(WORD* out) {
  const int stride = kGridCells + 1;
  for (int r = 0; r < kGridCells; ++r) {
    for (int c = 0; c < kGridCells; ++c) {
      const WORD v = static_cast<WORD>(stride * r + c);
      const WORD cell[6] = {v, static_cast<WORD>(v + 1), static_cast<WORD>(v + stride),
                            static_cast<WORD>(v + stride), static_cast<WORD>(v + 1),
                            static_cast<WORD>(v + stride + 1)};
      for (WORD i : cell) *out++ = i;
    }
  }
}
