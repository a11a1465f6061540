// Where meshes get their vertex and index buffers: behind a small interface so that mesh and particle code
// runs and is tested without a device. The device side installs an implementation; without one every
// creation fails and the meshes stay empty.
#pragma once

#include "platform/d3d9_types.h"

class GeometryDevice {
 public:
  virtual ~GeometryDevice() {}
  virtual HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** out) = 0;
  virtual HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** out) = 0;
};

// Not owned; null removes it.
void SetGeometryDevice(GeometryDevice* device);
GeometryDevice* GetGeometryDevice();

// *out is null unless the result is a success.
HRESULT CreateGeometryVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out);
HRESULT CreateGeometryIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out);
