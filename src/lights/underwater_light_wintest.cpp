// The underwater light on a real device with the wobble effect of basekit.dll: frames read back (and kept
// as PNGs), a device loss and reset in the middle of the slide, and a missing effect.
#include <gtest/gtest.h>

#include <memory>

#include "dxut/d3d_device.h"
#include "dxut/device_objects.h"
#include "lights/underwater_light.h"
#include "render/projection.h"
#include "render/render_device_win.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/render_device.h"
#include "support/d3d_fixture_win.h"

namespace {

const DocFileKey kPictureKey(u"test\\stripes.png", 1);
const UINT kSide = 64;

int Channel(DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// The picture: vertical stripes of 8 pixels, red and blue, and a white band across rows 28..35.
DWORD Stripes(UINT x, UINT y) {
  if (y >= 28 && y < 36) return 0xFFFFFFFF;
  return (x / 8) % 2 ? 0xFF0000FF : 0xFFFF0000;
}

bool Near(DWORD a, DWORD b) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(Channel(a, s) - Channel(b, s)) > 40) return false;
  return true;
}

// A 64 x 64 back buffer in Stretch mode (the picture covers it pixel for pixel) and a document holding the
// picture; the light's effect comes from the resource module through the document.
class UnderwaterLightDevice : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    ASSERT_NE(device(), nullptr);
    SetModuleResources(&Win32ModuleResources());
    SetRenderDevice(&docDevice_);
    g_LetterboxProjection = LetterboxProjection();
    g_LetterboxProjection.mode = PicturePosition::Stretch;
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(device()->CreateTexture(kSide, kSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), S_OK);
    D3DLOCKED_RECT r;
    ASSERT_EQ(tex->LockRect(0, &r, nullptr, 0), S_OK);
    for (UINT y = 0; y < kSide; ++y)
      for (UINT x = 0; x < kSide; ++x) reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch)[x] = Stripes(x, y);
    tex->UnlockRect(0);
    TextureInfo info;
    info.Assign(tex, kSide, kSide);
    manager_->Maps().textureSets[kPictureKey].AddFrame(info);
    tex->Release();
  }
  void TearDown() override {
    light_.reset();
    manager_.reset();
    g_DocResManager = nullptr;
    g_LetterboxProjection = LetterboxProjection();
    SetRenderDevice(nullptr);
    SetModuleResources(nullptr);
    lumi_test::D3DFixture::TearDown();
  }
  // Brought up as at scene start and slide start.
  FakeUndervater& Start(FakeUndervater* light) {
    light_.reset(light);
    light->picture.Raw() = kPictureKey;
    light->OnCreateDevice();
    light->Resize(1, 1);
    light->Resize(kSide, kSide);
    light->SetPicturePosition(PicturePosition::Stretch);
    light->OnResetDevice();
    return *light;
  }
  // One frame of the slide as the slide draws it: the light asks for the off-screen pass.
  lumi_test::Pixels Frame(double t) {
    light_->FrameMove(t);
    EXPECT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0), S_OK);
    EXPECT_EQ(device()->BeginScene(), S_OK);
    EXPECT_TRUE(light_->NeedsOffscreen());
    light_->BeginOffscreen();
    light_->RenderBackground();
    light_->PostRender();
    device()->EndScene();
    return BackBuffer();
  }
  void LoseAndReset() {
    ASSERT_TRUE(LoseAndResetDevice([&] { light_->OnLostDevice(); }, [&] { return test_.ResetDevice(); },
                                   [&] { light_->OnResetDevice(); }))
        << "a default-pool object was left";
  }
  // Pixels where the frame shows another colour than the picture, per quarter of the frame. Pixels
  // within two of a colour edge are left out: each pass through a target resamples the picture by half a
  // pixel, which blends the colours there.
  static void Displaced(const lumi_test::Pixels& p, int quarters[4]) {
    for (int i = 0; i < 4; ++i) quarters[i] = 0;
    for (UINT y = 0; y < kSide; ++y)
      for (UINT x = 0; x < kSide; ++x) {
        const bool nearEdge = x % 8 < 2 || x % 8 > 5 || (y >= 26 && y < 38) || y < 2 || y > kSide - 3;
        if (!nearEdge && !Near(p.at(x, y), Stripes(x, y))) ++quarters[(y / 32) * 2 + x / 32];
      }
  }
  static int Differing(const lumi_test::Pixels& a, const lumi_test::Pixels& b) {
    int n = 0;
    for (size_t i = 0; i < a.argb.size(); ++i) n += Near(a.argb[i], b.argb[i]) ? 0 : 1;
    return n;
  }

  D3D9RenderDevice docDevice_;
  std::unique_ptr<DS_DocResManager> manager_;
  std::unique_ptr<FakeUndervater> light_;
};

TEST_F(UnderwaterLightDevice, WobblesTheWholePictureAndKeepsDrawingAfterADeviceReset) {
  auto* light = new FakeUndervater;
  light->underwater.amplitude.SetValue(400, nullptr);  // 0.05 of the picture: 3 pixels
  Start(light);
  ASSERT_NE(light->underwater.effect, nullptr) << "effect 88 from the resource module";
  const lumi_test::Pixels a = Frame(0.1);
  const lumi_test::Pixels b = Frame(0.4);
  int quarters[4];
  Displaced(a, quarters);
  for (int q = 0; q < 4; ++q) EXPECT_GT(quarters[q], 15) << "pixels displaced in quarter " << q;
  EXPECT_GT(Differing(a, b), 50) << "the wobble moves with time";
  // Away from every edge by more than the amplitude the picture is as it is.
  EXPECT_TRUE(Near(a.at(3, 12), Stripes(3, 12))) << std::hex << a.at(3, 12);
  EXPECT_TRUE(Near(a.at(12, 50), Stripes(12, 50))) << std::hex << a.at(12, 50);

  LoseAndReset();
  const lumi_test::Pixels c = Frame(0.5);
  const lumi_test::Pixels d = Frame(0.8);
  Displaced(c, quarters);
  for (int q = 0; q < 4; ++q) EXPECT_GT(quarters[q], 15) << "after the reset, quarter " << q;
  EXPECT_GT(Differing(c, d), 50) << "still moving after the reset";
  EXPECT_TRUE(Near(c.at(3, 12), Stripes(3, 12))) << std::hex << c.at(3, 12);
}

// An effect that is not in the module: the slide still shows its picture, unchanged, never black.
TEST_F(UnderwaterLightDevice, WithoutItsEffectThePictureStillShows) {
  auto* light = new FakeUndervater;
  light->underwater.effectLink.Raw() = DocFileKey(u"basekit.dll", 9999);
  Start(light);
  ASSERT_EQ(light->underwater.effect, nullptr);
  const lumi_test::Pixels p = Frame(0.1);
  int quarters[4];
  Displaced(p, quarters);
  for (int q = 0; q < 4; ++q) EXPECT_EQ(quarters[q], 0) << "quarter " << q;
  EXPECT_TRUE(Near(p.at(3, 3), 0xFFFF0000)) << std::hex << p.at(3, 3);
  EXPECT_TRUE(Near(p.at(60, 60), 0xFF0000FF)) << std::hex << p.at(60, 60);
}

}  // namespace
