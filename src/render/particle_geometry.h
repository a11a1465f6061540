// The particles of one sprite item as quads of a sprite array: keeps their number equal to the item's
// count, runs the item's rules on them every frame and writes one textured, coloured quad per particle,
// stepping a horizontal sprite sheet when the item asks for one. AnimatedTexture adds separate frame
// textures with durations of their own.
// The quads are rewritten every frame, so their vertex buffer is a dynamic default-pool one, locked with
// discard: a lock never waits for the device to finish drawing the previous contents. Such a buffer does
// not outlive a device reset: the array lets go of it at device loss and makes it again, refilled, at
// the reset. The indices are written once per count and stay in the managed pool.
#pragma once

#include <vector>

#include "dxut/device_objects.h"
#include "render/mesh.h"
#include "scene/media_param.h"
#include "scene/particle.h"
#include "scene/texture_types.h"

class DS_BaseSpriteProp;

// The box around quads in their own coordinates (before the mesh's world matrix).
struct QuadBounds {
  bool empty = true;
  D3DXVECTOR3 low{0, 0, 0}, high{0, 0, 0};
  void Add(const D3DXVECTOR3& p);
};

class ParticleGeomArray : public DS_SpriteArrayT<DX_V::PCT>, public DeviceObjects {
 public:
  ParticleGeomArray();
  ~ParticleGeomArray();
  ParticleGeomArray(const ParticleGeomArray&) = delete;
  ParticleGeomArray& operator=(const ParticleGeomArray&) = delete;

  // Watches the item's count: SetCount now with the current value and on every change.
  void BindCountListener(MediaParamT<UINT>& count);
  // n = 0 changes nothing. Otherwise new buffers for n quads (at most kMaxQuads) and new particles
  // appended until the list holds that many; surplus particles are kept and updated but not drawn.
  void SetCount(UINT n);
  // Buffers for n quads with the quad index pattern (while the device is lost, only their size is kept:
  // they are made at the reset).
  void CreateBuffers(UINT n);
  // The item's clock, then the item's rule on every particle of the list, in order.
  void Update(double t);
  // One quad per drawn particle into the vertex buffer, when the buffers match the item's count.
  void FillVertices();

  // Device loss: the vertex buffer goes (the index buffer is managed and stays).
  void InvalidateDeviceObjects() override;
  // Reset: the buffers are made again at the size they had and refilled from the particles as they are
  // now, with the sheet frame they last showed.
  void CreateDeviceObjects() override;
  // Texture coordinates of the four vertices of quad i in the locked buffer.
  void SetQuadUV(const float u[2], const float v[2], UINT i);
  // How many quads are drawn: the item's count as far as the buffers and the particles reach.
  UINT DrawnCount() const;
  // Around the quads the vertex buffer holds now; empty when it holds none written.
  const QuadBounds& Bounds() const { return bounds_; }

  DS_BaseSpriteProp* item;  // the render object's item clone; not owned
  ListenerHolder holder;
  std::vector<Particle*> particles;  // owned
  double sheetSwitchTime;  // item clock
  int sheetFrame;

 private:
  // The quads into the locked buffer; the sheet steps only when stepSheet is set.
  void WriteQuads(bool stepSheet);

  QuadBounds bounds_;
  bool deviceLost_;
  UINT quadsAfterReset_;  // the buffers' size to make at the reset; 0 when there were none
};

template <class Base>
class AnimatedTexture : public Base {
 public:
  AnimatedTexture() : currentFrame(0), switchTime(0) {}

  // Moves to the next frame once more than the current frame's duration has passed since the last
  // switch; true when it moved. Only frames that have both a texture and a duration take part.
  bool StepFrame(double t) {
    size_t n = textureSet.AnimationFrameCount();
    if (n == 0) return false;
    if ((size_t)currentFrame >= n) currentFrame = 0;
    if (!(t - switchTime > textureSet.durations[currentFrame])) return false;
    switchTime = t;
    currentFrame = (int)(((size_t)currentFrame + 1) % n);
    return true;
  }
  // The texture of the current frame; null when the set has no such frame.
  IDirect3DTexture9* CurrentTexture() const {
    return (size_t)currentFrame < textureSet.frames.size() ? textureSet.frames[currentFrame].Get() : nullptr;
  }

  TextureSet textureSet;
  int currentFrame;
  double switchTime;
};
