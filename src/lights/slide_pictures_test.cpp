// A slide's pictures are held only around its show: the slide show of plain picture slides over a
// document saved and read back, driven frame by frame as the scene host drives it. A picture is decoded
// when its slide starts and freed once the slide has ended and the fade after it is over; a picture two
// slides in a row show is taken over, not decoded again.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "lights/light_2d.h"
#include "lights/light_readers.h"
#include "lights/slide_show.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "support/document_pictures.h"
#include "support/fake_geometry.h"
#include "support/recording_render_device.h"

namespace {

using lumi_test::RecordingRenderDevice;

const DocFileKey kDusk(u"c:\\pics\\dusk.jpg", 1);
const DocFileKey kPond(u"c:\\pics\\pond.jpg", 2);

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

class SlidePicturesTest : public ::testing::Test {
 protected:
  SlidePicturesTest() : device_(640, 480) {}
  void SetUp() override {
    RegisterLightReaders();
    savedManager_ = g_DocResManager;
    savedMapping_ = *GetScreenMapping();
    device_.tellSizes = true;
    device_.pairTextures[0] = &pair_[0];
    device_.pairTextures[1] = &pair_[1];
    manager_.reset(lumi_test::ReadDocumentPictures({{kDusk, Bytes("\x40\x30" "dusk")}, {kPond, Bytes("\x30\x40" "pond")}}));
    g_DocResManager = manager_.get();
  }
  void TearDown() override {
    show_.reset();
    for (auto& bar : g_LetterboxProjection.bars) bar.ReleaseVertexBuffer();
    manager_.reset();
    g_DocResManager = savedManager_;
    *GetScreenMapping() = savedMapping_;
    EXPECT_EQ(device_.LiveTextures(), 0);
    EXPECT_FALSE(device_.AnyOverReleased());
    for (const auto& t : pair_) EXPECT_EQ(t.refs, 1) << "the pair's textures let go of as often as taken";
  }

  // Slides with fade-in 1, show 2 and fade-out 1 (a cycle of 4 s), one per picture.
  void Play(const std::vector<DocFileKey>& pictures) {
    show_.reset(new DS_SlideShow_Light);
    for (const DocFileKey& key : pictures) {
      DS_SlideContainer* slide = new DS_SlideContainer;
      slide->fadeIn = 1u;
      slide->show = 2u;
      slide->fadeOut = 1u;
      DS_2D_Light* light = new DS_2D_Light;
      light->picture.Raw() = key;
      slide->picture = CountedPtr<DS_2D_Light>(light);
      show_->slides.push_back(CountedPtr<DS_SlideContainer>(slide));
    }
  }
  DS_2D_Light& Light(size_t slide) { return *show_->slides[slide]->picture; }
  IDirect3DTexture9* Picture(size_t slide) { return Light(slide).pictureQuad.info.texture; }
  long Decodes(const std::string& name) const {
    return std::count_if(device_.calls.begin(), device_.calls.end(), [&](const std::string& c) {
      return c.rfind("texture ", 0) == 0 && c.find(name) != std::string::npos;
    });
  }

  RecordingRenderDevice device_;
  lumi_test::FakeTexture pair_[2];
  std::unique_ptr<DS_DocResManager> manager_;
  std::unique_ptr<DS_SlideShow_Light> show_;
  DS_DocResManager* savedManager_ = nullptr;
  ScreenMapping savedMapping_;
};

TEST_F(SlidePicturesTest, APictureIsHeldFromItsSlidesStartUntilTheFadeAfterItIsOver) {
  Play({kDusk, kPond, kPond});
  show_->FrameMove(0.0);  // slide 0 from the end of its fade-in: its cycle ends after 3 s
  EXPECT_EQ(Decodes("dusk"), 1);
  EXPECT_EQ(Decodes("pond"), 0) << "a slide not started holds nothing";
  IDirect3DTexture9* dusk = Picture(0);
  ASSERT_NE(dusk, nullptr);
  EXPECT_TRUE(Light(0).renderTargets.Holds(640, 480));

  show_->FrameMove(2.9);  // fading out
  EXPECT_EQ(Picture(0), dusk) << "held while the fade after the show runs";
  show_->FrameMove(3.1);  // slide 1 starts behind full black
  ASSERT_EQ(show_->current.Get(), show_->slides[1].Get());
  EXPECT_EQ(Picture(0), nullptr);
  EXPECT_EQ(RecordingRenderDevice::Refs(dusk), 0) << "freed once the fade is over";
  EXPECT_TRUE(Light(0).PicturePending());
  EXPECT_FALSE(Light(0).renderTargets.Holds(640, 480)) << "the pair goes with the show";
  EXPECT_EQ(Light(0).sourceTexture.Get(), nullptr);
  EXPECT_EQ(Light(0).pictureQuad.info.width, 0x40u) << "the placement keeps the picture's size";
  IDirect3DTexture9* pond = Picture(1);
  ASSERT_NE(pond, nullptr);
  EXPECT_EQ(Decodes("pond"), 1);

  show_->FrameMove(7.2);  // slide 2 shows the same picture as slide 1
  ASSERT_EQ(show_->current.Get(), show_->slides[2].Get());
  EXPECT_EQ(Decodes("pond"), 1) << "taken over from the slide before";
  EXPECT_EQ(Picture(2), pond);
  EXPECT_EQ(Picture(1), nullptr);
  EXPECT_TRUE(Light(2).renderTargets.Holds(640, 480));

  show_->FrameMove(11.3);  // slide 0 again
  ASSERT_EQ(show_->current.Get(), show_->slides[0].Get());
  EXPECT_EQ(Decodes("dusk"), 2) << "decoded again from the document's data";
  EXPECT_NE(Picture(0), nullptr);
  EXPECT_EQ(Light(0).pictureQuad.quad.texture.Get(), Picture(0));
  EXPECT_TRUE(Light(0).renderTargets.Holds(640, 480)) << "made again at the start's reset";
  EXPECT_EQ(RecordingRenderDevice::Refs(pond), 0);
  EXPECT_EQ(device_.LiveTextures(), 1) << "one picture held: the one shown";
}

// A module picture a slide's light loads for itself goes the same way, from the device's cache too, and is
// loaded from the module again at the slide's next start.
TEST_F(SlidePicturesTest, AModulePictureALightLoadsIsLetGoOfWithItsSlide) {
  const DocFileKey module = DS_ImageFileLink(5, u"basekit.dll").GetKey();
  Play({module, kPond});
  show_->FrameMove(0.0);
  IDirect3DTexture9* first = Picture(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(RecordingRenderDevice::Text(first), "basekit.dll:5");

  show_->FrameMove(3.1);
  EXPECT_EQ(Picture(0), nullptr);
  EXPECT_EQ(RecordingRenderDevice::Refs(first), 0) << "neither the manager nor the device's cache holds it";
  EXPECT_EQ(std::count(device_.calls.begin(), device_.calls.end(), "release texture basekit.dll:5"), 1);

  show_->FrameMove(7.2);
  ASSERT_EQ(show_->current.Get(), show_->slides[0].Get());
  ASSERT_NE(Picture(0), nullptr);
  EXPECT_EQ(RecordingRenderDevice::Text(Picture(0)), "basekit.dll:5") << "loaded from the module again";
  EXPECT_EQ(manager_->Maps().resourceData[module].size(), 1u) << "one record however often it is loaded";
  EXPECT_EQ(device_.LiveTextures(), 1);
}

// A device loss while a slide's pictures are let go of passes it by; the slide makes them again when it
// starts after the reset.
TEST_F(SlidePicturesTest, ASlideLetGoOfComesBackAfterADeviceLoss) {
  Play({kDusk, kPond});
  show_->FrameMove(0.0);
  show_->FrameMove(3.1);
  show_->OnLostDevice();
  show_->OnResetDevice();
  EXPECT_EQ(Picture(0), nullptr);
  show_->FrameMove(7.2);
  ASSERT_EQ(show_->current.Get(), show_->slides[0].Get());
  EXPECT_NE(Picture(0), nullptr);
  EXPECT_TRUE(Light(0).renderTargets.Holds(640, 480));
  EXPECT_EQ(Picture(1), nullptr);
}

}  // namespace
