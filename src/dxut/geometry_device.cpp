#include "dxut/geometry_device.h"

namespace {
GeometryDevice* g_geometryDevice = nullptr;

// Runs make on the installed device; *out is null unless it succeeded with a buffer.
template <class Buffer, class Make>
HRESULT CreateWith(Buffer** out, UINT bytes, Make make) {
  *out = nullptr;
  if (!g_geometryDevice || bytes == 0) return E_FAIL;
  HRESULT hr = make(g_geometryDevice);
  if (FAILED(hr)) *out = nullptr;
  return *out ? hr : E_FAIL;
}
}  // namespace

void SetGeometryDevice(GeometryDevice* device) { g_geometryDevice = device; }
GeometryDevice* GetGeometryDevice() { return g_geometryDevice; }

HRESULT CreateGeometryVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                   IDirect3DVertexBuffer9** out) {
  return CreateWith(out, bytes, [&](GeometryDevice* d) { return d->CreateVertexBuffer(bytes, usage, fvf, pool, out); });
}

HRESULT CreateGeometryIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out) {
  return CreateWith(out, bytes, [&](GeometryDevice* d) { return d->CreateIndexBuffer(bytes, usage, format, pool, out); });
}
