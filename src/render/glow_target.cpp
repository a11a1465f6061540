#include "render/glow_target.h"

#include "scene/render_device.h"

GlowTarget::GlowTarget() : width_(0), height_(0), released_(false), begun_(false) {}

GlowTarget::~GlowTarget() { End(); }

bool GlowTarget::Create(int width, int height) {
  width_ = width;
  height_ = height;
  released_ = false;
  chain_.ReleaseTextures();
  return GetRenderDevice().CreateTargets(chain_, width, height) && Ready();
}

bool GlowTarget::EnsureMade() {
  if (Ready()) return true;
  return released_ && Create(width_, height_);
}

void GlowTarget::InvalidateDeviceObjects() { Release(); }

void GlowTarget::CreateDeviceObjects() {
  if (released_) Create(width_, height_);
}

void GlowTarget::Release() {
  if (!Ready()) return;
  End();
  chain_.ReleaseTextures();
  released_ = true;
}

void GlowTarget::Begin() {
  if (!Ready() || begun_) return;
  GetRenderDevice().BeginTargets(chain_, chain_.current.Slot());
  begun_ = true;
}

void GlowTarget::Clear() {
  // The current target only (no depth), to transparent black.
  if (begun_) GetRenderDevice().Clear(D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
}

void GlowTarget::End() {
  if (!begun_) return;
  begun_ = false;
  GetRenderDevice().EndTargets(chain_);
}
