// The water height field under the water ring light: a grid of heights and vertical velocities that
// follows a damped wave equation, disturbed by drops, drawn as one triangle strip spiralling inwards
// whose vertices refract the picture. Knows nothing of pictures or lights.
#pragma once

#include <vector>

#include "platform/d3d9_types.h"
#include "platform/types.h"
#include "render/vertex_formats.h"

// Rounds to the nearest integer, ties to even.
int RoundToInt(float v);

struct WaterRefraction {
  float bend;
  float scale;
  D3DCOLOR color;
};

struct WaterCell {
  float height;
  float velocity;
};

class WaterSurface {
 public:
  WaterSurface() = default;
  ~WaterSurface();
  WaterSurface(const WaterSurface&) = delete;
  WaterSurface& operator=(const WaterSurface&) = delete;

  // A calm surface of sizeX x sizeZ world units, then its buffers.
  void Create(float sizeX, float sizeZ, float rowScale, float density);
  // The grid of Create without buffers.
  void Size(float sizeX, float sizeZ, float rowScale, float density);
  // Makes whichever buffer is missing; the first failure, else 0.
  HRESULT CreateBuffers();
  void ReleaseBuffers();
  void BuildRefractionTable();
  void AddDrop();
  // Four simulation passes, then the vertices for the eye point; a failed lock (or no buffer) skips the fill.
  HRESULT Update(const D3DXVECTOR3& eye);
  // The strip; nothing without buffers.
  HRESULT Draw();

  // One simulation pass.
  void Pass();
  // The vertices for the eye point into out (vertexCount of them).
  void FillVertices(const D3DXVECTOR3& eye, DX_V::PNCT* out) const;
  // The spiral strip's indices (indexCount of them).
  static std::vector<WORD> SpiralIndices(UINT columns, UINT rows);
  static const WaterRefraction* RefractionTable();

  float sizeX = 0, sizeZ = 0;
  float invSizeX = 1.0f, invSizeZ = 1.0f;
  float levelSum = 0;
  int indexCount = 0;
  int vertexCount = 0;
  std::vector<WaterCell> cells;
  const WaterRefraction* refraction = nullptr;
  UINT columns = 4, rows = 4;
  UINT cellCount = 16;
  IDirect3DIndexBuffer9* indices = nullptr;
  IDirect3DVertexBuffer9* vertices = nullptr;
  float stepScale = 1.0f;
  float dropSize = 0.5f;
  float damping = 0.99f;
  float depth = 0.2f;
};
