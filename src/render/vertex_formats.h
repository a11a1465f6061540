// The fixed-function vertex layouts: plain structures of 32-bit floats and ARGB colours, each with its
// flexible-vertex-format code and stride.
#pragma once

#include "platform/d3d9_types.h"

namespace DX_V {

struct P {
  float x, y, z;
  static const DWORD FVF = D3DFVF_XYZ;
};

struct PC {
  float x, y, z;
  D3DCOLOR color;
  static const DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
};

struct RHWC {
  float x, y, z, rhw;
  D3DCOLOR color;
  static const DWORD FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
};

struct PT {
  float x, y, z, u, v;
  static const DWORD FVF = D3DFVF_XYZ | D3DFVF_TEX1;
};

struct PCT {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
  static const DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
};

struct RHWCT {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
  static const DWORD FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
};

struct PT2 {
  float x, y, z, u1, v1, u2, v2;
  static const DWORD FVF = D3DFVF_XYZ | D3DFVF_TEX2;
};

struct PNT {
  float x, y, z, nx, ny, nz, u, v;
  static const DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
};

struct PNCT {
  float x, y, z, nx, ny, nz;
  D3DCOLOR color;
  float u, v;
  static const DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
};

static_assert(sizeof(P) == 12 && P::FVF == 0x002, "P layout");
static_assert(sizeof(PC) == 16 && PC::FVF == 0x042, "PC layout");
static_assert(sizeof(RHWC) == 20 && RHWC::FVF == 0x044, "RHWC layout");
static_assert(sizeof(PT) == 20 && PT::FVF == 0x102, "PT layout");
static_assert(sizeof(PCT) == 24 && PCT::FVF == 0x142, "PCT layout");
static_assert(sizeof(RHWCT) == 28 && RHWCT::FVF == 0x144, "RHWCT layout");
static_assert(sizeof(PT2) == 28 && PT2::FVF == 0x202, "PT2 layout");
static_assert(sizeof(PNT) == 32 && PNT::FVF == 0x112, "PNT layout");
static_assert(sizeof(PNCT) == 36 && PNCT::FVF == 0x152, "PNCT layout");

}  // namespace DX_V
