// The demo document as the product carries it: "DDS" 107 of the program's own file, loaded on a device
// with the picture of every slide decoded through the texture cache at its own size.
#include <gtest/gtest.h>

#include <memory>

#include "app/scene_host_win.h"
#include "demo_expectations.h"
#include "dxut/app_clock.h"
#include "dxut/d3d_device.h"
#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "render/doc_resource_device_win.h"
#include "scene/doc_res_manager.h"
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
    RegisterSlideShowReaders();
    SetModuleResources(&Win32ModuleResources());
    SetDocResourceDevice(&device_);
  }
  void TearDown() override {
    delete g_DocResManager;
    g_DocResManager = nullptr;
    SetDocResourceDevice(nullptr);
    SetModuleResources(nullptr);
    D3DFixture::TearDown();
  }
  CacheDocResourceDevice device_;
};

TEST_F(DemoSceneOnDevice, EmbeddedDocumentLoadsWithEveryPicture) {
  std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocument());
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), sizeof(kDemoSlides) / sizeof(kDemoSlides[0]));
  EXPECT_EQ(show->audioFiles.size(), sizeof(kDemoTracks) / sizeof(kDemoTracks[0]));
  for (size_t i = 0; i < show->slides.size(); ++i) {
    SCOPED_TRACE(i);
    const DocFileKey key(kDemoSlides[i].picture, 0);
    ASSERT_EQ(show->slides[i]->picture->picture.GetKey(), key);
    const TextureSet& set = g_DocResManager->Maps().textureSets[key];
    ASSERT_EQ(set.frames.size(), 1u);
    EXPECT_NE(set.frames[0], nullptr) << "decoded";
    EXPECT_EQ(static_cast<UINT>(set.width), kDemoSlides[i].width);
    EXPECT_EQ(static_cast<UINT>(set.height), kDemoSlides[i].height);
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
    window_ = lumi_test::CreateTestWindow(64, 48);
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

}  // namespace
