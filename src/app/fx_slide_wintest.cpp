// The effect items on a real device with the effects of basekit.dll: a slide of a known picture with one
// item is drawn, read back and compared with the plain picture.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "dxut/d3d_device.h"
#include "dxut/device_objects.h"
#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "fx/wave_fx.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "fx/fire_fx.h"
#include "render/projection.h"
#include "render/render_device_win.h"
#include "fx/fx_constructor.h"
#include "fx/underwater_fx.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/render_device.h"
#include "support/d3d_fixture_win.h"
#include "support/fire_look_win.h"

namespace {

const UINT kSide = 128;

int Channel(DWORD c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }
int Brightness(DWORD c) { return Channel(c, 16) + Channel(c, 8) + Channel(c, 0); }
bool Near(DWORD a, DWORD b, int tolerance = 24) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(Channel(a, s) - Channel(b, s)) > tolerance) return false;
  return true;
}

// A 128 x 128 back buffer in Stretch mode: the picture covers it pixel for pixel. The slide's picture is
// made by the test; the items load their effects from basekit.dll through the document.
class FxOnDevice : public lumi_test::D3DFixture {
 protected:
  lumi_test::D3DTestOptions Options() const override {
    return lumi_test::D3DTestOptions::Sized(kSide, kSide);
  }
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    ASSERT_NE(device(), nullptr);
    SetModuleResources(&Win32ModuleResources());
    SetRenderDevice(&renderDevice_);
    g_DocResManager = new DS_DocResManager;
    g_LetterboxProjection = LetterboxProjection();
    g_LetterboxProjection.mode = PicturePosition::Stretch;
    slide_.reset(new DS_SlideContainer);
    slide_->picture = CountedPtr<DS_2D_Light>(new DS_2D_Light);
    light()->OnCreateDevice();
    light()->Resize(1, 1);
  }
  void TearDown() override {
    slide_.reset();
    delete g_DocResManager;
    g_DocResManager = nullptr;
    g_LetterboxProjection = LetterboxProjection();
    SetRenderDevice(nullptr);
    SetModuleResources(nullptr);
    lumi_test::D3DFixture::TearDown();
  }
  DS_2D_Light* light() { return slide_->picture.Get(); }

  // The picture, pixel (x, y) of colour paint (x, y).
  void Picture(const std::function<DWORD(UINT, UINT)>& paint, UINT w = kSide, UINT h = kSide) {
    IDirect3DTexture9* tex = MakeTexture(w, h, paint);
    ASSERT_NE(tex, nullptr);
    light()->pictureQuad.info.Assign(tex, w, h);
    SetPictureQuadTexture(light()->pictureQuad.info, light()->pictureQuad);
    tex->Release();
    light()->Resize(kSide, kSide);
    light()->SetPicturePosition(PicturePosition::Stretch);
    light()->OnResetDevice();
  }
  IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::function<DWORD(UINT, UINT)>& paint) {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device()->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr))) return nullptr;
    D3DLOCKED_RECT r;
    if (SUCCEEDED(tex->LockRect(0, &r, nullptr, 0))) {
      for (UINT y = 0; y < h; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch);
        for (UINT x = 0; x < w; ++x) row[x] = paint(x, y);
      }
      tex->UnlockRect(0);
    }
    return tex;
  }
  // The item's render object joins the slide (its effect and mask loaded from the document).
  DS_FX_Constructor* Add(DS_FX_Constructor& item) {
    slide_->renderObjects.push_back(CountedPtr<DS_ABObj>(item.CreateRenderObject()));
    return static_cast<DS_BrushObj*>(slide_->renderObjects.back().Get())->effectItem;
  }
  // One frame of the slide at application time t, read back.
  lumi_test::Pixels Frame(double t = 0.0) {
    for (auto& o : slide_->renderObjects) o->Update(t);
    EXPECT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0), S_OK);
    EXPECT_EQ(device()->BeginScene(), S_OK);
    slide_->Render();
    slide_->PostRender();
    device()->EndScene();
    return BackBuffer();
  }
  // The plain picture as the slide draws it without items.
  lumi_test::Pixels Plain() {
    std::vector<CountedPtr<DS_ABObj>> saved;
    saved.swap(slide_->renderObjects);
    lumi_test::Pixels p = Frame();
    saved.swap(slide_->renderObjects);
    return p;
  }
  // Pixels of a that differ from b inside the 16-pixel bands of the Columns picture, away from their edges:
  // each pass through the render-target pair may resample the scene by half a pixel, blending at the edges.
  static int DifferingInsideBands(const lumi_test::Pixels& a, const lumi_test::Pixels& b) {
    int n = 0;
    for (UINT y = 0; y < a.height; ++y)
      for (UINT x = 0; x < a.width; ++x)
        if (x % 16 >= 3 && x % 16 <= 12) n += Near(a.at(x, y), b.at(x, y)) ? 0 : 1;
    return n;
  }
  static int Differing(const lumi_test::Pixels& a, const lumi_test::Pixels& b, int tolerance = 24) {
    int n = 0;
    for (size_t i = 0; i < a.argb.size(); ++i) n += Near(a.argb[i], b.argb[i], tolerance) ? 0 : 1;
    return n;
  }

  D3D9RenderDevice renderDevice_;
  std::unique_ptr<DS_SlideContainer> slide_;
};

// Horizontal bands of 16 rows: red, green, blue, white, again and again.
DWORD Rows(UINT, UINT y) {
  const DWORD bands[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  return bands[(y / 16) % 4];
}
DWORD Columns(UINT x, UINT y) { return Rows(y, x); }
DWORD Grey(UINT, UINT) { return 0xFF404040; }

// Where column x's first band edge (red to green) lies.
int EdgeRow(const lumi_test::Pixels& p, UINT x) {
  for (UINT y = 1; y < 40; ++y)
    if (Channel(p.at(x, y), 8) > Channel(p.at(x, y), 16)) return static_cast<int>(y);
  return -1;
}

TEST_F(FxOnDevice, EveryEffectItemLoadsItsEffect) {
  Picture(Grey);
  DS_PatternBrush brush;
  DS_BackgroundCopy copy;
  DS_WavesFX waves;
  DS_UnderwaterFX underwater;
  DS_MoveFX move;
  DS_LightFX light;
  DS_WaterFX water;
  DS_FireFX fire;
  DS_FX_Constructor* items[] = {&brush, &copy, &waves, &underwater, &move, &light, &water, &fire};
  for (DS_FX_Constructor* item : items) {
    SCOPED_TRACE(item->effectLink.GetStamp());
    EXPECT_NE(Add(*item)->effect, nullptr);
  }
  EXPECT_NE(static_cast<DS_WaterFX*>(Add(water))->bumpTexture, nullptr);
  EXPECT_NE(static_cast<DS_FireFX*>(Add(fire))->patternTexture, nullptr);
  EXPECT_NE(static_cast<DS_FireFX*>(Add(fire))->noiseTexture, nullptr);
}

TEST_F(FxOnDevice, WavesMovePixelsAcrossTheirDirectionByTheirAmplitude) {
  Picture(Rows);
  const lumi_test::Pixels plain = Plain();
  DS_WavesFX waves;
  waves.amplitude.SetValue(160, nullptr);  // 0.04 of the picture: 5 pixels
  waves.wavelength.SetValue(120, nullptr);
  Add(waves);
  const lumi_test::Pixels p = Frame(0.1);
  int lowest = 1000, highest = -1000;
  for (UINT x = 0; x < kSide; x += 4) {
    const int shift = EdgeRow(p, x) - EdgeRow(plain, x);
    lowest = std::min(lowest, shift);
    highest = std::max(highest, shift);
  }
  // The edge between the first bands runs up and down along x by about the amplitude each way.
  EXPECT_GE(highest, 3);
  EXPECT_LE(highest, 7);
  EXPECT_LE(lowest, -3);
  EXPECT_GE(lowest, -7);
}

TEST_F(FxOnDevice, UnderwaterWobbleMovesThePictureALittleEverywhere) {
  Picture(Columns);
  const lumi_test::Pixels plain = Plain();
  DS_UnderwaterFX wobble;
  wobble.amplitude.SetValue(400, nullptr);  // 0.05: 6 pixels
  Add(wobble);
  const lumi_test::Pixels a = Frame(0.1);
  const lumi_test::Pixels b = Frame(0.3);
  EXPECT_GT(Differing(a, plain), 200);
  EXPECT_GT(Differing(a, b), 50);  // it moves with time
  // Inside a band, away from its edges by more than the amplitude, nothing changes.
  for (UINT y = 0; y < kSide; y += 8) EXPECT_TRUE(Near(a.at(8, y), plain.at(8, y))) << y;
}

TEST_F(FxOnDevice, LightBrightensByItsMultiplierOverTime) {
  Picture(Grey);
  DS_LightFX blink;
  blink.mode = 1;  // 0 or the level
  blink.level.SetValue(100, nullptr);
  auto* item = static_cast<DS_LightFX*>(Add(blink));
  // Clock 0: off. A tenth of a second later (clock 4 at 40 per second) the sine is up: on, twice as bright.
  const lumi_test::Pixels off = Frame(0.0);
  EXPECT_TRUE(Near(off.at(64, 64), 0xFF404040)) << std::hex << off.at(64, 64);
  const lumi_test::Pixels on = Frame(0.1);
  EXPECT_FLOAT_EQ(item->clock.GetPosition(), 4.0f);
  EXPECT_TRUE(Near(on.at(64, 64), 0xFF808080)) << std::hex << on.at(64, 64);
  // The pulse goes between: half the level at clock 0 of a fresh item.
  slide_->renderObjects.clear();
  DS_LightFX pulse;
  pulse.level.SetValue(100, nullptr);
  Add(pulse);
  const lumi_test::Pixels half = Frame(0.0);
  EXPECT_TRUE(Near(half.at(64, 64), 0xFF606060)) << std::hex << half.at(64, 64);
}

TEST_F(FxOnDevice, AMaskLimitsTheEffectToItsArea) {
  Picture(Grey);
  // The left half of the mask covers, the right half does not.
  IDirect3DTexture9* mask = MakeTexture(64, 64, [](UINT x, UINT) { return x < 32 ? 0xFFFFFFFFu : 0x00FFFFFFu; });
  ASSERT_NE(mask, nullptr);
  DS_LightFX lit;
  lit.mode = 1;
  lit.level.SetValue(100, nullptr);
  lit.clock.SetPosition(2.5f * 3.14159f);  // on
  g_DocResManager->Maps().SetGuidTexture(lit.maskKey, mask);
  mask->Release();
  Add(lit);
  const lumi_test::Pixels p = Frame(0.0);
  EXPECT_TRUE(Near(p.at(16, 64), 0xFF808080)) << std::hex << p.at(16, 64);
  EXPECT_TRUE(Near(p.at(112, 64), 0xFF404040)) << std::hex << p.at(112, 64);
  // The same over the scene composed so far.
  static_cast<DS_BrushObj*>(slide_->renderObjects.back().Get())->effectItem->mainFX = 1;
  const lumi_test::Pixels fx = Frame(0.0);
  EXPECT_TRUE(Near(fx.at(16, 64), 0xFF808080)) << std::hex << fx.at(16, 64);
  EXPECT_TRUE(Near(fx.at(112, 64), 0xFF404040)) << std::hex << fx.at(112, 64);
}

TEST_F(FxOnDevice, PatternBrushTilesItsPattern) {
  Picture(Grey);
  // An 8 x 8 pattern: a red left half and a blue right half, tiled 16 times across.
  IDirect3DTexture9* tile = MakeTexture(8, 8, [](UINT x, UINT) { return x < 4 ? 0xFFFF0000u : 0xFF0000FFu; });
  ASSERT_NE(tile, nullptr);
  DS_PatternBrush brush;
  DS_FX_Constructor* item = Add(brush);
  auto* loaded = static_cast<DS_PatternBrush*>(item);
  TextureInfo info;
  info.Assign(tile, 8, 8);
  loaded->pattern.ClearFrames();
  loaded->pattern.AddFrame(info);
  tile->Release();
  const lumi_test::Pixels p = Frame(0.0);
  for (UINT x = 1; x < kSide; x += 8) {
    EXPECT_TRUE(Near(p.at(x + 1, 40), 0xFFFF0000)) << x;
    EXPECT_TRUE(Near(p.at(x + 5, 40), 0xFF0000FF)) << x;
  }
}

TEST_F(FxOnDevice, BackgroundCopyShowsTheShiftedCopy) {
  Picture(Columns);
  const lumi_test::Pixels plain = Plain();
  DS_BackgroundCopy copy;
  copy.rectangle.centreX.Raw() = 32;  // a quarter of the picture: 32 pixels
  Add(copy);
  const lumi_test::Pixels p = Frame(0.0);
  for (UINT x = 4; x + 32 < kSide; x += 16) EXPECT_TRUE(Near(p.at(x, 50), plain.at(x + 32, 50))) << x;
}

TEST_F(FxOnDevice, MovementShiftsThePictureAlongItsAngle) {
  Picture(Columns);
  const lumi_test::Pixels plain = Plain();
  DS_MoveFX move;
  move.amplitude.SetValue(400, nullptr);  // 0.08 at the sine's peak: 10 pixels
  Add(move);
  const lumi_test::Pixels p = Frame(0.0);
  for (int i = 1; i <= 8; ++i) Frame(i * 0.19635);  // clock pi / 2: the sine's peak
  const lumi_test::Pixels moved = Frame(8 * 0.19635);
  EXPECT_EQ(Differing(p, plain), 0);
  for (UINT x = 2; x + 10 < kSide; x += 16) EXPECT_TRUE(Near(moved.at(x, 60), plain.at(x + 10, 60))) << x;
}

TEST_F(FxOnDevice, WaterChangesThePicture) {
  Picture(Columns);
  const lumi_test::Pixels plain = Plain();
  DS_WaterFX water;
  water.mainFX = 1;
  water.colour = 0x00FFFFFF;
  Add(water);
  const lumi_test::Pixels p = Frame(0.1);
  EXPECT_GT(Differing(p, plain), 100);
  int black = 0;
  for (DWORD c : p.argb) black += Brightness(c) < 30 ? 1 : 0;
  EXPECT_LT(black, 100);  // the picture is still there
}

// Without a mask the waves, the water, the underwater wobble and the fire draw with their cheaper twin
// techniques; the frame must be the one their masked techniques draw under a mask that covers everything.
TEST_F(FxOnDevice, WithoutAMaskAnItemDrawsWhatAMaskCoveringEverythingDraws) {
  IDirect3DTexture9* everywhere = MakeTexture(8, 8, [](UINT, UINT) { return 0xFFFFFFFFu; });
  ASSERT_NE(everywhere, nullptr);
  struct Case {
    const char* name;
    DWORD (*picture)(UINT, UINT);  // bands across the item's displacement
    std::function<DS_FX_Constructor*()> make;
  } cases[] = {
      {"waves", Rows, [] {
         auto* waves = new DS_WavesFX;
         waves->amplitude.SetValue(160, nullptr);
         return waves;
       }},
      {"water", Columns, [] { return new DS_WaterFX; }},
      {"underwater", Columns, [] {
         auto* underwater = new DS_UnderwaterFX;
         underwater->amplitude.SetValue(400, nullptr);
         return underwater;
       }},
      {"fire", Grey, [] {
         auto* fire = new DS_FireFX;
         const D3DXVECTOR3 corners[4] = {{16, 24, 0}, {16, 120, 0}, {112, 24, 0}, {112, 120, 0}};
         for (int i = 0; i < 4; ++i) fire->area.corners[i].Raw() = corners[i];
         fire->brightness.SetValue(40, nullptr);
         return fire;
       }},
  };
  for (const Case& c : cases) {
    Picture(c.picture);
    const lumi_test::Pixels plain = Plain();
    for (int mainFX : {0, 1}) {
      SCOPED_TRACE(testing::Message() << c.name << " MainFX " << mainFX);
      lumi_test::Pixels frames[2];
      for (int masked = 0; masked < 2; ++masked) {
        slide_->renderObjects.clear();
        std::unique_ptr<DS_FX_Constructor> item(c.make());
        item->mainFX = mainFX;
        if (masked) g_DocResManager->Maps().SetGuidTexture(item->maskKey, everywhere);
        Add(*item);
        frames[masked] = Frame(0.1);
      }
      EXPECT_GT(Differing(frames[0], plain), 100);  // the effect is there
      EXPECT_EQ(Differing(frames[0], frames[1], 2), 0);
    }
  }
  everywhere->Release();
}

// Masked water without shadows draws with the twins that leave out the slope and highlight; the frame
// must be the one "Main" and "MainFX" draw, under a mask that covers the picture in part.
TEST_F(FxOnDevice, MaskedWaterWithoutShadowsDrawsWhatItsLitTechniquesDraw) {
  struct LitWater : DS_WaterFX {
    const char* TwinTechnique(bool) override { return nullptr; }
    DS_FX_Constructor* Clone() const override { return new LitWater(*this); }
  };
  IDirect3DTexture9* half = MakeTexture(8, 8, [](UINT x, UINT) { return x < 4 ? 0xFFFFFFFFu : 0x40FFFFFFu; });
  ASSERT_NE(half, nullptr);
  Picture(Columns);
  const lumi_test::Pixels plain = Plain();
  for (int mainFX : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "MainFX " << mainFX);
    lumi_test::Pixels frames[2];
    for (int lit = 0; lit < 2; ++lit) {
      slide_->renderObjects.clear();
      std::unique_ptr<DS_WaterFX> item(lit ? new LitWater : new DS_WaterFX);
      item->mainFX = mainFX;
      g_DocResManager->Maps().SetGuidTexture(item->maskKey, half);
      Add(*item);
      frames[lit] = Frame(0.1);
    }
    EXPECT_GT(Differing(frames[0], plain), 100);
    EXPECT_EQ(Differing(frames[0], frames[1], 2), 0);
  }
  half->Release();
}

TEST_F(FxOnDevice, FireDrawsInsideItsAreaOnly) {
  Picture(Grey);
  const lumi_test::Pixels plain = Plain();
  DS_FireFX fire;
  const D3DXVECTOR3 corners[4] = {{32, 48, 0}, {32, 112, 0}, {96, 48, 0}, {96, 112, 0}};
  for (int i = 0; i < 4; ++i) fire.area.corners[i].Raw() = corners[i];
  fire.brightness.SetValue(40, nullptr);
  Add(fire);
  const lumi_test::Pixels p = Frame(0.1);
  int inside = 0, outside = 0;
  for (UINT y = 0; y < kSide; ++y) {
    for (UINT x = 0; x < kSide; ++x) {
      const bool changed = Brightness(p.at(x, y)) > Brightness(plain.at(x, y)) + 30;
      const bool in = x >= 31 && x <= 97 && y >= 47 && y <= 113;
      (in ? inside : outside) += changed ? 1 : 0;
    }
  }
  EXPECT_GT(inside, 200);
  EXPECT_EQ(outside, 0);
}

// The fire item's flames as a person sees them, at the demo's brightness, its pattern as wide for its height
// as in the demo: from deep red at their edges through orange to white-hot at their core, shaded throughout
// (no patch of one colour) and without hard steps from row to row.
TEST_F(FxOnDevice, FireRunsFromDeepRedToWhiteHotWithoutFlatPatchesOrSteps) {
  Picture([](UINT, UINT) -> DWORD { return 0xFF000000; });
  DS_FireFX fire;
  const D3DXVECTOR3 corners[4] = {{0, 32, 0}, {0, 128, 0}, {128, 32, 0}, {128, 128, 0}};
  for (int i = 0; i < 4; ++i) fire.area.corners[i].Raw() = corners[i];
  fire.brightness.SetValue(20, nullptr);
  Add(fire);
  for (double t : {1.0, 2.7}) {
    SCOPED_TRACE(t);
    const lumi_test::FireLook f = lumi_test::MeasureFireLook(Frame(t), 0, kSide);
    lumi_test::ExpectLooksLikeFire(f, kSide * kSide / 8);
  }
}

TEST_F(FxOnDevice, AMissingEffectLeavesThePictureAsItWas) {
  Picture(Columns);
  const lumi_test::Pixels plain = Plain();
  for (int mainFX : {0, 1}) {
    SCOPED_TRACE(mainFX);
    slide_->renderObjects.clear();
    DS_WavesFX waves;
    waves.effectLink.Raw() = DocFileKey(u"basekit.dll", 4000);  // no such effect
    waves.mainFX = mainFX;
    ASSERT_EQ(Add(waves)->effect, nullptr);
    DS_PatternBrush noPattern;  // an effect but nothing to draw
    noPattern.mainFX = mainFX;
    Add(noPattern);
    const lumi_test::Pixels p = Frame(0.1);
    EXPECT_EQ(mainFX ? DifferingInsideBands(p, plain) : Differing(p, plain), 0);
  }
}

// A main-effect item drawn first over a plain picture reads the same off-screen picture every frame, and
// the picture light keeps that texture from frame to frame rather than draw the picture into it again.
// Whatever changes what it holds must show in the very next frame: a new picture, an item drawn over the
// picture before the reader and then taken away, a device loss that makes the pair anew. A loss right
// after a frame that drew nothing into the kept texture must still reset.
TEST_F(FxOnDevice, AMainFxItemOverThePictureSeesEveryChangeInTheNextFrame) {
  const DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
  auto solid = [](DWORD c) { return [c](UINT, UINT) { return c; }; };
  DS_WavesFX reader;  // without its effect: the scene it is given, copied unchanged
  reader.effectLink.Raw() = DocFileKey(u"basekit.dll", 4000);
  reader.mainFX = 1;
  Add(reader);
  // Frames of one state: the first after the change, the others from what the light kept.
  auto expectFrames = [&](DWORD colour, const char* state, int frames = 2) {
    for (int i = 0; i < frames; ++i) {
      const lumi_test::Pixels p = Frame();
      EXPECT_TRUE(Near(p.at(20, 20), colour) && Near(p.at(100, 110), colour))
          << state << ", frame " << i << ": " << std::hex << p.at(20, 20) << " " << p.at(100, 110);
    }
  };
  // A loss and reset as the scene host does them; the pair's new textures are filled with another
  // colour, as nothing promises what a new texture holds.
  auto loseAndReset = [&] {
    ASSERT_TRUE(LoseAndResetDevice([&] { light()->OnLostDevice(); }, [&] { return test_.ResetDevice(); },
                                   [&] { light()->OnResetDevice(); }))
        << "a default-pool texture is still held";
    for (IDirect3DTexture9* t : light()->renderTargets.textures) {
      ASSERT_NE(t, nullptr);
      IDirect3DSurface9* level = nullptr;
      ASSERT_EQ(t->GetSurfaceLevel(0, &level), S_OK);
      EXPECT_EQ(device()->ColorFill(level, nullptr, 0xFFFF00FF), S_OK);
      level->Release();
    }
  };
  Picture(solid(kRed));
  expectFrames(kRed, "red picture");
  Picture(solid(kGreen));
  expectFrames(kGreen, "green picture");

  // A pattern brush over the picture, drawn before the reader (the chain draws from the last object).
  IDirect3DTexture9* tile = MakeTexture(8, 8, solid(kBlue));
  ASSERT_NE(tile, nullptr);
  DS_PatternBrush brush;
  auto* loaded = static_cast<DS_PatternBrush*>(Add(brush));
  TextureInfo info;
  info.Assign(tile, 8, 8);
  loaded->pattern.ClearFrames();
  loaded->pattern.AddFrame(info);
  tile->Release();
  expectFrames(kBlue, "brush over the kept picture", 1);
  loseAndReset();
  expectFrames(kBlue, "brush after a reset");
  slide_->renderObjects.pop_back();
  expectFrames(kGreen, "brush gone");
  loseAndReset();
  expectFrames(kGreen, "after a reset");
}

}  // namespace
