#include <gtest/gtest.h>

#include <memory>

#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "objects3d/butterfly.h"
#include "objects3d/clock.h"
#include "objects3d/leaves.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/scene_document.h"
#include "scenec/compiled_scene_fixture.h"
#include "scenec/scene_compiler.h"
#include "support/fake_module_resources.h"

namespace {

bool Files(const std::string& path, std::vector<BYTE>* out) {
  out->assign(path.begin(), path.end());
  return true;
}

class Objects3DBuildersTest : public CompiledSceneTest {
 protected:
  // The items of the one slide of a compiled description; a file's bytes are its path.
  std::unique_ptr<DS_SlideShow_Light> Load(const std::string& items) { return CompiledSceneTest::Load(items, Files); }
};

TEST_F(Objects3DBuildersTest, TheThreeItemsKeepWhatTheDescriptionSays) {
  std::unique_ptr<DS_SlideShow_Light> show = Load(
      "item DS_ButterflyConstructor { name \"Flutter\"\n count 6\n size 150\n view 0 1 0.2 0.9\n speed 40\n"
      "  texture \"basekit.dll\" 73\n wing-scale 1.5 }\n"
      "item DS_ClockConstructor { size 300\n centre 640 360\n hands-texture \"basekit.dll\" 72 }\n"
      "item DS_3D_in_2D_array_Constructor { name \"Fall\"\n count 40\n mesh file \"leaf.x\"\n"
      "  texture module \"basekit.dll\" 75\n size 48\n speed 40\n sway 30\n sway-rate 20\n spin 90\n angle 270 }");
  ASSERT_EQ(1u, show->slides.size());
  ASSERT_EQ(3u, show->slides[0]->items.size());
  std::vector<DS_ABObj_Constructor*> items;
  for (const auto& item : show->slides[0]->items) items.push_back(item.get());

  auto* b = dynamic_cast<DS_ButterflyConstructor*>(items[0]);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(u"Flutter", b->name);
  EXPECT_EQ(6u, b->count.GetValue());
  EXPECT_EQ(150u, b->size.GetValue());
  EXPECT_FLOAT_EQ(0.2f, b->y0);
  EXPECT_FLOAT_EQ(0.9f, b->y1);
  EXPECT_EQ(40u, b->speed.GetValue());
  EXPECT_EQ(DocFileKey(u"basekit.dll", 73), b->texture.GetKey());
  EXPECT_FLOAT_EQ(1.5f, b->wingScale);

  auto* c = dynamic_cast<DS_ClockConstructor*>(items[1]);
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(300u, c->size.GetValue());
  EXPECT_EQ(640, c->rect.centreX.GetValue());
  EXPECT_EQ(490, c->rect.left.GetValue());
  EXPECT_EQ(510, c->rect.bottom.GetValue());

  auto* l = dynamic_cast<DS_3D_in_2D_array_Constructor*>(items[2]);
  ASSERT_NE(nullptr, l);
  EXPECT_EQ(u"Fall", l->name);
  EXPECT_EQ(40u, l->leafCount.GetValue());
  EXPECT_EQ(6, l->meshRecord.blob.Size()) << "the mesh file's bytes are in the document";
  EXPECT_EQ(75, l->textureRecord.resourceId);
  EXPECT_EQ(u"basekit.dll", l->textureRecord.module);
  EXPECT_EQ(20u, l->params.swayRate.GetValue());
  EXPECT_EQ(270u, l->params.angle);
  EXPECT_NEAR(1.0f, l->params.driftAxis.y, 1e-5) << "falling down the picture";
}

TEST_F(Objects3DBuildersTest, UnknownStatementsAndBadValuesNameTheLine) {
  const char* bad[] = {
      "item DS_ButterflyConstructor { wings 2 }",
      "item DS_ClockConstructor { size -1 }",
      "item DS_3D_in_2D_array_Constructor { texture \"x\" 1 }",
      "item DS_ButterflyConstructor { texture \"basekit.dll\" }",
  };
  for (const char* text : bad) EXPECT_THROW(Load(text), SceneTextError) << text;
}

}  // namespace
