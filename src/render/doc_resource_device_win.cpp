#include "render/doc_resource_device_win.h"

#include <cstring>

#include <d3dx9.h>

#include "dxut/d3d_device.h"
#include "platform/effect_binary.h"

CacheDocResourceDevice::~CacheDocResourceDevice() {
  if (&CurrentDocResourceDevice() == this) SetDocResourceDevice(nullptr);
  if (!documents_.empty()) g_TextureCache = beforeDocuments_;
}

void CacheDocResourceDevice::AttachDocument(const void* document) {
  if (documents_.empty()) beforeDocuments_ = g_TextureCache;
  documents_.push_back(Attached{document, std::unique_ptr<TextureCacheHolder>(new TextureCacheHolder)});
  g_TextureCache = documents_.back().holder.get();
}

void CacheDocResourceDevice::DetachDocument(const void* document) {
  for (auto it = documents_.begin(); it != documents_.end(); ++it) {
    if (it->document != document) continue;
    const bool wasCurrent = g_TextureCache == it->holder.get();
    documents_.erase(it);  // releases what the document's cache decoded
    if (wasCurrent) g_TextureCache = documents_.empty() ? beforeDocuments_ : documents_.back().holder.get();
    return;
  }
}

TextureInfo CacheDocResourceDevice::GetTexture(const DocResourceRecord& record) {
  TextureInfo out;
  TextureCache::GetTexture(record, g_TextureCache, out);
  return out;
}

bool CacheDocResourceDevice::GetImageSize(const DocResourceRecord& record, TextureInfo* out) {
  const DocNamedBlob& blob = record.blob;
  if (blob.name.empty() || blob.Empty()) return false;
  D3DXIMAGE_INFO info = {};
  if (FAILED(D3DXGetImageInfoFromFileInMemory(blob.Data(), static_cast<UINT>(blob.Size()), &info)) || !info.Width ||
      !info.Height)
    return false;
  out->Assign(nullptr, info.Width, info.Height);
  return true;
}

TextureInfo CacheDocResourceDevice::LoadTextureFromMemory(const BYTE* data, INT size) {
  TextureInfo out;
  TextureCache::LoadFromMemory(out, data, size);
  return out;
}

void CacheDocResourceDevice::LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) {
  MeshData::LoadFromMemory(data, size, stride, out);
}

void CacheDocResourceDevice::GetMesh(const DocResourceRecord& record, int stride, MeshData* out) {
  TextureCache::GetMesh(record, g_TextureCache, *out, stride);
}

ID3DXEffect* CacheDocResourceDevice::CreateEffect(const BYTE* data, INT size) {
  if (!g_D3DDevice || !data || size <= 0) return nullptr;
  // The loader follows every offset and count of a compiled effect unchecked: a damaged or truncated
  // one would crash it, so it is read through our bounded reader first and refused when it does not fit.
  fxbin::Effect checked;
  if (fxbin::HasCompiledTag(data, static_cast<size_t>(size)) &&
      !fxbin::ReadEffect(data, static_cast<size_t>(size), &checked, nullptr))
    return nullptr;
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  HRESULT hr = D3DXCreateEffect(g_D3DDevice, data, static_cast<UINT>(size), nullptr, nullptr, 0, nullptr, &effect,
                                &errors);
  SafeRelease(&errors);
  if (FAILED(hr)) SafeRelease(&effect);
  return effect;
}

void CacheDocResourceDevice::AddRefEffect(ID3DXEffect* effect) {
  if (effect) effect->AddRef();
}

void CacheDocResourceDevice::ReleaseEffect(ID3DXEffect* effect) {
  if (effect) effect->Release();
}

void CacheDocResourceDevice::EffectLostDevice(ID3DXEffect* effect) {
  if (effect) effect->OnLostDevice();
}

void CacheDocResourceDevice::EffectResetDevice(ID3DXEffect* effect) {
  if (effect) effect->OnResetDevice();
}

bool CacheDocResourceDevice::SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) {
  ID3DXBuffer* dds = nullptr;
  if (FAILED(::SaveTextureAsDds(&texture, &dds)) || !dds) return false;
  const BYTE* p = static_cast<const BYTE*>(dds->GetBufferPointer());
  out->assign(p, p + dds->GetBufferSize());
  dds->Release();
  return true;
}

void InstallCacheDocResourceDevice() {
  // Never destroyed: documents still alive at exit are destroyed after every static object and call it.
  static CacheDocResourceDevice* device = new CacheDocResourceDevice;
  SetDocResourceDevice(device);
}

IDirect3DTexture9* CacheDocResourceDevice::ConvertMask(IDirect3DTexture9* texture, UINT side) {
  IDirect3DTexture9* copy = nullptr;
  if (texture) ConvertTexture(static_cast<int>(side), static_cast<int>(side), &texture, &copy, D3DFMT_A8);
  return copy;
}
