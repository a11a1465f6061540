#include "render/render_target_chain.h"

#include "dxut/d3d_device.h"
#include "render/mesh.h"
#include "render/texture_cache.h"
#include "scene/texture_types.h"

namespace {
// Level 0 of tex as render target 0.
void SetTargetTexture(IDirect3DTexture9* tex) {
  ComRef<IDirect3DSurface9> surface;
  if (SUCCEEDED(tex->GetSurfaceLevel(0, surface.Out())) && surface) g_D3DDevice->SetRenderTarget(0, surface);
}
}  // namespace

bool RenderTargetChain::Create(int w, int h) {
  // A pair of this size is kept: a slide's every start asks for it again, and making it anew each time
  // costs the start and churns the driver's memory.
  if (Holds(w, h)) {
    current = textures[index];
    return true;
  }
  width = w;
  height = h;
  ReleaseTextures();
  for (ComRef<IDirect3DTexture9>& tex : textures) {
    if (FAILED(CreateDefaultPoolTexture(tex.Out(), w, h, D3DUSAGE_RENDERTARGET)) || !tex) {
      ReleaseTextures();
      return false;
    }
  }
  current = textures[index];
  return true;
}

void RenderTargetChain::Begin(IDirect3DTexture9** target) {
  if (!g_D3DDevice || !target || !*target) return;
  g_D3DDevice->GetRenderTarget(0, savedTarget.Out());
  if (FAILED(g_D3DDevice->GetDepthStencilSurface(savedDepth.Out()))) savedDepth.Reset();
  SetTargetTexture(*target);
  g_D3DDevice->SetDepthStencilSurface(nullptr);
}

IDirect3DTexture9** RenderTargetChain::Next() {
  if (!g_D3DDevice || !textures[0] || !textures[1]) return textures[1 - index].Slot();
  index = (index + 1) % 2;
  current = textures[index];
  SetTargetTexture(current);
  g_D3DDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  return textures[1 - index].Slot();
}

void RenderTargetChain::End() {
  if (g_D3DDevice && savedTarget) {
    g_D3DDevice->SetRenderTarget(0, savedTarget);
    g_D3DDevice->SetDepthStencilSurface(savedDepth);
  }
  savedTarget.Reset();
  savedDepth.Reset();
}
