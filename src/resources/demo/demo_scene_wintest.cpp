// The demo document as the product carries it: "DDS" 107 of the program's own file, loaded on a device
// with the picture of every slide decoded through the texture cache at its own size.
#include <gtest/gtest.h>

#include <memory>

#include "demo_expectations.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "render/doc_resource_device_win.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/scene_document.h"
#include "support/d3d_fixture_win.h"

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

}  // namespace
