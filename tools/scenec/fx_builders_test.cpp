#include <gtest/gtest.h>

#include <iterator>
#include <memory>

#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "fx/wave_fx.h"
#include "lights/flame_light.h"
#include "lights/lake_light.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "fx/fire_fx.h"
#include "scene/doc_res_manager.h"
#include "scene/guid_text.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "scenec/compiled_scene_fixture.h"
#include "scenec/scene_compiler.h"
#include "support/fake_module_resources.h"

namespace {

class FxBuildersTest : public CompiledSceneTest {
 protected:
  template <class T>
  static T* Item(DS_SlideShow_Light& show, size_t i) {
    auto it = show.slides[0]->items.begin();
    std::advance(it, i);
    return dynamic_cast<T*>(it->get());
  }
};

TEST_F(FxBuildersTest, EveryStatementReachesItsField) {
  std::unique_ptr<DS_SlideShow_Light> show = Load(
      "item DS_PatternBrushC {\n name \"tiles\"\n speed 10\n mainfx 1\n scale 100\n effect \"my.fx\" 3\n"
      " mask 0123ABCD-4E5F-6789-ABCD-EF0123456789 \"m\" false\n"
      " pattern \"t.png\" 4\n flip 1 0\n angle 45\n pattern-scale 200\n offset 10 20\n}\n"
      "item DS_BackgroundCopy {\n rect 1 2 3 4\n centre 5 6\n shift 1 0\n}\n"
      "item DS_WavesFX {\n amplitude 7\n wavelength 8\n angle 90\n vertical 1\n}\n"
      "item DS_LightFX {\n level 70\n mode 2\n}\n"
      "item DS_WaterFX {\n p-factor 1\n bump-amplitude 2\n wave-amplitude 3\n wavelength 4\n angle 5\n"
      " shadows 6\n half-vector-z 7\n colour 0x00123456\n bump \"b.png\" 9\n}\n"
      "item DS_MoveFX {\n mode 1\n amplitude 11\n angle 12\n}\n"
      "item DS_FireFX {\n area 1 2 3 4 5 6 7 8\n end-colour 0xFF\n start-colour 0xFF00\n pattern \"f.png\" 1\n"
      " noise \"n.png\" 2\n density 150\n brightness 20\n repeat 50\n ints -1 2\n}\n");
  ASSERT_TRUE(show);
  auto* brush = Item<DS_PatternBrushC>(*show, 0);
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(brush->name, u"tiles");
  EXPECT_EQ(brush->clock.GetValue(), 10u);
  EXPECT_EQ(brush->mainFX.GetValue(), 1);
  EXPECT_FLOAT_EQ(brush->scale.GetResult(), 2.0f);
  EXPECT_EQ(brush->effectLink.GetKey(), DocFileKey(u"my.fx", 3));
  EXPECT_EQ(brush->maskKey.guid.Data1, 0x0123ABCDu);
  EXPECT_EQ(brush->maskKey.name, u"m");
  EXPECT_FALSE(brush->maskKey.flag);
  EXPECT_EQ(brush->patternLink.GetKey(), DocFileKey(u"t.png", 4));
  EXPECT_EQ(brush->verticalFlip.GetValue(), 1);
  EXPECT_EQ(brush->horizontalFlip.GetValue(), 0);
  EXPECT_EQ(brush->angle.GetValue(), 45u);
  EXPECT_FLOAT_EQ(brush->patternScale.GetResult(), 2.0f);
  EXPECT_FLOAT_EQ(brush->offsetX.GetResult(), -0.1f);
  EXPECT_FLOAT_EQ(brush->offsetY.GetResult(), 0.2f);
  auto* copy = Item<DS_BackgroundCopy>(*show, 1);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->rectangle.bottom.GetValue(), 4);
  EXPECT_EQ(copy->rectangle.centreY.GetValue(), 6);
  EXPECT_EQ(copy->xShift.GetValue(), 1);
  EXPECT_EQ(copy->yShift.GetValue(), 0);
  auto* waves = Item<DS_WavesFX>(*show, 2);
  ASSERT_NE(waves, nullptr);
  EXPECT_EQ(waves->amplitude.GetValue(), 7u);
  EXPECT_EQ(waves->wavelength.GetValue(), 8u);
  EXPECT_EQ(waves->angle.GetValue(), 90u);
  EXPECT_EQ(waves->vertical.GetValue(), 1);
  auto* light = Item<DS_LightFX>(*show, 3);
  ASSERT_NE(light, nullptr);
  EXPECT_FLOAT_EQ(light->level.GetResult(), 0.7f);
  EXPECT_EQ(light->mode.GetValue(), 2);
  auto* water = Item<DS_WaterFX>(*show, 4);
  ASSERT_NE(water, nullptr);
  EXPECT_EQ(water->pFactor.GetValue(), 1u);
  EXPECT_EQ(water->halfVectorZ.GetValue(), 7u);
  EXPECT_EQ(water->angle.GetValue(), 5u);
  EXPECT_EQ(water->colour.GetValue(), 0x00123456u);
  EXPECT_EQ(water->bumpLink.GetKey(), DocFileKey(u"b.png", 9));
  auto* move = Item<DS_MoveFX>(*show, 5);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(move->mode.GetValue(), 1);
  EXPECT_EQ(move->amplitude.GetValue(), 11u);
  EXPECT_EQ(move->angle.GetValue(), 12u);
  auto* fire = Item<DS_FireFX>(*show, 6);
  ASSERT_NE(fire, nullptr);
  EXPECT_EQ(fire->area.corners[3].GetValue(), D3DXVECTOR3(7, 8, 0));
  EXPECT_EQ(fire->endColour.GetValue(), 0xFFu);
  EXPECT_EQ(fire->startColour.GetValue(), 0xFF00u);
  EXPECT_EQ(fire->noiseLink.GetKey(), DocFileKey(u"n.png", 2));
  EXPECT_FLOAT_EQ(fire->density.GetResult(), 0.5f);
  EXPECT_FLOAT_EQ(fire->brightness.GetResult(), 0.4f);
  EXPECT_FLOAT_EQ(fire->textureRepeat.GetResult(), 0.5f);
  EXPECT_EQ(fire->firstInt.GetValue(), -1);
  EXPECT_EQ(fire->secondInt.GetValue(), 2);
}

// The keys that items make for themselves (no mask statement, a flame's fire, a lake without a bump key)
// derive from their place in the description: two compilations write the same bytes, every item keeps a
// key of its own, and a key the description gives is kept.
TEST_F(FxBuildersTest, KeysItemsMakeThemselvesGiveTheSameBytesFromEveryCompilation) {
  const std::string scene =
      "scene DS_SlideShow_Light {\n"
      " slide DS_SlideContainer {\n"
      "  item DS_LightFX { level 60 }\n"
      "  item DS_WavesFX { angle 30 }\n"
      "  item DS_MoveFX { mask 0123ABCD-4E5F-6789-ABCD-EF0123456789 \"m\" true }\n"
      " }\n"
      " slide DS_SlideContainer { light DS_FlameLight { } item DS_WavesFX { angle 30 } }\n"
      " slide DS_SlideContainer { light FakeLake2D { } }\n"
      "}\n";
  const std::vector<BYTE> first = CompileScene(scene, NoFiles), second = CompileScene(scene, NoFiles);
  EXPECT_TRUE(first == second) << "two compilations of one description";

  modules.AddDds(nullptr, kSceneDocumentId, first);
  std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocument());
  ASSERT_TRUE(show);
  ASSERT_EQ(show->slides.size(), 3u);
  std::vector<GUID> keys;
  for (size_t i = 0; i < 3; ++i) keys.push_back(Item<DS_FX_Constructor>(*show, i)->maskKey.guid);
  EXPECT_EQ(keys[2].Data1, 0x0123ABCDu) << "the key the description gives";
  auto* flame = dynamic_cast<DS_FlameLight*>(show->slides[1]->picture.Get());
  ASSERT_NE(flame, nullptr);
  keys.push_back(flame->fire.maskKey.guid);
  keys.push_back(dynamic_cast<DS_FX_Constructor*>(show->slides[1]->items.front().get())->maskKey.guid);
  auto* lake = dynamic_cast<FakeLake2D*>(show->slides[2]->picture.Get());
  ASSERT_NE(lake, nullptr);
  keys.push_back(lake->bumpKey.guid);
  for (size_t i = 0; i < keys.size(); ++i)
    for (size_t j = i + 1; j < keys.size(); ++j) EXPECT_FALSE(keys[i] == keys[j]) << i << " and " << j;

  // The system's fresh GUIDs come back after a compilation.
  EXPECT_FALSE(NewGuid() == NewGuid());
}

TEST_F(FxBuildersTest, BadStatementsNameTheirLine) {
  const char* bad[] = {
      "item DS_LightFX {\n level -1\n}\n",
      "item DS_WavesFX {\n colour 3\n}\n",
      "item DS_MoveFX {\n mask nonsense \"m\" true\n}\n",
      "item DS_FireFX {\n area 1 2 3\n}\n",
  };
  for (const char* items : bad) {
    SCOPED_TRACE(items);
    EXPECT_THROW(Load(items), SceneTextError);
  }
}

}  // namespace
