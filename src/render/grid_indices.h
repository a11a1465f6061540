// The triangle indices of the fire effect's grid: 8 x 8 cells over 9 x 9 vertices, row-major.
#pragma once

#include "platform/types.h"

const int kGridCells = 8;
const int kGridTriangles = 2 * kGridCells * kGridCells;  // 128
const int kGridIndexCount = 3 * kGridTriangles;          // 384

// For row r and column c (rows outer), with v = 9r + c: v, v+1, v+9, v+9, v+1, v+10.
void FillGridIndices(WORD* out);
