// The values pictures and meshes are handed around as: a texture with the size of its source image, the
// frames of an image link, and a mesh in the program's own buffers. Each holds one reference on every
// device object it names; copies add references. Portable: natively the objects are test fakes.
#pragma once

#include <utility>
#include <vector>

#include "platform/d3d9_types.h"
#include "platform/types.h"

// Releases *p when it is set and nulls it.
template <class T>
inline void SafeRelease(T** p) {
  if (p && *p) {
    (*p)->Release();
    *p = nullptr;
  }
}

// A texture with the size of its source image (not of the texture, which D3DX may have resized).
struct TextureInfo {
  IDirect3DTexture9* texture = nullptr;  // null when nothing could be decoded
  UINT width = 0;
  UINT height = 0;
  float aspect = 1.0f;  // height / width

  TextureInfo() = default;
  TextureInfo(const TextureInfo& o) : texture(o.texture), width(o.width), height(o.height), aspect(o.aspect) {
    if (texture) texture->AddRef();
  }
  TextureInfo& operator=(const TextureInfo& o) {
    Assign(o.texture, o.width, o.height);
    aspect = o.aspect;
    return *this;
  }
  ~TextureInfo() { SafeRelease(&texture); }

  // Holds tex (a reference added; the one held before released, also when it is the same texture)
  // with the source image's size. A side of 0 gives aspect 1, never a division by zero.
  void Assign(IDirect3DTexture9* tex, UINT imageWidth, UINT imageHeight) {
    if (tex) tex->AddRef();
    if (texture) texture->Release();
    texture = tex;
    width = imageWidth;
    height = imageHeight;
    aspect = (imageWidth && imageHeight) ? static_cast<float>(imageHeight) / static_cast<float>(imageWidth) : 1.0f;
  }

  // The first frame of set (a reference added) with the set's size; a set without frames gives a null
  // texture with the set's size.
  static void FromTextureSet(const struct TextureSet& set, TextureInfo& out);
};

// What an image link yields: the frames in order (one reference held on each; a null frame is a picture
// that could not be decoded), seconds per frame (empty for a still image), the size of the last frame.
struct TextureSet {
  std::vector<IDirect3DTexture9*> frames;
  std::vector<float> durations;
  INT width = 0;
  INT height = 0;
  float aspect = 1.0f;

  TextureSet() = default;
  TextureSet(const TextureSet& o)
      : frames(o.frames), durations(o.durations), width(o.width), height(o.height), aspect(o.aspect) {
    for (IDirect3DTexture9* t : frames)
      if (t) t->AddRef();
  }
  TextureSet& operator=(const TextureSet& o) {
    if (this != &o) {
      TextureSet copy(o);
      std::swap(frames, copy.frames);
      durations = o.durations;
      width = o.width;
      height = o.height;
      aspect = o.aspect;
    }
    return *this;
  }
  ~TextureSet() {
    std::vector<float>().swap(durations);
    ClearFrames();
  }

  // Releases every frame and empties the list.
  void ClearFrames() {
    for (IDirect3DTexture9* t : frames)
      if (t) t->Release();
    frames.clear();
  }
  // Appends info's texture (a reference added, null kept as a frame) and takes its size.
  void AddFrame(const TextureInfo& info) {
    if (info.texture) info.texture->AddRef();
    frames.push_back(info.texture);
    TakeSize(info);
  }
  void TakeSize(const TextureInfo& info) {
    width = static_cast<INT>(info.width);
    height = static_cast<INT>(info.height);
    aspect = info.aspect;
  }
  // The frames an animation may step through: frames and durations come from stored data with counts of
  // their own, so only frames that have both count. 0 or 1: a still image.
  size_t AnimationFrameCount() const { return durations.size() < frames.size() ? durations.size() : frames.size(); }
};

inline void TextureInfo::FromTextureSet(const TextureSet& set, TextureInfo& out) {
  out.Assign(set.frames.empty() ? nullptr : set.frames.front(), static_cast<UINT>(set.width),
             static_cast<UINT>(set.height));
  out.aspect = set.aspect;
}

// A mesh copied into the program's own managed buffers: vertices of 32 bytes (position, normal, one
// texture coordinate pair), 16-bit indices, 3 per face, and its bounding sphere. Empty (no buffers,
// counts 0, radius 0) when nothing could be decoded; an empty mesh draws nothing.
struct MeshData {
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  INT vertexCount = 0;
  INT faceCount = 0;
  float radius = 0.0f;
  float centre[3] = {0.0f, 0.0f, 0.0f};

  MeshData() = default;
  MeshData(const MeshData& o) { CopyFrom(o); }
  MeshData& operator=(const MeshData& o) {
    if (this != &o) {
      MeshData copy(o);
      Swap(copy);
    }
    return *this;
  }
  ~MeshData() { Clear(); }

  // Decode X mesh data (bytes, or a file) into *out: cloned to position, normal and one texture
  // coordinate pair, normals computed, optimised, copied into write-only managed buffers with the bounding
  // sphere. Any failure, a stride other than 32, a mesh without faces or one that needs 32-bit indices
  // leaves *out empty and returns false. Windows only (D3DX); defined with the texture cache.
  static bool LoadFromMemory(const BYTE* bytes, INT size, int stride, MeshData* out);
  static bool LoadFromFile(const ds_string& path, int stride, MeshData* out);

  bool Empty() const { return !vertexBuffer || !indexBuffer || vertexCount <= 0 || faceCount <= 0; }
  // Releases both buffers and zeroes every field.
  void Clear() {
    SafeRelease(&vertexBuffer);
    SafeRelease(&indexBuffer);
    vertexCount = faceCount = 0;
    radius = 0.0f;
    centre[0] = centre[1] = centre[2] = 0.0f;
  }
  void Swap(MeshData& o) {
    std::swap(vertexBuffer, o.vertexBuffer);
    std::swap(indexBuffer, o.indexBuffer);
    std::swap(vertexCount, o.vertexCount);
    std::swap(faceCount, o.faceCount);
    std::swap(radius, o.radius);
    for (int i = 0; i < 3; ++i) std::swap(centre[i], o.centre[i]);
  }

 private:
  void CopyFrom(const MeshData& o) {
    vertexBuffer = o.vertexBuffer;
    indexBuffer = o.indexBuffer;
    if (vertexBuffer) vertexBuffer->AddRef();
    if (indexBuffer) indexBuffer->AddRef();
    vertexCount = o.vertexCount;
    faceCount = o.faceCount;
    radius = o.radius;
    for (int i = 0; i < 3; ++i) centre[i] = o.centre[i];
  }
};
