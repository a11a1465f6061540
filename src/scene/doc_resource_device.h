// What the document resource manager asks of the device side: decoding pictures, meshes and effects from
// bytes, and the few effect and texture calls it makes. The render core implements it on top of its
// texture cache and D3DX and installs it once the device exists; until then (and natively) the current
// implementation decodes nothing, so a document still loads, with empty textures, meshes and effects.
// Tests install a recording fake.
//
// The value types a link yields (TextureInfo, TextureSet, MeshData) live here too: the manager keeps them
// in its maps and returns them by reference.
#pragma once

#include <vector>

#include "platform/d3d9_types.h"
#include "platform/types.h"
#include "scene/stream.h"

#ifndef _WIN32
struct ID3DXEffect;  // only passed through the device interface natively
#endif

// A texture with the size of its source image; holds one reference.
struct TextureInfo {
  IDirect3DTexture9* texture = nullptr;
  UINT width = 0;
  UINT height = 0;
  float aspect = 1.0f;  // height / width

  TextureInfo() = default;
  TextureInfo(const TextureInfo& o) : texture(o.texture), width(o.width), height(o.height), aspect(o.aspect) {
    if (texture) texture->AddRef();
  }
  TextureInfo& operator=(const TextureInfo& o) {
    if (o.texture) o.texture->AddRef();
    if (texture) texture->Release();
    texture = o.texture;
    width = o.width;
    height = o.height;
    aspect = o.aspect;
    return *this;
  }
  ~TextureInfo() {
    if (texture) texture->Release();
  }
};

// What an image link yields: the frames (one reference held on each; a null frame is a picture that could
// not be decoded), seconds per frame (empty for a still image), the size of the last frame loaded.
struct TextureSet {
  std::vector<IDirect3DTexture9*> frames;
  std::vector<float> durations;
  INT width = 0;
  INT height = 0;
  float aspect = 1.0f;

  TextureSet() = default;
  TextureSet(const TextureSet& o) : frames(o.frames), durations(o.durations), width(o.width), height(o.height),
                                    aspect(o.aspect) {
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
  ~TextureSet() { ClearFrames(); }

  // Releases every frame and empties the list.
  void ClearFrames() {
    for (IDirect3DTexture9* t : frames)
      if (t) t->Release();
    frames.clear();
  }
  // Appends info's texture (a reference added) and takes its size.
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
  // The number of frames an animation may step through: durations and frames come from stored data with
  // counts of their own, so only the frames that have both count. 0 or 1: a still image.
  size_t AnimationFrameCount() const { return durations.size() < frames.size() ? durations.size() : frames.size(); }
};

// A mesh in the program's own buffers (vertices of 32 bytes, 16-bit indices). Empty (vertex count 0, no
// buffers) when nothing could be decoded; an empty mesh draws nothing.
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
  ~MeshData() {
    if (vertexBuffer) vertexBuffer->Release();
    if (indexBuffer) indexBuffer->Release();
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

class DocResourceDevice {
 public:
  virtual ~DocResourceDevice() {}

  // A document resource manager was built / is being destroyed: the texture cache holder of the document
  // (published as the current cache while it is the newest; unpublished when its document goes).
  virtual void AttachDocument(const void* document) {}
  virtual void DetachDocument(const void* document) {}

  // The picture of one document record (its module's resource, else its own bytes), cached by the
  // texture cache; a null texture when it cannot be decoded.
  virtual TextureInfo GetTexture(const DocResourceRecord& record) = 0;
  // A picture from image file bytes (mask pictures), not cached.
  virtual TextureInfo LoadTextureFromMemory(const BYTE* data, INT size) = 0;
  // X mesh data into *out with the given vertex stride; *out stays empty when it cannot be decoded.
  virtual void LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) = 0;
  // An effect from source or compiled bytes, one reference for the caller; null on failure.
  virtual ID3DXEffect* CreateEffect(const BYTE* data, INT size) = 0;
  virtual void AddRefEffect(ID3DXEffect* effect) = 0;
  virtual void ReleaseEffect(ID3DXEffect* effect) = 0;
  virtual void EffectLostDevice(ID3DXEffect* effect) = 0;
  virtual void EffectResetDevice(ID3DXEffect* effect) = 0;
  // The texture as DDS file bytes; false (out untouched) when it cannot be encoded.
  virtual bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) = 0;
};

// The current implementation; never null.
DocResourceDevice& CurrentDocResourceDevice();
// Installs an implementation (null: back to the one that decodes nothing). The caller keeps ownership.
void SetDocResourceDevice(DocResourceDevice* device);
