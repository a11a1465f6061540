// The pair's lifetime and releases: no device call, so objects that own a pair also build natively.
#include "render/render_target_chain.h"

#include "scene/render_device.h"
#include "scene/texture_types.h"

RenderTargetChain::RenderTargetChain() : width(0), height(0), index(0), generation(0) {}

void RenderTargetChain::ReleaseTextures() {
  ++generation;
  current.Reset();
  textures[0].Reset();
  textures[1].Reset();
}

bool RenderTargetChain::MakeCurrent(const IDirect3DTexture9* t) {
  for (int i = 0; i < 2; ++i) {
    if (!t || textures[i].Get() != t) continue;
    index = i;
    current = textures[i];
    return true;
  }
  return false;
}

bool RenderTargetChain::Holds(int w, int h) const {
  return textures[0] && textures[1] && w == width && h == height;
}

void DeviceTargetPair::InvalidateDeviceObjects() {
  if (!current && !textures[0] && !textures[1]) return;
  ReleaseTextures();
  released_ = true;
}

void DeviceTargetPair::CreateDeviceObjects() {
  if (!released_) return;
  released_ = false;
  const BackBufferSize bb = GetRenderDevice().GetBackBufferSize();
  GetRenderDevice().CreateTargets(*this, static_cast<int>(bb.width), static_cast<int>(bb.height));
}
