#include "render/geometry_device.h"

namespace {
GeometryDevice* g_geometryDevice = nullptr;
}

void SetGeometryDevice(GeometryDevice* device) { g_geometryDevice = device; }
GeometryDevice* GetGeometryDevice() { return g_geometryDevice; }

HRESULT CreateGeometryVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out) {
  *out = nullptr;
  if (!g_geometryDevice || bytes == 0) return E_FAIL;
  HRESULT hr = g_geometryDevice->CreateVertexBuffer(bytes, usage, fvf, pool, out);
  if (FAILED(hr)) *out = nullptr;
  return *out ? hr : E_FAIL;
}

HRESULT CreateGeometryIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out) {
  *out = nullptr;
  if (!g_geometryDevice || bytes == 0) return E_FAIL;
  HRESULT hr = g_geometryDevice->CreateIndexBuffer(bytes, usage, format, pool, out);
  if (FAILED(hr)) *out = nullptr;
  return *out ? hr : E_FAIL;
}
