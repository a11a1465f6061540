#include <gtest/gtest.h>

#include <memory>

#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/matrix_code_light.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "scenec/compiled_scene_fixture.h"
#include "scenec/scene_compiler.h"
#include "support/fake_module_resources.h"

namespace {

class PictureLightBuildersTest : public CompiledSceneTest {
 protected:
  std::unique_ptr<DS_SlideShow_Light> Load(const std::string& lights) { return LoadScene(lights); }
};

template <class L>
L& LightOf(DS_SlideShow_Light& show, size_t i) {
  L* light = dynamic_cast<L*>(show.slides.at(i)->picture.Get());
  if (!light) throw std::runtime_error("another light class");
  return *light;
}

TEST_F(PictureLightBuildersTest, EveryLightTakesItsStatements) {
  std::unique_ptr<DS_SlideShow_Light> show = Load(
      "slide DS_SlideContainer { light DS_GlassBallLight { picture \"p.jpg\" 0\n overlay2 \"o.png\" 4\n"
      " motion-speed 25\n ball-offset -5 7\n ball-size 90\n refraction 40\n shadow-on 1\n"
      " picture-background 1\n motion-mode 1\n gradient 0x102030 0x405060 } }\n"
      "slide DS_SlideContainer { light DS_MatrixCodeLight { cell-size 20\n density 40\n flicker-count 8\n"
      " sparkle 1\n mode 1\n start-mode 0\n glyph-color 0x00FF00\n head-color 0xFFFFFF\n transparency 10\n"
      " glyph-sheet \"basekit.dll\" 41 } }\n"
      "slide DS_SlideContainer { light FakeLake2D { horizon 40\n tint-alpha 50\n haze-height 9\n"
      " copy-size 2\n tint-color 0x203040\n camera 1 130 20 } }\n"
      "slide DS_SlideContainer { light DS_WaterRingLight { mode 1\n wave-damping 70\n drop-rate 60\n"
      " grid-density 25 } }\n");
  ASSERT_EQ(show->slides.size(), 4u);
  auto& ball = LightOf<DS_GlassBallLight>(*show, 0);
  EXPECT_EQ(ball.picture.GetKey(), DocFileKey(u"p.jpg", 0));
  EXPECT_EQ(ball.overlay2.GetKey(), DocFileKey(u"o.png", 4));
  EXPECT_FLOAT_EQ(ball.motionSpeed.GetResult(), 1.5f);
  EXPECT_EQ(ball.ballOffset.GetValue().x, -5);
  EXPECT_EQ(ball.ballOffset.GetValue().y, 7);
  EXPECT_EQ(ball.ballSize.GetValue(), 90u);
  EXPECT_EQ(ball.motionMode.GetValue(), 1);
  EXPECT_EQ(ball.gradientTop.GetValue(), 0x102030u);
  auto& code = LightOf<DS_MatrixCodeLight>(*show, 1);
  EXPECT_EQ(code.cellSize.GetValue(), 20u);
  EXPECT_EQ(code.mode.GetValue(), 1);
  EXPECT_FLOAT_EQ(code.transparency.GetResult(), 0.9f);
  EXPECT_EQ(code.glyphSheet.GetKey(), DocFileKey(u"basekit.dll", 41));
  auto& lake = LightOf<FakeLake2D>(*show, 2);
  EXPECT_FLOAT_EQ(lake.horizon.GetResult(), 0.3f);
  EXPECT_EQ(lake.hazeHeight.GetValue(), 9u);
  EXPECT_EQ(lake.tintColor.GetValue(), 0x203040u);
  EXPECT_EQ(lake.camera.enable.GetValue(), 1);
  auto& water = LightOf<DS_WaterRingLight>(*show, 3);
  EXPECT_EQ(water.mode.GetValue(), 1);
  EXPECT_EQ(water.waveDamping.GetValue(), 70u);
  EXPECT_FLOAT_EQ(water.dropRate.GetResult(), 1.0f);
}

TEST_F(PictureLightBuildersTest, FlameTakesItsStatementsAndItsFiresAnItemWould) {
  std::unique_ptr<DS_SlideShow_Light> show = Load(
      "slide DS_SlideContainer { light DS_FlameLight { picture \"hearth.jpg\" 0\n fire-enable 1\n haze-enable 0\n"
      " fire-offset 12\n haze-bump \"bump.png\" 3\n haze-effect \"basekit.dll\" 64\n haze-speed 80\n"
      " haze-strength 40\n haze-bump-scale 50\n fire { speed 25\n brightness 30\n start-colour 0x0000C0 } } }\n");
  auto& flame = LightOf<DS_FlameLight>(*show, 0);
  EXPECT_EQ(flame.picture.GetKey(), DocFileKey(u"hearth.jpg", 0));
  EXPECT_EQ(flame.hazeEnable.GetValue(), 0);
  EXPECT_EQ(flame.fireOffset.GetValue(), 12u);
  EXPECT_EQ(flame.haze.bumpMap.GetKey(), DocFileKey(u"bump.png", 3));
  EXPECT_EQ(flame.haze.effectLink.GetKey(), DocFileKey(u"basekit.dll", 64));
  EXPECT_NEAR(flame.haze.speed.GetResult(), 0.08f, 1e-6f);
  EXPECT_NEAR(flame.haze.strength.GetResult(), 0.08f, 1e-6f);
  EXPECT_NEAR(flame.haze.bumpScale.GetResult(), 0.55f, 1e-6f);
  EXPECT_FLOAT_EQ(flame.fire.clock.GetResult(), 0.5f);
  EXPECT_FLOAT_EQ(flame.fire.brightness.GetResult(), 0.6f);
  EXPECT_EQ(flame.fire.startColour.GetValue(), 0x0000C0u);
  EXPECT_EQ(flame.fire.patternLink.GetKey(), DocFileKey(u"basekit.dll", 7));  // the light's own default

  EXPECT_THROW(Load("slide DS_SlideContainer { light DS_FlameLight { fire { horizon 3 } } }\n"), std::exception);
}

TEST_F(PictureLightBuildersTest, UnderwaterTakesTheWobblesStatements) {
  std::unique_ptr<DS_SlideShow_Light> show = Load(
      "slide DS_SlideContainer { light FakeUndervater { picture \"sea.jpg\" 0\n amplitude 80\n wavelength 30\n"
      " speed 40\n scale 100\n name \"Deep\"\n camera 1 130 20 } }\n");
  auto& light = LightOf<FakeUndervater>(*show, 0);
  EXPECT_EQ(light.picture.GetKey(), DocFileKey(u"sea.jpg", 0));
  EXPECT_FLOAT_EQ(light.underwater.amplitude.GetResult(), 0.01f);
  EXPECT_EQ(light.underwater.wavelength.GetValue(), 30u);
  EXPECT_FLOAT_EQ(light.underwater.clock.GetResult(), 40.0f);
  EXPECT_FLOAT_EQ(light.underwater.scale.GetResult(), 2.0f);
  EXPECT_EQ(light.underwater.name, u"Deep");
  EXPECT_EQ(light.underwater.effectLink.GetKey(), DocFileKey(u"basekit.dll", 88));
  EXPECT_EQ(light.camera.enable.GetValue(), 1);
  EXPECT_THROW(CompileScene("scene DS_SlideShow_Light {\nslide DS_SlideContainer { light FakeUndervater { pattern 1 } }\n}\n",
                            NoFiles),
               std::exception);
}

// The lake's bump map: the light names its key, the resources hold the picture under it.
TEST_F(PictureLightBuildersTest, LakeNamesItsBumpPictureWhichTheDocumentKeeps) {
  const std::string bytes = "DDS bump";
  std::unique_ptr<DS_SlideShow_Light> show = LoadScene(
      "slide DS_SlideContainer { light FakeLake2D { bump 5F1A2B3C-0101-4E5F-9A0B-1C2D3E4F5061 \"ripples\" false } }\n"
      "}\nresources {\n bump 5F1A2B3C-0101-4E5F-9A0B-1C2D3E4F5061 \"ripples\" false file \"b.dds\"\n",
      [&](const std::string& path, std::vector<BYTE>* out) {
        if (path != "b.dds") return false;
        out->assign(bytes.begin(), bytes.end());
        return true;
      });
  auto& lake = LightOf<FakeLake2D>(*show, 0);
  EXPECT_EQ(lake.bumpKey.guid.Data1, 0x5F1A2B3Cu);
  EXPECT_EQ(lake.bumpKey.guid.Data2, 0x0101u);
  EXPECT_EQ(lake.bumpKey.name, u"ripples");
  EXPECT_FALSE(lake.bumpKey.flag);
  EXPECT_TRUE(g_DocResManager->HasGuidPicture(lake.bumpKey)) << "the picture under the lake's key";
  EXPECT_THROW(Load("slide DS_SlideContainer { light FakeLake2D { bump nope \"\" true } }\n"), std::exception);
}

TEST_F(PictureLightBuildersTest, UnknownStatementsAndBadValuesFail) {
  const char* bad[] = {
      "slide DS_SlideContainer { light DS_MatrixCodeLight { speed 3 } }\n",
      "slide DS_SlideContainer { light FakeLake2D { horizon -1 } }\n",
      "slide DS_SlideContainer { light DS_WaterRingLight { mode } }\n",
      "slide DS_SlideContainer { light DS_GlassBallLight { ball-offset 1 } }\n",
  };
  for (const char* text : bad)
    EXPECT_THROW(CompileScene(std::string("scene DS_SlideShow_Light {\n") + text + "}\n", NoFiles),
                 std::exception)
        << text;
}

}  // namespace
