// The glow object drawing through the module's glow effect (97) in a picture light's effect chain: the
// sprites' glow goes into the object's own target, where overlapping glows keep the brightest value,
// and is laid over the scene, which comes out brighter around the sprites and unchanged elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "lights/light_2d.h"
#include "platform/counted_ptr.h"
#include "render/projection.h"
#include "render/render_device_win.h"
#include "particles/particle_objects.h"
#include "render/texture_cache.h"
#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "particles/fx_particle_ctrl.h"
#include "scene/render_device.h"
#include "support/d3d_fixture_win.h"
#include "support/fake_module_resources.h"

namespace {

const DWORD kScene = 0xFF404040;

// A glow item whose sprites sit where the test puts them: square, white, fully opaque.
class PlacedGlow : public DS_GlowEffectCtrl {
 public:
  PlacedGlow() = default;
  PlacedGlow(const PlacedGlow& o) : DS_GlowEffectCtrl(o), centres(o.centres), half(o.half) {}
  DS_ABObj* CreateRenderObject() override { return new DS_GlowingObj(new PlacedGlow(*this)); }
  DS_ParticleSystemCtrl* Clone() const override { return new PlacedGlow(*this); }
  void LoadEffect() override {}  // the test hands the effect and the textures over
  void InitParticle(Particle* p) override {
    p->centre = centres[next++ % centres.size()];
    p->halfWidth = p->halfHeight = half;
    p->color = 0xFFFFFFFF;
  }
  std::vector<D3DXVECTOR3> centres;
  float half = 8;
  size_t next = 0;
};

IDirect3DTexture9* Solid(IDirect3DDevice9* device, UINT size, DWORD argb) {
  IDirect3DTexture9* t = nullptr;
  if (FAILED(device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr))) return nullptr;
  D3DLOCKED_RECT lr;
  if (SUCCEEDED(t->LockRect(0, &lr, nullptr, 0))) {
    for (UINT y = 0; y < size; ++y)
      for (UINT x = 0; x < size; ++x) reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = argb;
    t->UnlockRect(0);
  }
  return t;
}

// The bytes of an RT_RCDATA resource of the real basekit.dll.
std::vector<BYTE> ModuleBytes(WORD id) {
  std::vector<BYTE> out;
  HMODULE module = LoadLibraryExW(L"basekit.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return out;
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
  if (bytes) out.assign(bytes, bytes + SizeofResource(module, info));
  FreeLibrary(module);
  return out;
}

ID3DXEffect* ModuleEffect(IDirect3DDevice9* device, WORD id) {
  std::vector<BYTE> bytes = ModuleBytes(id);
  ID3DXEffect* effect = nullptr;
  if (!bytes.empty())
    D3DXCreateEffect(device, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0, nullptr, &effect,
                     nullptr);
  return effect;
}

int Red(DWORD c) { return static_cast<int>((c >> 16) & 0xFF); }
int Green(DWORD c) { return static_cast<int>((c >> 8) & 0xFF); }

// A 64 x 64 back buffer, a picture light showing a uniform grey 64 x 64 picture stretched over it, and a
// glow object with two overlapping sprites and one apart, drawn through effect 97.
class GlowEffectTest : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    InstallD3D9RenderDevice();
    g_LetterboxProjection = LetterboxProjection();
    light.reset(new DS_2D_Light);
    light->OnCreateDevice();
    light->Resize(1, 1);
    IDirect3DTexture9* picture = Solid(device(), 64, kScene);
    ASSERT_NE(picture, nullptr);
    light->pictureQuad.info.Assign(picture, 64, 64);
    SetPictureQuadTexture(light->pictureQuad.info, light->pictureQuad);
    picture->Release();
    light->Resize(64, 64);
    light->OnResetDevice();
    light->SetPicturePosition(PicturePosition::Stretch);
    device()->SetRenderState(D3DRS_COLORWRITEENABLE, 7);  // as the scene host leaves it: no alpha writes
    effect = ModuleEffect(device(), 97);
    ASSERT_NE(effect, nullptr) << "basekit.dll has no loadable effect 97";
  }
  void TearDown() override {
    objects.clear();
    if (effect) effect->Release();
    light.reset();
    g_LetterboxProjection = LetterboxProjection();
    SetRenderDevice(nullptr);
    lumi_test::D3DFixture::TearDown();
  }

  // glowTexel: every texel of the sprites' glow texture; the main texture adds nothing (alpha 0).
  void MakeGlow(int blendMode, DWORD glowTexel) { MakeGlowWith(effect, blendMode, glowTexel); }
  void MakeGlowWith(ID3DXEffect* itemEffect, int blendMode, DWORD glowTexel,
                    std::vector<D3DXVECTOR3> centres = {D3DXVECTOR3(16, 16, 0), D3DXVECTOR3(22, 16, 0),
                                                        D3DXVECTOR3(48, 48, 0)},
                    float half = 8) {
    PlacedGlow item;
    item.centres = centres;
    item.half = half;
    item.count.Raw() = static_cast<UINT>(centres.size());
    item.blendMode.Raw() = blendMode;
    item.glowColour.Raw() = 0x000000FF;  // red
    item.effect.Share(itemEffect);
    item.glowTexture.Adopt(Solid(device(), 4, glowTexel));
    item.mainTexture.Adopt(Solid(device(), 4, 0x00000000));
    glow = static_cast<DS_GlowingObj*>(item.CreateRenderObject());
    objects.push_back(CountedPtr<DS_ABObj>(glow));
  }

  lumi_test::Pixels Frame() {
    glow->Update(0.1);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
    device()->BeginScene();
    // As a slide does: an off-screen pass only when an object reads the scene composed so far.
    int n = 0;
    for (const CountedPtr<DS_ABObj>& o : objects) n += o->NeedsSourceTexture() != 0 ? 1 : 0;
    if (n > 0) light->BeginOffscreen();
    light->RenderBackground();
    DS_2D_Light::ApplyEffectChain(light.get(), objects, n);
    light->PostRender();
    device()->EndScene();
    return BackBuffer();
  }

  std::unique_ptr<DS_2D_Light> light;
  ID3DXEffect* effect = nullptr;
  DS_GlowingObj* glow = nullptr;
  std::vector<CountedPtr<DS_ABObj>> objects;
};

TEST_F(GlowEffectTest, ScreenGlowBrightensTheSceneAroundTheSpritesOnly) {
  MakeGlow(1, 0xFF808080);
  lumi_test::Pixels frame = Frame();
  ASSERT_EQ(frame.width, 64u);
  // Away from the sprites: the scene as it was.
  EXPECT_NEAR(Red(frame.at(40, 8)), 0x40, 3);
  EXPECT_NEAR(Green(frame.at(40, 8)), 0x40, 3);
  // Under a sprite: screen of the grey scene with the red glow, 1 - (1 - 0.25)(1 - 0.5).
  for (auto xy : {std::make_pair(48u, 48u), std::make_pair(12u, 16u), std::make_pair(19u, 16u)}) {
    DWORD c = frame.at(xy.first, xy.second);
    EXPECT_NEAR(Red(c), 0xA0, 6) << xy.first << "," << xy.second;
    EXPECT_NEAR(Green(c), 0x40, 6) << xy.first << "," << xy.second;
  }
}

TEST_F(GlowEffectTest, OverlappingGlowsKeepTheBrightestValue) {
  MakeGlow(1, 0xFF808080);
  Frame();
  lumi_test::Pixels target;
  ASSERT_TRUE(lumi_test::ReadRenderTargetTexture(device(), glow->glowTarget.Texture(), target));
  // The glow target covers the picture at 512 x 512: texel = picture pixel * 8. Where the first two
  // sprites overlap (picture x 14..24), one glow, not their sum; nothing outside the sprites.
  EXPECT_NEAR(Red(target.at(19 * 8, 16 * 8)), 0x80, 3);
  EXPECT_NEAR(Red(target.at(10 * 8, 16 * 8)), 0x80, 3);
  EXPECT_EQ(target.at(40 * 8, 8 * 8), 0x00000000u);
  int brightest = 0;
  for (DWORD c : target.argb) brightest = std::max(brightest, Red(c));
  EXPECT_LE(brightest, 0x82);
}

TEST_F(GlowEffectTest, NormalGlowLaysTheColourOverByCoverage) {
  MakeGlow(0, 0x80FFFFFF);
  lumi_test::Pixels frame = Frame();
  // lerp(scene, red, glow alpha 0.5 x strength 1)
  DWORD c = frame.at(48, 48);
  EXPECT_NEAR(Red(c), 0xA0, 6);
  EXPECT_NEAR(Green(c), 0x20, 6);
  EXPECT_NEAR(Red(frame.at(40, 8)), 0x40, 3);
}

// A module whose glow effect is cut short: the document's resource manager makes no effect of it (the
// loader never sees the bytes), and the glow item drawing with that null effect leaves the scene as it was.
TEST_F(GlowEffectTest, CutShortModuleEffectGivesNoEffectAndTheGlowDrawsNothing) {
  std::vector<BYTE> bytes = ModuleBytes(97);
  ASSERT_FALSE(bytes.empty());
  FakeModuleResources module;
  HMODULE kit = module.AddModule(u"basekit.dll");
  module.Add(kit, 97, ModuleResourceType::kRcData, std::vector<BYTE>(bytes.begin(), bytes.begin() + bytes.size() / 2));
  module.Add(kit, 98, ModuleResourceType::kRcData, bytes);
  TextureCacheHolder initial;
  TextureCacheHolder* savedCache = g_TextureCache;
  g_TextureCache = &initial;
  D3D9RenderDevice resources;
  RenderDevice* installed = SetRenderDevice(&resources);
  ID3DXEffect* cut = nullptr;
  ID3DXEffect* whole = nullptr;
  {
    DS_DocResManager manager;
    EXPECT_EQ(manager.GetEffect(&cut, DS_HLSLEffectFile(DS_FileLink3(97, u"basekit.dll"))), nullptr);
    EXPECT_EQ(cut, nullptr);
    EXPECT_NE(manager.GetEffect(&whole, DS_HLSLEffectFile(DS_FileLink3(98, u"basekit.dll"))), nullptr);
  }
  SetRenderDevice(installed);
  g_TextureCache = savedCache;
  if (whole) whole->Release();

  MakeGlowWith(cut, 1, 0xFF808080);
  EXPECT_EQ(glow->NeedsSourceTexture(), 0);
  lumi_test::Pixels frame = Frame();
  for (auto xy : {std::make_pair(48u, 48u), std::make_pair(16u, 16u), std::make_pair(40u, 8u)}) {
    EXPECT_NEAR(Red(frame.at(xy.first, xy.second)), 0x40, 3) << xy.first << "," << xy.second;
    EXPECT_NEAR(Green(frame.at(xy.first, xy.second)), 0x40, 3) << xy.first << "," << xy.second;
  }
}

// On a 1024 x 1024 target the 64 x 64 picture's glow texels span two pixels, so a glow's filtered edge
// reaches past its sprites by more than a pixel. The glow is blended only where it reaches: around two
// sprites (one over the picture's left edge) it is the same, pixel for pixel, as when two more sprites far
// away stretch that reach over the whole picture.
class WideGlowTest : public GlowEffectTest {
 protected:
  lumi_test::D3DTestOptions Options() const override {
    return lumi_test::D3DTestOptions::Sized(1024, 1024);
  }
};

TEST_F(WideGlowTest, GlowBlendedWhereItReachesMatchesTheGlowBlendedOverTheWholePicture) {
  const std::vector<D3DXVECTOR3> twoSprites = {D3DXVECTOR3(20.3f, 30.7f, 0), D3DXVECTOR3(1.2f, 40.4f, 0)};
  std::vector<D3DXVECTOR3> spread = twoSprites;
  spread.push_back(D3DXVECTOR3(60, 4, 0));
  spread.push_back(D3DXVECTOR3(60, 60, 0));
  for (int blendMode : {1, 0}) {
    SCOPED_TRACE(blendMode);
    MakeGlowWith(effect, blendMode, 0xFFFFFFFF, twoSprites, 3.1f);
    const lumi_test::Pixels alone = Frame();
    objects.clear();
    MakeGlowWith(effect, blendMode, 0xFFFFFFFF, spread, 3.1f);
    const lumi_test::Pixels whole = Frame();
    objects.clear();
    ASSERT_EQ(alone.width, 1024u);
    // Picture x 0..32, y 20..52 at 16 pixels each: both near sprites and their glow.
    int differing = 0, lit = 0;
    for (UINT y = 20 * 16; y < 52 * 16; ++y)
      for (UINT x = 0; x < 32 * 16; ++x) {
        differing += alone.at(x, y) != whole.at(x, y) ? 1 : 0;
        lit += Red(alone.at(x, y)) > 0x48 ? 1 : 0;
      }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lit, 12000) << "both glows drawn";
  }
}

}  // namespace
