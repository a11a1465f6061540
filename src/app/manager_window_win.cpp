#include "app/manager_win.h"

#include <commctrl.h>

#include "app/frame_pacing.h"
#include "app/scene_host_win.h"
#include "desktop/desktop_host_win.h"
#include "desktop/desktop_view_win.h"
#include "dxut/dxut.h"

double g_NextFrameTime = 0.0;
bool g_ManagerDestroyed = false;

namespace {

// The shell's own icon list view beside the manager window; null when there is none.
HWND ShellListViewBeside(HWND manager) {
  HWND parent = manager ? GetParent(manager) : nullptr;
  return parent ? FindWindowExW(parent, nullptr, L"SysListView32", nullptr) : nullptr;
}

void SetRegional(HWND listView, bool on) {
  SendMessageW(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_REGIONAL, on ? LVS_EX_REGIONAL : 0);
}

// How often the loop looks whether the desktop view is still there while no frame does.
const DWORD kShellWatchMs = 100;

}  // namespace

UINT GetFrameIntervalMs() { return g_App.settings ? g_App.settings->GetFrameIntervalMs() : FrameIntervalForSleepTime(1); }

void ArmFrameTimer(HWND window) {
  UINT interval = GetFrameIntervalMs();
  g_NextFrameTime = ArmedNextFrameTime(DXUTGetTime(), interval);
  SetTimer(window, IDT_FRAME, interval, nullptr);
}

bool ManagerWindowGone() { return g_App.manager && !WindowAndParentsExist(g_App.manager); }

void EndProgram() {
  if (g_ManagerDestroyed) return;
  g_ManagerDestroyed = true;
  RestoreDesktop();
  RemoveTrayIcon();
  PostQuitMessage(0);
}

void RunFrame() {
  // A frame still due in the loop pass that destroyed the window would present into a window that is
  // gone and mirror icons for nothing.
  if (g_ManagerDestroyed) return;
  // The shell's process ended, taking the desktop view and the manager window in it along without a
  // WM_DESTROY: end as after Exit rather than draw into a window that no longer exists.
  if (ManagerWindowGone()) {
    EndProgram();
    return;
  }
  DXUTRender3DEnvironment();
  if (g_App.desktop) g_App.desktop->SyncIcons();
  if (!IsNt5() && g_App.manager && GetWindow(g_App.manager, GW_HWNDPREV))
    SetWindowPos(g_App.manager, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

int RunMessageLoop() {
  MSG msg = {};
  msg.message = 0;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  DWORD watched = GetTickCount();
  while (msg.message != WM_QUIT) {
    bool got = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
    // Also while no frame runs (suspended, or the clock stands): the window's timer goes with it.
    if (GetTickCount() - watched >= kShellWatchMs) {
      watched = GetTickCount();
      if (!g_ManagerDestroyed && ManagerWindowGone()) EndProgram();
    }
    if (LoopFrameDue(DXUTGetTime(), g_NextFrameTime, GetFrameIntervalMs())) RunFrame();
    if (got) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    } else {
      Sleep(5);
    }
  }
  return static_cast<int>(msg.wParam);
}

int RestoreDesktop() {
  // Icons of the shell that this program hid come back when it ends or is suspended.
  if (g_App.desktop) g_App.desktop->RestoreShellIcons();
  if (!IsNt5()) return 1;
  HWND list = ShellListViewBeside(g_App.manager);
  if (!list) return 0;
  SetRegional(list, false);
  return 1;
}

void SuspendWallpaper() {
  RestoreDesktop();
  DXUTPause(true, true);
  RemoveTrayIcon();
  ShowWindow(g_App.manager, SW_HIDE);
}

void ResumeWallpaper() {
  DXUTPause(false, false);
  if (IsNt5()) {
    if (HWND list = ShellListViewBeside(g_App.manager)) {
      SetRegional(list, true);
      SetWindowPos(g_App.manager, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
  }
  AddTrayIcon();
  ShowWindow(g_App.manager, SW_SHOW);
}

LRESULT CALLBACK ManagerWndProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ManagerWndProc(window, message, wParam, lParam);
}

LRESULT ManagerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      EndProgram();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      if (!g_ManagerDestroyed) DXUTRender3DEnvironment();
      return 1;
    }
    case WM_COMMAND:
      HandleMenuCommand(wParam);
      return 0;
    case WM_TIMER:
      ArmFrameTimer(window);
      RunFrame();
      return 0;
    case WM_TRAYNOTIFY:
      ShowTrayMenu(lParam);
      return 0;
    case WM_SUSPEND_WALLPAPER:
      SuspendWallpaper();
      return 0;
    case WM_RESUME_WALLPAPER:
      ResumeWallpaper();
      return 0;
    case WM_GRAPH_EVENT:
      if (g_SceneHost) g_SceneHost->HandleGraphEvents();
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
