// The device layer over the program's Direct3D 9 device (g_D3DDevice, read at each call: a call without a
// device does what the null device does). Document pictures go through a texture cache of each
// document's own, current while it is the newest document; meshes and effects through D3DX.
#pragma once

#include <memory>
#include <vector>

#include "render/texture_cache.h"
#include "scene/render_device.h"

class D3D9RenderDevice : public RenderDevice {
 public:
  D3D9RenderDevice() = default;
  ~D3D9RenderDevice() override;

  BackBufferSize GetBackBufferSize() override;
  void SetTransform(TransformSlot slot, const D3DXMATRIX& m) override;
  void SetTextureTransform(DWORD stage, const D3DXMATRIX& m) override;

  HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out) override;
  HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** out) override;

  IDirect3DTexture9* CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                         const TextureFill& fill) override;
  bool ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) override;
  void MakeSquareCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** source) override;
  IDirect3DTexture9* GetTextureById(int id) override;
  bool GetTextureSize(IDirect3DTexture9* texture, UINT* width, UINT* height) override;
  bool ReadTopLevel(IDirect3DTexture9* texture, const TexelReader& read) override;
  IDirect3DTexture9* ConvertTexture(IDirect3DTexture9* source, UINT width, UINT height, D3DFORMAT format) override;
  // Where the platform's helper only stubs it (it raises when called), the map is computed here.
  IDirect3DTexture9* ComputeNormalMap(IDirect3DTexture9* heights, UINT width, UINT height, float amplitude) override;
  IDirect3DTexture9* CreateRenderTargetTexture(UINT width, UINT height) override;
  void BeginTextureTarget(IDirect3DTexture9* target) override;
  void EndTextureTarget() override;
  bool BeginScene() override;
  void EndScene() override;

  void ApplyStates(const StateSet& set) override;
  void SetTexture(DWORD stage, IDirect3DTexture9* texture) override;
  void SetDirectionalLight(const float direction[3], const float diffuse[4]) override;
  void SetSpecularMaterial(float level, float power) override;

  void BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) override;
  void SetIndices(IDirect3DIndexBuffer9* indices) override;
  void DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override;
  void DrawOpaquePrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count, bool diffuseOpaque) override;
  void DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices, UINT startIndex,
                            UINT count) override;
  bool ClearDiffuseIsHidden() override;
  void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  void SetScissorRect(const RECT& rect) override;
  BackBufferSize GetTargetSize() override;
  void DrawBars(const LetterboxProjection& projection) override;

  UINT BeginEffect(ID3DXEffect* effect) override;
  void BeginPass(ID3DXEffect* effect, UINT pass) override;
  void EndPass(ID3DXEffect* effect) override;
  void EndEffect(ID3DXEffect* effect) override;
  ID3DXEffect* CreateEffect(const BYTE* data, INT size) override;
  void AddRefEffect(ID3DXEffect* effect) override;
  void ReleaseEffect(ID3DXEffect* effect) override;
  void EffectLostDevice(ID3DXEffect* effect) override;
  void EffectResetDevice(ID3DXEffect* effect) override;
  void UnbindEffectTextures(ID3DXEffect* effect) override;

  bool CreateTargets(RenderTargetChain& chain, int width, int height) override;
  void BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** target) override;
  IDirect3DTexture9** NextTarget(RenderTargetChain& chain) override;
  void EndTargets(RenderTargetChain& chain) override;

  void AttachDocument(const void* document) override;
  void DetachDocument(const void* document) override;
  TextureInfo GetTexture(const DocResourceRecord& record) override;
  void ReleaseTexture(const DocResourceRecord& record) override;
  // Pictures the document carries by name with their bytes (decoded from those bytes): the size from the
  // file header. Module and file pictures go through the cache and are not told.
  bool GetImageSize(const DocResourceRecord& record, TextureInfo* out) override;
  TextureInfo LoadTextureFromMemory(const BYTE* data, INT size) override;
  void LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) override;
  void GetMesh(const DocResourceRecord& record, int stride, MeshData* out) override;
  bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) override;
  IDirect3DTexture9* ConvertMask(IDirect3DTexture9* texture, UINT side) override;

 private:
  struct Attached {
    const void* document;
    std::unique_ptr<TextureCacheHolder> holder;
  };
  std::vector<Attached> documents_;                // oldest first
  ComRef<IDirect3DSurface9> savedTarget_;  // while drawing into a texture: what was current
  ComRef<IDirect3DSurface9> savedDepth_;
  TextureCacheHolder* beforeDocuments_ = nullptr;  // the cache that was current before the first document
};

// The set's states on the device, in order; nothing without a device.
void ApplyStateSet(IDirect3DDevice9* device, const StateSet& set);

// Installs one process-wide instance; installing once, before or after the device is made, is enough.
void InstallD3D9RenderDevice();
