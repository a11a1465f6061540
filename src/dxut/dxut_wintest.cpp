// The device framework on a real device: creation through the filter and the hook, the frame sequence,
// pauses, and recovery of a lost device with default-pool objects released and made again.
#include "dxut/dxut.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin_shell/standin_launcher.h"
#include "support/d3d_fixture_win.h"

namespace {

std::vector<std::string> g_log;
std::vector<D3DFORMAT> g_filtered;
bool g_acceptOnlyA8R8G8B8 = false;
bool g_rejectAll = false;
bool g_hookRefuses = false;
bool g_lostKeepsTarget = false;
bool g_v8u8Checked = false;
FrameworkDeviceSettings g_hookSaw;
D3DSURFACE_DESC g_resetDesc;
IDirect3DTexture9* g_target = nullptr;  // a default-pool object, made at every reset
double g_lastTime = 0;
lumi_test::Pixels g_rendered;
DWORD g_clearColour = 0xFF204080;

bool Filter(D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT backBuffer, bool windowed) {
  g_filtered.push_back(backBuffer);
  EXPECT_TRUE(windowed);
  // The program's own filter asks the Direct3D object for V8U8 textures on this adapter format.
  g_v8u8Checked = DXUTGetD3DObject() &&
                  SUCCEEDED(DXUTGetD3DObject()->CheckDeviceFormat(caps->AdapterOrdinal, caps->DeviceType,
                                                                  adapterFormat, 0, D3DRTYPE_TEXTURE,
                                                                  D3DFMT_V8U8));
  if (g_rejectAll) return false;
  return !g_acceptOnlyA8R8G8B8 || backBuffer == D3DFMT_A8R8G8B8;
}

bool Hook(FrameworkDeviceSettings* s, const D3DCAPS9*) {
  g_log.push_back("hook");
  g_hookSaw = *s;
  s->pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  s->pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  return !g_hookRefuses;
}

HRESULT Created(IDirect3DDevice9* d, const D3DSURFACE_DESC*) {
  g_log.push_back("created");
  EXPECT_EQ(d, DXUTGetD3DDevice());
  return S_OK;
}

HRESULT Reset(IDirect3DDevice9* d, const D3DSURFACE_DESC* desc) {
  g_log.push_back("reset");
  g_resetDesc = *desc;
  if (!g_target)
    return d->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &g_target,
                            nullptr);
  return S_OK;
}

void Lost() {
  g_log.push_back("lost");
  if (!g_lostKeepsTarget && g_target) {
    g_target->Release();
    g_target = nullptr;
  }
}

void Move(IDirect3DDevice9*, double time, float) {
  g_log.push_back("move");
  g_lastTime = time;
}

void Render(IDirect3DDevice9* d, double, float) {
  g_log.push_back("render");
  EXPECT_HRESULT_SUCCEEDED(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g_clearColour, 1.0f, 0))
      << "the device has a depth buffer";
  lumi_test::ReadBackBuffer(d, g_rendered);
}

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_filtered.clear();
    g_acceptOnlyA8R8G8B8 = g_rejectAll = g_hookRefuses = g_lostKeepsTarget = g_v8u8Checked = false;
    g_target = nullptr;
    window_ = lumi_test::CreateTestWindow(80, 60);
    ASSERT_NE(window_, nullptr);
    StartFramework(window_);
  }
  void StartFramework(HWND window) {
    DXUTSetCallbackFrameMove(Move);
    DXUTSetCallbackDeviceCreated(Created);
    DXUTSetCallbackFrameRender(Render);
    DXUTSetCallbackDeviceReset(Reset);
    DXUTSetCallbackDeviceLost(Lost);
    ASSERT_EQ(DXUTInit(false, false, false), S_OK);  // no message boxes in tests
    DXUTSetCursorSettings(true, true);
    ASSERT_EQ(DXUTSetWindow(window, window, window), S_OK);
  }
  void TearDown() override {
    if (g_target) g_target->Release();
    g_target = nullptr;
    DXUTShutdown();
    DestroyWindow(window_);
  }
  HRESULT Create() { return DXUTCreateDevice(D3DADAPTER_DEFAULT, true, 80, 60, Filter, Hook); }
  std::vector<std::string> TakeLog() {
    std::vector<std::string> l;
    l.swap(g_log);
    return l;
  }
  HWND window_ = nullptr;
};

typedef std::vector<std::string> Log;

TEST_F(FrameworkTest, CreatesThroughFilterAndHookThenCreatedAndReset) {
  g_acceptOnlyA8R8G8B8 = true;
  ASSERT_EQ(Create(), S_OK);
  EXPECT_EQ(TakeLog(), (Log{"hook", "created", "reset"}));
  ASSERT_FALSE(g_filtered.empty());
  EXPECT_EQ(g_filtered.back(), D3DFMT_A8R8G8B8) << "candidates stop at the first accepted";
  EXPECT_TRUE(g_v8u8Checked) << "the Direct3D object answers format checks inside the filter";

  EXPECT_TRUE(g_hookSaw.pp.Windowed);
  EXPECT_EQ(g_hookSaw.pp.BackBufferWidth, 80u);
  EXPECT_EQ(g_hookSaw.pp.BackBufferHeight, 60u);
  EXPECT_EQ(g_hookSaw.pp.BackBufferFormat, D3DFMT_A8R8G8B8);
  EXPECT_EQ(g_hookSaw.pp.hDeviceWindow, window_);
  EXPECT_TRUE(g_hookSaw.pp.EnableAutoDepthStencil);
  EXPECT_FALSE(g_hookSaw.behaviorFlags & D3DCREATE_PUREDEVICE);
  EXPECT_EQ(g_resetDesc.Width, 80u);
  EXPECT_EQ(g_resetDesc.Height, 60u);
  EXPECT_EQ(DXUTGetHWND(), window_);
  EXPECT_NE(DXUTGetD3DDevice(), nullptr);
  EXPECT_NE(g_target, nullptr);
}

TEST_F(FrameworkTest, RefusedCreationFailsWithoutCallbacksOrDevice) {
  for (int refusal = 0; refusal < 2; ++refusal) {
    g_rejectAll = refusal == 0;
    g_hookRefuses = refusal == 1;
    EXPECT_NE(Create(), S_OK) << refusal;
    Log log = TakeLog();
    EXPECT_EQ(log, refusal == 0 ? Log{} : Log{"hook"}) << refusal;
    EXPECT_EQ(DXUTGetD3DDevice(), nullptr);
    DXUTRender3DEnvironment();
    EXPECT_TRUE(TakeLog().empty()) << "no device: the frame call does nothing";
  }
}

TEST_F(FrameworkTest, FrameMovesRendersAndPresents) {
  DXUTRender3DEnvironment();
  EXPECT_TRUE(TakeLog().empty()) << "before creation";
  ASSERT_EQ(Create(), S_OK);
  TakeLog();
  DXUTRender3DEnvironment();
  EXPECT_EQ(TakeLog(), (Log{"move", "render"}));
  ASSERT_EQ(g_rendered.width, 80u);
  EXPECT_EQ(g_rendered.at(79, 59) & 0xFFFFFF, g_clearColour & 0xFFFFFF);
  EXPECT_GE(g_lastTime, 0.0);
}

TEST_F(FrameworkTest, PauseFreezesTimeAndStopsRenderingUntilResumed) {
  ASSERT_EQ(Create(), S_OK);
  DXUTPause(true, true);
  TakeLog();
  double frozen = DXUTGetTime();
  Sleep(30);
  DXUTRender3DEnvironment();
  EXPECT_EQ(TakeLog(), (Log{"move"}));
  EXPECT_EQ(g_lastTime, frozen);
  EXPECT_EQ(DXUTGetTime(), frozen);
  DXUTPause(false, false);
  DXUTRender3DEnvironment();
  EXPECT_EQ(TakeLog(), (Log{"move", "render"}));
  EXPECT_LT(g_lastTime - frozen, 0.1) << "the paused span (over 100 ms) is not counted";
}

TEST_F(FrameworkTest, ForcedLossReleasesAndRecreatesDefaultPoolObjects) {
  ASSERT_EQ(Create(), S_OK);
  TakeLog();
  IDirect3DTexture9* before = g_target;
  ASSERT_NE(before, nullptr);
  DXUTTestForceDeviceReset();
  DXUTRender3DEnvironment();
  EXPECT_EQ(TakeLog(), (Log{"lost", "reset", "move", "render"}));
  ASSERT_NE(g_target, nullptr) << "made again at the reset";

  // The device works after the reset: a cleared frame and a cleared render target read back.
  EXPECT_EQ(g_rendered.at(0, 0) & 0xFFFFFF, g_clearColour & 0xFFFFFF);
  IDirect3DDevice9* d = DXUTGetD3DDevice();
  IDirect3DSurface9* level = nullptr;
  ASSERT_HRESULT_SUCCEEDED(g_target->GetSurfaceLevel(0, &level));
  ASSERT_HRESULT_SUCCEEDED(d->ColorFill(level, nullptr, 0xFF00FF00));
  level->Release();
  lumi_test::Pixels p;
  ASSERT_TRUE(lumi_test::ReadRenderTargetTexture(d, g_target, p));
  EXPECT_EQ(p.at(31, 31), 0xFF00FF00u);
}

TEST_F(FrameworkTest, ResetBlockedByAnUnreleasedObjectIsRetriedEachFrame) {
  ASSERT_EQ(Create(), S_OK);
  TakeLog();
  g_lostKeepsTarget = true;  // a default-pool object that survives device-lost makes Reset fail
  DXUTTestForceDeviceReset();
  DXUTRender3DEnvironment();
  EXPECT_EQ(TakeLog(), (Log{"lost"})) << "no frame while the device cannot be reset";
  DXUTRender3DEnvironment();
  EXPECT_TRUE(TakeLog().empty()) << "retries the reset only";

  g_target->Release();
  g_target = nullptr;
  DXUTRender3DEnvironment();
  EXPECT_EQ(TakeLog(), (Log{"reset", "move", "render"}));
}

// The device window inside another process's window, as the manager window lives in the shell's desktop
// view: once that window goes, by its process ending or by its destruction, frame calls neither draw
// nor call the program.
TEST_F(FrameworkTest, FramesStopWhenTheParentWindowOfAnotherProcessGoes) {
  if (!StandinShell::Available()) GTEST_SKIP() << "no stand-in shell";
  struct Case {
    const char* how;
    bool kill;
  } cases[] = {
      {"its process ends", true},
      {"it is destroyed", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    StandinShell shell;
    ASSERT_TRUE(shell.Start(L""));
    HWND view = FindWindowExW(FindWindowW(L"Progman", nullptr), nullptr, L"SHELLDLL_DefView", nullptr);
    ASSERT_NE(view, nullptr);
    HWND child = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 80, 60, view, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(child, nullptr);
    DXUTShutdown();
    StartFramework(child);
    ASSERT_EQ(Create(), S_OK);
    EXPECT_TRUE(WindowAndParentsExist(child));
    DXUTRender3DEnvironment();
    TakeLog();
    DXUTRender3DEnvironment();
    EXPECT_EQ(TakeLog(), (Log{"move", "render"}));

    if (c.kill)
      ASSERT_TRUE(shell.Kill());
    else
      ASSERT_EQ(shell.Send(kStandinDestroyView), 1);
    EXPECT_FALSE(WindowAndParentsExist(child));
    for (int i = 0; i < 3; ++i) DXUTRender3DEnvironment();
    EXPECT_TRUE(TakeLog().empty());
  }
}

}  // namespace
