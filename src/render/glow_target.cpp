#include "render/glow_target.h"

namespace {
GlowTargetDevice* g_glowDevice = nullptr;
}  // namespace

void SetGlowTargetDevice(GlowTargetDevice* device) { g_glowDevice = device; }

GlowTarget::GlowTarget() : width_(0), height_(0), released_(false), begun_(false) {}

GlowTarget::~GlowTarget() { End(); }

bool GlowTarget::Create(int width, int height) {
  width_ = width;
  height_ = height;
  released_ = false;
  chain_.ReleaseTextures();
  return g_glowDevice && g_glowDevice->Create(chain_, width, height) && Ready();
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
  if (!Ready() || !g_glowDevice || begun_) return;
  g_glowDevice->Begin(chain_);
  begun_ = true;
}

void GlowTarget::Clear() {
  if (begun_ && g_glowDevice) g_glowDevice->Clear();
}

void GlowTarget::End() {
  if (!begun_) return;
  begun_ = false;
  if (g_glowDevice) g_glowDevice->End(chain_);
}
