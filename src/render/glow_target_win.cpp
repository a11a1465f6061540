#include "dxut/d3d_device.h"
#include "render/glow_target.h"

namespace {

class D3D9GlowTargetDevice : public GlowTargetDevice {
 public:
  bool Create(RenderTargetChain& chain, int width, int height) override { return chain.Create(width, height); }
  void Begin(RenderTargetChain& chain) override { chain.Begin(&chain.current); }
  void Clear() override {
    if (g_D3DDevice) g_D3DDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  }
  void End(RenderTargetChain& chain) override { chain.End(); }
};

}  // namespace

void InstallGlowTargetDevice() {
  static D3D9GlowTargetDevice device;
  SetGlowTargetDevice(&device);
}
