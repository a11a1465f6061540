// Texture copies for quads on the device.
#include "dxut/d3d_device.h"
#include "render/quad_builders.h"
#include "render/texture_cache.h"

void MakeSquareTextureCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** src) {
  // Stored documents use 1 or 2; anything else would shift past the texture sizes a device makes.
  if (n < 0) n = 0;
  if (n > 4) n = 4;
  int side = 128 << n;
  D3DCAPS9 caps;
  if (g_D3DDevice && SUCCEEDED(g_D3DDevice->GetDeviceCaps(&caps))) {
    while (side > 128 && (side > (int)caps.MaxTextureWidth || side > (int)caps.MaxTextureHeight)) side >>= 1;
  }
  ComRef<IDirect3DTexture9> copy;
  ConvertTexture(side, side, src, copy.Out(), D3DFMT_UNKNOWN);
  quad.info.texture = std::move(copy);
}
