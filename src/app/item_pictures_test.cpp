// The pictures an item uses alone follow its slide's show as the light's picture does: taken when the
// slide starts, freed once it has ended and the fade after it is over, and taken again at its next start.
// One table over every kind of render object that holds pictures, in a slide show of two slides driven as
// the scene host drives it: the first holds the item over the light's default picture, the second nothing.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/reader_list.h"
#include "fx/fire_fx.h"
#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "objects3d/butterfly.h"
#include "objects3d/leaves.h"
#include "particles/effect_particles.h"
#include "particles/swimmers.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/screen_mapping.h"
#include "support/document_pictures.h"
#include "support/recording_render_device.h"
#include "support/saved_global.h"

namespace {

using lumi_test::RecordingRenderDevice;

const DocFileKey kFirst(u"c:\\pics\\first.png", 1);
const DocFileKey kSecond(u"c:\\pics\\second.png", 2);
const DocFileKey kThird(u"c:\\pics\\third.png", 3);

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }
DS_ImageFileLink Link(const DocFileKey& key) { return DS_ImageFileLink{DS_FileLink3(key)}; }

struct Case {
  const char* name;
  std::function<DS_ABObj_Constructor*()> make;
};

class ItemPicturesTest : public ::testing::Test {
 protected:
  ItemPicturesTest() : device_(640, 480) {}
  void SetUp() override {
    RegisterAllReaders();
    device_.tellSizes = true;
    device_.pairTextures[0] = &pair_[0];
    device_.pairTextures[1] = &pair_[1];
  }
  void TearDown() override {
    for (auto& bar : g_LetterboxProjection.bars) bar.ReleaseVertexBuffer();
  }

  RecordingRenderDevice device_;
  lumi_test::FakeTexture pair_[2];

 private:
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
  lumi_test::SavedGlobal<ScreenMapping> savedMapping_{*GetScreenMapping()};
};

TEST_F(ItemPicturesTest, AnItemsPicturesAreHeldFromItsSlidesStartUntilTheFadeAfterItIsOver) {
  const Case cases[] = {
      {"sprite particles: the image set and the second image",
       [] {
         auto* fish = new DS_FishConstructor;
         fish->image = Link(kFirst);
         fish->secondImage = Link(kSecond);
         return fish;
       }},
      {"glow particles: the second image and the module's bolt",
       [] {
         auto* discharge = new DS_DischargeFXConstructor;
         discharge->secondImage = Link(kSecond);
         return discharge;
       }},
      {"effect particles: gradient and both noises",
       [] {
         auto* explosion = new DS_ExplosionConstructor;
         explosion->image = Link(kFirst);
         explosion->secondImage = Link(kSecond);
         explosion->noiseLink = Link(kThird);
         return explosion;
       }},
      {"effect particles: noise 2 standing in for noise 1",
       [] {
         auto* explosion = new DS_ExplosionConstructor;
         explosion->image = Link(kFirst);
         explosion->secondImage = Link(kSecond);
         return explosion;
       }},
      {"fire: pattern and noise",
       [] {
         auto* fire = new DS_FireFX;
         fire->patternLink = Link(kFirst);
         fire->noiseLink = Link(kSecond);
         return fire;
       }},
      {"water: the bump map",
       [] {
         auto* water = new DS_WaterFX;
         water->bumpLink = Link(kThird);
         return water;
       }},
      {"pattern brush: the pattern",
       [] {
         auto* brush = new DS_PatternBrush;
         brush->patternLink = Link(kFirst);
         return brush;
       }},
      {"3D objects: the parts' textures",
       [] {
         auto* butterflies = new DS_ButterflyConstructor;
         butterflies->texture = Link(kSecond);
         return butterflies;
       }},
      {"falling leaves: the item's own picture",
       [] {
         auto* leaves = new DS_3D_in_2D_array_Constructor;
         const std::vector<BYTE> leaf = Bytes("\x10\x10" "leaf");
         leaves->textureRecord = DocResourceRecord(0, u"");
         leaves->textureRecord.blob.SetBytes(static_cast<INT>(leaf.size()), leaf.data());
         return leaves;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<DS_DocResManager> manager(lumi_test::ReadDocumentPictures(
        {{kFirst, Bytes("\x20\x20" "first")}, {kSecond, Bytes("\x10\x10" "second")}, {kThird, Bytes("\x08\x08" "third")}}));
    g_DocResManager = manager.get();
    {
      // Fade-in 1, show 2, fade-out 1: a cycle of 4 s a slide.
      DS_SlideShow_Light show;
      for (int i = 0; i < 2; ++i) {
        DS_SlideContainer* slide = new DS_SlideContainer;
        slide->fadeIn = 1u;
        slide->show = 2u;
        slide->fadeOut = 1u;
        slide->picture = CountedPtr<DS_2D_Light>(new DS_2D_Light);
        if (i == 0) slide->items.emplace_back(c.make());
        show.slides.push_back(CountedPtr<DS_SlideContainer>(slide));
      }
      // Besides the item's, the one texture live is the default picture of the light shown.
      auto itemTextures = [&] {
        return device_.LiveTextures() - (show.current->picture->pictureQuad.info.texture ? 1 : 0);
      };
      show.FrameMove(0.0);
      const int held = itemTextures();
      EXPECT_GT(held, 0) << "the item took its pictures at its slide's start";
      show.FrameMove(2.9);
      EXPECT_EQ(itemTextures(), held) << "held while the fade after the show runs";
      show.FrameMove(3.1);
      ASSERT_EQ(show.current.Get(), show.slides[1].Get());
      EXPECT_EQ(itemTextures(), 0) << "freed once the fade is over";
      show.FrameMove(7.2);
      ASSERT_EQ(show.current.Get(), show.slides[0].Get());
      EXPECT_EQ(itemTextures(), held) << "taken again at the slide's next start";
    }
    g_DocResManager = nullptr;
    manager.reset();
    EXPECT_EQ(device_.LiveTextures(), 0);
    EXPECT_FALSE(device_.AnyOverReleased());
  }
}

}  // namespace
