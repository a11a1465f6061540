// The device layer on the real device, its documents' side: a texture cache per document, pictures and
// meshes of a resource module through the manager, and effects that cannot be made.
#include "render/render_device_win.h"

#include <gtest/gtest.h>

#include "dxut/d3d_device.h"
#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "scene/module_resources_win.h"
#include "support/d3d_fixture_win.h"
#include "support/saved_global.h"

namespace {

class D3D9RenderDeviceTest : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    D3DFixture::SetUp();
    g_TextureCache = &initial_;
    SetModuleResources(&Win32ModuleResources());
    SetRenderDevice(&device_);
  }
  void TearDown() override {
    SetRenderDevice(nullptr);
    SetModuleResources(nullptr);
    D3DFixture::TearDown();
  }
  D3D9RenderDevice device_;
  TextureCacheHolder initial_;
  lumi_test::SavedGlobal<TextureCacheHolder*> savedCache_{g_TextureCache};
};

TEST_F(D3D9RenderDeviceTest, NewestDocumentsCacheIsCurrentInWhateverOrderTheyGo) {
  int a = 0, b = 0;  // only their addresses name the documents
  device_.AttachDocument(&a);
  TextureCacheHolder* cacheA = g_TextureCache;
  EXPECT_NE(cacheA, &initial_);
  device_.AttachDocument(&b);
  TextureCacheHolder* cacheB = g_TextureCache;
  EXPECT_NE(cacheB, cacheA);
  device_.DetachDocument(&b);
  EXPECT_EQ(g_TextureCache, cacheA);
  device_.DetachDocument(&a);
  EXPECT_EQ(g_TextureCache, &initial_);

  device_.AttachDocument(&a);
  device_.AttachDocument(&b);
  cacheB = g_TextureCache;
  device_.DetachDocument(&a);  // an older document goes first
  EXPECT_EQ(g_TextureCache, cacheB);
  device_.DetachDocument(&a);  // twice: nothing
  device_.DetachDocument(&b);
  EXPECT_EQ(g_TextureCache, &initial_);
}

TEST_F(D3D9RenderDeviceTest, ManagerGetsModulePicturesAndMeshesThroughItsOwnCache) {
  DS_DocResManager manager;
  ASSERT_NE(g_TextureCache, &initial_);
  DS_ImageFileLink picture(9001, u"testkit.dll");
  TextureSet& set = manager.GetTextureSet(picture);
  ASSERT_EQ(set.frames.size(), 1u);
  EXPECT_NE(set.frames[0], nullptr);
  EXPECT_EQ(set.width, 4);
  EXPECT_EQ(set.height, 8);
  EXPECT_EQ(g_TextureCache->cache->moduleTextures.size(), 1u) << "decoded into the document's cache";

  DS_MeshFile mesh(DS_FileLink3(9002, u"testkit.dll"));
  MeshData& m = manager.GetMesh(mesh, 32);
  EXPECT_EQ(m.vertexCount, 4);
  EXPECT_EQ(m.faceCount, 2);
  EXPECT_NE(m.vertexBuffer, nullptr);

  // No such effect in the module: null, and drawing goes on without it.
  ID3DXEffect* fx = reinterpret_cast<ID3DXEffect*>(1);
  EXPECT_EQ(manager.GetEffect(&fx, DS_HLSLEffectFile(DS_FileLink3(9003, u"testkit.dll"))), nullptr);
  EXPECT_EQ(fx, nullptr);
}

TEST_F(D3D9RenderDeviceTest, EffectsThatCannotBeMadeAreNull) {
  const char junk[] = "not an effect";
  EXPECT_EQ(device_.CreateEffect(reinterpret_cast<const BYTE*>(junk), sizeof(junk)), nullptr);
  EXPECT_EQ(device_.CreateEffect(nullptr, 0), nullptr);
  {
    lumi_test::SavedGlobal<IDirect3DDevice9*> withoutDevice(g_D3DDevice, nullptr);
    const char source[] = "technique T { pass P { } }";
    EXPECT_EQ(device_.CreateEffect(reinterpret_cast<const BYTE*>(source), sizeof(source)), nullptr);
  }
  device_.AddRefEffect(nullptr);  // null effects are ignored everywhere
  device_.ReleaseEffect(nullptr);
  device_.EffectLostDevice(nullptr);
  device_.EffectResetDevice(nullptr);
}

}  // namespace
