#include "lights/camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/noise.h"
#include "render/projection.h"
#include "scene/readers.h"
#include "scene/stream.h"
#include "support/counting_observer.h"

namespace {

float Span(int r) { return static_cast<float>(static_cast<double>(r) / 32767.0 * 2.0); }

// A camera that shakes, its clock at p with no step pending at time t.
void ShakeAt(DSM_Camera& c, double p, double t) {
  c.enable = 1;
  c.StartShake();
  c.SetClock(p, t);
}

bool SameMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  for (int i = 0; i < 16; ++i)
    if (std::fabs(a.m[i / 4][i % 4] - b.m[i / 4][i % 4]) > 1e-6f) return false;
  return true;
}

TEST(CameraTest, DefaultsZoomByOnePointTwoAtUnitSpeed) {
  DSM_Camera c;
  EXPECT_EQ(c.enable.GetValue(), 0);
  EXPECT_EQ(c.amplitude.GetValue(), 120u);
  EXPECT_FLOAT_EQ(c.amplitude.GetResult(), 1.2f);
  EXPECT_EQ(c.speed.GetValue(), 50u);
  EXPECT_FLOAT_EQ(c.speed.GetResult(), 1.0f);
  EXPECT_FALSE(c.IsShaking());
}

TEST(CameraTest, NeutralZoomUnlessEnabledAndShaking) {
  struct Case {
    int enable;
    bool started;
  } cases[] = {{0, false}, {0, true}, {1, false}, {7, false}};
  for (const Case& k : cases) {
    DSM_Camera c;
    c.enable = k.enable;
    if (k.started) c.StartShake();
    LetterboxProjection p, neutral;
    p.SetZoom(2.0f, 0.5f, 0.5f);
    neutral.SetZoom(1.0f, 0.0f, 0.0f);
    for (double t : {0.1, 0.3, 5.0}) {
      CameraZoom z = c.Update(t, p);
      EXPECT_EQ(z.zoom, 1.0f);
      EXPECT_EQ(z.x, 0.0f);
      EXPECT_EQ(z.y, 0.0f);
      EXPECT_TRUE(SameMatrix(p.zoom, neutral.zoom)) << k.enable << " " << k.started;
    }
    EXPECT_GT(c.GetClock(), 0.0);  // the clock runs all the same
  }
}

TEST(CameraTest, FirstUpdateAfterStartPicksFromTheCentre) {
  DSM_Camera c;
  c.enable = 1;
  c.toX = 0.7f;
  c.toY = -0.3f;
  c.start = 3;
  c.end = 9;
  EXPECT_FALSE(c.StartShake());
  EXPECT_TRUE(c.StartShake());  // already shaking the second time
  EXPECT_EQ(c.toX, 0.0f);
  EXPECT_EQ(c.end, 0.0);

  ResetCrtRand(1);
  std::vector<int> draws;
  for (int i = 0; i < 4; ++i) draws.push_back(CrtRand());
  ASSERT_EQ(draws[0] % 2, 1);  // seed 1 starts with a move
  ResetCrtRand(1);
  LetterboxProjection p;
  CameraZoom z = c.Update(0.1, p);
  EXPECT_DOUBLE_EQ(c.start, 0.1);
  EXPECT_EQ(c.fromX, 0.0f);
  EXPECT_EQ(c.fromY, 0.0f);
  EXPECT_EQ(c.toX, Span(draws[1]) - 1.0f);
  EXPECT_EQ(c.toY, Span(draws[2]) - 1.0f);
  EXPECT_DOUBLE_EQ(c.end, static_cast<double>(static_cast<float>(draws[3] / 32767.0 * 2.0 + 5.0)) + 0.1);
  EXPECT_GE(c.end - c.start, 5.0);
  EXPECT_LE(c.end - c.start, 7.0);
  EXPECT_FLOAT_EQ(z.zoom, 1.2f);
  EXPECT_EQ(z.x, 0.0f);  // the ease starts at 0
  EXPECT_EQ(z.y, 0.0f);

  LetterboxProjection expected;
  expected.SetZoom(1.2f, 0.0f, 0.0f);
  EXPECT_TRUE(SameMatrix(p.zoom, expected.zoom));
}

TEST(CameraTest, EvenDrawRestsHalfAUnitAtTheLastTarget) {
  uint32_t seed = 1;
  for (;; ++seed) {
    ResetCrtRand(seed);
    if (CrtRand() % 2 == 0) break;
  }
  ResetCrtRand(seed);
  CrtRand();
  const int following = CrtRand();

  DSM_Camera c;
  c.toX = 0.25f;
  c.toY = -0.5f;
  ResetCrtRand(seed);
  c.PickNextShake(4.0);
  EXPECT_EQ(CrtRand(), following);  // one draw only
  EXPECT_DOUBLE_EQ(c.start, 4.0);
  EXPECT_DOUBLE_EQ(c.end, 4.5);
  EXPECT_EQ(c.fromX, 0.25f);
  EXPECT_EQ(c.toX, 0.25f);
  EXPECT_EQ(c.fromY, -0.5f);
  EXPECT_EQ(c.toY, -0.5f);

  // Held still through the rest.
  ShakeAt(c, 4.0, 10.0);
  c.start = 4.0;
  c.end = 4.5;
  c.fromX = c.toX = 0.25f;
  c.fromY = c.toY = -0.5f;
  LetterboxProjection p;
  for (double t : {10.1, 10.2, 10.3, 10.4}) {
    CameraZoom z = c.Update(t, p);
    EXPECT_EQ(z.x, 0.25f);
    EXPECT_EQ(z.y, -0.5f);
  }
}

TEST(CameraTest, CosineEaseAcrossASegment) {
  struct Case {
    double p;
    float x;
  } cases[] = {
      {0.0, -1.0f},
      {0.5, -1.0f + 2.0f * static_cast<float>((1.0 - std::cos(3.1415927 * 0.25)) * 0.5)},
      {1.0, 0.0f},
      {1.5, -1.0f + 2.0f * static_cast<float>((1.0 - std::cos(3.1415927 * 0.75)) * 0.5)},
      {1.999, 1.0f},
  };
  for (const Case& k : cases) {
    DSM_Camera c;
    ShakeAt(c, k.p, 20.0);
    c.start = 0.0;
    c.end = 2.0;
    c.fromX = -1.0f;
    c.toX = 1.0f;
    c.fromY = 0.5f;
    c.toY = 0.5f;
    LetterboxProjection p;
    CameraZoom z = c.Update(20.0, p);
    EXPECT_NEAR(z.x, k.x, 1e-5f) << k.p;
    EXPECT_EQ(z.y, 0.5f);
  }
}

TEST(CameraTest, StepPastTheEndStartsTheNextSegmentAtTheTarget) {
  DSM_Camera c;
  ShakeAt(c, 0.9, 1.0);
  c.start = 0.0;
  c.end = 1.0;
  c.toX = 0.5f;
  c.toY = -0.5f;
  ResetCrtRand(1);
  LetterboxProjection p;
  CameraZoom z = c.Update(1.2, p);  // the clock reaches 1.1
  EXPECT_DOUBLE_EQ(c.start, 1.1);
  EXPECT_EQ(z.x, 0.5f);
  EXPECT_EQ(z.y, -0.5f);
  EXPECT_GE(c.end, c.start + 0.5);  // one pick covers this frame
}

TEST(CameraTest, ClockSteps) {
  struct Case {
    UINT speed;
    double t0, t1;
    double advance;
  } cases[] = {
      {50, 1.0, 1.1, 0.1},        // unit speed
      {100, 1.0, 1.1, 0.2},       // speed result 2
      {50, 1.0, 3.0, 0.2},        // a long pause counts as 0.2 s
      {50, 10.0, 5.0, 0.0},       // time going backwards gives no step
      {0, 1.0, 1.1, 0.0},         // speed 0 stops the clock
      {50, 4194304.0, 4194304.016, 0.016},  // after weeks of running a frame still counts
  };
  for (const Case& k : cases) {
    DSM_Camera c;
    c.speed.SetValue(k.speed, nullptr);
    LetterboxProjection p;
    c.Update(k.t0, p);
    const double before = c.GetClock();
    c.Update(k.t1, p);
    EXPECT_NEAR(c.GetClock() - before, k.advance, 1e-9) << k.speed << " " << k.t0 << " " << k.t1;
  }
}

TEST(CameraTest, StoppedClockHoldsThePoint) {
  DSM_Camera c;
  ShakeAt(c, 1.0, 2.0);
  c.start = 0.0;
  c.end = 2.0;
  c.fromX = -1.0f;
  c.toX = 1.0f;
  c.speed.SetValue(0, nullptr);
  LetterboxProjection p;
  for (double t : {2.1, 2.3, 9.0}) EXPECT_NEAR(c.Update(t, p).x, 0.0f, 1e-6f);
}

std::vector<BYTE> Saved(const DSM_Camera& c) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  c.SaveBase(&s);
  return w.TakeBytes();
}

TEST(CameraTest, SectionRoundTripAndNotifications) {
  DSM_Camera c;
  c.enable = 1;
  c.amplitude.SetValue(150, nullptr);
  c.speed.SetValue(25, nullptr);
  const std::vector<BYTE> bytes = Saved(c);

  DS_IOF_W expected;
  DS_IOF_Virtual* es = &expected;
  WriteSectionHeader(&es, u"DSM_Camera", 1);
  expected.WriteInt(1);
  expected.WriteUInt(150);
  expected.WriteUInt(25);
  EXPECT_EQ(bytes, expected.Bytes());

  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DSM_Camera> back(DSM_Camera::CreateFromStream(&s));
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_EQ(back->enable.GetValue(), 1);
  EXPECT_FLOAT_EQ(back->amplitude.GetResult(), 1.5f);
  EXPECT_FLOAT_EQ(back->speed.GetResult(), 0.5f);
  EXPECT_FALSE(back->IsShaking());  // not stored
  EXPECT_EQ(Saved(*back), bytes);

  // Enable is read raw; amplitude and speed notify only when they change.
  DSM_Camera target;
  CountingObserver onEnable, onAmplitude, onSpeed;
  target.enable.AddObserver(&onEnable);
  target.amplitude.AddObserver(&onAmplitude);
  target.speed.AddObserver(&onSpeed);
  DS_IOF_W w;
  w.WriteInt(3);
  w.WriteUInt(120);  // unchanged
  w.WriteUInt(75);
  ResourceBuffer b2(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r2(&b2);
  DS_IOF_Virtual* s2 = &r2;
  EXPECT_TRUE(DSM_Camera::ReadFields(&s2, &target));
  EXPECT_EQ(target.enable.GetValue(), 3);
  EXPECT_EQ(onEnable.calls, 0);
  EXPECT_EQ(onAmplitude.calls, 0);
  EXPECT_EQ(onSpeed.calls, 1);
  EXPECT_FLOAT_EQ(target.speed.GetResult(), 1.5f);
  target.enable.RemoveObserver(&onEnable);
  target.amplitude.RemoveObserver(&onAmplitude);
  target.speed.RemoveObserver(&onSpeed);
}

TEST(CameraTest, ShortSectionIsAFormatError) {
  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteSectionHeader(&ws, u"DSM_Camera", 1);
  w.WriteInt(1);
  ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  EXPECT_THROW(DSM_Camera::CreateFromStream(&s), DocFormatError);
}

TEST(CameraTest, AssignCopiesEveryValue) {
  DSM_Camera src;
  ShakeAt(src, 12.5, 40.0);
  src.amplitude.SetScaling(0.02f, 0.5f);
  src.amplitude.SetValue(10, nullptr);
  src.speed.SetValue(150, nullptr);
  src.fromX = 0.1f;
  src.toX = 0.2f;
  src.fromY = 0.3f;
  src.toY = 0.4f;
  src.start = 11.0;
  src.end = 16.0;

  DSM_Camera dst;
  CountingObserver onAmplitude;
  dst.amplitude.AddObserver(&onAmplitude);
  dst.Assign(src);
  EXPECT_EQ(onAmplitude.calls, 1);
  EXPECT_EQ(dst.enable.GetValue(), 1);
  EXPECT_EQ(dst.enable.UndoControl().Snapshot(), 1);
  EXPECT_FLOAT_EQ(dst.amplitude.GetResult(), 0.7f);
  EXPECT_FLOAT_EQ(dst.speed.GetResult(), 3.0f);
  EXPECT_DOUBLE_EQ(dst.GetClock(), 12.5);
  EXPECT_DOUBLE_EQ(dst.GetLastTime(), 40.0);
  EXPECT_TRUE(dst.IsShaking());
  EXPECT_EQ(dst.toY, 0.4f);
  EXPECT_DOUBLE_EQ(dst.end, 16.0);
  LetterboxProjection p1, p2;
  EXPECT_EQ(src.Update(40.1, p1).x, dst.Update(40.1, p2).x);
  dst.amplitude.RemoveObserver(&onAmplitude);
}

}  // namespace
