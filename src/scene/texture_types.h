// The values pictures and meshes are handed around as: a texture with the size of its source image, the
// frames of an image link, and a mesh in the program's own buffers. Each holds one reference on every
// device object it names (in ComRef holders); copies add references. Portable: natively the objects are test fakes.
#pragma once

#include <utility>
#include <vector>

#include "platform/com_ref.h"
#include "platform/d3d9_types.h"
#include "platform/types.h"

// Releases *p when it is set and nulls it (for pointers not yet held by a ComRef).
template <class T>
inline void SafeRelease(T** p) {
  if (p && *p) {
    (*p)->Release();
    *p = nullptr;
  }
}

// A texture with the size of its source image (not of the texture, which D3DX may have resized).
struct TextureInfo {
  ComRef<IDirect3DTexture9> texture;  // empty when nothing could be decoded
  UINT width = 0;
  UINT height = 0;
  float aspect = 1.0f;  // height / width

  // Holds tex (a reference added; the one held before released, also when it is the same texture)
  // with the source image's size. A side of 0 gives aspect 1, never a division by zero.
  void Assign(IDirect3DTexture9* tex, UINT imageWidth, UINT imageHeight) {
    texture.Share(tex);
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
  std::vector<ComRef<IDirect3DTexture9>> frames;
  std::vector<float> durations;
  INT width = 0;
  INT height = 0;
  float aspect = 1.0f;

  // Releases every frame and empties the list.
  void ClearFrames() { frames.clear(); }
  // The first frame, lent (no reference); null for a set without frames.
  IDirect3DTexture9* First() const { return frames.empty() ? nullptr : frames.front().Get(); }
  // Appends info's texture (a reference added, null kept as a frame) and takes its size.
  void AddFrame(const TextureInfo& info) {
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
  out.Assign(set.First(), static_cast<UINT>(set.width), static_cast<UINT>(set.height));
  out.aspect = set.aspect;
}

// A mesh copied into the program's own managed buffers: vertices of 32 bytes (position, normal, one
// texture coordinate pair), 16-bit indices, 3 per face, and its bounding sphere. Empty (no buffers,
// counts 0, radius 0) when nothing could be decoded; an empty mesh draws nothing.
struct MeshData {
  ComRef<IDirect3DVertexBuffer9> vertexBuffer;
  ComRef<IDirect3DIndexBuffer9> indexBuffer;
  INT vertexCount = 0;
  INT faceCount = 0;
  float radius = 0.0f;
  float centre[3] = {0.0f, 0.0f, 0.0f};

  // Decode X mesh data (bytes, or a file) into *out: cloned to position, normal and one texture
  // coordinate pair, normals computed, optimised, copied into write-only managed buffers with the bounding
  // sphere. Any failure, a stride other than 32, a mesh without faces or one that needs 32-bit indices
  // leaves *out empty and returns false. Windows only (D3DX); defined with the texture cache.
  static bool LoadFromMemory(const BYTE* bytes, INT size, int stride, MeshData* out);
  static bool LoadFromFile(const ds_string& path, int stride, MeshData* out);

  bool Empty() const { return !vertexBuffer || !indexBuffer || vertexCount <= 0 || faceCount <= 0; }
  // Releases both buffers and zeroes every field.
  void Clear() { *this = MeshData(); }
  void Swap(MeshData& o) { std::swap(*this, o); }
};
