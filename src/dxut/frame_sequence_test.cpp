#include "dxut/frame_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeCounter : public CounterSource {
 public:
  bool hasCounter = true;
  LONGLONG now = 5000;  // not 0: the clock must count from its start, not from the counter's
  bool Frequency(LONGLONG* f) override {
    *f = hasCounter ? 1000 : 0;
    return hasCounter;
  }
  LONGLONG Now() override { return now; }
  void Advance(double seconds) { now += static_cast<LONGLONG>(seconds * 1000); }
};

TEST(AppClockTest, CountsFromResetAndLeavesOutStoppedSpans) {
  FakeCounter counter;
  AppClock clock(&counter);
  EXPECT_EQ(clock.GetTime(), -1.0) << "before the start";
  clock.Reset();
  EXPECT_EQ(clock.GetTime(), 0.0);
  counter.Advance(1.5);
  EXPECT_DOUBLE_EQ(clock.GetTime(), 1.5);

  clock.Stop();
  counter.Advance(10);
  EXPECT_DOUBLE_EQ(clock.GetTime(), 1.5) << "frozen while stopped";
  clock.Stop();  // a second stop keeps the first value
  counter.Advance(10);
  clock.Start();
  EXPECT_DOUBLE_EQ(clock.GetTime(), 1.5) << "runs on from the frozen value";
  counter.Advance(0.25);
  EXPECT_DOUBLE_EQ(clock.GetTime(), 1.75);
  clock.Start();  // starting a running clock changes nothing
  EXPECT_DOUBLE_EQ(clock.GetTime(), 1.75);
}

TEST(AppClockTest, WithoutHighResolutionCounterAlwaysMinusOne) {
  FakeCounter counter;
  counter.hasCounter = false;
  AppClock clock(&counter);
  clock.Reset();
  counter.Advance(3);
  clock.Stop();
  clock.Start();
  EXPECT_EQ(clock.GetTime(), -1.0);
}

// Records every device call and callback, in order.
class Recorder : public FrameDevice, public FrameCallbacks {
 public:
  std::vector<std::string> log;
  std::vector<double> times;
  std::vector<float> elapsed;
  CooperativeLevel level = CooperativeLevel::kNotReset;
  bool resetOk = true, createdOk = true, resetCallbackOk = true;
  PresentResult present = PresentResult::kOk;
  bool windowExists = true;

  CooperativeLevel TestCooperativeLevel() override {
    log.push_back("tcl");
    return level;
  }
  bool Reset() override {
    log.push_back("device reset");
    return resetOk;
  }
  PresentResult Present() override {
    log.push_back("present");
    return present;
  }
  void Sleep(DWORD ms) override { log.push_back("sleep " + std::to_string(ms)); }
  bool WindowExists() override { return windowExists; }
  bool DeviceCreated() override {
    log.push_back("created");
    return createdOk;
  }
  bool DeviceReset() override {
    log.push_back("reset");
    return resetCallbackOk;
  }
  void DeviceLost() override { log.push_back("lost"); }
  void FrameMove(double t, float e) override {
    log.push_back("move");
    times.push_back(t);
    elapsed.push_back(e);
  }
  void FrameRender(double, float) override { log.push_back("render"); }

  std::vector<std::string> Take() {
    std::vector<std::string> l;
    l.swap(log);
    return l;
  }
};

typedef std::vector<std::string> Log;

class FrameSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override { clock.Reset(); }
  void MakeDevice() {
    ASSERT_TRUE(seq.DeviceMade(rec));
    rec.Take();
  }
  FakeCounter counter;
  AppClock clock{&counter};
  FrameSequence seq{&clock};
  Recorder rec;
};

TEST_F(FrameSequenceTest, CreationRunsCreatedThenResetAndFailuresLeaveNoDevice) {
  EXPECT_TRUE(seq.DeviceMade(rec));
  EXPECT_EQ(rec.Take(), (Log{"created", "reset"}));
  EXPECT_TRUE(seq.HasDevice());

  rec.createdOk = false;
  EXPECT_FALSE(seq.DeviceMade(rec));
  EXPECT_EQ(rec.Take(), (Log{"created"}));
  EXPECT_FALSE(seq.HasDevice());

  rec.createdOk = true;
  rec.resetCallbackOk = false;
  EXPECT_FALSE(seq.DeviceMade(rec));
  EXPECT_EQ(rec.Take(), (Log{"created", "reset", "lost"})) << "a failed reset is undone";
  seq.RenderFrame(rec, rec);
  EXPECT_TRUE(rec.Take().empty()) << "no device: the frame call returns at once";
}

TEST_F(FrameSequenceTest, FrameMovesRendersPresentsWithClockTimeAndElapsed) {
  seq.RenderFrame(rec, rec);
  EXPECT_TRUE(rec.Take().empty()) << "before creation";
  MakeDevice();
  counter.Advance(0.5);
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"move", "render", "present"}));
  counter.Advance(0.25);
  seq.RenderFrame(rec, rec);
  ASSERT_EQ(rec.times.size(), 2u);
  EXPECT_DOUBLE_EQ(rec.times[0], 0.5);
  EXPECT_EQ(rec.elapsed[0], 0.0f) << "first frame";
  EXPECT_DOUBLE_EQ(rec.times[1], 0.75);
  EXPECT_FLOAT_EQ(rec.elapsed[1], 0.25f);
}

TEST_F(FrameSequenceTest, LostDeviceRecoveryByCooperativeLevel) {
  const Log recovered = {"sleep 100", "tcl", "lost", "device reset", "reset", "move", "render", "present"};
  const Log stillLost = {"sleep 100", "tcl"};
  struct Case {
    CooperativeLevel level;
    Log expected;
  } cases[] = {
      {CooperativeLevel::kNotReset, recovered},
      {CooperativeLevel::kOk, recovered},
      {CooperativeLevel::kLost, stillLost},
      {CooperativeLevel::kFailed, stillLost},
  };
  for (const Case& c : cases) {
    MakeDevice();
    seq.MarkLost();
    rec.level = c.level;
    seq.RenderFrame(rec, rec);
    EXPECT_EQ(rec.Take(), c.expected) << static_cast<int>(c.level);
    EXPECT_EQ(seq.IsLost(), c.expected == stillLost);
  }
}

TEST_F(FrameSequenceTest, FailedResetsAreRetriedWithoutASecondDeviceLost) {
  MakeDevice();
  seq.MarkLost();
  rec.resetOk = false;
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100", "tcl", "lost", "device reset"}));
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100", "tcl", "device reset"})) << "objects were already released";

  // The device resets but the program's reset fails: its objects are released again, still lost.
  rec.resetOk = true;
  rec.resetCallbackOk = false;
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100", "tcl", "device reset", "reset", "lost"}));
  EXPECT_TRUE(seq.IsLost());

  rec.resetCallbackOk = true;
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100", "tcl", "device reset", "reset", "move", "render", "present"}));
  EXPECT_FALSE(seq.IsLost());
}

TEST_F(FrameSequenceTest, PresentReportingLossMarksTheDeviceLost) {
  MakeDevice();
  rec.present = PresentResult::kLost;
  seq.RenderFrame(rec, rec);
  EXPECT_TRUE(seq.IsLost());
  rec.present = PresentResult::kFailed;  // other failures do not
  rec.Take();
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100", "tcl", "lost", "device reset", "reset", "move", "render", "present"}));
  EXPECT_FALSE(seq.IsLost());
}

TEST_F(FrameSequenceTest, PausedRenderingOnlyMovesAndPausedTimeFreezesTheClock) {
  MakeDevice();
  counter.Advance(1);
  seq.RenderFrame(rec, rec);
  seq.Pause(true, true);
  counter.Advance(30);
  rec.Take();
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100", "move"}));
  EXPECT_DOUBLE_EQ(rec.times.back(), 1.0);
  EXPECT_EQ(rec.elapsed.back(), 0.0f);

  seq.MarkLost();  // lost while paused: no recovery and no frame move until resumed
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100"}));

  seq.Pause(false, false);
  counter.Advance(0.5);
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"sleep 100", "tcl", "lost", "device reset", "reset", "move", "render", "present"}));
  EXPECT_DOUBLE_EQ(rec.times.back(), 1.5) << "the pause is not counted";
  EXPECT_FLOAT_EQ(rec.elapsed.back(), 0.5f);
}

// Once the device window is gone, whatever state the device was in, a frame call neither sleeps, nor
// touches the device, nor calls the program, and stays so; a new device starts afresh.
TEST_F(FrameSequenceTest, FramesStopForGoodWhenTheDeviceWindowIsGone) {
  struct Case {
    const char* state;
    bool lost;
    bool paused;
  } cases[] = {
      {"playing", false, false},
      {"lost", true, false},
      {"paused", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    rec.windowExists = true;
    MakeDevice();
    if (c.lost) seq.MarkLost();
    if (c.paused) seq.Pause(true, true);
    rec.windowExists = false;
    seq.RenderFrame(rec, rec);
    EXPECT_TRUE(rec.Take().empty());
    EXPECT_TRUE(seq.WindowGone());
    rec.windowExists = true;  // the same handle value again is not the window the device was made for
    seq.RenderFrame(rec, rec);
    EXPECT_TRUE(rec.Take().empty());
    if (c.paused) seq.Pause(false, false);
  }
  MakeDevice();
  EXPECT_FALSE(seq.WindowGone());
  seq.RenderFrame(rec, rec);
  EXPECT_EQ(rec.Take(), (Log{"move", "render", "present"}));
}

TEST(PauseCountsTest, CountedAndNeverBelowZero) {
  AppClock clock(nullptr);
  FrameSequence seq(&clock);
  seq.Pause(false, false);  // a resume without a pause must not make the next pause a no-op
  seq.Pause(true, true);
  EXPECT_TRUE(seq.Pauses().TimePaused());
  EXPECT_TRUE(seq.Pauses().RenderingPaused());
  seq.Pause(true, false);
  seq.Pause(false, false);
  EXPECT_TRUE(seq.Pauses().TimePaused()) << "two time pauses need two resumes";
  EXPECT_FALSE(seq.Pauses().RenderingPaused());
  seq.Pause(false, false);
  EXPECT_FALSE(seq.Pauses().TimePaused());
}

}  // namespace
