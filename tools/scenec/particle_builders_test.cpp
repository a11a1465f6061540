#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "particles/effect_particles.h"
#include "particles/flow_particles.h"
#include "particles/light_particles.h"
#include "particles/still_particles.h"
#include "particles/swimmers.h"
#include "scenec/compiled_scene_fixture.h"

namespace {

class ParticleBuildersTest : public CompiledSceneTest {
 protected:
  // The items of the one slide of a scene whose slide holds the given item statements.
  std::vector<DS_ABObj_Constructor*> Items(const std::string& items) {
    show = Load(items);
    std::vector<DS_ABObj_Constructor*> out;
    for (auto& item : show->slides.at(0)->items) out.push_back(item.get());
    return out;
  }
  std::unique_ptr<DS_SlideShow_Light> show;
};

TEST_F(ParticleBuildersTest, EveryParticleClassIsWrittenAndReadBackAsItself) {
  const char* classes[] = {"DS_FishConstructor",     "DS_BirdConstructor",      "DS_GhostConstructor",
                           "DS_GodRayConstructor",   "DS_SparkleConstructor",   "DS_LightingConstructor",
                           "DS_FlowConstructor",     "DS_RainConstructor",      "DS_FogConstructor",
                           "DS_GrassConstructor",    "DS_StatObjConstructor",   "DS_FlowerConstructor",
                           "DS_DischargeConstructor", "DS_DischargeFXConstructor", "DS_ExplosionConstructor"};
  std::string text;
  for (const char* c : classes) text += std::string("  item ") + c + " {\n name \"" + c + "\"\n count 2\n }\n";
  auto items = Items(text);
  ASSERT_EQ(items.size(), 15u);
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string expected(classes[i]);
    EXPECT_EQ(items[i]->name, ds_string(expected.begin(), expected.end()));
    EXPECT_EQ(static_cast<DS_BaseSpriteProp*>(items[i])->count.GetValue(), 2u);
  }
  EXPECT_NE(dynamic_cast<DS_RainConstructor*>(items[7]), nullptr);
  EXPECT_NE(dynamic_cast<DS_ExplosionConstructor*>(items[14]), nullptr);
}

TEST_F(ParticleBuildersTest, SpriteAndOwnStatementsReachTheStoredValues) {
  // One statement a line.
  auto items = Items(
      "  item DS_FlowConstructor {\n rect 0.1 0.9 0.2 1\n speed 40\n size 64\n transparency 20\n blend 1\n"
      " colour 0x0080FF\n phase 0.5 0.1 0.9\n size-factor 0.6 1.2\n image \"a.png\" 3\n second-image \"b.png\" 4\n"
      " frames 4 8 true\n flip 1 0\n refill 1\n module-image-set 1\n angle 135\n drift 13 6\n base-speed 94.5\n"
      " orientation 2\n }\n"
      "  item DS_DischargeFXConstructor {\n start 1 2 3\n end 4 5 6\n jitter 70\n main-image 0\n flicker 40\n"
      " follow 90\n glow 0xABCDEF 150\n effect \"bolt.fx\" 7\n }\n"
      "  item DS_FlowerConstructor {\n sway 2.5\n angle 10\n placement 1 2 3 4 5 6\n }\n"
      "  item DS_FishConstructor {\n max-speed 12 34\n }\n");
  ASSERT_EQ(items.size(), 4u);
  auto* flow = dynamic_cast<DS_FlowConstructor*>(items[0]);
  ASSERT_NE(flow, nullptr);
  EXPECT_FLOAT_EQ(flow->x0, 0.1f);
  EXPECT_FLOAT_EQ(flow->y0, 0.2f);
  EXPECT_EQ(flow->speed.GetValue(), 40u);
  EXPECT_EQ(flow->size.GetValue(), 64u);
  EXPECT_EQ(flow->transparency.GetResult(), 204);
  EXPECT_EQ(flow->blendMode.GetValue(), 1);
  EXPECT_EQ(flow->colour.GetValue(), 0x0080FFu);
  EXPECT_FLOAT_EQ(flow->phaseMax, 0.9f);
  EXPECT_FLOAT_EQ(flow->sizeFactorMax, 1.2f);
  EXPECT_EQ(flow->image.GetKey(), DocFileKey(u"a.png", 3));
  EXPECT_EQ(flow->secondImage.GetKey(), DocFileKey(u"b.png", 4));
  EXPECT_EQ(flow->frameCount, 4u);
  EXPECT_TRUE(flow->animated);
  EXPECT_EQ(flow->verticalFlip.GetValue(), 1);
  EXPECT_EQ(flow->refillOnFrameChange.GetValue(), 1);
  EXPECT_EQ(flow->moduleImageSet, 1);
  EXPECT_EQ(flow->angle.GetValue(), 135u);
  EXPECT_EQ(flow->driftSpeed.GetValue(), 13u);
  EXPECT_EQ(flow->driftChangeRate.GetValue(), 6u);
  EXPECT_FLOAT_EQ(flow->baseSpeed, 94.5f);
  EXPECT_EQ(flow->orientationMode.GetValue(), 2);
  auto* bolt = dynamic_cast<DS_DischargeFXConstructor*>(items[1]);
  ASSERT_NE(bolt, nullptr);
  EXPECT_FLOAT_EQ(bolt->startPoint.GetValue().z, 3);
  EXPECT_FLOAT_EQ(bolt->endPoint.GetValue().x, 4);
  EXPECT_FLOAT_EQ(bolt->jitter.GetResult(), 0.7f);
  EXPECT_EQ(bolt->mainImageChoice.GetValue(), 0);
  EXPECT_FLOAT_EQ(bolt->followSpeed.GetResult(), 9.0f);
  EXPECT_EQ(bolt->glowColour.GetValue(), 0xABCDEFu);
  EXPECT_FLOAT_EQ(bolt->glowStrength.GetResult(), 1.5f);
  EXPECT_EQ(bolt->effectLink.GetKey(), DocFileKey(u"bolt.fx", 7));
  auto* flower = dynamic_cast<DS_FlowerConstructor*>(items[2]);
  ASSERT_NE(flower, nullptr);
  EXPECT_FLOAT_EQ(flower->swayAmplitude, 2.5f);
  EXPECT_EQ(flower->placement.bottom.GetValue(), 4);
  EXPECT_EQ(flower->placement.centreY.GetValue(), 6);
  auto* fish = dynamic_cast<DS_FishConstructor*>(items[3]);
  ASSERT_NE(fish, nullptr);
  EXPECT_FLOAT_EQ(fish->maxSpeedY, 34);
}

TEST_F(ParticleBuildersTest, StatementsOfAnotherClassOrOutOfRangeAreErrorsWithTheLine) {
  const struct {
    const char* text;
    int line;
  } cases[] = {
      {"  item DS_SparkleConstructor {\n count 1\n }\n  item DS_SparkleConstructor {\n angle 3\n }\n", 7},
      {"  item DS_FishConstructor {\n count -1\n }\n", 4},
      {"  item DS_GrassConstructor {\n max-speed 1 2\n }\n", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      Items(c.text);
      ADD_FAILURE() << "compiled";
    } catch (const SceneTextError& e) {
      EXPECT_EQ(e.line(), c.line) << e.what();
    }
  }
}

}  // namespace
