#include "scene/readers.h"

#include <gtest/gtest.h>

namespace {

// A small family of our own: a base and two classes whose sections hold one int.
struct Shape {
  virtual ~Shape() {}
  INT value = 0;
  DWORD version = 0;
};
struct Circle : Shape {
  static Circle* CreateAndRead(DS_IOF_Virtual** s, DWORD version) {
    std::unique_ptr<Circle> c(new Circle);
    c->version = version;
    (*s)->ReadInt(&c->value);
    return c.release();
  }
};
struct Square : Shape {
  static Square* CreateAndRead(DS_IOF_Virtual** s, DWORD version) {
    std::unique_ptr<Square> q(new Square);
    q->version = version;
    (*s)->ReadInt(&q->value);
    (*s)->ReadInt(&q->value);
    return q.release();
  }
};

ReaderRegistry<Shape>& Shapes() {
  static ReaderRegistry<Shape> registry;
  static bool filled = RegisterClassReader<Circle>(registry, u"Circle") &&
                       RegisterClassReader<Square>(registry, u"Square");
  EXPECT_TRUE(filled);
  return registry;
}

std::vector<BYTE> Section(const ds_string& name, DWORD version, std::initializer_list<INT> ints) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, name, version);
  for (INT i : ints) w.WriteInt(i);
  return w.TakeBytes();
}

TEST(ReaderRegistry, CreatesByNameAndConsumesExactlyTheSection) {
  std::vector<BYTE> doc = Section(u"Square", 3, {1, 2});
  std::vector<BYTE> next = Section(u"Circle", 1, {9});
  doc.insert(doc.end(), next.begin(), next.end());
  ResourceBuffer b(doc.data(), doc.size());
  DS_IOF_R<ResourceBuffer> r(&b);
  DS_IOF_Virtual* s = &r;

  std::unique_ptr<Shape> first(CreateFromRegistry(Shapes(), &s));
  ASSERT_TRUE(dynamic_cast<Square*>(first.get()));
  EXPECT_EQ(first->value, 2);
  EXPECT_EQ(first->version, 3u);
  std::unique_ptr<Shape> second(CreateFromRegistry(Shapes(), &s));
  ASSERT_TRUE(dynamic_cast<Circle*>(second.get()));
  EXPECT_EQ(second->value, 9);
  EXPECT_EQ(b.Remaining(), 0u);
}

TEST(ReaderRegistry, UnknownOrMiscasedNameIsAFormatError) {
  for (const char16_t* name : {u"circle", u"CIRCLE", u"Circle ", u"", u"Triangle"}) {
    SCOPED_TRACE(testing::PrintToString(ds_string(name)));
    EXPECT_EQ(Shapes().Find(name), nullptr);
    std::vector<BYTE> doc = Section(name, 1, {5});
    ResourceBuffer b(doc.data(), doc.size());
    DS_IOF_R<ResourceBuffer> r(&b);
    DS_IOF_Virtual* s = &r;
    EXPECT_THROW(CreateFromRegistry(Shapes(), &s), DocFormatError);
  }
}

TEST(ReaderRegistry, RegistrationIsOncePerClassAndNamesBelongToOneRegistry) {
  ReaderRegistry<Shape>& shapes = Shapes();
  size_t before = shapes.Size();
  EXPECT_TRUE(RegisterClassReader<Circle>(shapes, u"Circle"));
  EXPECT_EQ(shapes.Size(), before);

  // The same name in a second registry is refused and leaves it without the name.
  ReaderRegistry<Shape> other;
  struct Oval : Shape {
    static Oval* CreateAndRead(DS_IOF_Virtual**, DWORD) { return new Oval; }
  };
  EXPECT_FALSE(RegisterClassReader<Oval>(other, u"Circle"));
  EXPECT_EQ(other.Find(u"Circle"), nullptr);
  EXPECT_NE(shapes.Find(u"Circle"), nullptr);
}

TEST(ReaderRegistry, FamilyRegistriesAreDistinctAndRegisterAllIsRepeatable) {
  RegisterAllReaders();
  RegisterAllReaders();
  EXPECT_NE(static_cast<const void*>(&GetLightReaderRegistry()),
            static_cast<const void*>(&GetSlideContainerReaderRegistry()));
  EXPECT_NE(static_cast<const void*>(&GetLightReaderRegistry()),
            static_cast<const void*>(&GetConstructorReaderRegistry()));
  EXPECT_EQ(&GetConstructorReaderRegistry(), &GetConstructorReaderRegistry());
}

// Every document class belongs to exactly one family. Classes of subsystems not built yet are skipped;
// once registered, a class in the wrong registry (a slide read as a scene item) fails here.
TEST(ReaderRegistry, DocumentClassesAreInTheirFamilysRegistryOnly) {
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
    if (!inLight && !inSlide && !inItem) continue;  // not built yet
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
