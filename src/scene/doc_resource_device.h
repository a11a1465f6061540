// What the document resource manager asks of the device side: decoding pictures, meshes and effects from
// bytes, and the few effect and texture calls it makes. The render core implements it on top of its
// texture cache and D3DX and installs it once the device exists; until then (and natively) the current
// implementation decodes nothing, so a document still loads, with empty textures, meshes and effects.
// Tests install a recording fake.
#pragma once

#include <vector>

#include "platform/d3d9_types.h"
#include "platform/types.h"
#include "scene/stream.h"
#include "scene/texture_types.h"

#ifndef _WIN32
struct ID3DXEffect;  // only passed through the device interface natively
#endif

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
  // The size the picture of one record decodes to (width, height and aspect, no texture), told from its
  // file header without decoding it. False when that cannot be told cheaply: the picture is then decoded
  // when the document is read. By default never.
  virtual bool GetImageSize(const DocResourceRecord& record, TextureInfo* out) { return false; }
  // A picture from image file bytes (mask pictures), not cached. data may be null with size 0: a null
  // texture.
  virtual TextureInfo LoadTextureFromMemory(const BYTE* data, INT size) = 0;
  // X mesh data into *out with the given vertex stride; *out stays empty when it cannot be decoded.
  virtual void LoadMesh(const BYTE* data, INT size, int stride, MeshData* out) = 0;
  // The mesh of one record (its module's resource, cached by resource id, else its own bytes); *out stays
  // empty when it cannot be decoded. By default the record's bytes through LoadMesh.
  virtual void GetMesh(const DocResourceRecord& record, int stride, MeshData* out) {
    LoadMesh(record.blob.Data(), record.blob.Size(), stride, out);
  }
  // An effect from source or compiled bytes, one reference for the caller; null on failure.
  virtual ID3DXEffect* CreateEffect(const BYTE* data, INT size) = 0;
  virtual void AddRefEffect(ID3DXEffect* effect) = 0;
  virtual void ReleaseEffect(ID3DXEffect* effect) = 0;
  virtual void EffectLostDevice(ID3DXEffect* effect) = 0;
  virtual void EffectResetDevice(ID3DXEffect* effect) = 0;
  // The texture as DDS file bytes; false (out untouched) when it cannot be encoded.
  virtual bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) = 0;
  // A mask picture as documents keep it: a managed side x side A8 copy of the texture's level 0, one
  // reference for the caller; null when there is no texture or it cannot be converted.
  virtual IDirect3DTexture9* ConvertMask(IDirect3DTexture9* texture, UINT side) { return nullptr; }
};

// The current implementation; never null.
DocResourceDevice& CurrentDocResourceDevice();
// Installs an implementation (null: back to the one that decodes nothing). The caller keeps ownership.
void SetDocResourceDevice(DocResourceDevice* device);
