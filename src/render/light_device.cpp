#include "render/light_device.h"

namespace {

class NoLightDevice : public LightDevice {
 public:
  void SetRenderState(D3DRENDERSTATETYPE, DWORD) override {}
  void SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override {}
  void SetSamplerState(DWORD, D3DSAMPLERSTATETYPE, DWORD) override {}
  void SetTexture(DWORD, IDirect3DTexture9*) override {}
  void BindStream(IDirect3DVertexBuffer9*, DWORD, UINT) override {}
  void SetIndices(IDirect3DIndexBuffer9*) override {}
  void DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override {}
  void DrawIndexedPrimitive(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override {}
  void Clear(DWORD, D3DCOLOR, float, DWORD) override {}
  UINT BeginEffect(ID3DXEffect*) override { return 0; }
  void BeginPass(ID3DXEffect*, UINT) override {}
  void EndPass(ID3DXEffect*) override {}
  void EndEffect(ID3DXEffect*) override {}
  bool CreateTargets(RenderTargetChain&, int, int) override { return false; }
  void BeginTargets(RenderTargetChain&, IDirect3DTexture9**) override {}
  IDirect3DTexture9** NextTarget(RenderTargetChain&) override { return nullptr; }
  void EndTargets(RenderTargetChain&) override {}
  void DrawBars(const LetterboxProjection&) override {}
  IDirect3DTexture9* GetTextureById(int) override { return nullptr; }
  void MakeSquareCopy(int, QuadRenderObject&, IDirect3DTexture9**) override {}
  bool ReadTexels(IDirect3DTexture9*, UINT, const TexelReader&) override { return false; }
  void SetDirectionalLight(const float*, const float*) override {}
  void SetSpecularMaterial(float, float) override {}
  IDirect3DTexture9* CreateFilledTexture(UINT, UINT, D3DFORMAT, bool, const TextureFill&) override { return nullptr; }
  void SetTextureTransform(DWORD, const D3DXMATRIX&) override {}
};

LightDevice* g_lightDevice = nullptr;

}  // namespace

void SetLightDevice(LightDevice* device) { g_lightDevice = device; }

LightDevice& GetLightDevice() {
  static NoLightDevice none;
  return g_lightDevice ? *g_lightDevice : none;
}
