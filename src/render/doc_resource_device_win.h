// The document resource manager's device side on the real device: pictures through the texture cache,
// meshes and effects through D3DX. Each document gets a texture cache of its own, current while it is
// the newest document.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "render/texture_cache.h"
#include "scene/doc_resource_device.h"

class CacheDocResourceDevice : public DocResourceDevice {
 public:
  CacheDocResourceDevice() = default;
  ~CacheDocResourceDevice() override;

  void AttachDocument(const void* document) override;
  void DetachDocument(const void* document) override;

  TextureInfo GetTexture(const DocResourceRecord& record) override;
  // Pictures the document carries by name with their bytes (decoded from those bytes): the size from the
  // file header. Module and file pictures go through the cache and are not told.
  bool GetImageSize(const DocResourceRecord& record, TextureInfo* out) override;
  TextureInfo LoadTextureFromMemory(const BYTE* data, INT size) override;
  void LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) override;
  void GetMesh(const DocResourceRecord& record, int stride, MeshData* out) override;
  ID3DXEffect* CreateEffect(const BYTE* data, INT size) override;
  void AddRefEffect(ID3DXEffect* effect) override;
  void ReleaseEffect(ID3DXEffect* effect) override;
  void EffectLostDevice(ID3DXEffect* effect) override;
  void EffectResetDevice(ID3DXEffect* effect) override;
  bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) override;
  IDirect3DTexture9* ConvertMask(IDirect3DTexture9* texture, UINT side) override;

 private:
  struct Attached {
    const void* document;
    std::unique_ptr<TextureCacheHolder> holder;
  };
  std::vector<Attached> documents_;           // oldest first
  TextureCacheHolder* beforeDocuments_ = nullptr;  // the cache that was current before the first document
};

// Installs one process-wide instance as the current document resource device; call once the device exists.
void InstallCacheDocResourceDevice();
