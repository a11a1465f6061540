// The shared resource module as the program meets it: "basekit.dll" beside the program, mapped as data,
// its pictures found through the texture cache by the module name and the ids that default links name.
#include <gtest/gtest.h>

#include "render/texture_cache.h"
#include "scene/module_resources_win.h"
#include "support/d3d_fixture_win.h"

namespace {

const ds_string kBasekit = u"basekit.dll";

struct KitPicture {
  int id;
  UINT width;
  UINT height;
  bool transparent;  // keeps an alpha channel with transparent parts
};

const KitPicture kPictures[] = {
    {5, 1600, 1000, false},  // default slide picture
    {7, 512, 256, true},     // flame pattern of the flame light
    {8, 256, 256, false},    // tileable noise
    {40, 64, 640, true},     // glyph sheet
    {58, 512, 512, true},    // glass ball overlays
    {59, 512, 512, true},
    {60, 512, 256, true},    // glass ball shadow
    {62, 256, 256, false},   // heat haze distortion
    {6, 64, 128, false},     // butterfly body
    {71, 512, 512, true},    // clock face
    {72, 32, 256, true},     // clock hands
    {73, 256, 256, true},    // butterfly wings
    {74, 256, 256, true},
};

DocResourceRecord KitRecord(int id) { return DocResourceRecord(id, kBasekit); }

// Alpha of texel (0, 0) of level 0; 0xFF for formats without alpha.
int CornerAlpha(IDirect3DTexture9* tex, D3DFORMAT* format) {
  D3DSURFACE_DESC desc = {};
  tex->GetLevelDesc(0, &desc);
  *format = desc.Format;
  if (desc.Format != D3DFMT_A8R8G8B8) return 0xFF;
  D3DLOCKED_RECT lr;
  if (FAILED(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY))) return -1;
  int alpha = static_cast<int>(*static_cast<const DWORD*>(lr.pBits) >> 24);
  tex->UnlockRect(0);
  return alpha;
}

// The program's own module resources for the test's lifetime.
struct Win32ResourcesInUse {
  Win32ResourcesInUse() { SetModuleResources(&Win32ModuleResources()); }
  ~Win32ResourcesInUse() { SetModuleResources(nullptr); }
};

class BasekitTest : public lumi_test::D3DFixture {
 protected:
  Win32ResourcesInUse resources;
  TextureCacheHolder holder;
};

TEST_F(BasekitTest, DefaultPicturesLoadThroughTheTextureCache) {
  for (const KitPicture& p : kPictures) {
    SCOPED_TRACE(p.id);
    TextureInfo info;
    TextureCache::GetTexture(KitRecord(p.id), &holder, info);
    ASSERT_NE(info.texture, nullptr);
    EXPECT_EQ(info.width, p.width);
    EXPECT_EQ(info.height, p.height);
    EXPECT_FLOAT_EQ(info.aspect, static_cast<float>(p.height) / p.width);
    D3DFORMAT format = D3DFMT_UNKNOWN;
    int alpha = CornerAlpha(info.texture, &format);
    if (p.transparent) {
      EXPECT_EQ(format, D3DFMT_A8R8G8B8);
      EXPECT_EQ(alpha, 0) << "the corner of an overlay is transparent";
    } else {
      EXPECT_EQ(alpha, 0xFF) << "a picture is opaque";
    }
  }
  ASSERT_EQ(holder.cache->modules.size(), 1u) << "one module, loaded once";
  EXPECT_NE(holder.cache->modules.begin()->second, nullptr);
}

TEST_F(BasekitTest, MeshesLoadThroughTheTextureCache) {
  struct KitMesh {
    int id;
    float minRadius, maxRadius;  // of the bounding sphere, mesh units
  };
  // Butterfly body (40 long), one wing (36 by 30), the clock face (100 square).
  const KitMesh meshes[] = {{68, 19, 22}, {69, 23, 24}, {70, 70, 71}};
  for (const KitMesh& m : meshes) {
    SCOPED_TRACE(m.id);
    MeshData data;
    TextureCache::GetMesh(KitRecord(m.id), &holder, data, 32);
    ASSERT_FALSE(data.Empty());
    EXPECT_GT(data.faceCount, 1);
    EXPECT_GE(data.radius, m.minRadius);
    EXPECT_LE(data.radius, m.maxRadius);
  }
}

TEST_F(BasekitTest, GlyphSheetHasTwelveBands) {
  TextureInfo info;
  TextureCache::GetTexture(KitRecord(40), &holder, info);
  ASSERT_GT(info.width, 0u);
  EXPECT_EQ(info.height / info.width + 2, 12u);
}

TEST_F(BasekitTest, IdsTheModuleDoesNotHoldGiveNoPicture) {
  for (int id : {1, 4, 107, 9001}) {
    TextureInfo info;
    TextureCache::GetTexture(KitRecord(id), &holder, info);
    EXPECT_EQ(info.texture, nullptr) << id;
  }
  const BYTE* data = nullptr;
  DWORD size = 0;
  HMODULE module = Win32ModuleResources().LoadModule(kBasekit);
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(Win32ModuleResources().Find(module, 5, ModuleResourceType::kDds, &data, &size));
  EXPECT_GT(size, 10000u);
  EXPECT_FALSE(Win32ModuleResources().Find(module, 5, ModuleResourceType::kRcData, &data, &size))
      << "pictures are \"DDS\" resources";
}

}  // namespace
