#include "scene/scaled_params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "scene/screen_mapping.h"
#include "scene/stream.h"
#include "support/counting_observer.h"
#include "support/saved_global.h"

namespace {

TEST(ScaledParamTest, AlphaByteFromTransparencyPercent) {
  struct Case {
    UINT value;
    unsigned char alpha;
  } cases[] = {
      {0, 255}, {50, 127}, {100, 0}, {40, 153},
      {0xFFFFFFFFu, 0},  // far out of the int range: the x86 truncation gives 0x80000000, low byte 0
  };
  for (const Case& c : cases) {
    UINTSclaleTo<unsigned char> alpha;
    alpha.SetScaling(-2.55f, 255.0f);
    alpha.SetValue(c.value, nullptr);
    EXPECT_EQ(alpha.GetResult(), c.alpha) << c.value;
  }
}

TEST(ScaledParamTest, ResultFollowsEveryChangeAndReadsTheValueUnsigned) {
  UINTSclaleTo<float> f;
  EXPECT_EQ(f.GetResult(), 0.0f);
  ASSERT_EQ(f.Observers().size(), 2u);
  EXPECT_EQ(f.Observers()[0], &f.UndoControl());  // undo first, the self-observer second
  f.SetValue(0xFFFFFFFFu, nullptr);
  EXPECT_FLOAT_EQ(f.GetResult(), 4294967296.0f);
  f.SetScaling(0.5f, 1.0f);
  EXPECT_FLOAT_EQ(f.GetResult(), 0.5f * 4294967296.0f + 1.0f);
  f.Change(4);
  EXPECT_FLOAT_EQ(f.GetResult(), 3.0f);
  f.UndoControl().Store();
  f.SetValue(10, nullptr);
  f.UndoControl().Undo();  // undo notifies the self-observer too
  EXPECT_FLOAT_EQ(f.GetResult(), 3.0f);
}

TEST(ScaledParamTest, CopiesCarryScaleOffsetAndValueButNoObservers) {
  UINTSclaleTo<float> src;
  src.SetScaling(0.02f, 0.0f);
  src.SetValue(50, nullptr);
  CountingObserver other;
  src.AddObserver(&other);

  UINTSclaleTo<float> copy(src);
  EXPECT_FLOAT_EQ(copy.GetResult(), 1.0f);
  EXPECT_EQ(copy.UndoControl().Snapshot(), 50u);
  EXPECT_EQ(copy.Observers().size(), 2u);

  UINTSclaleTo<float> assigned;
  assigned = src;
  EXPECT_FLOAT_EQ(assigned.GetResult(), 1.0f);
  EXPECT_EQ(assigned.UndoControl().Snapshot(), 50u);
  EXPECT_EQ(other.calls, 0);

  MediaFloat<UINT> drift;
  EXPECT_EQ(drift.GetValue(), 0u);
  drift.SetScaling(0.1f, -1.0f);
  drift.Change(20);
  EXPECT_FLOAT_EQ(drift.GetResult(), 1.0f);
  src.RemoveObserver(&other);
}

TEST(ScaledParamTest, SpeedAdvanceClampsAndNeverStepsBack) {
  MediaSpeedParam speed;
  speed.SetScaling(0.02f, 0.0f);
  speed.Change(50);
  ASSERT_FLOAT_EQ(speed.GetResult(), 1.0f);

  struct Step {
    float t, added, last;
  } steps[] = {
      {0.9f, 0.2f, 0.9f},   // the first call is clamped like any other
      {1.0f, 0.1f, 1.0f},
      {5.0f, 0.2f, 5.0f},
      {0.5f, 0.0f, 0.5f},   // time went backwards: no step, last follows
      {0.6f, 0.1f, 0.6f},
  };
  for (const Step& s : steps) {
    const float before = speed.GetPosition();
    speed.Advance(s.t);
    EXPECT_NEAR(speed.GetPosition() - before, s.added, 1e-6) << s.t;
    EXPECT_NEAR(speed.GetDelta(), s.added, 1e-6) << s.t;
    EXPECT_EQ(speed.GetLast(), s.last);
  }

  MediaSpeedParam copy(speed);  // the clock travels with a copy
  EXPECT_EQ(copy.GetPosition(), speed.GetPosition());
  EXPECT_EQ(copy.GetLast(), 0.6f);
  EXPECT_FLOAT_EQ(copy.GetResult(), 1.0f);
}

std::vector<BYTE> Ints(std::initializer_list<INT> v) {
  DS_IOF_W w;
  for (INT i : v) w.WriteInt(i);
  return w.TakeBytes();
}

TEST(MediaRectangleTest, ReadsAndWritesSixIntsWithoutNotifying) {
  MediaRectangle r;
  CountingObserver c;
  r.left.AddObserver(&c);
  r.bottom.AddObserver(&c);
  std::vector<BYTE> bytes = Ints({1, 2, 3, 4, 5, -6});
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> reader(&buf);
  DS_IOF_Virtual* s = &reader;
  r.Read(&s);
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_EQ(c.calls, 0);
  EXPECT_EQ(r.left.GetValue(), 1);
  EXPECT_EQ(r.right.GetValue(), 2);
  EXPECT_EQ(r.top.GetValue(), 3);
  EXPECT_EQ(r.bottom.GetValue(), 4);
  EXPECT_EQ(r.centreX.GetValue(), 5);
  EXPECT_EQ(r.centreY.GetValue(), -6);
  // The snapshots keep the old values until the next change notification.
  EXPECT_EQ(r.left.UndoControl().Snapshot(), 0);
  r.left.NotifyChanged(nullptr);
  EXPECT_EQ(r.left.UndoControl().Snapshot(), 1);

  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  r.Write(&ws);
  EXPECT_EQ(w.Bytes(), bytes);

  MediaRectangle copy(r);
  EXPECT_EQ(copy.bottom.GetValue(), 4);
  EXPECT_EQ(copy.centreY.GetValue(), -6);
  EXPECT_EQ(copy.left.Observers().size(), 1u);
  EXPECT_EQ(copy.left.UndoControl().History().Size(), 0u);
  r.left.RemoveObserver(&c);
  r.bottom.RemoveObserver(&c);
}

TEST(MediaRectangleTest, ShortStreamIsAFormatError) {
  MediaRectangle r;
  std::vector<BYTE> bytes = Ints({1, 2, 3, 4, 5});
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> reader(&buf);
  DS_IOF_Virtual* s = &reader;
  EXPECT_THROW(r.Read(&s), DocFormatError);
}

// A window of 800 x 600 drawn into a back buffer of 1600 x 1200, the picture of 400 x 300 filling it.
class RectangleHitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScreenMapping* m = GetScreenMapping();
    m->invScaleX = m->invScaleY = 1.0f;  // Stretch: no mode scale
    m->offsetX = m->offsetY = 0.0f;
    m->scaleX = 2.0f;
    m->scaleY = 2.0f;
    ScreenQuad::Init(m->picture);
    ScreenQuad::SetRect(m->picture, 0.0f, 0.0f, 1600.0f, 1200.0f);
    m->pictureWidth = 400;
    m->pictureHeight = 300;
  }
  lumi_test::SavedGlobal<ScreenMapping> mapping_{*GetScreenMapping()};
};

TEST_F(RectangleHitTest, EdgesAreInsideAndPointsMapThroughTheBackBuffer) {
  MediaRectangle r;
  r.left = 100;
  r.right = 200;
  r.top = 50;
  r.bottom = 150;
  // Picture pixel = window pixel * 2 (back buffer) / 4 (picture in back buffer) = window / 2.
  struct Case {
    float x, y;
    bool inside;
  } cases[] = {
      {200, 100, true},   {400, 300, true},  {300, 200, true},  // both corners exactly on the edges
      {199.9f, 200, false}, {400.1f, 200, false}, {300, 99.9f, false}, {300, 300.1f, false},
  };
  for (const Case& c : cases) EXPECT_EQ(r.HitTest(c.x, c.y), c.inside) << c.x << "," << c.y;
}

TEST(MediaQuadTest, TwelveFloatsInCornerOrder) {
  MediaQuad q;
  for (const auto& c : q.corners) EXPECT_TRUE(c.GetValue() == D3DXVECTOR3(0, 0, 0));
  DS_IOF_W w;
  for (int i = 0; i < 12; ++i) w.WriteFloat(static_cast<float>(i) + 0.5f);
  ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> reader(&buf);
  DS_IOF_Virtual* s = &reader;
  q.Read(&s);
  EXPECT_TRUE(q.corners[0].GetValue() == D3DXVECTOR3(0.5f, 1.5f, 2.5f));
  EXPECT_TRUE(q.corners[3].GetValue() == D3DXVECTOR3(9.5f, 10.5f, 11.5f));
  DS_IOF_W back;
  DS_IOF_Virtual* bs = &back;
  q.Write(&bs);
  EXPECT_EQ(back.Bytes(), w.Bytes());
}

}  // namespace
