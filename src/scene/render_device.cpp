#include "scene/render_device.h"

const StateSet kScissorOn = {"scissor on", {Rs(D3DRS_SCISSORTESTENABLE, TRUE)}};
const StateSet kScissorOff = {"scissor off", {Rs(D3DRS_SCISSORTESTENABLE, FALSE)}};

namespace {

RenderDevice* g_renderDevice = nullptr;

// Runs make on the installed device; *out is null unless it succeeded with a buffer.
template <class Buffer, class Make>
HRESULT CreateWith(Buffer** out, UINT bytes, Make make) {
  *out = nullptr;
  if (bytes == 0) return E_FAIL;
  HRESULT hr = make(GetRenderDevice());
  if (FAILED(hr)) *out = nullptr;
  return *out ? hr : E_FAIL;
}

}  // namespace

RenderDevice* SetRenderDevice(RenderDevice* device) {
  RenderDevice* before = g_renderDevice;
  g_renderDevice = device;
  return before;
}

RenderDevice& GetRenderDevice() {
  static RenderDevice none;
  return g_renderDevice ? *g_renderDevice : none;
}

HRESULT CreateGeometryVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out) {
  return CreateWith(out, bytes, [&](RenderDevice& d) { return d.CreateVertexBuffer(bytes, usage, fvf, pool, out); });
}

HRESULT CreateGeometryIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out) {
  return CreateWith(out, bytes, [&](RenderDevice& d) { return d.CreateIndexBuffer(bytes, usage, format, pool, out); });
}
