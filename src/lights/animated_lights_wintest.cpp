// The animated picture lights on a real device: frames read back per light, and drawing after a device
// loss and reset in the middle of the slide.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dxut/d3d_device.h"
#include "dxut/device_objects.h"
#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/matrix_code_light.h"
#include "lights/slide.h"
#include "lights/water_ring_light.h"
#include "platform/noise.h"
#include "render/projection.h"
#include "render/render_device_win.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/render_device.h"
#include "support/d3d_fixture_win.h"
#include "support/fire_look_win.h"

namespace {

const DocFileKey kPictureKey(u"test\\picture.png", 1);
const DocFileKey kSheetKey(u"test\\sheet.png", 2);

int Channel(DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
bool IsBlack(DWORD c) { return (c & 0xFFFFFF) == 0; }

// A 64 x 64 back buffer; a document holding a 64 x 64 picture (the top half red, the bottom half blue,
// a white vertical stripe at x 24..31) and a glyph sheet of white bands.
class AnimatedLightsDevice : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    InstallD3D9RenderDevice();
    g_LetterboxProjection = LetterboxProjection();
    g_LetterboxProjection.mode = PicturePosition::Stretch;
    ResetCrtRand();
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    AddPicture(kPictureKey, MakePicture(), 64, 64);
    AddPicture(kSheetKey, MakeSheet(), 8, 16);
  }
  void TearDown() override {
    light_.reset();
    manager_.reset();
    g_DocResManager = nullptr;
    g_LetterboxProjection = LetterboxProjection();
    SetRenderDevice(nullptr);
    lumi_test::D3DFixture::TearDown();
  }
  IDirect3DTexture9* Fill(UINT w, UINT h, D3DFORMAT format, DWORD (*texel)(UINT x, UINT y)) {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device()->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &tex, nullptr))) return nullptr;
    D3DLOCKED_RECT r;
    if (SUCCEEDED(tex->LockRect(0, &r, nullptr, 0))) {
      for (UINT y = 0; y < h; ++y) {
        BYTE* row = static_cast<BYTE*>(r.pBits) + y * r.Pitch;
        for (UINT x = 0; x < w; ++x) {
          const DWORD v = texel(x, y);
          if (format == D3DFMT_V8U8)
            reinterpret_cast<WORD*>(row)[x] = static_cast<WORD>(v);
          else
            reinterpret_cast<DWORD*>(row)[x] = v;
        }
      }
      tex->UnlockRect(0);
    }
    return tex;
  }
  IDirect3DTexture9* MakePicture() {
    return Fill(64, 64, D3DFMT_A8R8G8B8, [](UINT x, UINT y) -> DWORD {
      if (x >= 24 && x < 32) return 0xFFFFFFFF;
      return y < 32 ? 0xFFFF0000 : 0xFF0000FF;
    });
  }
  IDirect3DTexture9* MakeSheet() {
    return Fill(8, 16, D3DFMT_A8R8G8B8, [](UINT, UINT) -> DWORD { return 0xFFFFFFFF; });
  }
  void AddPicture(const DocFileKey& key, IDirect3DTexture9* tex, UINT w, UINT h) {
    ASSERT_NE(tex, nullptr);
    TextureInfo info;
    info.Assign(tex, w, h);
    manager_->Maps().textureSets[key].AddFrame(info);
    tex->Release();
  }
  // Brought up as at scene start and slide start.
  void Start(DS_2D_Light* light, const DocFileKey& picture = kPictureKey) {
    light_.reset(light);
    light->picture.Raw() = picture;
    light->OnCreateDevice();
    light->Resize(1, 1);
    light->Resize(static_cast<int>(Options().width), static_cast<int>(Options().height));
    light->SetPicturePosition(PicturePosition::Stretch);
    light->OnResetDevice();
  }
  // One frame of the slide as the slide draws it: the off-screen pass when the light asks for it.
  lumi_test::Pixels Frame(double t) {
    light_->FrameMove(t);
    EXPECT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1, 0), S_OK);
    EXPECT_EQ(device()->BeginScene(), S_OK);
    if (light_->NeedsOffscreen()) light_->BeginOffscreen();
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

  std::unique_ptr<DS_DocResManager> manager_;
  std::unique_ptr<DS_2D_Light> light_;
};

// The lowest row (of 64) holding a green glyph pixel, or -1.
int LowestGlyphRow(const lumi_test::Pixels& p) {
  for (int y = 63; y >= 0; --y)
    for (UINT x = 0; x < 64; ++x) {
      const DWORD c = p.at(x, static_cast<UINT>(y));
      if (Channel(c, 8) > 100 && Channel(c, 16) < 80 && Channel(c, 0) < 80) return y;
    }
  return -1;
}

TEST_F(AnimatedLightsDevice, MatrixCodeGlyphColumnsFall) {
  auto* light = new DS_MatrixCodeLight;
  light->cellSize = 8;
  light->density = 100;
  light->startMode = 0;  // every run scrolls down its column
  light->flickerCount = 0;
  light->mode = 1;       // on black, glyphs as bright as the picture under them
  light->glyphColor = 0x00FF00;
  light->headColor = 0x00FF00;
  light->glyphSheet.Raw() = kSheetKey;
  Start(light);
  ASSERT_EQ(light->sprites.quadCount, 81);
  int first = -1;
  int frame = 0;
  for (; frame < 40 && first < 0; ++frame) first = LowestGlyphRow(Frame(frame * 0.02));
  ASSERT_GE(first, 0) << "no glyph within 40 frames";
  lumi_test::Pixels p = Frame(frame * 0.02);
  const int next = LowestGlyphRow(p);
  const lumi_test::Pixels later = Frame((frame + 1) * 0.02);
  EXPECT_GT(std::max(next, LowestGlyphRow(later)), first) << "the glyphs moved down";
  // Mode 1 clears to black where no glyph is.
  int black = 0;
  for (DWORD c : later.argb) black += IsBlack(c) ? 1 : 0;
  EXPECT_GT(black, 64 * 64 / 4);

  LoseAndReset();
  bool glyphs = false;
  for (int i = 0; i < 10 && !glyphs; ++i) glyphs = LowestGlyphRow(Frame((frame + 2 + i) * 0.02)) >= 0;
  EXPECT_TRUE(glyphs) << "glyphs after the reset";
}

TEST_F(AnimatedLightsDevice, MatrixCodeOverThePicture) {
  auto* light = new DS_MatrixCodeLight;
  light->glyphSheet.Raw() = kSheetKey;
  Start(light);
  const lumi_test::Pixels p = Frame(0.0);
  EXPECT_GT(Channel(p.at(8, 8), 16), 200) << std::hex << p.at(8, 8);   // the red top
  EXPECT_GT(Channel(p.at(8, 56), 0), 200) << std::hex << p.at(8, 56);  // the blue bottom
}

// The transparent quads past the last glyph are left out only where the frame stays the same: frames
// of the same grid (the same random sequence) with every quad drawn and with them left out, with the
// light's own blend and with an additive blend a scene item left on, where they must be drawn.
TEST_F(AnimatedLightsDevice, MatrixCodeLeavesOutOnlyQuadsThatShowNothing) {
  const struct {
    const char* name;
    int mode;
    DWORD srcBlend;
  } cases[] = {
      {"over the picture", 0, D3DBLEND_SRCALPHA},
      {"on black", 1, D3DBLEND_SRCALPHA},
      {"over the picture, an additive blend left on", 0, D3DBLEND_ONE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<lumi_test::Pixels> frames[2];
    UINT glyphs = 0;
    for (int cut = 0; cut < 2; ++cut) {
      ResetCrtRand();
      auto* light = new DS_MatrixCodeLight;
      light->cellSize = 7;  // the last row and column of cells partly on the target
      light->density = 60;
      light->mode = c.mode;
      light->glyphColor = 0x40FF40;
      light->headColor = 0xE0FFE0;
      light->glyphSheet.Raw() = kSheetKey;
      light->cutClearQuads = cut == 1;
      Start(light);
      device()->SetRenderState(D3DRS_SRCBLEND, c.srcBlend);
      for (int i = 0; i < 30; ++i) {
        frames[cut].push_back(Frame(i * 0.02));
        glyphs = std::max(glyphs, light->glyphQuads);
      }
      ASSERT_EQ(light->sprites.quadCount, 100);
    }
    EXPECT_GT(glyphs, 0u) << "glyphs were drawn";
    for (size_t i = 0; i < frames[0].size(); ++i) {
      int differing = 0;
      for (size_t k = 0; k < frames[0][i].argb.size(); ++k)
        differing += (frames[0][i].argb[k] & 0xFFFFFF) != (frames[1][i].argb[k] & 0xFFFFFF) ? 1 : 0;
      EXPECT_EQ(differing, 0) << "frame " << i;
    }
  }
}

TEST_F(AnimatedLightsDevice, LakeMirrorsThePictureBelowTheHorizon) {
  auto* light = new FakeLake2D;
  light->horizon.SetValue(0, nullptr);  // the lower half
  light->tintAlpha.SetValue(0, nullptr);
  Start(light);
  lumi_test::Pixels p = Frame(0.0);
  // The upper half as it is; the lower half shows it upside down: red where the picture is blue.
  EXPECT_GT(Channel(p.at(8, 8), 16), 200) << std::hex << p.at(8, 8);
  EXPECT_GT(Channel(p.at(8, 48), 16), 150) << std::hex << p.at(8, 48);
  EXPECT_LT(Channel(p.at(8, 48), 0), 100) << std::hex << p.at(8, 48);
  EXPECT_GT(Channel(p.at(28, 56), 8), 150) << std::hex << p.at(28, 56);  // the white stripe mirrored

  // The default tint darkens the band towards its colour, more at the bottom.
  light->tintAlpha.SetValue(31, nullptr);
  light->tintColor = 0x408000;
  light->OnCreateDevice();
  light->OnResetDevice();
  p = Frame(0.1);
  const DWORD bottom = p.at(8, 62), top = p.at(8, 34);
  EXPECT_LT(Channel(bottom, 16), Channel(top, 16) + 2) << std::hex << bottom << " " << top;
  EXPECT_GT(Channel(bottom, 8), 20) << std::hex << bottom;

  LoseAndReset();
  p = Frame(0.2);
  EXPECT_GT(Channel(p.at(8, 48), 16), 120) << std::hex << p.at(8, 48);
}

// A second set-up makes a bump map of its own from the executable's ripple heights (the document holds
// none under this light's key): the band still mirrors the picture and now ripples, through a device
// loss and reset as well.
TEST_F(AnimatedLightsDevice, LakeMakesItsOwnBumpMapAtASecondSetUpAndRipples) {
  struct ProgramPictures {  // the test program's own resources hold the ripple heights
    ProgramPictures() { SetModuleResources(&Win32ModuleResources()); }
    ~ProgramPictures() { SetModuleResources(nullptr); }
  } programPictures;
  auto* light = new FakeLake2D;
  light->horizon.SetValue(0, nullptr);  // the lower half
  light->tintAlpha.SetValue(0, nullptr);
  Start(light);
  ASSERT_EQ(light->bumpTexture, nullptr);
  const lumi_test::Pixels still = Frame(0.0);

  light->OnCreateDevice();
  light->OnResetDevice();
  ASSERT_NE(light->bumpTexture, nullptr) << "no bump map made";
  D3DSURFACE_DESC desc;
  ASSERT_EQ(light->bumpTexture->GetLevelDesc(0, &desc), S_OK);
  EXPECT_EQ(desc.Format, D3DFMT_V8U8);
  EXPECT_EQ(desc.Width, 256u);
  // Offsets that vary: not a flat map, nor a map left undrawn.
  D3DLOCKED_RECT r;
  ASSERT_EQ(light->bumpTexture->LockRect(0, &r, nullptr, D3DLOCK_READONLY), S_OK);
  int low = 127, high = -127;
  for (UINT y = 128; y < 256; ++y)
    for (UINT x = 0; x < 256; ++x) {
      const int u = static_cast<signed char>(static_cast<const BYTE*>(r.pBits)[y * r.Pitch + 2 * x]);
      low = std::min(low, u);
      high = std::max(high, u);
    }
  light->bumpTexture->UnlockRect(0);
  EXPECT_LT(low, -8);
  EXPECT_GT(high, 8);

  // The band mirrors the picture (red where the picture is blue) and its ripples move; above the horizon
  // the picture stays as it was.
  auto ripples = [&](const lumi_test::Pixels& a, const lumi_test::Pixels& b, UINT top, UINT bottom) {
    int n = 0;
    for (UINT y = top; y < bottom; ++y)
      for (UINT x = 0; x < 64; ++x) n += (a.at(x, y) & 0xFFFFFF) != (b.at(x, y) & 0xFFFFFF);
    return n;
  };
  const lumi_test::Pixels a = Frame(0.1), b = Frame(0.45);
  EXPECT_GT(Channel(a.at(8, 48), 16), 150) << std::hex << a.at(8, 48);
  EXPECT_LT(Channel(a.at(8, 48), 0), 100) << std::hex << a.at(8, 48);
  EXPECT_EQ(ripples(still, a, 0, 30), 0) << "the picture above the horizon";
  EXPECT_GT(ripples(still, a, 34, 64) + ripples(a, b, 34, 64), 0) << "the band ripples";
  EXPECT_GT(ripples(a, b, 34, 64), 0) << "the ripples move";

  LoseAndReset();
  const lumi_test::Pixels c = Frame(0.8), d = Frame(1.1);
  EXPECT_GT(Channel(c.at(8, 48), 16), 150) << std::hex << c.at(8, 48);
  EXPECT_EQ(ripples(still, c, 0, 30), 0);
  EXPECT_GT(ripples(c, d, 34, 64), 0) << "the ripples move after the reset";
}

TEST_F(AnimatedLightsDevice, WaterRingsRefractThePicture) {
  auto* light = new DS_WaterRingLight;
  light->dropRate.SetValue(600, nullptr);  // ten drops a second
  light->dropStrength.SetValue(100, nullptr);
  Start(light);
  const lumi_test::Pixels calm = Frame(0.0);
  // A calm surface shows the picture, slightly enlarged about its centre.
  EXPECT_GT(Channel(calm.at(8, 8), 16), 200) << std::hex << calm.at(8, 8);
  EXPECT_GT(Channel(calm.at(8, 56), 0), 200) << std::hex << calm.at(8, 56);
  lumi_test::Pixels rippled;
  for (int i = 1; i <= 30; ++i) rippled = Frame(i * 0.1);
  int moved = 0;
  for (size_t i = 0; i < calm.argb.size(); ++i) moved += (calm.argb[i] & 0xFFFFFF) != (rippled.argb[i] & 0xFFFFFF);
  EXPECT_GT(moved, 20) << "the drops' rings move pixels";

  LoseAndReset();
  const lumi_test::Pixels after = Frame(3.1);
  EXPECT_GT(Channel(after.at(8, 8), 16), 150) << std::hex << after.at(8, 8);
}

TEST_F(AnimatedLightsDevice, WaterRingsOverTheComposedSlide) {
  auto* light = new DS_WaterRingLight;
  light->mode = 1;
  Start(light);
  ASSERT_TRUE(light->NeedsOffscreen());
  const lumi_test::Pixels p = Frame(0.0);
  EXPECT_GT(Channel(p.at(8, 8), 16), 200) << std::hex << p.at(8, 8);
  EXPECT_GT(Channel(p.at(8, 56), 0), 200) << std::hex << p.at(8, 56);
}

TEST_F(AnimatedLightsDevice, GlassBallShowsTheSlideInADiscThatMoves) {
  auto* light = new DS_GlassBallLight;
  light->gradientTop = 0x00FF00;     // green at the top
  light->gradientBottom = 0x00FF00;
  light->overlay1On = 0;
  light->overlay2On = 0;
  light->motionMode = 1;
  Start(light);
  ASSERT_NE(light->bumpMap, nullptr);
  ASSERT_NE(light->discMask, nullptr);
  const lumi_test::Pixels first = Frame(0.0);
  // Outside the disc the gradient; inside it the slide, which is red above and blue below.
  EXPECT_GT(Channel(first.at(1, 1), 8), 200) << std::hex << first.at(1, 1);
  EXPECT_LT(Channel(first.at(1, 1), 16), 60) << std::hex << first.at(1, 1);
  int slide = 0;
  for (UINT y = 20; y < 44; ++y)
    for (UINT x = 20; x < 44; ++x) {
      const DWORD c = first.at(x, y);
      slide += (Channel(c, 16) > 120 || Channel(c, 0) > 120) && Channel(c, 8) < 120 ? 1 : 0;
    }
  EXPECT_GT(slide, 24 * 24 / 2) << "the slide inside the ball";
  // Scrolling: the white stripe moves through the ball.
  const lumi_test::Pixels later = Frame(6.0);
  int changed = 0;
  for (UINT y = 20; y < 44; ++y)
    for (UINT x = 20; x < 44; ++x) changed += (first.at(x, y) & 0xFFFFFF) != (later.at(x, y) & 0xFFFFFF);
  EXPECT_GT(changed, 20) << "the slide moved inside the ball";

  LoseAndReset();
  const lumi_test::Pixels after = Frame(6.1);
  EXPECT_GT(Channel(after.at(1, 1), 8), 200) << std::hex << after.at(1, 1);
}

// A wide back buffer, so that the ball's disc spans a few hundred pixels, and overlays and a shadow of
// the document's own, translucent everywhere (their corners too).
class GlassBallDevice : public AnimatedLightsDevice {
 protected:
  lumi_test::D3DTestOptions Options() const override {
    return lumi_test::D3DTestOptions::Sized(480, 270);
  }
  void SetUp() override {
    AnimatedLightsDevice::SetUp();
    AddPicture(kOverlayKey, Fill(64, 64, D3DFMT_A8R8G8B8, [](UINT x, UINT y) -> DWORD {
                 return static_cast<DWORD>((40 + (x + y) * 3) & 0xFF) << 24 | 0xFFFFFF;  // white, alpha varying
               }), 64, 64);
    AddPicture(kShadowKey, Fill(64, 32, D3DFMT_A8R8G8B8, [](UINT x, UINT) -> DWORD {
                 return static_cast<DWORD>(60 + x * 2) << 24 | 0x102030;
               }), 64, 32);
    // Four times as wide as high: the lens reads only a band of it.
    AddPicture(kWideKey, Fill(128, 32, D3DFMT_A8R8G8B8, [](UINT x, UINT y) -> DWORD {
                 return (x / 4 + y / 4) % 2 ? 0xFFFF2010 : 0xFF1020FF;
               }), 128, 32);
  }
  // A ball with the document's overlays and shadow over a gradient without red.
  DS_GlassBallLight* NewBall(int motionMode, int shadowOn) const {
    auto* light = new DS_GlassBallLight;
    light->overlay1.Raw() = kOverlayKey;
    light->overlay2.Raw() = kOverlayKey;
    light->shadow.Raw() = kShadowKey;
    light->gradientTop = 0x20C010;  // green and blue, no red
    light->gradientBottom = 0x808010;
    light->motionMode = motionMode;
    light->shadowOn = shadowOn;
    return light;
  }
  const DocFileKey kOverlayKey{u"test\\overlay.png", 3};
  const DocFileKey kShadowKey{u"test\\shadow.png", 4};
  const DocFileKey kWideKey{u"test\\wide.png", 5};
};

// The slide's picture is drawn off-screen only where the post pass may read it, its copies only where the
// lens may read them, the lens and its overlays only where the disc mask may leave them, and the mask only
// where it may paint: the frames are the same, pixel for pixel, as with every pass drawn whole. Before
// each cut frame both off-screen targets are filled with magenta, so that a texel read outside what the
// cut passes drew would show.
TEST_F(GlassBallDevice, PassesCutToWhatTheyCanChangeGiveTheFrameOfWholePasses) {
  const struct {
    const char* name;
    int motionMode, shadowOn, pictureBackground;
    LONG offsetX, offsetY;
    UINT ballSize;
    bool wide;
  } cases[] = {
      {"swaying", 3, 0, 0, 0, 0, 100, false},
      {"swaying a wide picture", 3, 0, 0, 0, 0, 100, true},
      {"a wide picture standing still, the ball moved", 0, 1, 0, 90, -30, 80, true},
      {"scrolling with a shadow", 1, 1, 0, 0, 0, 100, false},
      {"scrolling a wide picture", 1, 0, 0, 0, 0, 100, true},
      {"scrolling a wide picture the other way, the ball moved", 2, 0, 0, -120, 40, 120, true},
      {"moved off the target, larger, over the background picture", 2, 1, 1, 140, -90, 160, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DS_GlassBallLight* light = NewBall(c.motionMode, c.shadowOn);
    light->background.Raw() = kPictureKey;
    light->pictureBackground = c.pictureBackground;
    light->ballOffset.Raw() = POINT{c.offsetX, c.offsetY};
    light->ballSize = c.ballSize;
    Start(light, c.wide ? kWideKey : kPictureKey);
    ASSERT_TRUE(light->cutPasses);
    for (double t : {0.0, 3.7}) {
      light->cutPasses = false;
      const lumi_test::Pixels whole = Frame(t);
      light->cutPasses = true;
      for (const ComRef<IDirect3DTexture9>& target : light->renderTargets.textures) {
        ASSERT_NE(target, nullptr);
        ComRef<IDirect3DSurface9> surface;
        ASSERT_EQ(target->GetSurfaceLevel(0, surface.Out()), S_OK);
        ASSERT_EQ(device()->ColorFill(surface, nullptr, 0xFFFF00FF), S_OK);
      }
      const lumi_test::Pixels cut = Frame(t);
      ASSERT_EQ(cut.argb.size(), whole.argb.size());
      int differing = 0, ball = 0;
      for (UINT y = 0; y < cut.height; ++y)
        for (UINT x = 0; x < cut.width; ++x) {
          differing += (cut.at(x, y) & 0xFFFFFF) != (whole.at(x, y) & 0xFFFFFF) ? 1 : 0;
          ball += Channel(cut.at(x, y), 16) > 120 ? 1 : 0;  // the slide's red top, through the lens
        }
      EXPECT_EQ(differing, 0) << t;
      EXPECT_GT(ball, 2000) << "the slide inside the ball at " << t;
    }
  }
}

// With nothing over its picture a ball in a slide keeps the picture it composed off-screen from frame to
// frame: its frames are those of a ball that composes the slide anew each frame, through a new picture
// and a device loss and reset (whose new targets are filled with magenta, as nothing promises what a new
// texture holds), swaying, scrolling and standing still.
TEST_F(GlassBallDevice, AKeptPictureGivesTheFramesOfOneComposedEachFrame) {
  const struct {
    const char* name;
    int motionMode, shadowOn;
  } cases[] = {{"swaying", 3, 0}, {"scrolling", 1, 1}, {"scrolling the other way", 2, 0}, {"still", 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DS_SlideContainer slides[2];  // the first keeps its picture, the second composes it every frame
    DS_GlassBallLight* lights[2];
    for (int i = 0; i < 2; ++i) {
      DS_GlassBallLight* light = lights[i] = NewBall(c.motionMode, c.shadowOn);
      light->cutPasses = i == 0;
      light->picture.Raw() = kPictureKey;
      slides[i].picture = CountedPtr<DS_2D_Light>(light);
      light->OnCreateDevice();
      light->Resize(static_cast<int>(Options().width), static_cast<int>(Options().height));
      light->SetPicturePosition(PicturePosition::Stretch);
      light->OnResetDevice();
    }
    // Both balls at time t: the motion's clock is shared, so the second sees the same phase.
    auto frames = [&](double t, const char* state) {
      lumi_test::Pixels p[2];
      for (DS_SlideContainer& slide : slides) slide.FrameMove(t);
      for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1, 0), S_OK);
        EXPECT_EQ(device()->BeginScene(), S_OK);
        slides[i].Render();
        slides[i].PostRender();
        device()->EndScene();
        p[i] = BackBuffer();
      }
      int differing = 0, ball = 0;
      for (UINT y = 0; y < p[0].height; ++y)
        for (UINT x = 0; x < p[0].width; ++x) {
          differing += (p[0].at(x, y) & 0xFFFFFF) != (p[1].at(x, y) & 0xFFFFFF) ? 1 : 0;
          ball += Channel(p[0].at(x, y), 16) > 120 ? 1 : 0;  // the slide's red, through the lens
        }
      EXPECT_EQ(differing, 0) << state << " at " << t;
      EXPECT_GT(ball, 2000) << state << ": the slide inside the ball at " << t;
    };
    double t = 0;
    for (int i = 0; i < 3; ++i) frames(t += 0.7, "the first picture");
    for (DS_GlassBallLight* light : lights) {
      light->picture.Raw() = kWideKey;
      light->ReloadImage();
    }
    for (int i = 0; i < 3; ++i) frames(t += 0.7, "a new picture");
    ASSERT_TRUE(LoseAndResetDevice(
        [&] {
          for (DS_GlassBallLight* light : lights) light->OnLostDevice();
        },
        [&] { return test_.ResetDevice(); },
        [&] {
          for (DS_GlassBallLight* light : lights) light->OnResetDevice();
        }))
        << "a default-pool object was left";
    for (DS_GlassBallLight* light : lights) {
      for (const ComRef<IDirect3DTexture9>& target : light->renderTargets.textures) {
        ASSERT_NE(target, nullptr);
        ComRef<IDirect3DSurface9> surface;
        ASSERT_EQ(target->GetSurfaceLevel(0, surface.Out()), S_OK);
        ASSERT_EQ(device()->ColorFill(surface, nullptr, 0xFFFF00FF), S_OK);
      }
    }
    for (int i = 0; i < 3; ++i) frames(t += 0.7, "after a reset");
  }
}

// The ball's own pictures from basekit.dll (overlays, shadow, the picture behind it), let go of after its
// show and loaded again at its next start: nothing holds them meanwhile, and the frame is the same pixel
// for pixel.
TEST_F(GlassBallDevice, ModulePicturesLetGoOfAndLoadedAgainGiveTheSameFrame) {
  struct ModulePictures {
    ModulePictures() { SetModuleResources(&Win32ModuleResources()); }
    ~ModulePictures() { SetModuleResources(nullptr); }
  } modulePictures;
  DS_SlideContainer slide;
  auto* light = new DS_GlassBallLight;
  light->shadowOn = 1;
  light->pictureBackground = 1;
  light->ballSize = 60;
  light->motionMode = 0;
  light->picture.Raw() = kPictureKey;
  slide.picture = CountedPtr<DS_2D_Light>(light);
  light->OnCreateDevice();
  light->Resize(static_cast<int>(Options().width), static_cast<int>(Options().height));
  light->OnResetDevice();
  ASSERT_NE(light->overlay1Texture, nullptr);
  ASSERT_NE(light->shadowTexture, nullptr);
  ASSERT_NE(light->backgroundInfo.texture, nullptr);
  auto frame = [&] {
    slide.FrameMove(1.0);
    EXPECT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1, 0), S_OK);
    EXPECT_EQ(device()->BeginScene(), S_OK);
    slide.Render();
    slide.PostRender();
    device()->EndScene();
    return BackBuffer();
  };
  const lumi_test::Pixels first = frame();

  std::vector<IDirect3DTexture9*> held = {light->overlay1Texture, light->overlay2Texture, light->shadowTexture,
                                          light->backgroundInfo.texture};
  for (IDirect3DTexture9* t : held) t->AddRef();
  light->ReleasePictures();
  for (IDirect3DTexture9* t : held) EXPECT_EQ(t->Release(), 0u) << "held by nothing else";

  light->RemakePictures();  // the slide's next start, then its reset
  light->OnResetDevice();
  const lumi_test::Pixels again = frame();
  ASSERT_EQ(first.argb.size(), again.argb.size());
  size_t differ = 0;
  for (size_t i = 0; i < first.argb.size(); ++i) differ += first.argb[i] != again.argb[i];
  EXPECT_EQ(differ, 0u);
}

// A swaying ball is filled by its picture, wide or upright: the disc holds the slide on every row from rim
// to rim. A wide picture shows no vertical seam at any point of the sway: the lens reads 0.66 / aspect of
// the slide's width about a centre that sways by 0.125 of it, widened near the rim by the bump's offsets,
// and for 16:9 that stays inside the slide. (A picture narrower than about 7:5, an upright one among
// them, is read past its edges by those same rules, and the wrapped slide shows its other side there.)
TEST_F(GlassBallDevice, APictureFillsTheSwayingBallAndAWideOneWithoutASeam) {
  // Red grows from left to right and blue from top to bottom: a seam is a jump in red.
  const struct {
    const char* name;
    UINT width, height;
    DWORD (*texel)(UINT x, UINT y);
    bool seamless;
  } cases[] = {
      {"wide", 128, 72, [](UINT x, UINT y) -> DWORD { return 0xFF000000u | (x * 255 / 127) << 16 | (y * 255 / 71); }, true},
      {"upright", 96, 128, [](UINT x, UINT y) -> DWORD { return 0xFF000000u | (x * 255 / 95) << 16 | (y * 255 / 127); },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DocFileKey key{c.seamless ? u"test\\wide_gradient.png" : u"test\\upright_gradient.png", 7};
    AddPicture(key, Fill(c.width, c.height, D3DFMT_A8R8G8B8, c.texel), c.width, c.height);
    DS_GlassBallLight* light = NewBall(3, 0);
    light->overlay1On = 0;
    light->overlay2On = 0;
    light->gradientTop = 0x00FF00;  // green: the picture has none
    light->gradientBottom = 0x00FF00;
    Start(light, key);
    for (double t = 0; t < 32; t += 4) {  // a whole sway
      const lumi_test::Pixels p = Frame(t);
      int seams = 0, disc = 0, holes = 0;
      for (UINT y = 0; y < p.height; ++y) {
        // The disc's span on this row, less a few pixels at its rim.
        UINT first = p.width, last = 0;
        for (UINT x = 0; x < p.width; ++x)
          if (Channel(p.at(x, y), 8) < 64) {
            first = std::min(first, x);
            last = x;
          }
        if (last < first + 12) continue;
        for (UINT x = first + 4; x + 5 < last; ++x) {
          ++disc;
          holes += Channel(p.at(x, y), 8) >= 64 ? 1 : 0;
          seams += std::abs(Channel(p.at(x + 1, y), 16) - Channel(p.at(x, y), 16)) > 96 ? 1 : 0;
        }
      }
      EXPECT_GT(disc, 20000) << t;
      EXPECT_EQ(holes, 0) << "pixels of the background inside the disc at " << t;
      if (c.seamless) {
        EXPECT_EQ(seams, 0) << "pixels beside a vertical seam at " << t;
      }
    }
  }
}

// The flame light with the effects and pictures of basekit.dll beside the test program.
class FlameLightDevice : public AnimatedLightsDevice {
 protected:
  void SetUp() override {
    AnimatedLightsDevice::SetUp();
    // The document attaches to the device that loads module pictures when it is made.
    manager_.reset();
    SetModuleResources(&Win32ModuleResources());
    SetRenderDevice(&docDevice_);
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    AddPicture(kPictureKey, MakePicture(), 64, 64);
  }
  void TearDown() override {
    AnimatedLightsDevice::TearDown();
    SetRenderDevice(nullptr);
    SetModuleResources(nullptr);
  }
  DS_FlameLight* StartFlame(int fireEnable, int hazeEnable) {
    auto* light = new DS_FlameLight;
    light->fireEnable = fireEnable;
    light->hazeEnable = hazeEnable;
    Start(light);
    return light;
  }
  // Pixels whose colour differs by more than tolerance in a channel, in rows [top, bottom).
  static int Changed(const lumi_test::Pixels& a, const lumi_test::Pixels& b, UINT top, UINT bottom,
                     int tolerance = 6) {
    int n = 0;
    for (UINT y = top; y < bottom; ++y)
      for (UINT x = 0; x < a.width; ++x)
        for (int shift = 0; shift < 24; shift += 8)
          if (std::abs(Channel(a.at(x, y), shift) - Channel(b.at(x, y), shift)) > tolerance) {
            ++n;
            break;
          }
    return n;
  }
  static void ExpectThePicture(const lumi_test::Pixels& p) {
    EXPECT_GT(Channel(p.at(8, 8), 16), 200) << std::hex << p.at(8, 8);   // the red top
    EXPECT_GT(Channel(p.at(8, 56), 0), 200) << std::hex << p.at(8, 56);  // the blue bottom
  }

  D3D9RenderDevice docDevice_;
};

// The fire band starts 35 % down a 64-pixel picture: at y = 22.4.
const UINT kFireTop = 23;

TEST_F(FlameLightDevice, FireRisesFromTheLowerPartOfThePicture) {
  DS_FlameLight* light = StartFlame(0, 0);
  ASSERT_NE(light->fire.effect, nullptr) << "the fire effect of basekit.dll";
  const lumi_test::Pixels plain = Frame(0.5);
  ExpectThePicture(plain);
  light->fireEnable = 1;
  const lumi_test::Pixels burning = Frame(1.0);
  EXPECT_EQ(Changed(plain, burning, 0, kFireTop - 1), 0) << "nothing above the band";
  EXPECT_GT(Changed(plain, burning, kFireTop, 64), 64) << "flames in the band";
  // The flames move: the same band a second later.
  lumi_test::Pixels later;
  for (int i = 1; i <= 5; ++i) later = Frame(1.0 + 0.2 * i);
  EXPECT_GT(Changed(burning, later, kFireTop, 64), 16);
  EXPECT_EQ(Changed(plain, later, 0, kFireTop - 1), 0);
}

TEST_F(FlameLightDevice, HazeMovesPixelsOfTheFinishedFrame) {
  DS_FlameLight* light = StartFlame(0, 1);
  ASSERT_NE(light->haze.effect.Get(), nullptr) << "the heat haze effect of basekit.dll";
  ASSERT_NE(light->haze.bumpTexture.Get(), nullptr) << "the distortion map of basekit.dll";
  ASSERT_TRUE(light->NeedsOffscreen());
  light->haze.strength.SetValue(1000, nullptr);  // a shift of a few pixels on this small picture
  light->hazeEnable = 0;
  const lumi_test::Pixels still = Frame(0.2);
  light->hazeEnable = 1;
  const lumi_test::Pixels first = Frame(0.4);
  ExpectThePicture(first);
  EXPECT_GT(Changed(still, first, 0, 64), 20) << "the haze shifts the picture's edges";
  lumi_test::Pixels later;
  for (int i = 1; i <= 30; ++i) later = Frame(0.4 + 0.2 * i);
  ExpectThePicture(later);
  EXPECT_GT(Changed(first, later, 0, 64), 20) << "and moves over time";
}

TEST_F(FlameLightDevice, KeepsBurningAndShimmeringAfterADeviceLossInTheSlide) {
  DS_FlameLight* light = StartFlame(0, 0);
  const lumi_test::Pixels plain = Frame(0.1);
  light->fireEnable = 1;
  light->hazeEnable = 1;
  light->haze.strength.SetValue(1000, nullptr);
  lumi_test::Pixels before;
  for (int i = 1; i <= 5; ++i) before = Frame(0.1 + 0.2 * i);
  EXPECT_GT(Changed(plain, before, kFireTop, 64), 64);

  LoseAndReset();
  ASSERT_TRUE(light->NeedsOffscreen());
  lumi_test::Pixels after = Frame(1.3);
  ExpectThePicture(after);
  EXPECT_GT(Changed(plain, after, kFireTop, 64), 64) << "the fire after the reset";
  light->fireEnable = 0;
  const lumi_test::Pixels hazeOnly = Frame(1.5);
  EXPECT_GT(Changed(plain, hazeOnly, 0, 64), 20) << "the haze after the reset";
}

TEST_F(FlameLightDevice, WithoutTheFireEffectThePictureStillShows) {
  auto* light = new DS_FlameLight;
  light->hazeEnable = 0;
  light->fire.effectLink.Raw() = DocFileKey(u"basekit.dll", 4000);  // not in the module
  Start(light);
  EXPECT_EQ(light->fire.effect, nullptr);
  const lumi_test::Pixels p = Frame(0.5);
  ExpectThePicture(p);
  light->fireEnable = 0;
  EXPECT_EQ(Changed(Frame(0.7), p, 0, 64, 0), 0);
  EXPECT_GT(light->fire.clock.GetPosition(), 0.3f) << "its clock goes on";
}

// The flame light large enough to see its flames, over a black picture.
class FlameLookDevice : public FlameLightDevice {
 protected:
  lumi_test::D3DTestOptions Options() const override {
    return lumi_test::D3DTestOptions::Sized(384, 256);
  }
  void SetUp() override {
    FlameLightDevice::SetUp();
    AddPicture(kBlackKey, Fill(64, 64, D3DFMT_A8R8G8B8, [](UINT, UINT) -> DWORD { return 0xFF000000; }), 64, 64);
  }
  const DocFileKey kBlackKey{u"test\\black.png", 6};
};

// Flames as a person sees them: from deep red at their edges through orange to white-hot at their core,
// shaded throughout (no patch of one colour) and without hard steps from row to row.
TEST_F(FlameLookDevice, FlamesRunFromDeepRedToWhiteHotWithoutFlatPatchesOrSteps) {
  auto* light = new DS_FlameLight;
  light->hazeEnable = 0;
  Start(light, kBlackKey);
  for (double t : {1.0, 2.7}) {
    SCOPED_TRACE(t);
    const lumi_test::FireLook f = lumi_test::MeasureFireLook(Frame(t), 0, 256);
    lumi_test::ExpectLooksLikeFire(f, 384 * 256 / 8);
  }
}

}  // namespace
