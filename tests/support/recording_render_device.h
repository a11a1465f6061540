// The recording stand-in for the device layer (scene/render_device.h), installed while it lives (the
// device installed before it comes back when it goes).
//
// Drawing: every call is recorded as a line of text in `log`, and the last value of every state is kept,
// so that tests check the order of draws and the states they leave. Effect passes: each effect has as many
// passes as `passes` says. With a shared call log, every line also goes there, so that a recording
// effect's technique and parameter lines and the draws they are set for read in one list.
//
// Placement: a back buffer of `size` (0 x 0 unless given) and a record of the transforms.
//
// Buffers: made in memory and kept alive until the device goes, so tests can read a buffer's bytes and
// its reference count after the mesh has let go.
//
// Documents' resources, recorded in `calls`: pictures, meshes and effects are "decoded" from simple test
// bytes:
// - a picture's bytes are its text; the first two bytes are its width and height; a record without bytes
//   but with a resource id is a module picture of 8 x 8 named "module:id", cached (one texture) until
//   ReleaseTexture ("release texture module:id") or its document is detached; anything else fails (null);
// - a mesh has one vertex per byte; bytes starting with '!' fail;
// - an effect is its text; bytes starting with '!' fail to compile.
// Those textures and effects count their references, so that tests can check that nothing leaks or is
// released too often.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scene/render_device.h"
#include "support/fake_geometry.h"
#include "support/recording_effect.h"

namespace lumi_test {

class RecordingRenderDevice : public RenderDevice {
 public:
  RecordingRenderDevice() : before_(SetRenderDevice(this)) {}
  RecordingRenderDevice(UINT width, UINT height) : RecordingRenderDevice() { size = BackBufferSize{width, height}; }
  ~RecordingRenderDevice() override;
  RecordingRenderDevice(const RecordingRenderDevice&) = delete;
  RecordingRenderDevice& operator=(const RecordingRenderDevice&) = delete;

  // --- Placement
  BackBufferSize GetBackBufferSize() override { return size; }
  void SetTransform(TransformSlot slot, const D3DXMATRIX& m) override { transforms[slot] = m; }
  void SetTextureTransform(DWORD stage, const D3DXMATRIX& m) override;

  // --- Buffers
  HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out) override;
  HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** out) override;

  // --- Drawing
  // Logged as "states <name>", followed, with expandStates, by each state's own line ("rs 27=1",
  // "tss 0 1=2", "samp 0 5=2": stage or sampler, state, value); every state's last value is kept.
  void ApplyStates(const StateSet& set) override;
  void SetTexture(DWORD stage, IDirect3DTexture9* texture) override;
  void BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) override;
  void SetIndices(IDirect3DIndexBuffer9* indices) override;
  void DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override;
  void DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices, UINT startIndex,
                            UINT count) override;
  void Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  void SetScissorRect(const RECT& rect) override;
  // targetSize, or the back buffer's size while it is 0 x 0.
  BackBufferSize GetTargetSize() override { return targetSize.width ? targetSize : size; }
  UINT BeginEffect(ID3DXEffect* effect) override;
  void BeginPass(ID3DXEffect* effect, UINT pass) override;
  void EndPass(ID3DXEffect* effect) override;
  void EndEffect(ID3DXEffect* effect) override;
  bool CreateTargets(RenderTargetChain& chain, int width, int height) override;
  void BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** target) override;
  IDirect3DTexture9** NextTarget(RenderTargetChain& chain) override;
  void EndTargets(RenderTargetChain& chain) override;
  void DrawBars(const LetterboxProjection& projection) override;
  IDirect3DTexture9* GetTextureById(int id) override;
  void MakeSquareCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** source) override;
  bool ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) override;
  void SetDirectionalLight(const float direction[3], const float diffuse[4]) override;
  void SetSpecularMaterial(float level, float power) override;
  IDirect3DTexture9* CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                         const TextureFill& fill) override;
  // Sizes from textureSizes, else from what a made texture was filled with.
  bool GetTextureSize(IDirect3DTexture9* texture, UINT* width, UINT* height) override;
  // The bytes a made texture of four-byte texels was filled with.
  bool ReadTopLevel(IDirect3DTexture9* texture, const TexelReader& read) override;
  // Made textures ("converted", "normals"); a normal map holds normalTexels when they fit its size,
  // else flat normals (128, 128, 255).
  IDirect3DTexture9* ConvertTexture(IDirect3DTexture9* source, UINT width, UINT height, D3DFORMAT format) override;
  IDirect3DTexture9* ComputeNormalMap(IDirect3DTexture9* heights, UINT width, UINT height, float amplitude) override;
  IDirect3DTexture9* CreateRenderTargetTexture(UINT width, UINT height) override;
  // Draws land on "texture" until the end.
  void BeginTextureTarget(IDirect3DTexture9* target) override;
  void EndTextureTarget() override;
  bool BeginScene() override;
  void EndScene() override;

  // --- Documents' resources
  void AttachDocument(const void* document) override;
  void DetachDocument(const void* document) override;
  TextureInfo GetTexture(const DocResourceRecord& record) override;
  void ReleaseTexture(const DocResourceRecord& record) override;
  // With tellSizes: a picture of two or more bytes tells its size from them without decoding ("size"
  // call), but a picture whose bytes start with '?' tells 5 x 5 (a header its data does not match).
  bool GetImageSize(const DocResourceRecord& record, TextureInfo* out) override;
  TextureInfo LoadTextureFromMemory(const BYTE* data, INT size) override;
  void LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) override;
  ID3DXEffect* CreateEffect(const BYTE* data, INT size) override;
  void AddRefEffect(ID3DXEffect* effect) override;
  void ReleaseEffect(ID3DXEffect* effect) override;
  void EffectLostDevice(ID3DXEffect* effect) override;
  void EffectResetDevice(ID3DXEffect* effect) override;
  void UnbindEffectTextures(ID3DXEffect* effect) override;
  bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) override;
  // The texture itself with a reference added, logged as "mask <text> <side>".
  IDirect3DTexture9* ConvertMask(IDirect3DTexture9* texture, UINT side) override;

  // --- Drawing record
  // Draw calls only ("draw" and "drawIndexed" lines), in order.
  std::vector<std::string> Draws() const;
  // Lines that start with prefix.
  std::vector<std::string> Lines(const std::string& prefix) const;
  void ClearLog() { log.clear(); }

  DWORD RenderState(D3DRENDERSTATETYPE s) const { return Find(renderStates, (DWORD)s); }
  DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE t) const { return Find(stageStates, stage * 100 + t); }
  DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE t) const { return Find(samplerStates, sampler * 100 + t); }
  bool HasRenderState(D3DRENDERSTATETYPE s) const { return renderStates.count((DWORD)s) != 0; }

  std::vector<std::string> log;
  CallLog* shared = nullptr;
  std::map<DWORD, DWORD> renderStates, stageStates, samplerStates;
  bool expandStates = false;
  IDirect3DTexture9* texture0 = nullptr;  // stage 0 texture now
  std::string target = "back";            // what draws land on: "back", or "rt0"/"rt1" of the pair
  BackBufferSize targetSize = BackBufferSize{0, 0};
  UINT passes = 1;
  // The textures the pair hands out; CreateTargets puts them into the chain (no references taken).
  IDirect3DTexture9* pairTextures[2] = {nullptr, nullptr};
  bool targetsMade = true;  // whether CreateTargets succeeds
  std::map<int, IDirect3DTexture9*> exePictures;  // GetTextureById results (a reference added)
  int texelGrey = -1;  // the grey level of every texel ReadTexels hands out; below 0 it fails
  // Formats CreateFilledTexture refuses (the fill is then asked with the next format tried by the caller).
  std::vector<D3DFORMAT> refusedFormats;
  // What each made texture was filled with: its format, size and bytes (rows at width x texel size).
  struct Filled {
    D3DFORMAT format;
    UINT width, height;
    int pitch;
    std::vector<BYTE> bytes;
  };
  std::map<const IDirect3DTexture9*, Filled> filled;
  std::map<const IDirect3DTexture9*, std::pair<UINT, UINT>> textureSizes;
  std::vector<BYTE> normalTexels;  // four bytes a texel, rows packed
  bool sceneBegins = true;        // whether BeginScene succeeds
  std::vector<std::unique_ptr<FakeTexture>> madeTextures;
  std::map<DWORD, D3DXMATRIX> textureTransforms;
  // Names for pointers in the log ("tex:picture" rather than an address).
  std::map<const void*, std::string> names;

  // --- Placement record
  BackBufferSize size = BackBufferSize{0, 0};
  std::map<TransformSlot, D3DXMATRIX> transforms;

  // --- Buffers made
  FakeVertexBuffer* lastVertexBuffer() const { return vertexBuffers.empty() ? nullptr : vertexBuffers.back().get(); }
  FakeIndexBuffer* lastIndexBuffer() const { return indexBuffers.empty() ? nullptr : indexBuffers.back().get(); }
  // True when every buffer made has been released as often as it was referenced.
  bool AllReleased() const;
  bool failVertexBuffers = false;
  bool failIndexBuffers = false;
  std::vector<std::unique_ptr<FakeVertexBuffer>> vertexBuffers;
  std::vector<std::unique_ptr<FakeIndexBuffer>> indexBuffers;

  // --- Documents' record
  // The objects handed out. Only their reference counting is called by the manager, so a texture is an
  // IUnknown that the manager holds as a texture pointer.
  struct DocTexture : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    int refs = 1;
    std::string source;
    virtual ~DocTexture() {}
  };
  struct DocEffect {
    int refs = 1;
    std::string source;
  };
  static std::string Text(const IDirect3DTexture9* t);
  static std::string Text(const ID3DXEffect* e);
  static int Refs(const IDirect3DTexture9* t);
  static int Refs(const ID3DXEffect* e);
  // Handed-out document objects whose count is not 0 / below 0.
  int LiveTextures() const;
  int LiveEffects() const;
  bool AnyOverReleased() const;

  std::vector<std::string> calls;
  std::vector<const void*> documents;  // attached and not yet detached
  bool failDds = false;
  bool tellSizes = false;

 private:
  static DWORD Find(const std::map<DWORD, DWORD>& m, DWORD k) {
    auto it = m.find(k);
    return it == m.end() ? 0xFFFFFFFFu : it->second;
  }
  void Add(const std::string& line);
  std::string Name(const void* p) const;
  TextureInfo MakeTexture(const std::string& source, UINT width, UINT height);

  RenderDevice* before_;
  std::vector<std::unique_ptr<DocTexture>> docTextures_;
  std::map<std::string, TextureInfo> moduleCache_;  // module pictures until released or their document goes
  std::vector<std::unique_ptr<DocEffect>> docEffects_;
};

}  // namespace lumi_test
