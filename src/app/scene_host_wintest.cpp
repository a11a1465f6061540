// The scene host on a real device: a test document of plain picture slides, written through the save
// methods and read back, played on a top-level test window with the application clock driven by the
// test. Frames are read back inside the frame-render callback, before they are presented.
#include "app/reader_list.h"
#include "app/scene_host_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "desktop/desktop_host_win.h"
#include "dxut/app_clock.h"
#include "dxut/d3d_device.h"
#include "dxut/dxut.h"
#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "lights/audio_graph_win.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/readers.h"
#include "scene/stream.h"
#include "support/d3d_fixture_win.h"
#include "support/document_pictures.h"
#include "support/manual_counter.h"
#include "support/recording_effect.h"
#include "support/render_test_items.h"
#include "support/saved_global.h"
#include "support/tone_wav.h"

namespace {

lumi_test::Pixels g_frame;
int g_frames = 0;

void RenderAndReadBack(IDirect3DDevice9* device, double time, float elapsed) {
  OnD3D9FrameRender(device, time, elapsed);
  lumi_test::ReadBackBuffer(device, g_frame);
  ++g_frames;
}

bool IsGreen(DWORD c) { return ((c >> 8) & 0xFF) > 0xC0 && ((c >> 16) & 0xFF) < 0x40 && (c & 0xFF) < 0x40; }
bool IsBlack(DWORD c) { return (c & 0x00FFFFFF) == 0; }
int Green(DWORD c) { return static_cast<int>((c >> 8) & 0xFF); }

// Slides of the solid green picture of the test resource module, saved and read back as a document.
// Tracks are embedded WAV tones of the given lengths.
DS_SlideShow_Light* WriteAndReadShow(int slides, UINT fadeIn, UINT show, UINT fadeOut,
                                     const std::vector<int>& toneMs = {}) {
  DS_SlideShow_Light written;
  for (size_t i = 0; i < toneMs.size(); ++i) {
    DS_AudioFile* track = new DS_AudioFile;
    track->data.name = u"c:\\missing folder\\tone" + ds_string(1, static_cast<char16_t>(u'a' + i)) + u".wav";
    std::vector<uint8_t> wav = ToneWav(toneMs[i]);
    track->data.SetBytes(static_cast<INT>(wav.size()), wav.data());
    written.audioFiles.push_back(CountedPtr<DS_AudioFile>(track));
  }
  for (int i = 0; i < slides; ++i) {
    DS_SlideContainer* slide = new DS_SlideContainer;
    slide->fadeIn = fadeIn;
    slide->show = show;
    slide->fadeOut = fadeOut;
    DS_2D_Light* light = new DS_2D_Light;
    light->picture.Raw() = DS_FileLink3(9001, u"testkit.dll").GetKey();
    slide->picture = CountedPtr<DS_2D_Light>(light);
    written.slides.push_back(CountedPtr<DS_SlideContainer>(slide));
  }
  DS_IOF_W writer;
  DS_IOF_Virtual* out = &writer;
  written.Save(&out);
  std::vector<BYTE> bytes = writer.TakeBytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> reader(&buffer);
  DS_IOF_Virtual* in = &reader;
  DS_SlideShow_Light* read = DS_SlideShow_Light::CreateFromStream(&in);
  EXPECT_EQ(0u, buffer.Remaining());
  return read;
}

class SceneHostTest : public ::testing::Test {
 protected:
  virtual bool IconLayer() const { return true; }

  void SetUp() override {
    RegisterAllReaders();
    RegisterPictureLightReader();
    SetModuleResources(&Win32ModuleResources());
    g_DocResManager = new DS_DocResManager;
    window_ = lumi_test::CreateTestWindow(64, 48);
    ASSERT_NE(nullptr, window_);
    host_.reset(new SceneHost(IconLayer()));
    ASSERT_TRUE(host_->InitDevice(window_, window_));
    ASSERT_EQ(host_.get(), g_SceneHost);
    ASSERT_NE(nullptr, g_D3DDevice);
    DXUTTestSetCounter(&counter_);
    DXUTSetCallbackFrameRender(RenderAndReadBack);
    g_frames = 0;
  }
  void TearDown() override {
    host_.reset();
    EXPECT_EQ(nullptr, g_SceneHost);
    delete g_DocResManager;
    // Once the host and its document are gone, nothing but the framework holds the device: it goes while
    // its window is still there, never at the process's exit.
    if (IDirect3DDevice9* device = DXUTGetD3DDevice()) {
      device->AddRef();
      EXPECT_EQ(1u, device->Release()) << "references to the device outlive the scene host";
    }
    DXUTShutdown();
    DXUTTestSetCounter(nullptr);
    g_D3DDevice = nullptr;
    SetModuleResources(nullptr);
    if (window_) DestroyWindow(window_);
  }

  void Start(DS_SlideShow_Light* root, int picturePosition) {
    host_->SetRoot(root);
    host_->StartScene();
    host_->SetPicturePosition(picturePosition);
  }
  // One frame of the framework at application time t; the centre pixel of what was drawn.
  DWORD Frame(double t) {
    counter_.SetSeconds(t);
    const int before = g_frames;
    DXUTRender3DEnvironment();
    EXPECT_EQ(before + 1, g_frames) << "a frame was drawn at " << t;
    if (g_frame.argb.empty()) return 0xDEADBEEF;
    return g_frame.at(g_frame.width / 2, g_frame.height / 2);
  }

  // Slide 0 of two, shown twice, gives the same frame; with a pattern brush over it, if asked.
  void ExpectSlideZeroShownAgainAsTheFirstTime(bool patternBrush);

  lumi_test::ManualCounter counter_;
  HWND window_ = nullptr;
  std::unique_ptr<SceneHost> host_;
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
};

TEST_F(SceneHostTest, FirstSlideShowsAtOnceSwitchesAreBlackAndPlayGoesOnAfterDeviceLoss) {
  Start(WriteAndReadShow(2, 1, 2, 1), 0);  // Stretch: the picture covers the frame
  EXPECT_EQ(-1, host_->Playlist().Current()) << "no tracks: nothing plays";
  ASSERT_NE(nullptr, host_->IconTexture());

  DWORD c = Frame(0.0);
  EXPECT_TRUE(IsGreen(c)) << std::hex << c << ": the first slide shows without a fade from black";
  EXPECT_TRUE(IsGreen(Frame(1.5)));
  const int halfOut = Green(Frame(2.5));  // halfway through the fade-out
  EXPECT_GT(halfOut, 0x60);
  EXPECT_LT(halfOut, 0xA0);
  c = Frame(3.1);  // the cycle of 4 s is over: the next slide starts behind full black
  EXPECT_TRUE(IsBlack(c)) << std::hex << c;
  EXPECT_EQ(host_->Root()->slides[1].Get(), host_->Root()->current.Get());
  const int halfIn = Green(Frame(3.6));
  EXPECT_GT(halfIn, 0x60);
  EXPECT_LT(halfIn, 0xA0);
  EXPECT_TRUE(IsGreen(Frame(4.2)));

  // A forced loss: the framework releases and resets, the scene host and the slides follow.
  DXUTTestForceDeviceReset();
  c = Frame(4.5);
  EXPECT_TRUE(IsGreen(c)) << std::hex << c << ": the current slide's picture is back after the reset";
  EXPECT_NE(nullptr, host_->IconTexture()) << "the icon texture is made again";
  EXPECT_EQ(host_->IconTexture(), host_->IconQuad()->texture);
  // The other slide, released at the loss, is restored when it starts.
  EXPECT_TRUE(IsBlack(Frame(7.2)));
  EXPECT_EQ(host_->Root()->slides[0].Get(), host_->Root()->current.Get());
  c = Frame(8.4);
  EXPECT_TRUE(IsGreen(c)) << std::hex << c;
}

// A picture light whose set-up takes `seconds` of the test's counter, as a slow first start does.
class SlowSetUpLight : public DS_2D_Light {
 public:
  SlowSetUpLight(lumi_test::ManualCounter& counter, double seconds) : counter_(counter), ticks_(seconds * 1000) {}
  void OnCreateDevice() override {
    counter_.now += static_cast<LONGLONG>(ticks_);
    DS_2D_Light::OnCreateDevice();
  }

 private:
  lumi_test::ManualCounter& counter_;
  double ticks_;
};

// Set-up and first draw of a starting slide stand outside the application clock: its fade-in from black
// plays whole after it, and the show goes on from there.
TEST_F(SceneHostTest, ASlowSlideStartTakesNothingFromItsFadeIn) {
  DS_SlideShow_Light* root = WriteAndReadShow(2, 1, 2, 1);
  DS_2D_Light* slow = new SlowSetUpLight(counter_, 0.8);
  slow->picture = root->slides[1]->picture->picture;
  root->slides[1]->picture = CountedPtr<DS_2D_Light>(slow);
  Start(root, 0);
  EXPECT_TRUE(IsGreen(Frame(0.0)));
  EXPECT_TRUE(IsBlack(Frame(3.1))) << "the switch frame";
  ASSERT_EQ(root->slides[1].Get(), root->current.Get());
  EXPECT_EQ(3900, counter_.now) << "the set-up took its time";
  // 0.85 s of the counter after the switch, 0.05 s of them on the clock: the fade-in has barely begun.
  const int justIn = Green(Frame(3.95));
  EXPECT_LT(justIn, 0x30) << "the set-up's 0.8 s were taken from the fade-in";
  const int halfIn = Green(Frame(4.4));
  EXPECT_GT(halfIn, 0x60);
  EXPECT_LT(halfIn, 0xA0);
  EXPECT_TRUE(IsGreen(Frame(5.0)));
  // The shift stays: the slide's 4 s cycle ends 4 s of clock after its start, 0.8 s later on the counter.
  EXPECT_TRUE(IsGreen(Frame(6.0)));
  Frame(7.85);
  EXPECT_EQ(root->slides[1].Get(), root->current.Get());
  EXPECT_TRUE(IsBlack(Frame(7.95)));
  EXPECT_EQ(root->slides[0].Get(), root->current.Get());
}

// A 24-bit BMP file of w x h whose pixel (x, y) is colour(x, y) (0xRRGGBB).
std::vector<BYTE> Bmp(int w, int h, DWORD (*colour)(int x, int y)) {
  const int row = (w * 3 + 3) & ~3;
  std::vector<BYTE> f(54 + static_cast<size_t>(row) * h, 0);
  auto put32 = [&](size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<BYTE>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<DWORD>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<DWORD>(w));
  put32(22, static_cast<DWORD>(h));  // bottom-up rows
  f[26] = 1;
  f[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const DWORD c = colour(x, y);
      BYTE* p = &f[54 + static_cast<size_t>(h - 1 - y) * row + 3 * x];
      p[0] = static_cast<BYTE>(c);
      p[1] = static_cast<BYTE>(c >> 8);
      p[2] = static_cast<BYTE>(c >> 16);
    }
  return f;
}

// A slide shown again looks exactly as it did the first time: its picture, a document picture let go of
// once its show and the fade after it were over, is decoded again from the document at its next start,
// and its render-target pair made again, across a device reset while it was let go of. With a pattern
// brush over it, the brush's pattern (a document picture it uses alone) goes and comes back the same way.
void SceneHostTest::ExpectSlideZeroShownAgainAsTheFirstTime(bool patternBrush) {
  const DocFileKey tiles(u"c:\\pictures\\tiles.bmp", 1), bands(u"c:\\pictures\\bands.bmp", 2),
      dots(u"c:\\pictures\\dots.bmp", 3);
  delete g_DocResManager;
  g_DocResManager = lumi_test::ReadDocumentPictures(
      {{tiles, Bmp(40, 30, [](int x, int y) -> DWORD { return ((x / 5 + y / 5) % 2 ? 0xE04020u : 0x2040E0u) + x * 3; })},
       {bands, Bmp(24, 36, [](int, int y) -> DWORD { return y < 18 ? 0x30C030u : 0xC0C030u; })},
       {dots, Bmp(8, 8, [](int x, int y) -> DWORD { return x < 4 && y < 4 ? 0xF0F0F0u : 0x101010u; })}});
  DS_SlideShow_Light* root = WriteAndReadShow(2, 1, 2, 1);
  root->slides[0]->picture->picture.Raw() = tiles;
  root->slides[1]->picture->picture.Raw() = bands;
  if (patternBrush) {
    auto* brush = new DS_PatternBrush;
    brush->patternLink.Raw() = dots;
    root->slides[0]->items.emplace_back(brush);
  }
  Start(root, 1);  // Fit: the bars too
  DS_2D_Light* light = root->slides[0]->picture.Get();

  Frame(0.0);  // slide 0 from the end of its fade-in
  const DS_PatternBrush* pattern = nullptr;
  if (patternBrush) {
    ASSERT_EQ(root->slides[0]->renderObjects.size(), 1u);
    pattern = dynamic_cast<const DS_PatternBrush*>(root->slides[0]->renderObjects[0]->item);
    ASSERT_NE(pattern, nullptr);
    ASSERT_EQ(pattern->pattern.frames.size(), 1u);
  }
  Frame(1.5);
  const lumi_test::Pixels first = g_frame;
  ASSERT_FALSE(first.argb.empty());
  EXPECT_NE(first.at(first.width / 2, first.height / 2), 0xFF000000u) << "the picture is drawn";
  Frame(3.1);  // slide 1 starts
  EXPECT_TRUE(light->PicturePending()) << "slide 0's picture is let go of";
  EXPECT_EQ(nullptr, light->pictureQuad.info.texture.Get());
  if (pattern) {
    EXPECT_TRUE(pattern->pattern.frames.empty()) << "and the brush's pattern";
  }
  EXPECT_FALSE(light->renderTargets.current);
  Frame(5.0);
  DXUTTestForceDeviceReset();
  Frame(5.5);
  Frame(7.2);  // slide 0 again
  ASSERT_EQ(root->slides[0].Get(), root->current.Get());
  Frame(9.7);  // as far into its show as the first frame
  EXPECT_FALSE(light->PicturePending());
  if (pattern) {
    EXPECT_EQ(pattern->pattern.frames.size(), 1u);
  }
  ASSERT_EQ(first.argb.size(), g_frame.argb.size());
  size_t differ = 0;
  for (size_t i = 0; i < first.argb.size(); ++i) differ += first.argb[i] != g_frame.argb[i];
  EXPECT_EQ(0u, differ) << "pixels unlike the first showing";
}

TEST_F(SceneHostTest, ASlideShownAgainLooksExactlyAsItDidTheFirstTime) {
  ExpectSlideZeroShownAgainAsTheFirstTime(false);
}

TEST_F(SceneHostTest, APatternBrushShownAgainTilesItsPatternAsTheFirstTime) {
  ExpectSlideZeroShownAgainAsTheFirstTime(true);
}

// The icon bitmap of the desktop host, made by the test: bottom-up rows of B, G, R, A.
class IconBitmap {
 public:
  IconBitmap(int w, int h) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    value_ = IconLayerBitmap{dc_, static_cast<BYTE*>(bits), SIZE{w, h}, IconBounds{0, 0, w - 1, h - 1}};
  }
  ~IconBitmap() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  // Pixel (x, y) counted from the top.
  BYTE* At(int x, int y) {
    return value_.bits + 4 * (static_cast<size_t>(value_.size.cy - 1 - y) * value_.size.cx + x);
  }
  // What the desktop host hands over.
  const IconLayerBitmap& Value() const { return value_; }

 private:
  IconLayerBitmap value_;
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
};

// Fills the icon bitmap: the top half an icon painted red, the rest the key colour; then uploads it.
void PaintRedIconsOverTopHalf(IconBitmap& icons, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      BYTE* p = icons.At(x, y);
      const bool icon = y < h / 2;
      p[0] = icon ? 0 : 1;
      p[1] = icon ? 0 : 1;
      p[2] = icon ? 255 : 1;
      p[3] = 0;
    }
  UploadIconLayer(icons.Value());
}

TEST_F(SceneHostTest, IconLayerShowsPaintedIconsOverTheSceneAndHidesWithThem) {
  Start(WriteAndReadShow(1, 1, 10, 1), 0);
  const int w = g_WindowRect.right - g_WindowRect.left, h = g_WindowRect.bottom - g_WindowRect.top;
  IconBitmap icons(w, h);
  PaintRedIconsOverTopHalf(icons, w, h);
  EXPECT_EQ(255, icons.At(0, 0)[3]) << "painted pixels become opaque";
  EXPECT_EQ(0, icons.At(0, h - 1)[3]) << "the key colour stays transparent";

  Frame(0.0);
  EXPECT_EQ(0xFF0000u, g_frame.at(g_frame.width / 2, 2) & 0xFFFFFF) << "icons over the scene";
  EXPECT_TRUE(IsGreen(g_frame.at(g_frame.width / 2, g_frame.height - 3))) << "the scene through the key colour";

  host_->SetIconsVisible(false);
  Frame(0.5);
  EXPECT_TRUE(IsGreen(g_frame.at(g_frame.width / 2, 2))) << "hidden icons are not drawn";

  // While the device is lost the texture is gone: an upload then only fixes the bitmap.
  OnD3D9LostDevice();
  EXPECT_EQ(nullptr, host_->IconTexture());
  UploadIconLayer(icons.Value());
  EXPECT_HRESULT_SUCCEEDED(OnD3D9ResetDevice(g_D3DDevice, nullptr));
  EXPECT_NE(nullptr, host_->IconTexture());
}

// The icon layer is drawn over what the icons cover (with a margin) and nothing else: before the first
// upload not at all, whatever the new texture holds; afterwards the frame is the one the layer gives
// drawn over the whole window, with either filter.
TEST_F(SceneHostTest, IconLayerIsDrawnOnlyOverThePaintedIcons) {
  Start(WriteAndReadShow(1, 1, 10, 1), 0);
  const int w = g_WindowRect.right - g_WindowRect.left, h = g_WindowRect.bottom - g_WindowRect.top;
  auto fillTexture = [&](DWORD argb) {
    D3DLOCKED_RECT locked;
    ASSERT_HRESULT_SUCCEEDED(host_->IconTexture()->LockRect(0, &locked, nullptr, 0));
    for (int y = 0; y < h; ++y) {
      DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
      std::fill(row, row + w, argb);
    }
    host_->IconTexture()->UnlockRect(0);
  };
  auto allGreen = [&] {
    int green = 0;
    for (DWORD c : g_frame.argb) green += IsGreen(c);
    return green == w * h;
  };
  fillTexture(0xFFFF0000);  // what a new texture holds is undefined: never shown before an upload
  Frame(0.0);
  EXPECT_TRUE(allGreen()) << "nothing painted, nothing drawn";

  IconBitmap icons(w, h);
  const RECT block = {20, 10, 26, 15};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      BYTE* p = icons.At(x, y);
      const bool icon = x >= block.left && x < block.right && y >= block.top && y < block.bottom;
      p[0] = icon ? 0 : 1;
      p[1] = icon ? 0 : 1;
      p[2] = icon ? 255 : 1;
      p[3] = 0;
    }
  UploadIconLayer(icons.Value());
  const RECT& r = host_->IconCoverageRect();
  EXPECT_EQ((std::vector<LONG>{18, 8, 28, 17}), (std::vector<LONG>{r.left, r.top, r.right, r.bottom}));

  double t = 0.0;
  for (bool smoothing : {false, true}) {
    host_->SetIconSmoothing(smoothing);
    Frame(t += 0.1);
    ASSERT_EQ(static_cast<size_t>(w) * h, g_frame.argb.size());
    const std::vector<DWORD> covered = g_frame.argb;
    if (!smoothing) {
      int wrong = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const bool icon = x >= block.left && x < block.right && y >= block.top && y < block.bottom;
          const DWORD c = g_frame.at(x, y);
          if (icon ? (c & 0xFFFFFF) != 0xFF0000u : !IsGreen(c)) ++wrong;
        }
      EXPECT_EQ(0, wrong) << "point filtering shows the painted pixels exactly";
    }
    host_->SetIconCoverage(RECT{0, 0, w, h});
    Frame(t += 0.1);
    EXPECT_TRUE(covered == g_frame.argb) << (smoothing ? "linear" : "point") << " filtering";
    UploadIconLayer(icons.Value());
  }

  // After a device loss the new texture is not drawn until the list view paints again.
  OnD3D9LostDevice();
  EXPECT_HRESULT_SUCCEEDED(OnD3D9ResetDevice(g_D3DDevice, nullptr));
  fillTexture(0xFFFF0000);
  Frame(t += 0.1);
  EXPECT_TRUE(allGreen()) << "after the reset, before the next upload";
}

// A glow item of four passes with the given effect, listed on the slide.
void AddGlow(DS_SlideContainer& slide, lumi_test::RecordingEffect& effect) {
  render_test::TestGlow* glow = new render_test::TestGlow;
  glow->count.Raw() = 4;
  glow->effect.Share(&effect);
  slide.items.emplace_back(glow);
}

// A glow item holds a default-pool render-target pair of its own: unless the device loss releases it, the
// framework's Reset fails and no frame is drawn again.
TEST_F(SceneHostTest, GlowItemSurvivesAForcedDeviceLossAndFramesAreDrawnAfterIt) {
  lumi_test::CallLog log;
  lumi_test::RecordingEffect effect(log, "glow fx");
  DS_SlideShow_Light* root = WriteAndReadShow(1, 0, 10, 0);
  AddGlow(*root->slides[0], effect);
  Start(root, 0);
  EXPECT_TRUE(root->slides[0]->renderObjects.empty()) << "made when the slide first starts";
  const DWORD before = Frame(0.5);
  ASSERT_EQ(1u, root->slides[0]->renderObjects.size());
  DS_GlowingObj* object = dynamic_cast<DS_GlowingObj*>(root->slides[0]->renderObjects[0].Get());
  ASSERT_NE(nullptr, object);

  ASSERT_TRUE(object->glowTarget.Ready());
  DXUTTestForceDeviceReset();
  for (double t : {1.0, 1.5}) {
    const DWORD after = Frame(t);  // fails unless the reset succeeded and the frame was drawn
    EXPECT_EQ(before, after) << std::hex << before << " " << after << " at " << t;
  }
  ASSERT_TRUE(object->glowTarget.Ready()) << "made again at the reset";
  D3DSURFACE_DESC desc;
  ASSERT_HRESULT_SUCCEEDED(object->glowTarget.Texture()->GetLevelDesc(0, &desc));
  EXPECT_EQ(512u, desc.Width);
  EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
  host_->SetRoot(nullptr);  // before the effect goes
}

// A full-screen effect item over the scene composed so far draws through the picture light's default-pool
// render-target pair and the document's effect of basekit.dll: after a forced loss and reset in the middle
// of its slide, both are back and the slide keeps showing the item's work, frame after frame.
TEST_F(SceneHostTest, WaterItemKeepsDrawingThroughAForcedDeviceLossAndReset) {
  DS_SlideShow_Light* root = WriteAndReadShow(1, 0, 10, 0);
  DS_WaterFX* water = new DS_WaterFX;
  water->mainFX = 1;
  water->colour = 0x00FF80FF;  // red 1, green 0.5, blue 1: the green picture at half its green
  root->slides[0]->items.emplace_back(water);
  Start(root, 0);
  DS_2D_Light* light = root->slides[0]->picture.Get();
  ASSERT_NE(nullptr, light);
  auto halfGreen = [](DWORD c) { return Green(c) > 0x60 && Green(c) < 0xA0 && ((c >> 16) & 0xFF) < 0x40; };

  const DWORD before = Frame(0.5);
  EXPECT_TRUE(halfGreen(before)) << std::hex << before;
  ASSERT_NE(nullptr, light->renderTargets.textures[0]) << "the slide draws off-screen";
  DXUTTestForceDeviceReset();
  for (double t : {1.0, 1.5, 2.0}) {
    const DWORD after = Frame(t);  // fails unless the reset succeeded and the frame was drawn
    EXPECT_TRUE(halfGreen(after)) << std::hex << after << " at " << t;
  }
  ASSERT_NE(nullptr, light->renderTargets.textures[0]) << "made again at the reset";
  D3DSURFACE_DESC desc;
  ASSERT_HRESULT_SUCCEEDED(light->renderTargets.textures[0]->GetLevelDesc(0, &desc));
  EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
}

// A slide not shown yet holds no device object: a device loss and reset pass it by, and it is set up on
// the device as it is when the slide first starts, its glow target made then and its first frame drawn.
TEST_F(SceneHostTest, ASlideFirstShownAfterADeviceResetIsSetUpThenAndDrawsItsFirstFrame) {
  lumi_test::CallLog log;
  lumi_test::RecordingEffect effect(log, "glow fx");
  DS_SlideShow_Light* root = WriteAndReadShow(2, 0, 1, 0);
  AddGlow(*root->slides[1], effect);
  Start(root, 0);
  const DWORD first = Frame(0.0);
  EXPECT_TRUE(IsGreen(first)) << std::hex << first;
  DXUTTestForceDeviceReset();
  Frame(0.5);
  ASSERT_EQ(root->slides[0].Get(), root->current.Get());
  EXPECT_FALSE(root->slides[1]->ObjectsCreated());
  EXPECT_TRUE(root->slides[1]->renderObjects.empty());

  const DWORD started = Frame(1.5);  // no fade: the switch frame shows the new slide
  ASSERT_EQ(root->slides[1].Get(), root->current.Get());
  EXPECT_EQ(first, started) << std::hex << first << " " << started;
  ASSERT_EQ(1u, root->slides[1]->renderObjects.size());
  DS_GlowingObj* object = dynamic_cast<DS_GlowingObj*>(root->slides[1]->renderObjects[0].Get());
  ASSERT_NE(nullptr, object);
  ASSERT_TRUE(object->glowTarget.Ready());
  D3DSURFACE_DESC desc;
  ASSERT_HRESULT_SUCCEEDED(object->glowTarget.Texture()->GetLevelDesc(0, &desc));
  EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
  DXUTTestForceDeviceReset();  // once made, it follows losses and resets
  EXPECT_EQ(first, Frame(2.0));
  EXPECT_TRUE(object->glowTarget.Ready());
  host_->SetRoot(nullptr);  // before the effect goes
}

// The picture light's render-target pair and the document's effects are registered device-objects owners:
// the scene host's loss and reset reach them through the registry, nothing else lets them go or makes
// them again. Without the pair's registration the framework's Reset fails and no frame is drawn again;
// without the document's, its effects see neither the loss nor the reset.
TEST_F(SceneHostTest, PictureLightTargetsAndDocumentEffectsFollowAForcedDeviceLoss) {
  lumi_test::CallLog log;
  lumi_test::RecordingEffect effect(log, "doc fx");
  const DocFileKey key(u"glow.fx", 0);
  effect.AddRef();  // the document's reference
  g_DocResManager->Maps().effects[key] = &effect;
  Start(WriteAndReadShow(1, 0, 10, 0), 0);
  DS_2D_Light* light = host_->Root()->slides[0]->picture.Get();
  ASSERT_NE(nullptr, light);
  const DWORD before = Frame(0.5);
  ASSERT_NE(nullptr, light->renderTargets.current);
  log.calls.clear();

  DXUTTestForceDeviceReset();
  const DWORD after = Frame(1.0);  // fails unless the reset succeeded and the frame was drawn
  EXPECT_EQ(before, after) << std::hex << before << " " << after;
  ASSERT_NE(nullptr, light->renderTargets.current) << "made again at the reset";
  D3DSURFACE_DESC desc;
  ASSERT_HRESULT_SUCCEEDED(light->renderTargets.current->GetLevelDesc(0, &desc));
  EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
  D3DSURFACE_DESC back;
  EXPECT_EQ(GetBackBufferDesc(&back)->Width, desc.Width) << "the back buffer's size";
  EXPECT_EQ(log.With("lost "), (std::vector<std::string>{"lost doc fx"}));
  EXPECT_EQ(log.With("reset "), (std::vector<std::string>{"reset doc fx"}));

  host_->SetRoot(nullptr);
  g_DocResManager->Maps().effects.erase(key);  // before the effect goes
  effect.Release();
}

class SceneHostWithoutIconLayerTest : public SceneHostTest {
 protected:
  bool IconLayer() const override { return false; }
};

TEST_F(SceneHostWithoutIconLayerTest, PlaysWithoutIconQuadOrTextureThroughLossAndReset) {
  EXPECT_EQ(nullptr, host_->IconQuad());
  EXPECT_EQ(nullptr, host_->IconTexture());
  Start(WriteAndReadShow(1, 1, 10, 1), 0);
  EXPECT_TRUE(IsGreen(Frame(0.0)));
  UploadIconLayer(IconLayerBitmap{});  // nothing to upload into
  DXUTTestForceDeviceReset();
  EXPECT_TRUE(IsGreen(Frame(1.0)));
}

TEST_F(SceneHostTest, WithoutSlidesFramesStayBlackButShowTheIconsAndWithoutRootNothingIsDrawn) {
  EXPECT_EQ(E_FAIL, host_->Render()) << "no root yet";
  Start(WriteAndReadShow(0, 1, 10, 1), 1);
  EXPECT_TRUE(IsBlack(Frame(0.0)));
  const int w = g_WindowRect.right - g_WindowRect.left, h = g_WindowRect.bottom - g_WindowRect.top;
  IconBitmap icons(w, h);
  PaintRedIconsOverTopHalf(icons, w, h);
  Frame(0.5);
  EXPECT_EQ(0xFF0000u, g_frame.at(g_frame.width / 2, 2) & 0xFFFFFF) << "icons with no slide to draw them";
  EXPECT_TRUE(IsBlack(g_frame.at(g_frame.width / 2, g_frame.height - 3)));
  DXUTTestForceDeviceReset();
  EXPECT_TRUE(IsBlack(Frame(1.0)));
}

}  // namespace

namespace {

LONG GraphVolumeNow() {
  long v = 1;
  if (!AudioGraph::Audio() || FAILED(AudioGraph::Audio()->get_Volume(&v))) return 1;
  return v;
}

TEST_F(SceneHostTest, TracksPlayInTurnSilentlyAndAFinishedTrackStartsTheNext) {
  Start(WriteAndReadShow(1, 1, 10, 1, {150, 5000}), 0);
  EXPECT_EQ(-1, host_->Playlist().Current()) << "no track before the first frame";
  Frame(0.0);
  EXPECT_EQ(-1, host_->Playlist().Current()) << "the first frame does not wait for the sound";
  EXPECT_EQ(nullptr, AudioGraph::Builder()) << "nor for the sound graph";
  EXPECT_FALSE(host_->Root()->audioFiles[0]->data.Empty()) << "nor for the tracks' files";
  Frame(0.1);
  ASSERT_NE(nullptr, AudioGraph::Audio()) << "the sound graph came up with the first track";
  EXPECT_EQ(0, host_->Playlist().Current()) << "the first track plays from the frame after the first";
  EXPECT_EQ(-10000, GraphVolumeNow()) << "silent until the saved volume is applied";
  EXPECT_TRUE(host_->Root()->audioFiles[0]->data.Empty()) << "embedded bytes went to the temporary folder";

  // The short first track ends: its event reaches the window, and the host moves on.
  const DWORD until = GetTickCount() + 10000;
  while (host_->Playlist().Current() == 0 && GetTickCount() < until) {
    MSG msg;
    if (PeekMessageW(&msg, window_, WM_GRAPH_EVENT, WM_GRAPH_EVENT, PM_REMOVE))
      host_->HandleGraphEvents();
    else
      Sleep(10);
  }
  EXPECT_EQ(1, host_->Playlist().Current());
  host_->PlayNextSound();
  EXPECT_EQ(0, host_->Playlist().Current()) << "after the last track the first again";
  EXPECT_EQ(-10000, GraphVolumeNow());
}

}  // namespace

namespace {

TEST_F(SceneHostTest, DeviceFilterNeedsBumpMappingAndSettingsFollowTheWindow) {
  D3DCAPS9 caps;
  ASSERT_HRESULT_SUCCEEDED(g_D3DDevice->GetDeviceCaps(&caps));
  D3DDISPLAYMODE mode;
  ASSERT_HRESULT_SUCCEEDED(DXUTGetD3DObject()->GetAdapterDisplayMode(caps.AdapterOrdinal, &mode));
  EXPECT_TRUE(IsD3D9DeviceAcceptable(&caps, mode.Format, D3DFMT_X8R8G8B8, true));
  caps.TextureOpCaps &= ~D3DTEXOPCAPS_BUMPENVMAP;
  EXPECT_FALSE(IsD3D9DeviceAcceptable(&caps, mode.Format, D3DFMT_X8R8G8B8, true));

  FrameworkDeviceSettings settings = {};
  settings.pp.SwapEffect = D3DSWAPEFFECT_COPY;
  EXPECT_TRUE(ModifyDeviceSettings(&settings, &caps));
  EXPECT_EQ(static_cast<UINT>(g_WindowRect.right - g_WindowRect.left), settings.pp.BackBufferWidth);
  EXPECT_EQ(static_cast<UINT>(g_WindowRect.bottom - g_WindowRect.top), settings.pp.BackBufferHeight);
  EXPECT_EQ(D3DSWAPEFFECT_DISCARD, settings.pp.SwapEffect);
  EXPECT_EQ(static_cast<UINT>(D3DPRESENT_INTERVAL_ONE), settings.pp.PresentationInterval);
}

TEST_F(SceneHostTest, ResetRestoresAlphaWriteMaskAndCallbacksWaitForTheHost) {
  Start(WriteAndReadShow(1, 1, 10, 1), 0);
  DXUTTestForceDeviceReset();
  Frame(0.0);
  DWORD mask = 0;
  g_D3DDevice->GetRenderState(D3DRS_COLORWRITEENABLE, &mask);
  EXPECT_EQ(7u, mask) << "a device reset does not turn alpha writes back on";

  // Before the host is up, the callbacks leave the scene alone.
  SceneHost* host = g_SceneHost;
  g_SceneHost = nullptr;
  OnD3D9LostDevice();
  EXPECT_NE(nullptr, host_->IconTexture());
  EXPECT_HRESULT_SUCCEEDED(OnD3D9ResetDevice(g_D3DDevice, nullptr));
  g_SceneHost = host;
}

}  // namespace
