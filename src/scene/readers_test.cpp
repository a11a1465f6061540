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

}  // namespace
