#include "scene/doc_resource_device.h"

namespace {

// Decodes nothing: every picture is a null texture, every mesh empty, every effect missing.
class NoDocResourceDevice : public DocResourceDevice {
 public:
  TextureInfo GetTexture(const DocResourceRecord&) override { return TextureInfo(); }
  TextureInfo LoadTextureFromMemory(const BYTE*, INT) override { return TextureInfo(); }
  void LoadMesh(const BYTE*, INT, int, MeshData*) override {}
  ID3DXEffect* CreateEffect(const BYTE*, INT) override { return nullptr; }
  void AddRefEffect(ID3DXEffect*) override {}
  void ReleaseEffect(ID3DXEffect*) override {}
  void EffectLostDevice(ID3DXEffect*) override {}
  void EffectResetDevice(ID3DXEffect*) override {}
  bool SaveTextureAsDds(IDirect3DTexture9*, std::vector<BYTE>*) override { return false; }
};

NoDocResourceDevice g_noDevice;
DocResourceDevice* g_device = &g_noDevice;

}  // namespace

DocResourceDevice& CurrentDocResourceDevice() { return *g_device; }

void SetDocResourceDevice(DocResourceDevice* device) { g_device = device ? device : &g_noDevice; }
