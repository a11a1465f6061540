#include "render/light_device_win.h"

#include <d3dx9.h>

#include "dxut/d3d_device.h"
#include "render/light_device.h"
#include "render/projection.h"
#include "render/render_target_chain.h"
#include "render/texture_cache.h"

namespace {

class D3DLightDevice : public LightDevice {
 public:
  void SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    if (g_D3DDevice) g_D3DDevice->SetRenderState(state, value);
  }
  void SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    if (g_D3DDevice) g_D3DDevice->SetTextureStageState(stage, type, value);
  }
  void SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
    if (g_D3DDevice) g_D3DDevice->SetSamplerState(sampler, type, value);
  }
  void SetTexture(DWORD stage, IDirect3DTexture9* texture) override {
    if (g_D3DDevice) g_D3DDevice->SetTexture(stage, texture);
  }
  void BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) override {
    if (!g_D3DDevice) return;
    g_D3DDevice->SetVertexShader(nullptr);
    g_D3DDevice->SetFVF(fvf);
    g_D3DDevice->SetStreamSource(0, buffer, 0, stride);
  }
  void SetIndices(IDirect3DIndexBuffer9* indices) override {
    if (g_D3DDevice) g_D3DDevice->SetIndices(indices);
  }
  void DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override {
    if (g_D3DDevice) g_D3DDevice->DrawPrimitive(type, start, count);
  }
  void DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices, UINT startIndex,
                            UINT count) override {
    if (g_D3DDevice) g_D3DDevice->DrawIndexedPrimitive(type, baseVertex, minIndex, vertices, startIndex, count);
  }
  void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
    // Clearing depth without a depth surface bound fails harmlessly; the result is not needed.
    if (g_D3DDevice) g_D3DDevice->Clear(0, nullptr, flags, color, z, stencil);
  }

  UINT BeginEffect(ID3DXEffect* effect) override {
    UINT n = 0;
    if (FAILED(effect->Begin(&n, 0))) return 0;
    return n;
  }
  void BeginPass(ID3DXEffect* effect, UINT pass) override { effect->BeginPass(pass); }
  void EndPass(ID3DXEffect* effect) override { effect->EndPass(); }
  void EndEffect(ID3DXEffect* effect) override { effect->End(); }

  bool CreateTargets(RenderTargetChain& chain, int width, int height) override {
    if (!g_D3DDevice) return false;
    return chain.Create(width, height);
  }
  void BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** target) override {
    if (g_D3DDevice) chain.Begin(target);
  }
  IDirect3DTexture9** NextTarget(RenderTargetChain& chain) override { return g_D3DDevice ? chain.Next() : nullptr; }
  void EndTargets(RenderTargetChain& chain) override {
    if (g_D3DDevice) chain.End();
  }

  void DrawBars(const LetterboxProjection& projection) override { projection.DrawBars(); }
  IDirect3DTexture9* GetTextureById(int id) override {
    IDirect3DTexture9* t = nullptr;
    if (g_D3DDevice && g_TextureCache) TextureCache::GetTextureById(&t, g_TextureCache, id);
    return t;
  }
};

}  // namespace

void InstallLightDevice() {
  static D3DLightDevice device;
  SetLightDevice(&device);
}
