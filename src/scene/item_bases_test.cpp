#include "scene/item_bases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/noise.h"
#include "scene/particle.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"
#include "support/counting_observer.h"
#include "support/saved_global.h"

namespace {

class TestViewItem : public DS_ViewObjCtrl {
 public:
  TestViewItem() = default;
  TestViewItem(const TestViewItem& o) = default;
  DS_ABObj* CreateRenderObject() override { return nullptr; }
  static TestViewItem* CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
    auto* item = new TestViewItem;
    item->ReadBase(stream);
    return item;
  }
};

// Sets the picture size that items measure in and puts the old mapping back afterwards.
class ItemTest : public ::testing::Test {
 protected:
  static void SetPicture(int w, int h) {
    GetScreenMapping()->pictureWidth = w;
    GetScreenMapping()->pictureHeight = h;
  }
  static std::vector<int> Edges(const DS_ViewObjCtrl& item) {
    const MediaRectangle& r = item.rectangle;
    return {r.left.GetValue(), r.right.GetValue(), r.top.GetValue(), r.bottom.GetValue()};
  }
  lumi_test::SavedGlobal<ScreenMapping> mapping_{*GetScreenMapping()};
};

TEST_F(ItemTest, EdgesFollowFractionsAndFractionsSnapToPixels) {
  SetPicture(1024, 768);
  TestViewItem item;
  EXPECT_EQ(Edges(item), (std::vector<int>{0, 1024, 0, 768}));
  EXPECT_EQ(item.x0, 0.0f);
  EXPECT_EQ(item.x1, 1.0f);
  EXPECT_EQ(item.y1, 1.0f);
  EXPECT_EQ(item.speed.GetValue(), 50u);

  SetPicture(1000, 500);
  item.x0 = 0.3337f;
  item.y1 = 0.5f;
  TestViewItem copy(item);
  EXPECT_EQ(Edges(copy), (std::vector<int>{333, 1000, 0, 250}));
  EXPECT_FLOAT_EQ(copy.x0, 0.333f);
  EXPECT_FLOAT_EQ(copy.y1, 0.5f);

  // Moving an edge moves its fraction; so does undoing the move.
  copy.rectangle.right.UndoControl().Store();
  copy.rectangle.right.Change(500);
  EXPECT_FLOAT_EQ(copy.x1, 0.5f);
  copy.rectangle.right.UndoControl().Undo();
  EXPECT_FLOAT_EQ(copy.x1, 1.0f);
  copy.UpdatePixelParams();
  EXPECT_EQ(Edges(copy), (std::vector<int>{333, 1000, 0, 250}));
}

TEST_F(ItemTest, FractionsStayWhileNoPictureIsPlaced) {
  SetPicture(0, 0);
  TestViewItem item;
  item.x0 = 0.25f;
  TestViewItem copy(item);
  EXPECT_EQ(copy.x0, 0.25f);
  EXPECT_EQ(Edges(copy), (std::vector<int>{0, 0, 0, 0}));
  copy.rectangle.left.Change(10);
  EXPECT_EQ(copy.x0, 0.25f);
}

TEST_F(ItemTest, StoredFractionsOutOfRangeGiveTheIntegerIndefinite) {
  SetPicture(1000, 1000);
  TestViewItem item;
  item.x0 = NAN;
  item.x1 = 1e30f;
  item.UpdatePixelParams();
  EXPECT_EQ(item.rectangle.left.GetValue(), INT32_MIN);
  EXPECT_EQ(item.rectangle.right.GetValue(), INT32_MIN);
}

TEST_F(ItemTest, ClockTakesTheAbsoluteStepClampedAndScaledBySpeed) {
  TestViewItem item;
  struct Step {
    float t, added;
  } steps[] = {{10.0f, 0.2f}, {10.05f, 0.05f}, {9.95f, 0.1f}};
  for (const Step& s : steps) {
    const float before = item.clock;
    item.Advance(s.t);
    EXPECT_NEAR(item.clock - before, s.added, 1e-5) << s.t;
    EXPECT_NEAR(item.delta, s.added, 1e-5) << s.t;
    EXPECT_EQ(item.GetLast(), s.t);
  }

  struct Speed {
    UINT speed;
    float delta;
  } speeds[] = {{100, 0.2f}, {0, 0.0f}, {25, 0.05f}};
  for (const Speed& s : speeds) {
    TestViewItem timed;
    timed.speed = s.speed;
    timed.Advance(0.1f);
    EXPECT_NEAR(timed.delta, s.delta, 1e-6) << s.speed;
    EXPECT_NEAR(timed.clock, s.delta, 1e-6) << s.speed;
  }
}

TEST_F(ItemTest, RandomPointsDrawXThenY) {
  SetPicture(1000, 500);
  TestViewItem item;
  item.x0 = 0.1f;
  item.x1 = 0.3f;
  item.y0 = 0.5f;
  item.y1 = 1.0f;
  ResetCrtRand();
  const int r1 = CrtRand(), r2 = CrtRand();
  ResetCrtRand();
  D3DXVECTOR3 p(9, 9, 9);
  item.RandomPoint(&p);
  EXPECT_NEAR(p.x, 100.0f + r1 / 32767.0f * 200.0f, 1e-3);
  EXPECT_NEAR(p.y, 250.0f + r2 / 32767.0f * 250.0f, 1e-3);
  EXPECT_EQ(p.z, 0.0f);

  // A sprite exactly as wide as the rectangle can only sit at its centre.
  Particle sprite;
  sprite.halfWidth = 100.0f;
  sprite.halfHeight = 10.0f;
  item.RandomInsetPoint(sprite, &p);
  EXPECT_FLOAT_EQ(p.x, 200.0f);
  EXPECT_GE(p.y, 260.0f);
  EXPECT_LE(p.y, 490.0f);
  // Signed half sizes: a mirrored sprite widens the range instead.
  sprite.halfWidth = -100.0f;
  ResetCrtRand();
  const int r3 = CrtRand();
  ResetCrtRand();
  item.RandomInsetPoint(sprite, &p);
  EXPECT_NEAR(p.x, 0.0f + r3 / 32767.0f * 400.0f, 1e-3);
}

TEST_F(ItemTest, QuadCornersAndBaseHitTest) {
  SetPicture(200, 100);
  TestViewItem item;
  item.x0 = 0.5f;
  item.y0 = 0.25f;
  ScreenQuad q;
  item.GetQuad(&q);
  EXPECT_EQ(q.v[ScreenQuad::BL].x, 100.0f);
  EXPECT_EQ(q.v[ScreenQuad::BL].y, 100.0f);
  EXPECT_EQ(q.v[ScreenQuad::TL].y, 25.0f);
  EXPECT_EQ(q.v[ScreenQuad::TR].x, 200.0f);
  EXPECT_EQ(q.v[ScreenQuad::TR].y, 25.0f);
  EXPECT_EQ(q.v[ScreenQuad::BR].u, 1.0f);
  EXPECT_EQ(q.v[ScreenQuad::BR].v, 1.0f);
  EXPECT_EQ(q.v[ScreenQuad::TL].z, 1.0f);
  EXPECT_FALSE(item.HitTest(150.0f, 50.0f));
}

std::vector<BYTE> Saved(const DS_IOF_Item& item) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  const_cast<DS_IOF_Item&>(item).Save(&s);
  return w.TakeBytes();
}

TEST_F(ItemTest, SectionRoundTripsAndDefaultIs133Bytes) {
  SetPicture(640, 480);
  TestViewItem item;
  EXPECT_EQ(Saved(item).size(), 133u);

  item.name = u"Sparkles";
  item.flag = true;
  item.speed = 75;
  item.x0 = 0.25f;
  item.rectangle.centreX.Raw() = 12;
  item.rectangle.centreY.Raw() = -3;
  item.rectangle.left.Raw() = 160;
  const std::vector<BYTE> bytes = Saved(item);

  TestViewItem back;
  CountingObserver watcher;
  back.rectangle.left.AddObserver(&watcher);
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  back.ReadBase(&s);
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_EQ(watcher.calls, 0);  // read straight into the fields
  EXPECT_EQ(back.name, u"Sparkles");
  EXPECT_TRUE(back.flag);
  EXPECT_EQ(back.speed.GetValue(), 75u);
  EXPECT_EQ(back.x0, 0.25f);
  EXPECT_EQ(back.rectangle.left.GetValue(), 160);
  EXPECT_EQ(back.rectangle.centreY.GetValue(), -3);
  EXPECT_EQ(Saved(back), bytes);
  back.rectangle.left.RemoveObserver(&watcher);
}

TEST_F(ItemTest, VersionOneSectionHasNoSpeed) {
  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteSectionHeader(&ws, u"DS_ViewObjCtrl", 1);
  for (int i = 0; i < 6; ++i) w.WriteInt(i);
  for (float f : {0.0f, 0.5f, 0.0f, 1.0f}) w.WriteFloat(f);
  w.WriteBool(false);
  WriteSectionHeader(&ws, u"DS_ABObj_Constructor", 7);  // the nested version is not used
  w.WriteString(u"old");
  EXPECT_EQ(w.Bytes().size(), 129u + 2u * 3u);  // a default version-1 section, and the name's three units

  TestViewItem item;
  item.speed = 30;
  ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  item.ReadBase(&s);
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_EQ(item.speed.GetValue(), 30u);
  EXPECT_EQ(item.x1, 0.5f);
  EXPECT_EQ(item.name, u"old");
}

TEST_F(ItemTest, CreateByNameThroughTheItemRegistry) {
  ASSERT_TRUE((RegisterClassReader<TestViewItem>(GetConstructorReaderRegistry(), u"LumiTestViewItem")));
  TestViewItem item;
  item.name = u"made by name";
  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteSectionHeader(&ws, u"LumiTestViewItem", 1);
  item.SaveBase(&ws);
  WriteSectionHeader(&ws, u"NoSuchItem", 1);

  ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_ABObj_Constructor> made(DS_ABObj_Constructor::CreateFromStream(&s));
  ASSERT_NE(dynamic_cast<TestViewItem*>(made.get()), nullptr);
  EXPECT_EQ(made->name, u"made by name");
  EXPECT_THROW(DS_ABObj_Constructor::CreateFromStream(&s), DocFormatError);
}

}  // namespace
