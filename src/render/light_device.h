// What picture lights and the renderer operations ask of the device: states, textures, streams, draw
// calls, effect passes, the render-target pair and the letterbox bars. Behind a small interface so that
// the drawing order and the states each operation leaves are tested without a device. The device side
// installs an implementation over the program's device (InstallLightDevice, Windows); without one every
// call does nothing and an effect has no passes.
#pragma once

#include <functional>

#include "platform/d3d9_types.h"
#include "platform/types.h"

#ifndef _WIN32
struct ID3DXEffect;
#endif
class LetterboxProjection;
class QuadRenderObject;
class RenderTargetChain;

class LightDevice {
 public:
  virtual ~LightDevice() {}
  virtual void SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual void SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual void SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual void SetTexture(DWORD stage, IDirect3DTexture9* texture) = 0;
  // No vertex shader, the format, and buffer as stream 0 with the stride.
  virtual void BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) = 0;
  virtual void SetIndices(IDirect3DIndexBuffer9* indices) = 0;
  virtual void DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) = 0;
  virtual void DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices,
                                    UINT startIndex, UINT count) = 0;
  // The whole current target.
  virtual void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;

  // Begin (&n, 0) of a non-null effect: the number of passes.
  virtual UINT BeginEffect(ID3DXEffect* effect) = 0;
  virtual void BeginPass(ID3DXEffect* effect, UINT pass) = 0;
  virtual void EndPass(ID3DXEffect* effect) = 0;
  virtual void EndEffect(ID3DXEffect* effect) = 0;

  // The render-target pair's device operations (RenderTargetChain::Create, Begin, Next, End).
  virtual bool CreateTargets(RenderTargetChain& chain, int width, int height) = 0;
  virtual void BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** target) = 0;
  virtual IDirect3DTexture9** NextTarget(RenderTargetChain& chain) = 0;
  virtual void EndTargets(RenderTargetChain& chain) = 0;

  // The projection's black bars (drawn in Fit mode only).
  virtual void DrawBars(const LetterboxProjection& projection) = 0;
  // A new reference on the executable's picture id, or null.
  virtual IDirect3DTexture9* GetTextureById(int id) = 0;

  // The quad's picture becomes a square copy of *source, 128 << n texels a side (none without a device).
  virtual void MakeSquareCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** source) = 0;
  // A size x size copy of the picture, four bytes a texel (blue, green, red, unused), handed to read with
  // its pitch; false when it cannot be read.
  using TexelReader = std::function<void(const BYTE* bits, int pitch)>;
  virtual bool ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) = 0;
  // Light 0 directional with the diffuse colour and white specular, enabled.
  virtual void SetDirectionalLight(const float direction[3], const float diffuse[4]) = 0;
  // A material that only reflects highlights: specular grey level and power.
  virtual void SetSpecularMaterial(float level, float power) = 0;
  // A new managed texture (with a full mip chain below it when mips is set) whose top level fill writes
  // from the bits, the pitch and the format the device made; fill returns false for a format it cannot
  // write, and the texture is dropped. Null when nothing could be made.
  using TextureFill = std::function<bool(BYTE* bits, int pitch, D3DFORMAT made)>;
  virtual IDirect3DTexture9* CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                                 const TextureFill& fill) = 0;
  // The texture-coordinate transform of a stage.
  virtual void SetTextureTransform(DWORD stage, const D3DXMATRIX& m) = 0;
};

// Not owned; null removes it.
void SetLightDevice(LightDevice* device);
// The installed device, or one on which every call does nothing.
LightDevice& GetLightDevice();

// Effect passes: Begin, then each pass around draw(), then End. A null effect draws nothing.
template <class Draw>
void RunEffectPasses(ID3DXEffect* effect, Draw draw) {
  if (!effect) return;
  LightDevice& d = GetLightDevice();
  const UINT n = d.BeginEffect(effect);
  for (UINT i = 0; i < n; ++i) {
    d.BeginPass(effect, i);
    draw();
    d.EndPass(effect);
  }
  d.EndEffect(effect);
}
