#include "render/render_device_win.h"

#include <d3dx9.h>

#include <algorithm>

#include "dxut/d3d_device.h"
#include "platform/com_ref.h"
#include "platform/effect_binary.h"
#include "render/image_header.h"
#include "render/luminance_win.h"
#include "render/normal_map.h"
#include "render/opaque_draw_win.h"
#include "render/projection.h"
#include "render/quad_builders.h"
#include "render/render_target_chain.h"

D3D9RenderDevice::~D3D9RenderDevice() {
  if (&GetRenderDevice() == this) SetRenderDevice(nullptr);
  if (!documents_.empty()) g_TextureCache = beforeDocuments_;
}

// --- Placement

BackBufferSize D3D9RenderDevice::GetBackBufferSize() {
  D3DSURFACE_DESC desc;
  GetBackBufferDesc(&desc);
  return BackBufferSize{desc.Width, desc.Height};
}

void D3D9RenderDevice::SetTransform(TransformSlot slot, const D3DXMATRIX& m) {
  if (!g_D3DDevice) return;
  static const D3DTRANSFORMSTATETYPE kState[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION};
  g_D3DDevice->SetTransform(kState[static_cast<int>(slot)], &m);
}

void D3D9RenderDevice::SetTextureTransform(DWORD stage, const D3DXMATRIX& m) {
  if (g_D3DDevice) g_D3DDevice->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE0 + stage), &m);
}

// --- Buffers

HRESULT D3D9RenderDevice::CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** out) {
  if (!g_D3DDevice) return E_FAIL;
  return g_D3DDevice->CreateVertexBuffer(bytes, usage, fvf, pool, out, nullptr);
}

HRESULT D3D9RenderDevice::CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer9** out) {
  if (!g_D3DDevice) return E_FAIL;
  return g_D3DDevice->CreateIndexBuffer(bytes, usage, format, pool, out, nullptr);
}

// --- Textures

IDirect3DTexture9* D3D9RenderDevice::CreateFilledTexture(UINT width, UINT height, D3DFORMAT format, bool mips,
                                                         const TextureFill& fill) {
  if (!g_D3DDevice) return nullptr;
  ComRef<IDirect3DTexture9> tex;
  const HRESULT hr = mips ? D3DXCreateTexture(g_D3DDevice, width, height, 0, 0, format, D3DPOOL_MANAGED, tex.Out())
                          : g_D3DDevice->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, tex.Out(), nullptr);
  if (FAILED(hr) || !tex) return nullptr;
  D3DSURFACE_DESC desc;
  D3DLOCKED_RECT rect;
  bool filled = false;
  if (SUCCEEDED(tex->GetLevelDesc(0, &desc)) && desc.Width >= width && desc.Height >= height &&
      SUCCEEDED(tex->LockRect(0, &rect, nullptr, 0))) {
    filled = fill(static_cast<BYTE*>(rect.pBits), rect.Pitch, desc.Format);
    tex->UnlockRect(0);
  }
  return filled ? tex.Detach() : nullptr;
}

bool D3D9RenderDevice::ReadTexels(IDirect3DTexture9* picture, UINT size, const TexelReader& read) {
  return g_D3DDevice && ReadPictureTexels(picture, size, read);
}

void D3D9RenderDevice::MakeSquareCopy(int n, QuadRenderObject& quad, IDirect3DTexture9** source) {
  if (g_D3DDevice) MakeSquareTextureCopy(n, quad, source);
}

IDirect3DTexture9* D3D9RenderDevice::GetTextureById(int id) {
  IDirect3DTexture9* t = nullptr;
  if (g_D3DDevice && g_TextureCache) TextureCache::GetTextureById(&t, g_TextureCache, id);
  return t;
}

bool D3D9RenderDevice::GetTextureSize(IDirect3DTexture9* texture, UINT* width, UINT* height) {
  D3DSURFACE_DESC desc;
  if (!texture || FAILED(texture->GetLevelDesc(0, &desc))) return false;
  *width = desc.Width;
  *height = desc.Height;
  return true;
}

bool D3D9RenderDevice::ReadTopLevel(IDirect3DTexture9* texture, const TexelReader& read) {
  D3DSURFACE_DESC desc;
  if (!texture || FAILED(texture->GetLevelDesc(0, &desc)) ||
      (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8))
    return false;
  D3DLOCKED_RECT rect;
  if (FAILED(texture->LockRect(0, &rect, nullptr, D3DLOCK_READONLY))) return false;
  read(static_cast<const BYTE*>(rect.pBits), rect.Pitch);
  texture->UnlockRect(0);
  return true;
}

IDirect3DTexture9* D3D9RenderDevice::ConvertTexture(IDirect3DTexture9* source, UINT width, UINT height,
                                                    D3DFORMAT format) {
  if (!g_D3DDevice || !source) return nullptr;
  // A render target cannot be read directly: its texels come over into system memory first.
  D3DSURFACE_DESC desc;
  ComRef<IDirect3DTexture9> readable;
  if (SUCCEEDED(source->GetLevelDesc(0, &desc)) && desc.Pool == D3DPOOL_DEFAULT &&
      (desc.Usage & D3DUSAGE_RENDERTARGET)) {
    ComRef<IDirect3DSurface9> from, to;
    if (FAILED(g_D3DDevice->CreateTexture(desc.Width, desc.Height, 1, 0, desc.Format, D3DPOOL_SYSTEMMEM,
                                          readable.Out(), nullptr)) ||
        FAILED(source->GetSurfaceLevel(0, from.Out())) || FAILED(readable->GetSurfaceLevel(0, to.Out())) ||
        FAILED(g_D3DDevice->GetRenderTargetData(from.Get(), to.Get())))
      return nullptr;
    source = readable.Get();
  }
  IDirect3DTexture9* copy = nullptr;
  ::ConvertTexture(static_cast<int>(width), static_cast<int>(height), &source, &copy, format);
  return copy;
}

namespace {
// Some runtimes (Wine's, through version 8 at least) export the normal-map helper only as a stub that
// raises when it is called; they are known by ntdll's version export.
bool PlatformComputesNormalMaps() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return !(ntdll && GetProcAddress(ntdll, "wine_get_version"));
}
}  // namespace

IDirect3DTexture9* D3D9RenderDevice::ComputeNormalMap(IDirect3DTexture9* heights, UINT width, UINT height,
                                                      float amplitude) {
  if (!g_D3DDevice || !heights || width == 0 || height == 0) return nullptr;
  if (PlatformComputesNormalMaps()) {
    ComRef<IDirect3DTexture9> normals;
    if (FAILED(D3DXCreateTexture(g_D3DDevice, width, height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, normals.Out())) ||
        FAILED(D3DXComputeNormalMap(normals.Get(), heights, nullptr, 0, D3DX_CHANNEL_RED, amplitude)))
      return nullptr;
    return normals.Detach();
  }
  UINT w = 0, h = 0;
  if (!GetTextureSize(heights, &w, &h) || w < width || h < height) return nullptr;
  std::vector<BYTE> normals(static_cast<size_t>(width) * height * 4);
  if (!ReadTopLevel(heights, [&](const BYTE* bits, int pitch) {
        ComputeHeightNormals(bits, pitch, width, height, amplitude, normals.data(), static_cast<int>(width) * 4);
      }))
    return nullptr;
  return CreateFilledTexture(width, height, D3DFMT_A8R8G8B8, false, [&](BYTE* bits, int pitch, D3DFORMAT made) {
    if (made != D3DFMT_A8R8G8B8) return false;
    for (UINT y = 0; y < height; ++y)
      std::copy(normals.begin() + static_cast<ptrdiff_t>(y) * width * 4,
                normals.begin() + static_cast<ptrdiff_t>(y + 1) * width * 4, bits + static_cast<ptrdiff_t>(y) * pitch);
    return true;
  });
}

IDirect3DTexture9* D3D9RenderDevice::CreateRenderTargetTexture(UINT width, UINT height) {
  IDirect3DTexture9* t = nullptr;
  if (!g_D3DDevice || FAILED(g_D3DDevice->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                        D3DPOOL_DEFAULT, &t, nullptr)))
    return nullptr;
  return t;
}

void D3D9RenderDevice::BeginTextureTarget(IDirect3DTexture9* target) {
  if (!g_D3DDevice || !target || savedTarget_) return;
  ComRef<IDirect3DSurface9> level;
  if (FAILED(target->GetSurfaceLevel(0, level.Out())) || FAILED(g_D3DDevice->GetRenderTarget(0, savedTarget_.Out())))
    return;
  if (FAILED(g_D3DDevice->GetDepthStencilSurface(savedDepth_.Out()))) savedDepth_.Reset();  // none bound
  g_D3DDevice->SetRenderTarget(0, level.Get());
  g_D3DDevice->SetDepthStencilSurface(nullptr);
}

void D3D9RenderDevice::EndTextureTarget() {
  if (!savedTarget_) return;
  if (g_D3DDevice) {
    g_D3DDevice->SetRenderTarget(0, savedTarget_);
    g_D3DDevice->SetDepthStencilSurface(savedDepth_);
  }
  savedTarget_.Reset();
  savedDepth_.Reset();
}

bool D3D9RenderDevice::BeginScene() { return g_D3DDevice && SUCCEEDED(g_D3DDevice->BeginScene()); }

void D3D9RenderDevice::EndScene() {
  if (g_D3DDevice) g_D3DDevice->EndScene();
}

// --- States

void ApplyStateSet(IDirect3DDevice9* device, const StateSet& set) {
  if (!device) return;
  for (const StateEntry& e : set) {
    switch (e.kind) {
      case StateKind::Render:
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(e.state), e.value);
        break;
      case StateKind::Stage:
        device->SetTextureStageState(e.slot, static_cast<D3DTEXTURESTAGESTATETYPE>(e.state), e.value);
        break;
      case StateKind::Sampler:
        device->SetSamplerState(e.slot, static_cast<D3DSAMPLERSTATETYPE>(e.state), e.value);
        break;
    }
  }
}

void D3D9RenderDevice::ApplyStates(const StateSet& set) { ApplyStateSet(g_D3DDevice, set); }

void D3D9RenderDevice::SetTexture(DWORD stage, IDirect3DTexture9* texture) {
  if (g_D3DDevice) g_D3DDevice->SetTexture(stage, texture);
}

void D3D9RenderDevice::SetDirectionalLight(const float direction[3], const float diffuse[4]) {
  if (!g_D3DDevice) return;
  D3DLIGHT9 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = D3DCOLORVALUE{diffuse[0], diffuse[1], diffuse[2], diffuse[3]};
  light.Specular = D3DCOLORVALUE{1, 1, 1, 0};
  light.Direction = D3DVECTOR{direction[0], direction[1], direction[2]};
  g_D3DDevice->SetLight(0, &light);
  g_D3DDevice->LightEnable(0, TRUE);
}

void D3D9RenderDevice::SetSpecularMaterial(float level, float power) {
  if (!g_D3DDevice) return;
  D3DMATERIAL9 m = {};
  m.Diffuse = D3DCOLORVALUE{0, 0, 0, 1};
  m.Specular = D3DCOLORVALUE{level, level, level, 0};
  m.Power = power;
  g_D3DDevice->SetMaterial(&m);
}

// --- Streams and draw calls

void D3D9RenderDevice::BindStream(IDirect3DVertexBuffer9* buffer, DWORD fvf, UINT stride) {
  if (!g_D3DDevice) return;
  g_D3DDevice->SetVertexShader(nullptr);
  g_D3DDevice->SetFVF(fvf);
  g_D3DDevice->SetStreamSource(0, buffer, 0, stride);
}

void D3D9RenderDevice::SetIndices(IDirect3DIndexBuffer9* indices) {
  if (g_D3DDevice) g_D3DDevice->SetIndices(indices);
}

void D3D9RenderDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
  if (g_D3DDevice) g_D3DDevice->DrawPrimitive(type, start, count);
}

void D3D9RenderDevice::DrawOpaquePrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count, bool diffuseOpaque) {
  if (!g_D3DDevice) return;
  OpaqueDrawScope opaque(g_D3DDevice, diffuseOpaque);
  g_D3DDevice->DrawPrimitive(type, start, count);
}

void D3D9RenderDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertices,
                                            UINT startIndex, UINT count) {
  if (g_D3DDevice) g_D3DDevice->DrawIndexedPrimitive(type, baseVertex, minIndex, vertices, startIndex, count);
}

bool D3D9RenderDevice::ClearDiffuseIsHidden() {
  return g_D3DDevice && BlendHidesClearDiffuse(ReadOpaqueDrawState(g_D3DDevice, false));
}

BackBufferSize D3D9RenderDevice::GetTargetSize() {
  D3DVIEWPORT9 viewport;
  if (!g_D3DDevice || FAILED(g_D3DDevice->GetViewport(&viewport))) return BackBufferSize{0, 0};
  return BackBufferSize{viewport.Width, viewport.Height};
}

void D3D9RenderDevice::Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  // Clearing depth without a depth surface bound fails harmlessly; the result is not needed.
  if (g_D3DDevice) g_D3DDevice->Clear(0, nullptr, flags, color, z, stencil);
}

void D3D9RenderDevice::SetScissorRect(const RECT& rect) {
  if (g_D3DDevice) g_D3DDevice->SetScissorRect(&rect);
}

void D3D9RenderDevice::DrawBars(const LetterboxProjection& projection) { projection.DrawBars(); }

// --- Effects

UINT D3D9RenderDevice::BeginEffect(ID3DXEffect* effect) {
  UINT n = 0;
  if (FAILED(effect->Begin(&n, 0))) return 0;
  return n;
}

void D3D9RenderDevice::BeginPass(ID3DXEffect* effect, UINT pass) { effect->BeginPass(pass); }
void D3D9RenderDevice::EndPass(ID3DXEffect* effect) { effect->EndPass(); }
void D3D9RenderDevice::EndEffect(ID3DXEffect* effect) { effect->End(); }

ID3DXEffect* D3D9RenderDevice::CreateEffect(const BYTE* data, INT size) {
  if (!g_D3DDevice || !data || size <= 0) return nullptr;
  // The loader follows every offset and count of a compiled effect unchecked: a damaged or truncated
  // one would crash it, so it is read through our bounded reader first and refused when it does not fit.
  fxbin::Effect checked;
  if (fxbin::HasCompiledTag(data, static_cast<size_t>(size)) &&
      !fxbin::ReadEffect(data, static_cast<size_t>(size), &checked, nullptr))
    return nullptr;
  ComRef<ID3DXEffect> effect;
  ComRef<ID3DXBuffer> errors;
  HRESULT hr = D3DXCreateEffect(g_D3DDevice, data, static_cast<UINT>(size), nullptr, nullptr, 0, nullptr,
                                effect.Out(), errors.Out());
  return SUCCEEDED(hr) ? effect.Detach() : nullptr;
}

void D3D9RenderDevice::AddRefEffect(ID3DXEffect* effect) {
  if (effect) effect->AddRef();
}

void D3D9RenderDevice::ReleaseEffect(ID3DXEffect* effect) {
  if (effect) effect->Release();
}

void D3D9RenderDevice::EffectLostDevice(ID3DXEffect* effect) {
  if (effect) effect->OnLostDevice();
}

void D3D9RenderDevice::EffectResetDevice(ID3DXEffect* effect) {
  if (effect) effect->OnResetDevice();
}

void D3D9RenderDevice::UnbindEffectTextures(ID3DXEffect* effect) {
  D3DXEFFECT_DESC desc;
  if (!g_D3DDevice || !effect || FAILED(effect->GetDesc(&desc))) return;
  for (UINT i = 0; i < desc.Parameters; ++i) {
    D3DXHANDLE parameter = effect->GetParameter(nullptr, i);
    D3DXPARAMETER_DESC p;
    if (!parameter || FAILED(effect->GetParameterDesc(parameter, &p))) continue;
    if (p.Type >= D3DXPT_TEXTURE && p.Type <= D3DXPT_TEXTURECUBE) effect->SetTexture(parameter, nullptr);
  }
  // The device state a technique saves at Begin, to put back at End, is kept with the technique until it
  // begins again, and with it the textures bound then (the picture a slide drew last): each technique
  // begins and ends once with no texture bound, so that it holds none. The slide that draws next binds
  // its own.
  for (DWORD sampler = 0; sampler < 8; ++sampler) g_D3DDevice->SetTexture(sampler, nullptr);
  const D3DXHANDLE current = effect->GetCurrentTechnique();
  for (UINT t = 0; t < desc.Techniques; ++t) {
    const D3DXHANDLE technique = effect->GetTechnique(t);
    UINT passes = 0;
    if (!technique || FAILED(effect->SetTechnique(technique)) || FAILED(effect->Begin(&passes, 0))) continue;
    effect->End();
  }
  if (current) effect->SetTechnique(current);
}

// --- Render targets

bool D3D9RenderDevice::CreateTargets(RenderTargetChain& chain, int width, int height) {
  if (!g_D3DDevice) return false;
  return chain.Create(width, height);
}

void D3D9RenderDevice::BeginTargets(RenderTargetChain& chain, IDirect3DTexture9** target) {
  if (g_D3DDevice) chain.Begin(target);
}

IDirect3DTexture9** D3D9RenderDevice::NextTarget(RenderTargetChain& chain) {
  return g_D3DDevice ? chain.Next() : nullptr;
}

void D3D9RenderDevice::EndTargets(RenderTargetChain& chain) {
  if (g_D3DDevice) chain.End();
}

// --- Documents' resources

void D3D9RenderDevice::AttachDocument(const void* document) {
  if (documents_.empty()) beforeDocuments_ = g_TextureCache;
  documents_.push_back(Attached{document, std::unique_ptr<TextureCacheHolder>(new TextureCacheHolder)});
  g_TextureCache = documents_.back().holder.get();
}

void D3D9RenderDevice::DetachDocument(const void* document) {
  for (auto it = documents_.begin(); it != documents_.end(); ++it) {
    if (it->document != document) continue;
    const bool wasCurrent = g_TextureCache == it->holder.get();
    documents_.erase(it);  // releases what the document's cache decoded
    if (wasCurrent) g_TextureCache = documents_.empty() ? beforeDocuments_ : documents_.back().holder.get();
    return;
  }
}

TextureInfo D3D9RenderDevice::GetTexture(const DocResourceRecord& record) {
  TextureInfo out;
  TextureCache::GetTexture(record, g_TextureCache, out);
  return out;
}

void D3D9RenderDevice::ReleaseTexture(const DocResourceRecord& record) {
  TextureCache::ReleaseTexture(record, g_TextureCache);
}

bool D3D9RenderDevice::GetImageSize(const DocResourceRecord& record, TextureInfo* out) {
  const DocNamedBlob& blob = record.blob;
  if (blob.name.empty() || blob.Empty()) return false;
  // The header first: the decoder's image information decodes the whole picture under some platforms.
  uint32_t width = 0, height = 0;
  if (ReadImageHeaderSize(blob.Data(), blob.Size(), &width, &height)) {
    out->Assign(nullptr, width, height);
    return true;
  }
  D3DXIMAGE_INFO info = {};
  if (FAILED(D3DXGetImageInfoFromFileInMemory(blob.Data(), static_cast<UINT>(blob.Size()), &info)) || !info.Width ||
      !info.Height)
    return false;
  out->Assign(nullptr, info.Width, info.Height);
  return true;
}

TextureInfo D3D9RenderDevice::LoadTextureFromMemory(const BYTE* data, INT size) {
  TextureInfo out;
  TextureCache::LoadFromMemory(out, data, size);
  return out;
}

void D3D9RenderDevice::LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) {
  MeshData::LoadFromMemory(data, size, stride, out);
}

void D3D9RenderDevice::GetMesh(const DocResourceRecord& record, int stride, MeshData* out) {
  TextureCache::GetMesh(record, g_TextureCache, *out, stride);
}

bool D3D9RenderDevice::SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) {
  ComRef<ID3DXBuffer> dds;
  if (FAILED(::SaveTextureAsDds(&texture, dds.Out())) || !dds) return false;
  const BYTE* p = static_cast<const BYTE*>(dds->GetBufferPointer());
  out->assign(p, p + dds->GetBufferSize());
  return true;
}

IDirect3DTexture9* D3D9RenderDevice::ConvertMask(IDirect3DTexture9* texture, UINT side) {
  IDirect3DTexture9* copy = nullptr;
  if (texture) ::ConvertTexture(static_cast<int>(side), static_cast<int>(side), &texture, &copy, D3DFMT_A8);
  return copy;
}

void InstallD3D9RenderDevice() {
  // Never destroyed: documents still alive at exit are destroyed after every static object and call it.
  static D3D9RenderDevice* device = new D3D9RenderDevice;
  SetRenderDevice(device);
}
