// The manager window's messages inside this process: suspend and resume, the frame timer's re-arm, and
// the end of the main loop when the window is closed.
#include <gtest/gtest.h>

#include "app/manager_win.h"
#include "app/memory_registry.h"
#include "dxut/app_clock.h"
#include "dxut/dxut.h"
#include "standin_shell/standin_launcher.h"
#include "support/manual_counter.h"

namespace {

class ManagerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tray icon this window adds and removes must not reach a stand-in shell another test runs.
    lock_ = CreateMutexW(nullptr, FALSE, L"Local\\LumivaneStandinShell");
    ASSERT_NE(lock_, nullptr);
    ASSERT_NE(WaitForSingleObject(lock_, kStandinLockWaitMs), WAIT_TIMEOUT);
    RegisterManagerClass(GetModuleHandleW(nullptr));  // once per process; later calls find it registered
    DXUTTestSetCounter(&counter_);
    DXUTInit(false, false, false);
    g_App = AppRecord();
    g_App.registry = &registry_;
    g_App.settings = &settings_;
    g_App.manager = CreateWindowExW(0, kManagerClass, kManagerClass, WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(g_App.manager, nullptr);
    g_ManagerDestroyed = false;
  }
  void TearDown() override {
    if (g_App.manager && IsWindow(g_App.manager)) DestroyWindow(g_App.manager);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_App = AppRecord();
    g_ManagerDestroyed = false;
    DXUTShutdown();
    DXUTTestSetCounter(nullptr);
    if (lock_) {
      ReleaseMutex(lock_);
      CloseHandle(lock_);
    }
  }

  // Advances the clock and says whether the application time moved with it.
  bool ClockRuns() {
    double before = DXUTGetTime();
    counter_.now += 100;
    return DXUTGetTime() > before;
  }

  HANDLE lock_ = nullptr;
  lumi_test::ManualCounter counter_;
  MemoryRegistry registry_;
  SettingsStore settings_{registry_};
};

TEST_F(ManagerWindowTest, SuspendAndResumeAreCountedForTheClockWhileTheWindowFollowsTheLastMessage) {
  struct Step {
    UINT message;
    bool visible;
    bool clockRuns;
  } steps[] = {
      {WM_RESUME_WALLPAPER, true, true},    // a resume without a suspend changes nothing
      {WM_SUSPEND_WALLPAPER, false, false},
      {WM_SUSPEND_WALLPAPER, false, false},
      {WM_RESUME_WALLPAPER, true, false},   // shown again, but one suspend is still counted
      {WM_RESUME_WALLPAPER, true, true},
  };
  EXPECT_TRUE(ClockRuns());
  int n = 0;
  for (const Step& s : steps) {
    SendMessageW(g_App.manager, s.message, 0, 0);
    EXPECT_EQ(IsWindowVisible(g_App.manager) != FALSE, s.visible) << "step " << n;
    EXPECT_EQ(ClockRuns(), s.clockRuns) << "step " << n;
    ++n;
  }
}

TEST_F(ManagerWindowTest, EveryTimerTickSetsTheLoopsNextFrameTwoIntervalsAhead) {
  struct Case {
    int sleepTime;
    double ahead;
  } cases[] = {{0, 0.020}, {1, 0.060}, {2, 0.120}};
  for (const Case& c : cases) {
    settings_.SetSleepTime(c.sleepTime);
    counter_.now += 1000;
    double now = DXUTGetTime();
    SendMessageW(g_App.manager, WM_TIMER, IDT_FRAME, 0);
    EXPECT_NEAR(g_NextFrameTime - now, c.ahead, 1e-9) << c.sleepTime;
  }
}

TEST_F(ManagerWindowTest, ClosingTheWindowEndsTheLoop) {
  PostMessageW(g_App.manager, WM_CLOSE, 0, 0);
  counter_.now += 1000;  // a frame is due in the pass that destroys the window
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_FALSE(IsWindow(g_App.manager));
  EXPECT_TRUE(g_ManagerDestroyed);
}

}  // namespace
