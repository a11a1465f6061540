#include "render/texture_cache.h"

#include <cstring>

#include "dxut/d3d_device.h"
#include "render/bump_dds.h"
#include "render/grid_indices.h"
#include "scene/module_resources.h"

TextureCacheHolder* g_TextureCache = nullptr;

namespace {

// What a picture that cannot be decoded reports, so that placement never divides by a zero size.
const UINT kFallbackWidth = 800;
const UINT kFallbackHeight = 600;

bool FindDds(HMODULE module, int id, const BYTE** data, DWORD* size) {
  const WORD resId = static_cast<WORD>(id & 0xFFFF);
  if (resId == 0) return false;  // id 0 names no resource
  return CurrentModuleResources().Find(module, resId, ModuleResourceType::kDds, data, size) && *data && *size > 0;
}

// Assigns a decode result: the texture with its image's size, or the fallback size when nothing decoded.
void AssignResult(TextureInfo& entry, IDirect3DTexture9* tex, const D3DXIMAGE_INFO& info) {
  if (tex && info.Width && info.Height)
    entry.Assign(tex, info.Width, info.Height);
  else
    entry.Assign(tex, kFallbackWidth, kFallbackHeight);
}

}  // namespace

namespace {

// A bump map of signed offsets as one managed level of its own format, its texels copied row by row.
HRESULT LoadBumpDds(const BumpDds& dds, D3DXIMAGE_INFO* info, IDirect3DTexture9** out) {
  HRESULT hr = g_D3DDevice->CreateTexture(dds.width, dds.height, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, out, nullptr);
  if (FAILED(hr)) return hr;
  D3DLOCKED_RECT r;
  hr = (*out)->LockRect(0, &r, nullptr, 0);
  if (FAILED(hr) || !r.pBits) return FAILED(hr) ? hr : E_FAIL;
  const size_t row = static_cast<size_t>(dds.width) * 2;
  for (UINT y = 0; y < dds.height; ++y)
    std::memcpy(static_cast<BYTE*>(r.pBits) + static_cast<size_t>(y) * r.Pitch, dds.texels + y * row, row);
  (*out)->UnlockRect(0);
  if (info) {
    info->Width = dds.width;
    info->Height = dds.height;
    info->Depth = 1;
    info->MipLevels = 1;
    info->Format = D3DFMT_V8U8;
    info->ResourceType = D3DRTYPE_TEXTURE;
    info->ImageFileFormat = D3DXIFF_DDS;
  }
  return S_OK;
}

}  // namespace

HRESULT LoadTextureFromMemory(D3DXIMAGE_INFO* info, int size, IDirect3DTexture9** out, const BYTE* bytes) {
  if (info) std::memset(info, 0, sizeof(*info));
  *out = nullptr;
  if (!g_D3DDevice || !bytes || size <= 0) return E_FAIL;
  HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(g_D3DDevice, bytes, static_cast<UINT>(size), D3DX_DEFAULT,
                                                   D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                   D3DX_FILTER_TRIANGLE, D3DX_FILTER_NONE, 0, info, nullptr, out);
  // Some D3DX versions know a bump map's signed format but cannot load it: such a file is read here.
  BumpDds dds;
  if (FAILED(hr) && ReadBumpDds(bytes, static_cast<size_t>(size), &dds)) {
    ComRef<IDirect3DTexture9>::Adopted(*out);  // whatever the failed decode left goes
    *out = nullptr;
    hr = LoadBumpDds(dds, info, out);
  }
  if (FAILED(hr)) {
    ComRef<IDirect3DTexture9>::Adopted(*out);
    *out = nullptr;
    if (info) std::memset(info, 0, sizeof(*info));
  }
  return hr;
}

HRESULT LoadTextureFromModule(HMODULE module, WORD id, IDirect3DTexture9** out, D3DXIMAGE_INFO* info) {
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!FindDds(module, id, &data, &size)) {
    if (info) std::memset(info, 0, sizeof(*info));
    *out = nullptr;
    return E_FAIL;
  }
  return LoadTextureFromMemory(info, static_cast<int>(size), out, data);
}

HRESULT LoadTextureResource(int id, IDirect3DTexture9** out, bool fullMips) {
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!g_D3DDevice || !FindDds(nullptr, id, &data, &size)) return E_FAIL;
  HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
      g_D3DDevice, data, size, D3DX_DEFAULT, D3DX_DEFAULT, fullMips ? D3DX_DEFAULT : 1, 0, D3DFMT_UNKNOWN,
      D3DPOOL_MANAGED, D3DX_FILTER_NONE, fullMips ? D3DX_DEFAULT : D3DX_FILTER_NONE, 0, nullptr, nullptr, out);
  if (FAILED(hr)) {
    *out = nullptr;
    return hr;
  }
  return *out ? S_OK : E_FAIL;
}

bool TextureCache::GetModule(const ds_string& name, HMODULE& out) {
  out = nullptr;
  auto it = modules.find(name);
  if (it != modules.end()) {
    out = it->second;
    return true;
  }
  if (name.empty()) return false;
  HMODULE m = CurrentModuleResources().LoadModule(name);
  if (!m) return false;  // not remembered: the next request loads again
  modules[name] = m;
  out = m;
  return true;
}

void TextureCache::GetTextureById(IDirect3DTexture9** out, TextureCacheHolder* holder, int id) {
  *out = nullptr;
  if (!holder || !holder->cache) return;
  ComRef<IDirect3DTexture9>& slot = holder->cache->exeTextures[id];
  if (!slot) LoadTextureResource(id, slot.Out(), true);
  *out = ComRef<IDirect3DTexture9>(slot).Detach();
}

void TextureCache::LoadFromMemory(TextureInfo& out, const BYTE* bytes, int size) {
  D3DXIMAGE_INFO info;
  ComRef<IDirect3DTexture9> tex;
  LoadTextureFromMemory(&info, size, tex.Out(), bytes);
  AssignResult(out, tex, info);
}

void TextureCache::LoadFromFile(const ds_string& path, TextureCacheHolder* holder, TextureInfo& out) {
  if (!holder || !holder->cache) {
    out = TextureInfo();
    return;
  }
  TextureInfo& entry = holder->cache->fileTextures[path];
  if (!entry.texture) {
    D3DXIMAGE_INFO info = {};
    ComRef<IDirect3DTexture9> tex;
    if (g_D3DDevice && !path.empty() &&
        FAILED(D3DXCreateTextureFromFileExW(g_D3DDevice, AsWide(path), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                            D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE,
                                            D3DX_FILTER_NONE, 0, &info, nullptr, tex.Out()))) {
      tex.Reset();
      info = D3DXIMAGE_INFO();
    }
    AssignResult(entry, tex, info);
  }
  out = entry;
}

void TextureCache::GetTexture(const DocResourceRecord& record, TextureCacheHolder* holder, TextureInfo& out) {
  const DocNamedBlob& blob = record.blob;
  if (!blob.name.empty()) {
    if (blob.Empty())
      LoadFromFile(blob.name, holder, out);
    else
      LoadFromMemory(out, blob.Data(), blob.Size());
    return;
  }
  if (!holder || !holder->cache) {
    out = TextureInfo();
    return;
  }
  TextureCache& cache = *holder->cache;
  HMODULE module = nullptr;
  D3DXIMAGE_INFO info;
  ComRef<IDirect3DTexture9> tex;
  if (cache.GetModule(record.module, module)) {
    TextureInfo& entry = cache.moduleTextures[std::make_pair(module, static_cast<int>(record.resourceId))];
    if (!entry.texture) {
      if (FAILED(LoadTextureFromModule(module, static_cast<WORD>(record.resourceId & 0xFFFF), tex.Out(), &info)))
        LoadTextureFromMemory(&info, blob.Size(), tex.Out(), blob.Data());
      AssignResult(entry, tex, info);
    }
    out = entry;
    return;
  }
  TextureInfo& entry = cache.namedModuleTextures[std::make_pair(record.module, static_cast<int>(record.resourceId))];
  if (!entry.texture) {
    LoadTextureFromMemory(&info, blob.Size(), tex.Out(), blob.Data());
    AssignResult(entry, tex, info);
  }
  out = entry;
}

void TextureCache::ReleaseTexture(const DocResourceRecord& record, TextureCacheHolder* holder) {
  if (!holder || !holder->cache || !record.blob.name.empty()) return;
  TextureCache& cache = *holder->cache;
  const int id = static_cast<int>(record.resourceId);
  auto module = cache.modules.find(record.module);
  if (module != cache.modules.end()) {
    auto entry = cache.moduleTextures.find(std::make_pair(module->second, id));
    if (entry != cache.moduleTextures.end()) entry->second.texture.Reset();
  }
  auto named = cache.namedModuleTextures.find(std::make_pair(record.module, id));
  if (named != cache.namedModuleTextures.end()) named->second.texture.Reset();
}

void TextureCache::GetMesh(const DocResourceRecord& record, TextureCacheHolder* holder, MeshData& out, int stride) {
  if (!holder || !holder->cache) {
    out = MeshData();
    return;
  }
  TextureCache& cache = *holder->cache;
  std::list<MeshData>& list = cache.moduleMeshes[record.resourceId];
  if (list.size() == 1) {
    out = list.front();
    return;
  }
  MeshData m;
  HMODULE module = nullptr;
  if (cache.GetModule(record.module, module)) {
    LoadMeshResource(module, static_cast<WORD>(record.resourceId & 0xFFFF), stride, &m);
    // Only a mesh that decoded is kept, so that a failure is retried rather than cached as an empty mesh.
    if (!m.Empty()) list.push_back(m);
  } else if (record.blob.Empty()) {
    MeshData::LoadFromFile(record.blob.name, stride, &m);
  } else {
    MeshData::LoadFromMemory(record.blob.Data(), record.blob.Size(), stride, &m);
  }
  out = m;
}

void LoadMeshResource(HMODULE module, WORD id, int stride, MeshData* out) {
  const BYTE* data = nullptr;
  DWORD size = 0;
  if (!FindDds(module, id, &data, &size)) {
    out->Clear();
    return;
  }
  MeshData::LoadFromMemory(data, static_cast<INT>(size), stride, out);
}

namespace {

const DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112, 32 bytes
const int kMeshStride = 32;

// Copies a loaded X mesh into out's own buffers.
bool CopyMesh(ID3DXMesh* mesh, ID3DXBuffer* adjacency, int stride, MeshData* out) {
  IDirect3DDevice9* dev = g_D3DDevice;
  ComRef<ID3DXMesh> work;
  ComRef<IDirect3DIndexBuffer9> ib;
  ComRef<IDirect3DVertexBuffer9> vb;
  bool ok = false;
  do {
    if (!mesh || stride != kMeshStride || D3DXGetFVFVertexSize(kMeshFvf) != static_cast<UINT>(kMeshStride)) break;
    if (FAILED(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kMeshFvf, dev, work.Out())) || !work) break;
    if (FAILED(D3DXComputeNormals(work, nullptr))) break;
    // Optimising only reorders; a mesh that cannot be optimised is used as it is.
    work->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                          adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr,
                          nullptr, nullptr, nullptr);
    const DWORD vertices = work->GetNumVertices();
    const DWORD faces = work->GetNumFaces();
    // 16-bit indices only: anything else would be copied as garbage.
    if (vertices == 0 || faces == 0 || vertices > 65535 || (work->GetOptions() & D3DXMESH_32BIT)) break;

    const UINT indexBytes = faces * 6;
    const UINT vertexBytes = vertices * kMeshStride;
    void* src = nullptr;
    void* dst = nullptr;
    if (FAILED(dev->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib.Out(),
                                      nullptr)))
      break;
    if (FAILED(ib->Lock(0, 0, &dst, 0))) break;
    if (FAILED(work->LockIndexBuffer(D3DLOCK_READONLY, &src))) {
      ib->Unlock();
      break;
    }
    std::memcpy(dst, src, indexBytes);
    work->UnlockIndexBuffer();
    ib->Unlock();

    if (FAILED(dev->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, vb.Out(), nullptr))) break;
    if (FAILED(vb->Lock(0, 0, &dst, 0))) break;
    if (FAILED(work->LockVertexBuffer(D3DLOCK_READONLY, &src))) {
      vb->Unlock();
      break;
    }
    std::memcpy(dst, src, vertexBytes);
    vb->Unlock();
    D3DXVECTOR3 centre(0, 0, 0);
    float radius = 0;
    HRESULT hr = D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(src), vertices,
                                           D3DXGetFVFVertexSize(kMeshFvf), &centre, &radius);
    work->UnlockVertexBuffer();
    if (FAILED(hr)) break;

    out->Clear();
    out->vertexBuffer = std::move(vb);
    out->indexBuffer = std::move(ib);
    out->vertexCount = static_cast<INT>(vertices);
    out->faceCount = static_cast<INT>(faces);
    out->radius = radius;
    out->centre[0] = centre.x;
    out->centre[1] = centre.y;
    out->centre[2] = centre.z;
    ok = true;
  } while (false);
  if (!ok) out->Clear();
  return ok;
}

}  // namespace

namespace {

// Runs one D3DX X loader with the device and copies its mesh; the X data's materials and effect
// instances are not used (a 3D item's texture comes from its own link).
template <class Loader>
bool LoadXMesh(bool haveData, Loader load, int stride, MeshData* out) {
  ComRef<ID3DXMesh> mesh;
  ComRef<ID3DXBuffer> adjacency, materials, effects;
  DWORD materialCount = 0;
  if (!g_D3DDevice || !haveData ||
      FAILED(load(adjacency.Out(), materials.Out(), effects.Out(), &materialCount, mesh.Out())))
    mesh.Reset();
  return CopyMesh(mesh, adjacency, stride, out);
}

}  // namespace

bool MeshData::LoadFromMemory(const BYTE* bytes, INT size, int stride, MeshData* out) {
  return LoadXMesh(bytes && size > 0,
                   [&](ID3DXBuffer** adj, ID3DXBuffer** mat, ID3DXBuffer** fx, DWORD* n, ID3DXMesh** mesh) {
                     return D3DXLoadMeshFromXInMemory(bytes, static_cast<DWORD>(size), D3DXMESH_SYSTEMMEM,
                                                      g_D3DDevice, adj, mat, fx, n, mesh);
                   },
                   stride, out);
}

bool MeshData::LoadFromFile(const ds_string& path, int stride, MeshData* out) {
  return LoadXMesh(!path.empty(),
                   [&](ID3DXBuffer** adj, ID3DXBuffer** mat, ID3DXBuffer** fx, DWORD* n, ID3DXMesh** mesh) {
                     return D3DXLoadMeshFromXW(AsWide(path), D3DXMESH_SYSTEMMEM, g_D3DDevice, adj, mat, fx, n, mesh);
                   },
                   stride, out);
}

void ConvertTexture(int width, int height, IDirect3DTexture9** source, IDirect3DTexture9** out, D3DFORMAT format) {
  if (*out != *source) ComRef<IDirect3DTexture9>::Adopted(*out);  // the caller's reference on it goes
  *out = nullptr;
  if (!*source || !g_D3DDevice || width <= 0 || height <= 0) return;
  ComRef<IDirect3DTexture9> tex;
  if (FAILED(D3DXCreateTexture(g_D3DDevice, width, height, 0, 0, format, D3DPOOL_MANAGED, tex.Out())) || !tex) return;
  ComRef<IDirect3DSurface9> from, to;
  if (SUCCEEDED((*source)->GetSurfaceLevel(0, from.Out())) && SUCCEEDED(tex->GetSurfaceLevel(0, to.Out())))
    D3DXLoadSurfaceFromSurface(to, nullptr, nullptr, from, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0);
  *out = tex.Detach();
}

HRESULT CreateDefaultPoolTexture(IDirect3DTexture9** tex, int width, int height, DWORD usage) {
  ComRef<IDirect3DTexture9>::Adopted(*tex);  // the caller's reference on the one it held goes
  *tex = nullptr;
  if (!g_D3DDevice) return E_FAIL;
  HRESULT hr = g_D3DDevice->CreateTexture(width, height, 1, usage, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, tex, nullptr);
  if (FAILED(hr)) *tex = nullptr;
  return hr;
}

HRESULT SaveTextureAsDds(IDirect3DTexture9** tex, ID3DXBuffer** out) {
  *out = nullptr;
  if (!*tex) return E_FAIL;
  HRESULT hr = D3DXSaveTextureToFileInMemory(out, D3DXIFF_DDS, *tex, nullptr);
  if (FAILED(hr)) *out = nullptr;
  return hr;
}

// The buffer is larger than its 384 indices, as the fire effect's grid has always had it.
const UINT kGridBufferBytes = 2048;

bool GridIndexBuffer::Create() {
  buffer.Reset();
  triangleCount = 0;
  static_assert(kGridIndexCount * sizeof(WORD) <= kGridBufferBytes, "the grid's indices fit its buffer");
  if (!g_D3DDevice || FAILED(g_D3DDevice->CreateIndexBuffer(kGridBufferBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                                            D3DPOOL_MANAGED, buffer.Out(), nullptr))) {
    buffer.Reset();
    return false;
  }
  if (!Lock()) {
    buffer.Reset();
    return false;
  }
  FillGridIndices(locked);
  buffer->Unlock();
  locked = nullptr;
  triangleCount = kGridTriangles;
  return true;
}

GridIndexBuffer* GridIndexBuffer::Lock() {
  locked = nullptr;
  void* p = nullptr;
  if (buffer && SUCCEEDED(buffer->Lock(0, 0, &p, 0))) locked = static_cast<WORD*>(p);
  return locked ? this : nullptr;
}
