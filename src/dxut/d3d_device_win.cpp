#include "dxut/d3d_device.h"

IDirect3DDevice9* g_D3DDevice = nullptr;

D3DSURFACE_DESC* GetBackBufferDesc(D3DSURFACE_DESC* out) {
  *out = D3DSURFACE_DESC();
  IDirect3DSurface9* back = nullptr;
  if (g_D3DDevice && SUCCEEDED(g_D3DDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && back) {
    back->GetDesc(out);
    back->Release();
  }
  return out;
}
