#include "lights/slide_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SlideFadeAlphaTest, RampsAndZeroLengthFades) {
  struct Case {
    UINT in, show, out;
    double e;
    float alpha;
  } cases[] = {
      {1, 10, 1, 0.0, 1.0f},    {1, 10, 1, 0.25, 0.75f}, {1, 10, 1, 1.0, 0.0f},  {1, 10, 1, 11.0, 0.0f},
      {1, 10, 1, 11.5, 0.5f},   {1, 10, 1, 12.0, 1.0f},  {4, 2, 2, 1.0, 0.75f},  {4, 2, 2, 7.0, 0.5f},
      {0, 10, 1, 0.0, 0.0f},    {0, 10, 1, 10.5, 0.5f},  {1, 10, 0, 11.0, 0.0f}, {1, 10, 0, 11.5, 0.0f},
      {0, 0, 0, 0.0, 0.0f},     {0, 0, 0, 3.0, 0.0f},
      {1, 10, 1, -2.0, 1.0f},   {1, 10, 1, 14.0, 1.0f},  // outside the cycle: kept within 0..1
  };
  for (const Case& c : cases) {
    SlideTimes times;
    times.fadeIn = c.in;
    times.show = c.show;
    times.fadeOut = c.out;
    EXPECT_FLOAT_EQ(c.alpha, SlideFadeAlpha(times, c.e)) << c.in << "/" << c.show << "/" << c.out << " at " << c.e;
  }
}

SlideTimes Times(UINT in, UINT show, UINT out) {
  SlideTimes t;
  t.fadeIn = in;
  t.show = show;
  t.fadeOut = out;
  return t;
}

TEST(SlideScheduleTest, FirstSlideShowsAtOnceThenFadesThroughBlackIntoTheNext) {
  const SlideTimes times = Times(1, 10, 1);
  SlideSchedule s;
  s.Begin(100.0, times);
  EXPECT_DOUBLE_EQ(99.0, s.StartTime());
  struct Step {
    double t;
    int started;
    float alpha;
  } steps[] = {
      {100.0, -1, 0.0f},  {105.0, -1, 0.0f}, {110.0, -1, 0.0f}, {110.5, -1, 0.5f},
      {111.0, -1, 1.0f},  // cycle of 12 s just complete: not over yet
      {111.25, 1, 1.0f},  // switch frame: black
      {111.75, -1, 0.5f}, {112.25, -1, 0.0f},
  };
  for (const Step& step : steps) {
    float alpha = -1.0f;
    EXPECT_EQ(step.started, s.Advance(step.t, times, 2, &alpha)) << step.t;
    EXPECT_FLOAT_EQ(step.alpha, alpha) << step.t;
  }
}

TEST(SlideScheduleTest, SwitchFrameUsesTheEndingSlidesTimes) {
  SlideSchedule s;
  s.Begin(0.0, Times(0, 5, 0));
  float alpha = -1.0f;
  // No fade-out: the slide ends right after its show time; no fade-in of the ending slide: not black.
  EXPECT_EQ(-1, s.Advance(5.0, Times(0, 5, 0), 2, &alpha));
  EXPECT_EQ(1, s.Advance(5.01, Times(0, 5, 0), 2, &alpha));
  EXPECT_FLOAT_EQ(0.0f, alpha);
  // The ending slide has a fade-in: the switch frame is black although it has no fade-out.
  EXPECT_EQ(0, s.Advance(10.02, Times(2, 3, 0), 2, &alpha));
  EXPECT_FLOAT_EQ(1.0f, alpha);
}

TEST(SlideScheduleTest, SlidesWrapInOrder) {
  const SlideTimes times = Times(0, 1, 0);
  SlideSchedule s;
  s.Begin(0.0, times);
  std::vector<int> order;
  float alpha;
  for (double t = 0.0; t < 10.0; t += 0.75) {
    int started = s.Advance(t, times, 3, &alpha);
    if (started >= 0) order.push_back(started);
  }
  EXPECT_EQ((std::vector<int>{1, 2, 0, 1, 2, 0}), order);  // a switch every 1.5 s
}

TEST(SlideScheduleTest, StepsStayExactAfterWeeksOfUptime) {
  // Three weeks in, a 10 ms frame still moves the fade: float seconds would round it away.
  const double t0 = 21.0 * 24 * 3600;
  const SlideTimes times = Times(1, 10, 1);
  SlideSchedule s;
  s.Begin(t0, times);
  float a1, a2;
  s.Advance(t0 + 10.5, times, 2, &a1);
  s.Advance(t0 + 10.51, times, 2, &a2);
  EXPECT_NEAR(0.5f, a1, 1e-4);
  EXPECT_NEAR(0.01f, a2 - a1, 1e-4);
}

}  // namespace
