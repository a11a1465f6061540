// The program's entry point: closes a running instance, creates the manager window inside the shell's
// desktop view, starts everything and runs the main loop until the window is destroyed.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include "app/manager_win.h"

namespace {

// The application record and its hosts exist before the entry point runs.
struct AppRecordAtLoad {
  AppRecordAtLoad() { InitAppRecord(); }
} g_AppRecordAtLoad;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    g_hInstance = instance;
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread, codecs
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    CloseEarlierInstance();
    if (!CreateManagerWindow(instance)) return 1;
    RunMessageLoop();
    Gdiplus::GdiplusShutdown(token);
    return 0;
  } catch (...) {
    return 1;
  }
}
