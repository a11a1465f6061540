// Decoding pictures and meshes, and the cache that keeps what was decoded by where it came from: the
// program's own "DDS" resources, resource modules, document bytes and files. Also the small texture
// operations used across the render core. Windows only: every decode goes through D3DX on g_D3DDevice.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <utility>

#include "platform/types.h"
#include "scene/stream.h"
#include "scene/texture_types.h"

// Every lookup is find-or-insert of an empty value; an entry whose texture is null is decoded again at
// the next request for its key. Entries are never removed (ReleaseTexture empties one); modules are never
// freed.
class TextureCacheHolder;

class TextureCache {
 public:
  TextureCache() = default;
  TextureCache(const TextureCache&) = delete;
  TextureCache& operator=(const TextureCache&) = delete;

  std::map<int, ComRef<IDirect3DTexture9>> exeTextures;  // the program's own "DDS" resources
  std::map<ds_string, TextureInfo> fileTextures;
  std::map<std::pair<HMODULE, int>, TextureInfo> moduleTextures;
  std::map<std::pair<ds_string, int>, TextureInfo> namedModuleTextures;  // modules that do not load
  std::map<int, std::list<MeshData>> moduleMeshes;                        // by resource id alone
  std::map<ds_string, HMODULE> modules;

  // The program's own "DDS" picture of id with a full mip chain; *out gets a reference, null when the
  // resource is missing or cannot be decoded.
  static void GetTextureById(IDirect3DTexture9** out, TextureCacheHolder* holder, int id);
  // The picture of one document record: a named record from its file (cached) or, when it carries bytes,
  // from them (decoded anew each time); a nameless one from its module's resource (cached by module and
  // id), falling back to its own bytes. A picture that cannot be decoded gives a null texture of 800 x 600.
  static void GetTexture(const DocResourceRecord& record, TextureCacheHolder* holder, TextureInfo& out);
  static void LoadFromFile(const ds_string& path, TextureCacheHolder* holder, TextureInfo& out);
  // The cached picture of a nameless (module) record lets go of its texture, keeping its entry, so that
  // the texture is freed once its other holders let go and the next request decodes it again.
  static void ReleaseTexture(const DocResourceRecord& record, TextureCacheHolder* holder);
  // Not cached.
  static void LoadFromMemory(TextureInfo& out, const BYTE* bytes, int size);
  // The mesh of one record: a module's mesh is cached by resource id (whatever the module); otherwise the
  // record's bytes, or the file its name names, uncached.
  static void GetMesh(const DocResourceRecord& record, TextureCacheHolder* holder, MeshData& out, int stride);
  // A loaded module by file name; a failed load is not remembered, so the next request tries again.
  bool GetModule(const ds_string& name, HMODULE& out);
};

class TextureCacheHolder {
 public:
  TextureCacheHolder() : cache(new TextureCache) {}
  std::unique_ptr<TextureCache> cache;
};

// The current cache; set by the device bring-up and replaced by every document resource manager.
extern TextureCacheHolder* g_TextureCache;

// Decoders. The image description is filled when given (zeroed first, so it never holds stale values).
HRESULT LoadTextureResource(int id, IDirect3DTexture9** out, bool fullMips);
HRESULT LoadTextureFromModule(HMODULE module, WORD id, IDirect3DTexture9** out, D3DXIMAGE_INFO* info);
HRESULT LoadTextureFromMemory(D3DXIMAGE_INFO* info, int size, IDirect3DTexture9** out, const BYTE* bytes);
void LoadMeshResource(HMODULE module, WORD id, int stride, MeshData* out);

// A managed copy of *source's level 0 at width x height in format, with a full (unfilled) mip chain
// below it. *out is released first unless it is the source itself, and stays null on failure.
void ConvertTexture(int width, int height, IDirect3DTexture9** source, IDirect3DTexture9** out, D3DFORMAT format);
// Releases *tex, then creates a one-level A8R8G8B8 default-pool texture (null on failure).
HRESULT CreateDefaultPoolTexture(IDirect3DTexture9** tex, int width, int height, DWORD usage);
// *out = the texture as DDS file bytes, or null.
HRESULT SaveTextureAsDds(IDirect3DTexture9** tex, ID3DXBuffer** out);

// The index buffer of the fire effect's 8 x 8-cell grid.
struct GridIndexBuffer {
  ComRef<IDirect3DIndexBuffer9> buffer;
  int triangleCount = 0;
  WORD* locked = nullptr;

  GridIndexBuffer() = default;
  GridIndexBuffer(const GridIndexBuffer&) = delete;
  GridIndexBuffer& operator=(const GridIndexBuffer&) = delete;

  // False (no buffer, count 0) when the buffer cannot be made.
  bool Create();
  // Locks the whole buffer; locked stays null on failure.
  GridIndexBuffer* Lock();
};
