// The water height field under the water ring light: a grid of heights and vertical velocities that
// follows a damped wave equation, disturbed by drops, drawn as one triangle strip spiralling inwards
// whose vertices refract the picture. Knows nothing of pictures or lights.
#pragma once

#include <vector>

#include "dxut/device_objects.h"
#include "platform/com_ref.h"
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

// Its index and vertex buffers are in the default pool: the surface is a registered device-objects owner,
// so the scene host's loss and reset pass lets them go and makes them again.
class WaterSurface : private DeviceObjects {
 public:
  WaterSurface() = default;
  WaterSurface(const WaterSurface&) = delete;
  WaterSurface& operator=(const WaterSurface&) = delete;

  // A calm surface of sizeX x sizeZ world units, then its buffers. Buffers it holds for a grid of the
  // same columns and rows are kept (the reset pass made them already; the vertices are refilled each
  // frame and the strip depends on the grid alone).
  void Create(float sizeX, float sizeZ, float rowScale, float density);
  // The grid of Create without buffers.
  void Size(float sizeX, float sizeZ, float rowScale, float density);
  // Makes whichever buffer is missing; the first failure, else 0.
  HRESULT CreateBuffers();
  void ReleaseBuffers();
  void BuildRefractionTable();
  void AddDrop();
  // Four simulation passes, then the vertices for the eye point, each frame into a discarded buffer; a
  // failed lock (or no buffer) skips the fill.
  HRESULT Update(const D3DXVECTOR3& eye);
  // The strip; nothing without buffers.
  HRESULT Draw();

  // One simulation pass.
  void Pass();
  // Whether FillVertices writes every vertex: cells for the grid and the refraction table.
  bool CanFill() const;
  // The vertices for the eye point into out (vertexCount of them); nothing unless CanFill.
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
  ComRef<IDirect3DIndexBuffer9> indices;
  ComRef<IDirect3DVertexBuffer9> vertices;
  float stepScale = 1.0f;
  float dropSize = 0.5f;
  float damping = 0.99f;
  float depth = 0.2f;

 private:
  // Device loss: both buffers go. Reset: a surface that had buffers gets them again for its grid.
  void InvalidateDeviceObjects() override;
  void CreateDeviceObjects() override;

  UINT bufferColumns_ = 0, bufferRows_ = 0;  // the grid the index buffer's strip was written for
  std::vector<float> rowVelocities_;         // Pass's scratch: one row's new velocities
  bool released_ = false;                    // let go at device loss: made again at the reset
};
