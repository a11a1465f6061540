// The demo document as the product carries it: "DDS" 107 of the program's own file, loaded on a device
// with the picture of every slide decoded through the texture cache at its own size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/reader_list.h"
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
#include "lights/water_ring_light.h"
#include "objects3d/object_array.h"
#include "render/render_device_win.h"
#include "particles/particle_objects.h"
#include "scene/doc_res_manager.h"
#include "particles/fx_particle_ctrl.h"
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

// Pixels where two frames differ by more than `threshold` in any channel, as 0 or 1 row by row.
std::vector<char> ChangedPixels(const lumi_test::Pixels& a, const lumi_test::Pixels& b, int threshold) {
  std::vector<char> mask(a.argb.size(), 0);
  for (size_t i = 0; i < a.argb.size(); ++i)
    for (int s = 0; s < 24; s += 8)
      if (std::abs(static_cast<int>((a.argb[i] >> s) & 0xFF) - static_cast<int>((b.argb[i] >> s) & 0xFF)) > threshold)
        mask[i] = 1;
  return mask;
}

// A connected set of marked pixels: its bounds, centre and how many pixels each of its columns holds.
struct Blob {
  UINT left = 0xFFFF, right = 0, top = 0xFFFF, bottom = 0;
  double x = 0, y = 0;
  int area = 0;
  std::vector<int> columns;
  UINT Width() const { return right - left + 1; }
  UINT Height() const { return bottom - top + 1; }
};

std::vector<Blob> Blobs(std::vector<char> mask, UINT width, UINT height) {
  std::vector<Blob> blobs;
  std::vector<UINT> stack, pixels;
  for (UINT start = 0; start < mask.size(); ++start) {
    if (!mask[start]) continue;
    Blob b;
    pixels.clear();
    stack.assign(1, start);
    mask[start] = 0;
    while (!stack.empty()) {
      const UINT i = stack.back(), x = i % width, y = i / width;
      stack.pop_back();
      pixels.push_back(i);
      b.left = std::min(b.left, x), b.right = std::max(b.right, x), b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
      b.x += x, b.y += y;
      const UINT next[] = {x > 0 ? i - 1 : i, x + 1 < width ? i + 1 : i, y > 0 ? i - width : i, y + 1 < height ? i + width : i};
      for (UINT n : next)
        if (mask[n]) mask[n] = 0, stack.push_back(n);
    }
    b.area = static_cast<int>(pixels.size());
    b.x /= b.area, b.y /= b.area;
    b.columns.assign(b.Width(), 0);
    for (UINT i : pixels) ++b.columns[i % width - b.left];
    blobs.push_back(b);
  }
  return blobs;
}

// The mask with every marked pixel widened into a square of 2 * by + 1 pixels.
std::vector<char> Widened(const std::vector<char>& mask, UINT width, UINT height, UINT by) {
  std::vector<char> out(mask.size(), 0);
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x)
      if (mask[y * width + x])
        for (UINT v = y > by ? y - by : 0; v <= y + by && v < height; ++v)
          for (UINT u = x > by ? x - by : 0; u <= x + by && u < width; ++u) out[v * width + u] = 1;
  return out;
}

// The generated fish's tail fin is tall where it ends and its head tapers: +1 when the blob's taller end
// is at the left (a fish facing right), -1 when at the right, 0 when the ends do not tell.
int Facing(const Blob& b) {
  const size_t k = std::max<size_t>(2, b.columns.size() / 8);
  int left = 0, right = 0;
  for (size_t i = 0; i < k; ++i) left += b.columns[i], right += b.columns[b.columns.size() - 1 - i];
  return left * 10 > right * 13 ? 1 : right * 10 > left * 13 ? -1 : 0;
}

// One slide played alone on a window of the given client size.
template <UINT W, UINT H>
class SlideAtSize : public ParticleSlidesPlay {
 protected:
  UINT WindowWidth() const override { return W; }
  UINT WindowHeight() const override { return H; }
  // The named slide alone, played until it is past its fade-in; its index, -1 when it is missing.
  int PlayAlone(const char16_t* name, double& t) {
    StartWith({name});
    t = 0;
    return PlayTo(name, t);
  }
  // The first render object of the slide at index that `which` picks; null when there is none.
  const DS_ABObj* Object(int index, bool (*which)(DS_ABObj*)) const {
    for (const CountedPtr<DS_ABObj>& o : host_->Root()->slides[index]->renderObjects)
      if (which(o.Get())) return o.Get();
    return nullptr;
  }
  // The render object of the item of that name.
  const DS_ABObj* ObjectNamed(int index, const ds_string& name) const {
    for (const CountedPtr<DS_ABObj>& o : host_->Root()->slides[index]->renderObjects)
      if (o && o->item && o->item->name == name) return o.Get();
    return nullptr;
  }
};

// Fish swim head first: each fish's pixels (the frame with and without the fish item) are followed from
// one frame to the next, and the end of the fish that leads its motion is its head.
using FishSlide = SlideAtSize<1280, 640>;  // the 2:1 picture at about 0.8 of its size in Fit

TEST_F(FishSlide, FishSwimHeadFirst) {
  double t = 0;
  const int index = PlayAlone(u"Sky over the lake", t);
  ASSERT_GE(index, 0);
  const DS_ABObj* fish = ObjectNamed(index, u"Fish");
  ASSERT_NE(fish, nullptr);
  auto fishAt = [&](double when) {
    Frame(when);
    const lumi_test::Pixels drawn = g_demoFrame;
    return Blobs(ChangedPixels(drawn, BarePicture(index, when, fish), 24), drawn.width, drawn.height);
  };
  int headFirst = 0, tailFirst = 0;
  for (int round = 0; round < 4; ++round) {
    t += 1.0;
    const std::vector<Blob> before = fishAt(t), after = fishAt(t += 0.25);
    ASSERT_FALSE(before.empty()) << "fish at " << t;
    for (const Blob& a : before) {
      // A whole fish seen alone (about 38 by 19 pixels here), followed to the one nearest it.
      if (a.area < 100 || a.Width() < 25 || a.Width() > 55 || a.Height() > 30) continue;
      const Blob* b = nullptr;
      for (const Blob& c : after)
        if (std::fabs(c.y - a.y) < 6 && std::fabs(c.x - a.x) < 20 && (!b || std::fabs(c.x - a.x) < std::fabs(b->x - a.x)))
          b = &c;
      if (!b || std::fabs(b->x - a.x) < 2 || std::abs(static_cast<int>(b->area) - a.area) > a.area / 3) continue;
      const int moving = b->x > a.x ? 1 : -1, facing = Facing(a);
      if (facing == moving) ++headFirst;
      if (facing == -moving) ++tailFirst;
    }
  }
  EXPECT_GE(headFirst, 6) << "fish seen swimming head first; tail first: " << tailFirst;
  EXPECT_LE(tailFirst * 4, headFirst) << "tail first";
}

// The water rings show: frames half a second after a drop differ clearly over areas of the picture, not
// only in thin lines along the picture's edges, where a small shift shows most.
using PondSlide = SlideAtSize<480, 400>;  // the 6:5 picture at about 0.4 of its size in Fit

TEST_F(PondSlide, RainOnThePondShowsItsRingsOverAnArea) {
  double t = 0;
  const int index = PlayAlone(u"Rain on the pond", t);
  ASSERT_GE(index, 0);
  auto* light = dynamic_cast<DS_WaterRingLight*>(host_->Root()->slides[index]->picture.Get());
  ASSERT_NE(light, nullptr);
  int areas = 0, blocks = 0;
  for (int round = 0; round < 2; ++round) {
    // Frames at 30 a second (the water moves a step a frame) until a drop falls, and half a second on.
    const float drop = light->lastDropTime;
    for (int k = 0; k < 150 && light->lastDropTime == drop; ++k) ASSERT_TRUE(Frame(t += 1.0 / 30));
    ASSERT_NE(light->lastDropTime, drop) << "a drop within 5 s";
    const lumi_test::Pixels atDrop = g_demoFrame;
    for (int k = 0; k < 15; ++k) ASSERT_TRUE(Frame(t += 1.0 / 30));
    const std::vector<char> changed = ChangedPixels(atDrop, g_demoFrame, 32);
    // Blocks of 8 x 8 pixels of which a third or more changed clearly: an area, not an edge's line.
    for (UINT by = 0; by + 8 <= atDrop.height; by += 8)
      for (UINT bx = 0; bx + 8 <= atDrop.width; bx += 8) {
        int n = 0;
        for (UINT y = by; y < by + 8; ++y)
          for (UINT x = bx; x < bx + 8; ++x) n += changed[y * atDrop.width + x];
        areas += n * 3 >= 64;
        ++blocks;
      }
  }
  EXPECT_GT(areas, blocks / 100) << "blocks of 8 x 8 pixels changed over a third or more, of " << blocks;
}

// The masked light of "Ripples in the light" brightens the waved picture inside its mask: with it the
// frame is nowhere darker than without it, as it would be where an unwaved copy of the picture showed
// through the waves (the ridges and the sun seen twice).
using RipplesSlide = SlideAtSize<256, 256>;

TEST_F(RipplesSlide, RipplesInTheLightShowTheWavedPictureOnce) {
  double t = 0;
  const int index = PlayAlone(u"Ripples in the light", t);
  ASSERT_GE(index, 0);
  const DS_ABObj* light = ObjectNamed(index, u"Pulsing glow");
  ASSERT_NE(light, nullptr);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(Frame(t += 0.4));
    const lumi_test::Pixels lit = g_demoFrame, waves = BarePicture(index, t, light);
    // Darker than every pixel around it without the light: the light's pass over the scene composed off
    // the screen may place an edge a pixel aside.
    int darker = 0;
    for (UINT y = 1; y + 1 < lit.height; ++y)
      for (UINT x = 1; x + 1 < lit.width; ++x)
        for (int s = 0; s < 24; s += 8) {
          int lowest = 255;
          for (UINT v = y - 1; v <= y + 1; ++v)
            for (UINT u = x - 1; u <= x + 1; ++u) lowest = std::min(lowest, static_cast<int>((waves.at(u, v) >> s) & 0xFF));
          if (static_cast<int>((lit.at(x, y) >> s) & 0xFF) < lowest - 8) {
            ++darker;
            break;
          }
        }
    EXPECT_LT(darker, static_cast<int>(lit.argb.size() / 2000)) << "pixels the light makes darker, at " << t;
  }
}

// The butterflies are big enough to see on a 1920 x 1080 screen: each one's pixels (the frame with and
// without the butterfly item) span about 40 pixels or more, as the median over the butterflies of several
// frames, whichever way they fly and flap.
class ButterflySlide : public SlideAtSize<1920, 1080> {
 protected:
  // The scene host draws into the window's outer size, as the desktop view's child it sizes to its parent.
  UINT WindowWidth() const override { return 1920 - Border().right + Border().left; }
  UINT WindowHeight() const override { return 1080 - Border().bottom + Border().top; }
  static RECT Border() {
    RECT r = {0, 0, 0, 0};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    return r;
  }
};

TEST_F(ButterflySlide, ButterfliesAreBigEnoughToSeeAt1920x1080) {
  double t = 0;
  const int index = PlayAlone(u"Butterflies over the meadow", t);
  ASSERT_GE(index, 0);
  host_->SetPicturePosition(2);  // Fill, the program's default
  const DS_ABObj* butterflies = Object(index, [](DS_ABObj* o) { return dynamic_cast<DS_3DObjArray*>(o) != nullptr; });
  ASSERT_NE(butterflies, nullptr);
  std::vector<UINT> spans;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(Frame(t += 1.5));
    const lumi_test::Pixels drawn = g_demoFrame;
    ASSERT_EQ(drawn.width, 1920u);
    std::vector<char> wings = ChangedPixels(drawn, BarePicture(index, t, butterflies), 24);
    // The orange of the wings, not the thin body or the wings' dark rims, widened by two pixels so that
    // the two wings of one butterfly make one blob.
    for (size_t i = 0; i < wings.size(); ++i) {
      const int r = (drawn.argb[i] >> 16) & 0xFF, b = drawn.argb[i] & 0xFF;
      wings[i] = wings[i] && r > b + 80;
    }
    wings = Widened(wings, drawn.width, drawn.height, 2);
    for (const Blob& b : Blobs(wings, drawn.width, drawn.height))
      if (b.area >= 60) spans.push_back(std::max(b.Width(), b.Height()) - 4);
  }
  ASSERT_GE(spans.size(), 8u) << "butterflies seen";
  std::sort(spans.begin(), spans.end());
  EXPECT_GE(spans[spans.size() / 2], 40u) << "the median butterfly's span in pixels, of " << spans.size();
}

}  // namespace
