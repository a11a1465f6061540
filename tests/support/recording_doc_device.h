// A recording stand-in for the device side of the document resource manager, installed for its
// lifetime. Pictures, meshes and effects are "decoded" from simple test bytes:
// - a picture's bytes are its text; the first two bytes are its width and height; a record without bytes
//   but with a resource id is a module picture of 8 x 8 named "module:id"; anything else fails (null);
// - a mesh has one vertex per byte; bytes starting with '!' fail;
// - an effect is its text; bytes starting with '!' fail to compile.
// Textures and effects count their references, so that tests can check that nothing leaks or is
// released too often. Every call is logged.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/doc_resource_device.h"

class RecordingDocDevice : public DocResourceDevice {
 public:
  // The objects handed out. Only their reference counting is called by the manager, so a texture is an
  // IUnknown that the manager holds as a texture pointer.
  struct Texture : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    int refs = 1;
    std::string source;
    virtual ~Texture() {}
  };
  struct Effect {
    int refs = 1;
    std::string source;
  };

  RecordingDocDevice();
  ~RecordingDocDevice() override;

  static std::string Text(const IDirect3DTexture9* t);
  static std::string Text(const ID3DXEffect* e);
  static int Refs(const IDirect3DTexture9* t);
  static int Refs(const ID3DXEffect* e);
  // Handed-out objects whose count is not 0 / below 0.
  int LiveTextures() const;
  int LiveEffects() const;
  bool AnyOverReleased() const;

  void AttachDocument(const void* document) override;
  void DetachDocument(const void* document) override;
  TextureInfo GetTexture(const DocResourceRecord& record) override;
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
  bool SaveTextureAsDds(IDirect3DTexture9* texture, std::vector<BYTE>* out) override;
  // The texture itself with a reference added, logged as "mask <text> <side>".
  IDirect3DTexture9* ConvertMask(IDirect3DTexture9* texture, UINT side) override;

  std::vector<std::string> calls;
  std::vector<const void*> documents;  // attached and not yet detached
  bool failDds = false;
  bool tellSizes = false;

 private:
  TextureInfo MakeTexture(const std::string& source, UINT width, UINT height);

  std::vector<std::unique_ptr<Texture>> textures_;
  std::vector<std::unique_ptr<Effect>> effects_;
};
