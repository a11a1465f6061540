#include "render/light_device_win.h"

#include <d3dx9.h>

#include "dxut/d3d_device.h"
#include "render/light_device.h"
#include "render/luminance_win.h"
#include "render/projection.h"
#include "render/quad_builders.h"
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
  void MakeSquareCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** source) override {
    if (g_D3DDevice) MakeSquareTextureCopy(n, quad, source);
  }
  bool ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) override {
    return g_D3DDevice && ReadPictureTexels(picture, size, read);
  }
  void SetDirectionalLight(const float direction[3], const float diffuse[4]) override {
    if (!g_D3DDevice) return;
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{diffuse[0], diffuse[1], diffuse[2], diffuse[3]};
    light.Specular = D3DCOLORVALUE{1, 1, 1, 0};
    light.Direction = D3DVECTOR{direction[0], direction[1], direction[2]};
    g_D3DDevice->SetLight(0, &light);
    g_D3DDevice->LightEnable(0, TRUE);
  }
  IDirect3DTexture9* CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                         const TextureFill& fill) override {
    if (!g_D3DDevice) return nullptr;
    IDirect3DTexture9* tex = nullptr;
    const HRESULT hr = mips ? D3DXCreateTexture(g_D3DDevice, width, height, 0, 0, format, D3DPOOL_MANAGED, &tex)
                            : g_D3DDevice->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &tex, nullptr);
    if (FAILED(hr) || !tex) return nullptr;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT rect;
    bool filled = false;
    if (SUCCEEDED(tex->GetLevelDesc(0, &desc)) && desc.Width >= width && desc.Height >= height &&
        SUCCEEDED(tex->LockRect(0, &rect, nullptr, 0))) {
      filled = fill(static_cast<BYTE*>(rect.pBits), rect.Pitch, desc.Format);
      tex->UnlockRect(0);
    }
    if (!filled) {
      tex->Release();
      return nullptr;
    }
    return tex;
  }
  void SetTextureTransform(DWORD stage, const D3DXMATRIX& m) override {
    if (g_D3DDevice) g_D3DDevice->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + stage), &m);
  }
  void SetSpecularMaterial(float level, float power) override {
    if (!g_D3DDevice) return;
    D3DMATERIAL9 m = {};
    m.Diffuse = D3DCOLORVALUE{0, 0, 0, 1};
    m.Specular = D3DCOLORVALUE{level, level, level, 0};
    m.Power = power;
    g_D3DDevice->SetMaterial(&m);
  }
};

}  // namespace

void InstallLightDevice() {
  static D3DLightDevice device;
  SetLightDevice(&device);
}
