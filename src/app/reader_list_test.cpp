#include "app/reader_list.h"

#include <gtest/gtest.h>

#include "scene/readers.h"

namespace {

TEST(ReaderList, FamilyRegistriesAreDistinctAndRegisterAllIsRepeatable) {
  RegisterAllReaders();
  RegisterAllReaders();
  EXPECT_NE(static_cast<const void*>(&GetLightReaderRegistry()),
            static_cast<const void*>(&GetSlideContainerReaderRegistry()));
  EXPECT_NE(static_cast<const void*>(&GetLightReaderRegistry()),
            static_cast<const void*>(&GetConstructorReaderRegistry()));
  EXPECT_EQ(&GetConstructorReaderRegistry(), &GetConstructorReaderRegistry());
}

// Every document class is registered, in its family's registry and in no other (a slide is not read as a
// scene item).
TEST(ReaderList, EveryDocumentClassIsInItsFamilysRegistryOnly) {
  RegisterAllReaders();
  enum Family { kLight, kSlide, kItem };
  struct Case {
    const char16_t* name;
    Family family;
  } cases[] = {
      {u"DS_2D_Light", kLight}, {u"DS_FlameLight", kLight}, {u"DS_GlassBallLight", kLight},
      {u"DS_MatrixCodeLight", kLight}, {u"FakeUndervater", kLight}, {u"FakeLake2D", kLight},
      {u"DS_WaterRingLight", kLight}, {u"DS_SlideContainer", kSlide},
      {u"DS_GodRayConstructor", kItem}, {u"DS_SparkleConstructor", kItem}, {u"DS_FlowConstructor", kItem},
      {u"DS_FishConstructor", kItem}, {u"DS_GhostConstructor", kItem}, {u"DS_FogConstructor", kItem},
      {u"DS_LightingConstructor", kItem}, {u"DS_GrassConstructor", kItem}, {u"DS_RainConstructor", kItem},
      {u"DS_StatObjConstructor", kItem}, {u"DS_FlowerConstructor", kItem}, {u"DS_BirdConstructor", kItem},
      {u"DS_DischargeConstructor", kItem}, {u"DS_DischargeFXConstructor", kItem},
      {u"DS_ExplosionConstructor", kItem}, {u"DS_ButterflyConstructor", kItem}, {u"DS_ClockConstructor", kItem},
      {u"DS_BackgroundCopy", kItem}, {u"DS_WavesFX", kItem}, {u"DS_LightFX", kItem}, {u"DS_PatternBrush", kItem},
      {u"DS_PatternBrushC", kItem}, {u"DS_WaterFX", kItem}, {u"DS_MoveFX", kItem}, {u"DS_FireFX", kItem},
      {u"DS_3D_in_2D_array_Constructor", kItem},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(ds_string(c.name)));
    bool inLight = GetLightReaderRegistry().Find(c.name) != nullptr;
    bool inSlide = GetSlideContainerReaderRegistry().Find(c.name) != nullptr;
    bool inItem = GetConstructorReaderRegistry().Find(c.name) != nullptr;
    EXPECT_EQ(inLight, c.family == kLight);
    EXPECT_EQ(inSlide, c.family == kSlide);
    EXPECT_EQ(inItem, c.family == kItem);
  }
  // Abstract bases and classes that occur only nested are never registered.
  for (const char16_t* name : {u"DS_ABObj_Constructor", u"DS_ViewObjCtrl", u"DS_BaseSpriteProp", u"DS_FX_Constructor",
                               u"DS_UnderwaterFX", u"DS_3D_Obj_Ctrl", u"DS_SlideShow_Light", u"DS_DocResManager"}) {
    SCOPED_TRACE(testing::PrintToString(ds_string(name)));
    EXPECT_EQ(GetLightReaderRegistry().Find(name), nullptr);
    EXPECT_EQ(GetSlideContainerReaderRegistry().Find(name), nullptr);
    EXPECT_EQ(GetConstructorReaderRegistry().Find(name), nullptr);
  }
}

}  // namespace
