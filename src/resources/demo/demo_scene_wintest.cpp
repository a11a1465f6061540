// The demo document as the product carries it: "DDS" 107 of the program's own file, loaded on a device
// with the picture of every slide decoded through the texture cache at its own size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/scene_host_win.h"
#include "demo_expectations.h"
#include "dxut/app_clock.h"
#include "dxut/d3d_device.h"
#include "dxut/dxut.h"
#include "lights/flame_light.h"
#include "lights/lake_light.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "lights/underwater_light.h"
#include "render/render_device_win.h"
#include "render/render_objects.h"
#include "scene/doc_res_manager.h"
#include "scene/fx_particle_ctrl.h"
#include "scene/module_resources_win.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "support/d3d_fixture_win.h"
#include "support/manual_counter.h"

namespace {

class DemoSceneOnDevice : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    D3DFixture::SetUp();
    RegisterAllReaders();
    SetModuleResources(&Win32ModuleResources());
    SetRenderDevice(&device_);
  }
  void TearDown() override {
    delete g_DocResManager;
    g_DocResManager = nullptr;
    SetRenderDevice(nullptr);
    SetModuleResources(nullptr);
    D3DFixture::TearDown();
  }
  D3D9RenderDevice device_;
};

TEST_F(DemoSceneOnDevice, EmbeddedDocumentLoadsWithEveryPicture) {
  std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocument());
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), sizeof(kDemoSlides) / sizeof(kDemoSlides[0]));
  EXPECT_EQ(show->audioFiles.size(), sizeof(kDemoTracks) / sizeof(kDemoTracks[0]));
  // Read without decoding: each picture's size comes from its header, the same as decoding gives.
  for (size_t i = 0; i < show->slides.size(); ++i) {
    SCOPED_TRACE(i);
    const DocFileKey key(kDemoSlides[i].picture, 0);
    ASSERT_EQ(show->slides[i]->picture->picture.GetKey(), key);
    TextureInfo size;
    ASSERT_TRUE(g_DocResManager->PeekPictureSize(show->slides[i]->picture->picture, &size));
    EXPECT_EQ(size.texture, nullptr);
    EXPECT_EQ(size.width, kDemoSlides[i].width);
    EXPECT_EQ(size.height, kDemoSlides[i].height);
  }
  for (size_t i = 0; i < show->slides.size(); ++i) {
    SCOPED_TRACE(i);
    const TextureSet& set = g_DocResManager->GetTextureSet(show->slides[i]->picture->picture);
    ASSERT_EQ(set.frames.size(), 1u);
    EXPECT_NE(set.frames[0], nullptr) << "decoded";
    EXPECT_EQ(static_cast<UINT>(set.width), kDemoSlides[i].width);
    EXPECT_EQ(static_cast<UINT>(set.height), kDemoSlides[i].height);
    TextureInfo size;
    EXPECT_FALSE(g_DocResManager->PeekPictureSize(show->slides[i]->picture->picture, &size)) << "decoded once";
  }
}

// The embedded demo scene played by the scene host as the product plays it, in Fit mode on a 4:3 window,
// the application clock driven by the test and every frame read back before it is presented.
lumi_test::Pixels g_demoFrame;

void RenderDemoAndReadBack(IDirect3DDevice9* device, double time, float elapsed) {
  OnD3D9FrameRender(device, time, elapsed);
  lumi_test::ReadBackBuffer(device, g_demoFrame);
}

bool IsBlack(DWORD c) { return (c & 0x00FFFFFF) == 0; }

class DemoScenePlays : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterAllReaders();
    SetModuleResources(&Win32ModuleResources());
    window_ = lumi_test::CreateTestWindow(WindowWidth(), WindowHeight());
    ASSERT_NE(nullptr, window_);
    host_.reset(new SceneHost(true));
    ASSERT_TRUE(host_->InitDevice(window_, window_));
    DXUTTestSetCounter(&counter_);
    DXUTSetCallbackFrameRender(RenderDemoAndReadBack);
  }
  void TearDown() override {
    host_.reset();
    DXUTShutdown();
    DXUTTestSetCounter(nullptr);
    g_D3DDevice = nullptr;
    delete g_DocResManager;
    g_DocResManager = nullptr;
    SetModuleResources(nullptr);
    if (window_) DestroyWindow(window_);
  }
  virtual UINT WindowWidth() const { return 64; }
  virtual UINT WindowHeight() const { return 48; }
  // Draws the frame at application time t; false when nothing was read back.
  bool Frame(double t) {
    counter_.SetSeconds(t);
    g_demoFrame.argb.clear();
    DXUTRender3DEnvironment();
    return !g_demoFrame.argb.empty();
  }
  DWORD Centre() const { return g_demoFrame.at(g_demoFrame.width / 2, g_demoFrame.height / 2); }
  DWORD LeftEdge() const { return g_demoFrame.at(0, g_demoFrame.height / 2); }
  int CurrentSlide() const {
    const DS_SlideShow_Light* show = host_->Root();
    for (size_t i = 0; i < show->slides.size(); ++i)
      if (show->slides[i].Get() == show->current.Get()) return static_cast<int>(i);
    return -1;
  }

  lumi_test::ManualCounter counter_;
  HWND window_ = nullptr;
  std::unique_ptr<SceneHost> host_;
};

TEST_F(DemoScenePlays, SlidesFollowEachOtherThroughBlackWithTheirPictures) {
  host_->SetRoot(LoadSceneDocument());
  ASSERT_NE(nullptr, host_->Root());
  host_->StartScene();
  host_->SetPicturePosition(1);  // Fit

  ASSERT_TRUE(Frame(0.0));
  EXPECT_FALSE(IsBlack(Centre())) << std::hex << Centre() << ": the first slide shows at once";
  EXPECT_EQ(0, CurrentSlide());
  EXPECT_EQ(-1, host_->Playlist().Current()) << "the sound starts after the first frame";
  ASSERT_TRUE(Frame(0.0));
  EXPECT_EQ(0, host_->Playlist().Current()) << "the first track plays";

  // Step through the first slide's time and into the second: a black frame at the switch, then the
  // upright second picture in Fit mode, with black bars beside it on the 4:3 window.
  bool sawBlack = false;
  double t = 0.0;
  while (CurrentSlide() == 0 && t < 30.0) {
    t += 0.1;
    ASSERT_TRUE(Frame(t)) << t;
    if (IsBlack(Centre())) sawBlack = true;
  }
  EXPECT_TRUE(sawBlack) << "the slides meet in black";
  ASSERT_EQ(1, CurrentSlide()) << "at " << t;
  const double second = t;
  const UINT secondFadeIn = kDemoSlides[1].fadeIn;
  ASSERT_TRUE(Frame(second + secondFadeIn + 0.5));
  EXPECT_FALSE(IsBlack(Centre())) << std::hex << Centre() << ": the second picture after its fade-in";
  EXPECT_TRUE(IsBlack(LeftEdge())) << std::hex << LeftEdge() << ": Fit leaves bars beside an upright picture";

  // Stretch fills the window with the same picture.
  host_->SetPicturePosition(0);
  ASSERT_TRUE(Frame(second + secondFadeIn + 0.6));
  EXPECT_FALSE(IsBlack(LeftEdge())) << std::hex << LeftEdge();
}

// The particle slides on a square window in Fit mode, so that every picture has black bars beside it.
class ParticleSlidesPlay : public DemoScenePlays {
 protected:
  UINT WindowWidth() const override { return 256; }
  UINT WindowHeight() const override { return 256; }

  // The embedded scene with only the named slides, in their order, as the host's scene.
  void StartWith(std::initializer_list<const char16_t*> names) {
    DS_SlideShow_Light* show = LoadSceneDocument();
    ASSERT_NE(nullptr, show);
    std::vector<CountedPtr<DS_SlideContainer>> kept;
    for (const char16_t* name : names)
      for (const CountedPtr<DS_SlideContainer>& s : show->slides)
        if (s->name.GetValue() == name) kept.push_back(s);
    ASSERT_EQ(kept.size(), names.size());
    show->slides = kept;
    host_->SetRoot(show);
    host_->StartScene();
    host_->SetPicturePosition(1);  // Fit
  }
  // Plays frames 0.25 s apart from t until the named slide is current and past its fade-in; its index.
  int PlayTo(const char16_t* name, double& t) {
    DS_SlideShow_Light* show = host_->Root();
    int index = -1;
    for (size_t i = 0; i < show->slides.size(); ++i)
      if (show->slides[i]->name.GetValue() == name) index = static_cast<int>(i);
    if (index < 0) return -1;
    while (CurrentSlide() != index && t < 300.0) Frame(t += 0.25);
    const double start = t;
    while (t < start + show->slides[index]->fadeIn.GetValue() + 0.6) Frame(t += 0.25);
    return index;
  }
  // The frame at t with the slide's render object `without` taken away, or all of them (the bare picture).
  lumi_test::Pixels BarePicture(int index, double t, const DS_ABObj* without = nullptr) {
    return BarePicture(index, t, std::vector<const DS_ABObj*>{without});
  }
  // The frame at t with the slide's render objects `without` taken away (all of them for {null}).
  lumi_test::Pixels BarePicture(int index, double t, const std::vector<const DS_ABObj*>& without) {
    DS_SlideContainer& slide = *host_->Root()->slides[index];
    std::vector<CountedPtr<DS_ABObj>> objects = slide.renderObjects, kept;
    const bool all = without.size() == 1 && !without[0];
    for (const CountedPtr<DS_ABObj>& o : objects)
      if (!all && std::find(without.begin(), without.end(), o.Get()) == without.end()) kept.push_back(o);
    slide.renderObjects = kept;
    Frame(t);
    slide.renderObjects = objects;
    return g_demoFrame;
  }
  // Pixels of a and b whose colours differ by more than a little; in the rows top..bottom.
  static int Differing(const lumi_test::Pixels& a, const lumi_test::Pixels& b, UINT top, UINT bottom, UINT left = 0,
                       UINT right = 0xFFFF) {
    int n = 0;
    for (UINT y = top; y < bottom && y < a.height; ++y)
      for (UINT x = left; x < right && x < a.width; ++x) {
        const DWORD p = a.at(x, y), q = b.at(x, y);
        int d = 0;
        for (int s = 0; s < 24; s += 8) d = std::max(d, std::abs(static_cast<int>((p >> s) & 0xFF) - static_cast<int>((q >> s) & 0xFF)));
        if (d > 8) ++n;
      }
    return n;
  }
  // The rows the fitted picture covers on the square window (the pictures are all wider than tall).
  static void PictureRows(const DemoSlide& slide, UINT size, UINT* top, UINT* bottom) {
    const double h = static_cast<double>(size) * slide.height / slide.width;
    *top = static_cast<UINT>((size - h) / 2 + 1);
    *bottom = static_cast<UINT>((size + h) / 2 - 1);
  }
};

TEST_F(ParticleSlidesPlay, ParticlesDrawOverThePictureAndNothingOutsideIt) {
  StartWith({u"Sky over the lake", u"Rain over the hills", u"Sparks at night"});
  double t = 0;
  for (const DemoSlide& want : kDemoSlides) {
    const std::u16string name(want.name);
    if (name != u"Sky over the lake" && name != u"Rain over the hills" && name != u"Sparks at night") continue;
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    const int index = PlayTo(want.name, t);
    ASSERT_GE(index, 0);
    ASSERT_TRUE(Frame(t += 0.1));
    const lumi_test::Pixels particles = g_demoFrame;
    const lumi_test::Pixels bare = BarePicture(index, t);
    UINT top, bottom;
    PictureRows(want, particles.height, &top, &bottom);
    const int inside = Differing(particles, bare, top, bottom);
    EXPECT_GT(inside, static_cast<int>(particles.width * (bottom - top) / 200)) << "particles over the picture";
    // The bars above and below the picture stay black.
    for (UINT y = 0; y + 2 < top; ++y)
      for (UINT x = 0; x < particles.width; ++x) ASSERT_TRUE(IsBlack(particles.at(x, y))) << x << "," << y;
    for (UINT y = bottom + 2; y < particles.height; ++y)
      for (UINT x = 0; x < particles.width; ++x) ASSERT_TRUE(IsBlack(particles.at(x, y))) << x << "," << y;
  }
}

TEST_F(ParticleSlidesPlay, BoltGlowsAndTheExplosionBurnsThroughTheirEffectsAndADeviceResetKeepsThemDrawing) {
  StartWith({u"Sparks at night"});
  double t = 0;
  const int index = PlayTo(u"Sparks at night", t);
  ASSERT_GE(index, 0);
  DS_SlideContainer& slide = *host_->Root()->slides[index];
  DS_GlowingObj* glow = nullptr;
  DS_FXObj* explosion = nullptr;
  std::vector<const DS_ABObj*> sprites;
  for (const CountedPtr<DS_ABObj>& o : slide.renderObjects) {
    if (auto* g = dynamic_cast<DS_GlowingObj*>(o.Get())) glow = g;
    if (auto* e = dynamic_cast<DS_FXObj*>(o.Get())) explosion = e;
    if (dynamic_cast<DS_SpriteArrayObj*>(o.Get())) sprites.push_back(o.Get());
  }
  ASSERT_NE(glow, nullptr);
  ASSERT_NE(explosion, nullptr);
  ASSERT_EQ(sprites.size(), 3u);  // sparkles, ghosts, discharge
  EXPECT_NE(glow->glowItem->effect, nullptr) << "effect 97 from the resource module";
  EXPECT_NE(explosion->effectItem->effect, nullptr) << "effect 99 from the resource module";
  EXPECT_EQ(glow->NeedsSourceTexture(), 0) << "the glow blends over the back buffer: no off-screen pass";

  const DemoSlide* want = nullptr;
  for (const DemoSlide& d : kDemoSlides)
    if (std::u16string(d.name) == u"Sparks at night") want = &d;
  ASSERT_NE(want, nullptr);
  UINT top, bottom;
  PictureRows(*want, 256, &top, &bottom);
  const double scale = 256.0 / want->width;
  // The bolt runs from (200, 250) to (700, 450) of the picture; the explosion sits at its centre.
  const UINT boltX = static_cast<UINT>(450 * scale), boltY = top + static_cast<UINT>(350 * scale);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round ? "after a device reset" : "before");
    if (round) {
      DXUTTestForceDeviceReset();
      for (int k = 0; k < 3; ++k) ASSERT_TRUE(Frame(t += 0.1));
    }
    ASSERT_TRUE(Frame(t += 0.1));
    const lumi_test::Pixels drawn = g_demoFrame;
    const lumi_test::Pixels noBolt = BarePicture(index, t, glow);
    EXPECT_GT(Differing(drawn, noBolt, boltY - 12, boltY + 12, boltX - 30, boltX + 30), 20) << "the bolt";
    const lumi_test::Pixels noExplosion = BarePicture(index, t, explosion);
    EXPECT_GT(Differing(drawn, noExplosion, 118, 138, 118, 138), 20) << "the explosion";
    // The sprite items' quads live in dynamic buffers that the reset makes anew.
    const lumi_test::Pixels noSprites = BarePicture(index, t, sprites);
    EXPECT_GT(Differing(drawn, noSprites, top, bottom), 20) << "the sprite items";
  }
}

const DemoSlide& DemoSlideNamed(const char16_t* name) {
  for (const DemoSlide& d : kDemoSlides)
    if (std::u16string(d.name) == name) return d;
  throw std::runtime_error("no such demo slide");
}

// The mirror lake ripples with the bump map the document keeps under the light's key: its reflection
// moves from frame to frame while the picture above the horizon stays.
TEST_F(ParticleSlidesPlay, MirrorLakeRipplesWithItsStoredBumpMap) {
  StartWith({u"Mirror lake"});
  double t = 0;
  const int index = PlayTo(u"Mirror lake", t);
  ASSERT_GE(index, 0);
  auto* lake = dynamic_cast<FakeLake2D*>(host_->Root()->slides[index]->picture.Get());
  ASSERT_NE(lake, nullptr);
  ASSERT_NE(lake->bumpTexture, nullptr) << "the document's bump picture under the lake's key";
  D3DSURFACE_DESC desc;
  ASSERT_EQ(lake->bumpTexture->GetLevelDesc(0, &desc), S_OK);
  EXPECT_EQ(desc.Format, D3DFMT_V8U8);
  UINT top, bottom;
  PictureRows(DemoSlideNamed(u"Mirror lake"), 256, &top, &bottom);
  // Horizon 30: the lake is the lower 35 % of the picture; the haze strip lies just above it.
  const UINT horizon = bottom - static_cast<UINT>(0.35 * (bottom - top));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round ? "after a device reset" : "before");
    if (round) {
      DXUTTestForceDeviceReset();
      for (int k = 0; k < 3; ++k) ASSERT_TRUE(Frame(t += 0.1));
    }
    ASSERT_TRUE(Frame(t += 0.1));
    const lumi_test::Pixels a = g_demoFrame;
    ASSERT_TRUE(Frame(t += 0.3));
    const lumi_test::Pixels b = g_demoFrame;
    const int lake = Differing(a, b, horizon + 2, bottom);
    EXPECT_GT(lake, static_cast<int>(256 * (bottom - horizon) / 40)) << "the reflection moves";
    EXPECT_LT(Differing(a, b, top, horizon - 12), lake / 20) << "the picture above the horizon stays";
  }
}

// The underwater slide wobbles the whole picture from frame to frame.
TEST_F(ParticleSlidesPlay, UnderTheSeaWobblesTheWholePicture) {
  StartWith({u"Under the sea"});
  double t = 0;
  const int index = PlayTo(u"Under the sea", t);
  ASSERT_GE(index, 0);
  auto* light = dynamic_cast<FakeUndervater*>(host_->Root()->slides[index]->picture.Get());
  ASSERT_NE(light, nullptr);
  EXPECT_NE(light->underwater.effect, nullptr) << "effect 88 from the resource module";
  UINT top, bottom;
  PictureRows(DemoSlideNamed(u"Under the sea"), 256, &top, &bottom);
  ASSERT_TRUE(Frame(t += 0.1));
  const lumi_test::Pixels a = g_demoFrame;
  ASSERT_TRUE(Frame(t += 0.3));
  const lumi_test::Pixels b = g_demoFrame;
  const UINT middle = (top + bottom) / 2;
  EXPECT_GT(Differing(a, b, top, middle), 100) << "the upper half moves";
  EXPECT_GT(Differing(a, b, middle, bottom), 100) << "the lower half moves";
  for (UINT y = 0; y + 2 < top; ++y) ASSERT_TRUE(IsBlack(b.at(128, y))) << "the bars stay black, row " << y;
}

// The fire in the hearth burns in the lower part of the picture and moves, the heat haze goes through
// the slide's off-screen pass, the bars stay black, and a device reset in the slide keeps it so.
TEST_F(ParticleSlidesPlay, FireInTheHearthBurnsInTheLowerPartAndAResetKeepsItDrawing) {
  StartWith({u"Fire in the hearth"});
  double t = 0;
  const int index = PlayTo(u"Fire in the hearth", t);
  ASSERT_GE(index, 0);
  auto* light = dynamic_cast<DS_FlameLight*>(host_->Root()->slides[index]->picture.Get());
  ASSERT_NE(light, nullptr);
  EXPECT_NE(light->fire.effect, nullptr) << "effect 92 from the resource module";
  EXPECT_NE(light->haze.effect.Get(), nullptr) << "effect 63 from the resource module";
  EXPECT_TRUE(light->NeedsOffscreen());
  UINT top, bottom;
  PictureRows(DemoSlideNamed(u"Fire in the hearth"), 256, &top, &bottom);
  // The fire band: the lower 65 % of the picture.
  const UINT band = top + static_cast<UINT>(0.35 * (bottom - top)) + 2;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round ? "after a device reset" : "before");
    if (round) {
      DXUTTestForceDeviceReset();
      for (int k = 0; k < 3; ++k) ASSERT_TRUE(Frame(t += 0.1));
    }
    ASSERT_TRUE(Frame(t += 0.1));
    const lumi_test::Pixels a = g_demoFrame;
    ASSERT_TRUE(Frame(t += 0.3));
    const lumi_test::Pixels b = g_demoFrame;
    const int moving = Differing(a, b, band, bottom);
    EXPECT_GT(moving, static_cast<int>(256 * (bottom - band) / 40)) << "the flames move";
    // Without fire and haze the slide is the bare picture: the fire is in the band and not above it.
    light->fireEnable = 0;
    light->hazeEnable = 0;
    ASSERT_TRUE(Frame(t));
    const lumi_test::Pixels bare = g_demoFrame;
    light->fireEnable = 1;
    light->hazeEnable = 1;
    const int fire = Differing(b, bare, band, bottom);
    EXPECT_GT(fire, static_cast<int>(256 * (bottom - band) / 10)) << "the fire over the picture";
    EXPECT_LT(Differing(b, bare, top, band - 6), fire / 10) << "above the band only the haze's shimmer";
    for (UINT y = 0; y + 2 < top; ++y) ASSERT_TRUE(IsBlack(b.at(128, y))) << "the bars stay black, row " << y;
  }
}

}  // namespace
