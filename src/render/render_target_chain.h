// A pair of equally sized render-target textures used alternately: the scene is drawn into one; when an
// effect needs it as its source the pair switches, the effect reads the finished texture and writes the
// other one. Default-pool textures: the owner releases them at device loss and creates them again after
// the reset. Its construction and releases are portable; the device operations are Windows only.
#pragma once

#include "dxut/device_objects.h"
#include "platform/com_ref.h"
#include "platform/d3d9_types.h"

class RenderTargetChain {
 public:
  RenderTargetChain();
  RenderTargetChain(const RenderTargetChain&) = delete;
  RenderTargetChain& operator=(const RenderTargetChain&) = delete;

  // Makes the pair (one level, A8R8G8B8, render target, default pool) of this size, releasing what it
  // held; a pair it holds of this size already is kept. The index is kept, so the texture current before
  // a reset is current again. False, with no textures, when either cannot be made: the passes then draw
  // on the current target.
  bool Create(int width, int height);
  // Whether it holds a pair of this size.
  bool Holds(int width, int height) const;
  // Device loss: current and both textures released.
  void ReleaseTextures();
  // Makes the pair's texture t current again, without drawing or clearing; false when t is not one of them.
  bool MakeCurrent(const IDirect3DTexture9* t);

  // Saves the device's render target and depth-stencil surface, then draws into level 0 of *target with
  // no depth-stencil surface. Nothing is cleared. Nothing happens without a target texture.
  void Begin(IDirect3DTexture9** target);
  // Switches to the other texture, clears it to opaque black and returns the address of the texture just
  // finished, the next effect's source. Without textures nothing changes and the returned slot is null.
  IDirect3DTexture9** Next();
  // Puts back the saved render target and depth-stencil surface and lets go of them.
  void End();

  ComRef<IDirect3DTexture9> current;
  ComRef<IDirect3DTexture9> textures[2];
  ComRef<IDirect3DSurface9> savedTarget;
  ComRef<IDirect3DSurface9> savedDepth;
  int width, height;
  int index;
  // Changes whenever the textures are let go (device loss, a new size): what was drawn into them is gone.
  unsigned generation;
};

// A pair that is a registered device-objects owner: at device loss its textures go, and at the reset a
// pair that had them is made again, through the device layer, at the back buffer's size after the reset
// (the index kept): the size its owner asks for, so that the owner's own reset finds it made.
class DeviceTargetPair : public RenderTargetChain, private DeviceObjects {
 public:
  DeviceTargetPair() = default;

 private:
  void InvalidateDeviceObjects() override;
  void CreateDeviceObjects() override;

  bool released_ = false;  // released at device loss: made again at the reset
};
