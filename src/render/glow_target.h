// The off-screen target a glow object draws its particles into: a render-target pair of its own.
// Default-pool textures, so every live target is a registered device-objects owner: it lets go of them
// at device loss and makes them again, with the size they had, at the reset. Made and drawn into through
// the device layer's render-target calls; without a device a target is never made.
#pragma once

#include "dxut/device_objects.h"
#include "platform/d3d9_types.h"
#include "render/render_target_chain.h"

class GlowTarget : public DeviceObjects {
 public:
  GlowTarget();
  ~GlowTarget() override;
  GlowTarget(const GlowTarget&) = delete;
  GlowTarget& operator=(const GlowTarget&) = delete;

  // Makes the textures of this size; false when they cannot be made.
  bool Create(int width, int height);
  // True when the textures exist; a target released at device loss and not yet made again at the reset
  // is made here, with the size it had. A target whose creation failed otherwise is not tried again.
  bool EnsureMade();
  bool Ready() const { return chain_.current != nullptr; }

  // Device loss: the textures go (a target that had none stays as it was).
  void InvalidateDeviceObjects() override;
  // Reset: a target released at the loss is made again.
  void CreateDeviceObjects() override;

  // Drawing into the current texture, from Begin to End; nothing happens when the target is not made.
  void Begin();
  void Clear();
  void End();
  // The current texture, the glow drawn so far; null when not made.
  IDirect3DTexture9* Texture() const { return chain_.current; }
  // The pair itself, for the renderer's target pass.
  RenderTargetChain* Chain() { return &chain_; }

 private:
  void Release();

  RenderTargetChain chain_;
  int width_, height_;
  bool released_;  // released at device loss: made again at the next use
  bool begun_;
};
