// The manager window: the device window and message hub of the program, a child of the shell's desktop
// view. The start-up that creates it, the main loop that draws frames between its messages, and the
// suspend and resume that other programs ask for. Windows only; everything runs on the UI thread.
#pragma once

#include <windows.h>

#include "app/shell_win.h"
#include "lights/audio_graph_win.h"  // WM_GRAPH_EVENT

const UINT WM_SUSPEND_WALLPAPER = WM_USER + 2;
const UINT WM_RESUME_WALLPAPER = WM_USER + 3;
const UINT_PTR IDT_FRAME = 1;

extern const wchar_t kManagerClass[];         // class and title of the manager window
extern const wchar_t kEarlierManagerClass[];  // asked to close as well; never created here
extern const wchar_t kStartFailedText[];
extern const wchar_t kStartFailedCaption[];

extern HINSTANCE g_hInstance;
// Application-clock time at or after which the loop draws the next frame.
extern double g_NextFrameTime;
// Set when the manager window is destroyed or found gone: no frame is drawn into it afterwards.
extern bool g_ManagerDestroyed;

// At load: the desktop host, the scene host, the settings over the registry and the services the tray and
// the dialog use. DestroyAppGlobals frees them again (registered to run at exit).
void InitAppRecord();
void CreateAppGlobals();
void DestroyAppGlobals();

// Posts WM_CLOSE to a running instance's manager window under the desktop view, then waits 400 ms.
void CloseEarlierInstance();
bool RegisterManagerClass(HINSTANCE instance);
// Creates the manager window hidden in the desktop view, on top of its siblings, and starts everything.
// 0 when any step fails.
int CreateManagerWindow(HINSTANCE instance);
int StartApp(HWND manager, HINSTANCE instance);
int ReadStartupSettings();
int StartRendering();

// Window style of the manager window for a Windows major version of 5 or not.
DWORD ManagerWindowStyle(bool nt5);

// True when the manager window, or the desktop view above it, no longer exists (also where this process
// was never told: see WindowAndParentsExist).
bool ManagerWindowGone();
// Ends the program as the manager window's destruction does: the desktop restored, the tray icon
// removed, no frame drawn any more and the loop told to end with exit code 0. Once only.
void EndProgram();

UINT GetFrameIntervalMs();
void ArmFrameTimer(HWND window);
void RunFrame();
// Handles messages until WM_QUIT, drawing a frame whenever the application clock passes the next-frame
// time; the exit code of WM_QUIT.
int RunMessageLoop();

LRESULT CALLBACK ManagerWndProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ManagerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int RestoreDesktop();
void SuspendWallpaper();
void ResumeWallpaper();
