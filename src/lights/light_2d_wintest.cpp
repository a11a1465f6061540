// The picture light on a real device: the picture drawn and read back for each picture position, moved
// by the camera shake, drawn into the render-target pair, and still drawn after a device loss and reset.
#include <gtest/gtest.h>

#include <memory>

#include "dxut/d3d_device.h"
#include "dxut/device_objects.h"
#include "lights/light_2d.h"
#include "platform/noise.h"
#include "render/projection.h"
#include "render/render_device_win.h"
#include "scene/render_device.h"
#include "support/d3d_fixture_win.h"
#include "support/recording_effect.h"

namespace {

const DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;
const DWORD kBands[4] = {kRed, kGreen, kBlue, kWhite};

// A 64 x 64 back buffer and a light whose picture is 64 x 8 pixels of four upright bands, red, green,
// blue and white, 16 pixels each.
class LightDeviceTest : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    InstallD3D9RenderDevice();
    g_LetterboxProjection = LetterboxProjection();
    light.reset(new DS_2D_Light);
    light->OnCreateDevice();
    light->Resize(1, 1);
    IDirect3DTexture9* bands = MakeBands();
    ASSERT_NE(bands, nullptr);
    light->pictureQuad.info.Assign(bands, 64, 8);
    SetPictureQuadTexture(light->pictureQuad.info, light->pictureQuad);
    bands->Release();
    light->Resize(64, 64);
    light->StartCameraShake();
    light->OnResetDevice();
  }
  void TearDown() override {
    light.reset();
    g_LetterboxProjection = LetterboxProjection();
    SetRenderDevice(nullptr);
    lumi_test::D3DFixture::TearDown();
  }
  IDirect3DTexture9* MakeBands() {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device()->CreateTexture(64, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr))) return nullptr;
    D3DLOCKED_RECT r;
    if (SUCCEEDED(tex->LockRect(0, &r, nullptr, 0))) {
      for (int y = 0; y < 8; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch);
        for (int x = 0; x < 64; ++x) row[x] = kBands[x / 16];
      }
      tex->UnlockRect(0);
    }
    return tex;
  }
  // One frame of the slide: clear, background, post pass.
  void Frame() {
    ASSERT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1, 0), S_OK);
    ASSERT_EQ(device()->BeginScene(), S_OK);
    light->RenderBackground();
    light->PostRender();
    device()->EndScene();
  }
  static bool Near(DWORD a, DWORD b) {
    for (int s = 0; s < 32; s += 8) {
      int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
      if (d > 40 || d < -40) return false;
    }
    return true;
  }
  // The colours at the given points.
  static std::vector<DWORD> At(const lumi_test::Pixels& p, const std::vector<std::pair<UINT, UINT>>& points) {
    std::vector<DWORD> out;
    for (auto& xy : points) out.push_back(p.at(xy.first, xy.second));
    return out;
  }
  static void ExpectColours(const std::vector<DWORD>& got, const std::vector<DWORD>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i)
      EXPECT_TRUE(Near(got[i], want[i])) << i << ": " << std::hex << got[i] << " wanted " << want[i];
  }

  std::unique_ptr<DS_2D_Light> light;
};

TEST_F(LightDeviceTest, PicturePositionsPlaceThePicture) {
  const std::vector<std::pair<UINT, UINT>> row = {{8, 32}, {24, 32}, {40, 32}, {56, 32}};
  struct Case {
    int mode;
    std::vector<DWORD> across;  // the middle row, one point in each quarter
    DWORD top;                  // (24, 4)
  } cases[] = {
      {PicturePosition::Stretch, {kRed, kGreen, kBlue, kWhite}, kGreen},
      {PicturePosition::Fit, {kRed, kGreen, kBlue, kWhite}, kBlack},  // 64 x 8 between black bars
      {PicturePosition::Fill, {kGreen, kGreen, kBlue, kBlue}, kGreen},  // the middle half, cut at the sides
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    light->SetPicturePosition(k.mode);
    Frame();
    lumi_test::Pixels p = BackBuffer();
    ExpectColours(At(p, row), k.across);
    ExpectColours(At(p, {{24, 4}}), {k.top});
  }
}

TEST_F(LightDeviceTest, CameraShakeZoomsThePicture) {
  light->SetPicturePosition(PicturePosition::Stretch);
  light->camera.enable = 1;
  ResetCrtRand(1);
  light->FrameMove(0.1);  // the first segment starts at the centre: zoom 1.2 about it
  Frame();
  lumi_test::Pixels p = BackBuffer();
  // The red band ends at 32 - 16 x 1.2 = 12.8 instead of 16.
  ExpectColours(At(p, {{4, 32}, {14, 32}, {50, 32}}), {kRed, kGreen, kBlue});

  light->camera.enable = 0;
  light->FrameMove(0.2);
  Frame();
  p = BackBuffer();
  ExpectColours(At(p, {{14, 32}}), {kRed});
}

TEST_F(LightDeviceTest, OffscreenPassDrawsIntoThePair) {
  light->SetPicturePosition(PicturePosition::Fit);
  ASSERT_NE(light->renderTargets.current, nullptr);
  ASSERT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1, 0), S_OK);
  ASSERT_EQ(device()->BeginScene(), S_OK);
  light->BeginOffscreen();
  light->RenderBackground();
  RenderTargetChain* chain = light->EndOffscreen(false);
  device()->EndScene();
  EXPECT_EQ(g_LetterboxProjection.mode, PicturePosition::Fit);

  lumi_test::Pixels target;
  ASSERT_TRUE(lumi_test::ReadRenderTargetTexture(device(), chain->current, target));
  // Stretched over the whole target, whatever the picture position.
  ExpectColours(At(target, {{8, 4}, {24, 60}, {40, 32}, {56, 32}}), {kRed, kGreen, kBlue, kWhite});
  lumi_test::Pixels back = BackBuffer();
  ExpectColours(At(back, {{8, 32}, {56, 32}}), {0xFF808080, 0xFF808080});
}

TEST_F(LightDeviceTest, LostAndResetLeavesTheLightDrawable) {
  light->SetPicturePosition(PicturePosition::Stretch);
  // Nothing of the light is left in the default pool.
  ASSERT_TRUE(LoseAndResetDevice([&] { light->OnLostDevice(); }, [&] { return test_.ResetDevice(); },
                                 [&] { light->OnResetDevice(); }));
  EXPECT_NE(light->renderTargets.current, nullptr);
  Frame();
  ExpectColours(At(BackBuffer(), {{8, 32}, {56, 32}}), {kRed, kWhite});
}

TEST_F(LightDeviceTest, EffectPassesRunOnTheDevice) {
  light->SetPicturePosition(PicturePosition::Stretch);
  lumi_test::CallLog log;
  lumi_test::RecordingEffect effect(log, "fx");
  effect.passes = 2;
  ID3DXEffect* e = &effect;
  ID3DXEffect* none = nullptr;
  ASSERT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1, 0), S_OK);
  ASSERT_EQ(device()->BeginScene(), S_OK);
  light->DrawWithEffect(light->GetBackgroundQuad(), &none);  // no effect: nothing
  device()->EndScene();
  ExpectColours(At(BackBuffer(), {{8, 32}}), {0xFF808080});

  // The recording effect sets no shaders, so each pass draws the quad with the fixed-function states.
  ASSERT_EQ(device()->BeginScene(), S_OK);
  device()->SetTexture(0, light->pictureQuad.info.texture);
  light->DrawWithEffect(light->GetBackgroundQuad(), &e);
  device()->EndScene();
  EXPECT_EQ(log.calls, (std::vector<std::string>{"begin fx", "pass 0", "end pass", "pass 1", "end pass", "end fx"}));
  ExpectColours(At(BackBuffer(), {{8, 32}, {56, 32}}), {kRed, kWhite});
}

}  // namespace
