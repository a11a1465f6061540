// The one device layer of the drawing code: everything scene, render and the subsystems that draw ask of
// the device (the back buffer's size and the transforms, buffers and textures, states, draw calls, effects,
// the render-target pair, the decoding of document pictures, meshes and effects). The drawing order and
// the states each operation leaves are tested without a device through the recording fake
// (tests/support/recording_render_device.h); the program installs the Direct3D 9 implementation
// (render/render_device_win.h) once the device exists.
//
// Every call has a body here that does nothing: that is the null device, current while nothing else is
// installed (before the device exists, and natively): the back buffer is 0 x 0, nothing is made or
// decoded, an effect has no passes. A new device call goes here (with what it does without a device),
// into the Direct3D 9 implementation and into the recording fake.
//
// It lives in scene, the lowest layer that uses it, since document decoding speaks in the scene's texture
// and mesh records. The few render objects named below are passed through as references only.
#pragma once

#include <functional>
#include <vector>

#include "platform/d3d9_types.h"
#include "platform/types.h"
#include "scene/render_state_set.h"
#include "scene/stream.h"
#include "scene/texture_types.h"

#ifndef _WIN32
struct ID3DXEffect;  // only passed through natively
#endif
class LetterboxProjection;
class QuadRenderObject;
class RenderTargetChain;

struct BackBufferSize {
  UINT width;
  UINT height;
};

enum class TransformSlot { World, View, Projection };

class RenderDevice {
 public:
  virtual ~RenderDevice() {}

  // --- Placement: the back buffer and the fixed-function transforms.
  virtual BackBufferSize GetBackBufferSize() { return BackBufferSize{0, 0}; }
  virtual void SetTransform(TransformSlot slot, const D3DXMATRIX& m) {}
  // The texture-coordinate transform of a stage.
  virtual void SetTextureTransform(DWORD stage, const D3DXMATRIX& m) {}

  // --- Buffers. *out is set only on success (see CreateGeometryVertexBuffer for the checked form).
  virtual HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out) {
    return E_FAIL;
  }
  virtual HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** out) {
    return E_FAIL;
  }

  // --- Textures.
  // A new managed texture (with a full mip chain below it when mips is set) whose top level fill writes
  // from the bits, the pitch and the format the device made; fill returns false for a format it cannot
  // write, and the texture is dropped. Null when nothing could be made.
  using TextureFill = std::function<bool(BYTE* bits, int pitch, D3DFORMAT made)>;
  virtual IDirect3DTexture9* CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                                 const TextureFill& fill) {
    return nullptr;
  }
  // A size x size copy of the picture, four bytes a texel (blue, green, red, unused), handed to read with
  // its pitch; false when it cannot be read.
  using TexelReader = std::function<void(const BYTE* bits, int pitch)>;
  virtual bool ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) { return false; }
  // The quad's picture becomes a square copy of *source, 128 << n texels a side.
  virtual void MakeSquareCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** source) {}
  // A new reference on the executable's picture id, or null.
  virtual IDirect3DTexture9* GetTextureById(int id) { return nullptr; }
  // The size of a texture's top level; false without a texture.
  virtual bool GetTextureSize(IDirect3DTexture9* texture, UINT* width, UINT* height) { return false; }
  // The top level's texels, four bytes each (blue, green, red, alpha), handed to read with the pitch;
  // false unless the texture holds such texels and can be read.
  virtual bool ReadTopLevel(IDirect3DTexture9* texture, const TexelReader& read) { return false; }
  // A managed copy of the source's top level in the format (a full mip chain below it, not filled), one
  // reference for the caller; null without a source or when it cannot be made.
  virtual IDirect3DTexture9* ConvertTexture(IDirect3DTexture9* source, UINT width, UINT height, D3DFORMAT format) {
    return nullptr;
  }
  // A managed normal map (four bytes a texel: x, y and z as red, green and blue around the middle) of the
  // heights in the source's red channel times amplitude, one reference for the caller; null when it
  // cannot be made.
  virtual IDirect3DTexture9* ComputeNormalMap(IDirect3DTexture9* heights, UINT width, UINT height, float amplitude) {
    return nullptr;
  }

  // --- Drawing into a texture outside the frame.
  // A render-target texture of one level, four bytes a texel, in the default pool; one reference for the
  // caller, or null.
  virtual IDirect3DTexture9* CreateRenderTargetTexture(UINT width, UINT height) { return nullptr; }
  // Draws go to the texture's top level, without a depth surface, until EndTextureTarget puts back the
  // target and depth surface current before.
  virtual void BeginTextureTarget(IDirect3DTexture9* target) {}
  virtual void EndTextureTarget() {}
  // A scene of its own around such drawing; false when it cannot begin (nothing is to be drawn then).
  virtual bool BeginScene() { return false; }
  virtual void EndScene() {}

  // --- States: a named set, entry by entry in its order (render_state_set.h; texture-stage states include
  // the bump-map matrix and luminance of a stage). Drawing code sets states through sets only.
  virtual void ApplyStates(const StateSet& set) {}
  virtual void SetTexture(DWORD stage, IDirect3DTexture9* texture) {}
  // Light 0 directional with the diffuse colour and white specular, enabled.
  virtual void SetDirectionalLight(const float direction[3], const float diffuse[4]) {}
  // A material that only reflects highlights: specular grey level and power.
  virtual void SetSpecularMaterial(float level, float power) {}

  // --- Streams and draw calls.
  // No vertex shader, the format, and buffer as stream 0 with the stride.
  virtual void BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) {}
  virtual void SetIndices(IDirect3DIndexBuffer9* indices) {}
  virtual void DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {}
  // The same draw, of a source whose texture or (with diffuseOpaque) vertex colours leave every pixel
  // opaque: where the blend left on would keep such pixels as they are, it is off for this draw, since
  // blending reads the target for nothing. The blend state afterwards is the one before.
  virtual void DrawOpaquePrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count, bool diffuseOpaque) {
    DrawPrimitive(type, start, count);
  }
  virtual void DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices,
                                    UINT startIndex, UINT count) {}
  // Whether, under the state in force, a draw whose diffuse alpha is 0 at every vertex leaves the target
  // as it is, so that it may be left out; false where that is not known.
  virtual bool ClearDiffuseIsHidden() { return false; }
  // The whole current target.
  virtual void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) {}
  // The rectangle draws are cut to while D3DRS_SCISSORTESTENABLE is on, in target pixels.
  virtual void SetScissorRect(const RECT& rect) {}
  // The pixels of the viewport on the current render target.
  virtual BackBufferSize GetTargetSize() { return BackBufferSize{0, 0}; }
  // The projection's black bars (drawn in Fit mode only).
  virtual void DrawBars(const LetterboxProjection& projection) {}

  // --- Effects.
  // Begin (&n, 0) of a non-null effect: the number of passes.
  virtual UINT BeginEffect(ID3DXEffect* effect) { return 0; }
  virtual void BeginPass(ID3DXEffect* effect, UINT pass) {}
  virtual void EndPass(ID3DXEffect* effect) {}
  virtual void EndEffect(ID3DXEffect* effect) {}
  // An effect from source or compiled bytes, one reference for the caller; null on failure.
  virtual ID3DXEffect* CreateEffect(const BYTE* data, INT size) { return nullptr; }
  virtual void AddRefEffect(ID3DXEffect* effect) {}
  virtual void ReleaseEffect(ID3DXEffect* effect) {}
  // The effect's default-pool state at device loss and reset.
  virtual void EffectLostDevice(ID3DXEffect* effect) {}
  virtual void EffectResetDevice(ID3DXEffect* effect) {}
  // The effect holds no texture any more: every texture parameter set to none, and the device state its
  // techniques saved (with the textures bound then) saved again with none bound.
  virtual void UnbindEffectTextures(ID3DXEffect* effect) {}

  // --- Render targets: a pair of default-pool textures drawn into in turn (RenderTargetChain).
  // Makes the pair's textures; false, with none, when they cannot be made.
  virtual bool CreateTargets(RenderTargetChain& chain, int width, int height) { return false; }
  // Draws into *target (the device's target saved) until EndTargets.
  virtual void BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** target) {}
  // Switches to the other texture, cleared; the address of the one just finished, or null.
  virtual IDirect3DTexture9** NextTarget(RenderTargetChain& chain) { return nullptr; }
  virtual void EndTargets(RenderTargetChain& chain) {}

  // --- Documents' resources.
  // A document resource manager was built / is being destroyed: the texture cache holder of the document
  // (published as the current cache while it is the newest; unpublished when its document goes).
  virtual void AttachDocument(const void* document) {}
  virtual void DetachDocument(const void* document) {}
  // The picture of one document record (its module's resource, else its own bytes), cached by the
  // texture cache; a null texture when it cannot be decoded.
  virtual TextureInfo GetTexture(const DocResourceRecord& record) { return TextureInfo(); }
  // The cache lets go of the picture of a module record; the next GetTexture of it decodes it again.
  virtual void ReleaseTexture(const DocResourceRecord& record) {}
  // The size the picture of one record decodes to (width, height and aspect, no texture), told from its
  // file header without decoding it. False when that cannot be told cheaply: the picture is then decoded
  // when the document is read.
  virtual bool GetImageSize(const DocResourceRecord& record, TextureInfo* out) { return false; }
  // A picture from image file bytes (mask pictures), not cached. data may be null with size 0: a null
  // texture.
  virtual TextureInfo LoadTextureFromMemory(const BYTE* data, INT size) { return TextureInfo(); }
  // X mesh data into *out with the given vertex stride; *out stays empty when it cannot be decoded.
  virtual void LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) {}
  // The mesh of one record (its module's resource, cached by resource id, else its own bytes); *out stays
  // empty when it cannot be decoded. By default the record's bytes through LoadMesh.
  virtual void GetMesh(const DocResourceRecord& record, int stride, MeshData* out) {
    LoadMesh(record.blob.Data(), record.blob.Size(), stride, out);
  }
  // The texture as DDS file bytes; false (out untouched) when it cannot be encoded.
  virtual bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) { return false; }
  // A mask picture as documents keep it: a managed side x side A8 copy of the texture's level 0, one
  // reference for the caller; null when there is no texture or it cannot be converted.
  virtual IDirect3DTexture9* ConvertMask(IDirect3DTexture9* texture, UINT side) { return nullptr; }
};

// Installs a device (not owned; null: back to the null device) and returns the one it replaces.
RenderDevice* SetRenderDevice(RenderDevice* device);
// The installed device, or the null device.
RenderDevice& GetRenderDevice();

// Buffer creation checked: *out is null unless the result is a success with a buffer; zero bytes fail.
HRESULT CreateGeometryVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out);
HRESULT CreateGeometryIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out);

// Effect passes: Begin, then each pass around draw(), then End. A null effect draws nothing.
template <class Draw>
void RunEffectPasses(ID3DXEffect* effect, Draw draw) {
  if (!effect) return;
  RenderDevice& d = GetRenderDevice();
  const UINT n = d.BeginEffect(effect);
  for (UINT i = 0; i < n; ++i) {
    d.BeginPass(effect, i);
    draw();
    d.EndPass(effect);
  }
  d.EndEffect(effect);
}
