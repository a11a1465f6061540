#include "app/manager_win.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>

#include "app/reader_list.h"
#include "app/registry_win.h"
#include "app/scene_host_win.h"
#include "app/scene_services_win.h"
#include "app/strings.h"
#include "desktop/desktop_host_win.h"
#include "desktop/desktop_view_win.h"
#include "lights/audio_graph_win.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/scene_document.h"

const wchar_t kManagerClass[] = L"KVRManager";
const wchar_t kEarlierManagerClass[] = L"KVRManager_prv";
const wchar_t kStartFailedText[] = L"Cannot open file: Wrong file format.";
const wchar_t kStartFailedCaption[] = L"Lumivane Manager";

HINSTANCE g_hInstance = nullptr;

namespace {

const WPARAM kTaskbarCommand = 419;
const UINT kTaskbarTimeoutMs = 2000;

}  // namespace

void CreateAppGlobals() {
  g_App.settingsDialog = nullptr;
  for (HWND& page : g_App.pages) page = nullptr;
  g_App.desktop = new DS_Desktop;
  g_App.sceneHost = new SceneHost(!IsNt5());
  g_App.registry = new WinRegistry;
  g_App.settings = new SettingsStore(*g_App.registry, REGKEY_SETTINGS);
  g_App.services = new SceneShellServices;
  SetModuleResources(&Win32ModuleResources());
}

void InitAppRecord() {
  CreateAppGlobals();
  g_App.instance = nullptr;
  g_App.manager = nullptr;
  lstrcpynW(g_App.keyPath, AsWide(REGKEY_SETTINGS), 200);
  g_App.showDialog = 1;
  std::atexit(DestroyAppGlobals);
}

void DestroyAppGlobals() {
  delete g_App.desktop;
  g_App.desktop = nullptr;
  delete g_App.sceneHost;  // stops the sound and deletes the scene root
  g_App.sceneHost = nullptr;
  // The document's textures, meshes and effects go too, so that nothing holds the device at the end.
  delete g_DocResManager;
  g_DocResManager = nullptr;
  delete g_App.services;
  g_App.services = nullptr;
  delete g_App.settings;
  g_App.settings = nullptr;
  delete g_App.registry;
  g_App.registry = nullptr;
}

void CloseEarlierInstance() {
  if (HWND view = FindDesktopView()) {
    if (HWND earlier = FindWindowExW(view, nullptr, kEarlierManagerClass, nullptr))
      PostMessageW(earlier, WM_CLOSE, 0, 0);
    if (HWND earlier = FindWindowExW(view, nullptr, kManagerClass, nullptr)) PostMessageW(earlier, WM_CLOSE, 0, 0);
  }
  Sleep(400);
}

DWORD ManagerWindowStyle(bool nt5) { return nt5 ? WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN : WS_CHILD; }

bool RegisterManagerClass(HINSTANCE instance) {
  WNDCLASSW wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ManagerWndProcThunk;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kManagerClass;
  return RegisterClassW(&wc) != 0;
}

int CreateManagerWindow(HINSTANCE instance) {
  if (!RegisterManagerClass(instance)) return 0;
  HWND view = FindDesktopView();
  if (!view) return 0;
  RECT r = {};
  GetClientRect(view, &r);
  HWND manager = CreateWindowExW(0, kManagerClass, kManagerClass, ManagerWindowStyle(IsNt5()), 0, 0, r.right - r.left,
                                 r.bottom - r.top, view, nullptr, instance, nullptr);
  if (!manager) return 0;
  SetWindowPos(manager, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return StartApp(manager, instance);
}

int StartApp(HWND manager, HINSTANCE instance) {
  try {
    g_App.instance = instance;
    g_App.manager = manager;
    if (!ReadStartupSettings()) return 0;
    if (!IsNt5()) {
      OleInitialize(nullptr);
      g_App.desktop->SetIconLayerSink(SceneHostIconLayerSink());
      g_App.desktop->Attach(manager);  // without a private view the scene plays without icons
      ShowWindow(manager, SW_SHOW);
    }
    if (!StartRendering() || !CreateSettingsDialog(false) || !AddTrayIcon()) return 0;
    ArmFrameTimer(manager);
    return 1;
  } catch (...) {
    MessageBoxW(nullptr, kStartFailedText, kStartFailedCaption, MB_ICONERROR);
    return 0;
  }
}

int ReadStartupSettings() {
  if (!g_App.settings->ReadStartup(g_App.showDialog)) return 0;
  if (!IsAutorunEnabled(*g_App.registry, GetProgramPath())) {
    // A taskbar that hangs must not hold the start up.
    if (HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr)) {
      DWORD_PTR result = 0;
      SendMessageTimeoutW(taskbar, WM_COMMAND, kTaskbarCommand, 0, SMTO_ABORTIFHUNG, kTaskbarTimeoutMs, &result);
    }
  }
  g_ResourceLanguage = 1033;
  return 1;
}

int StartRendering() {
  SceneHost& host = *g_App.sceneHost;
  if (!host.InitDevice(g_App.manager, g_App.manager)) return 0;
  host.SetRoot(LoadEmbeddedScene());  // throws when the document is missing or damaged
  host.StartScene();
  host.SetPicturePosition(g_App.settings->GetPicPos());
  host.SetIconSmoothing(g_App.settings->GetIconSmoothing());
  AudioGraph::SetVolume(g_App.settings->GetSoundVolume(), g_App.settings->GetMute());
  ShowWindow(g_App.manager, SW_SHOW);
  if (IsNt5()) {
    // The shell's icons are drawn over the scene: its list view paints only them, above the manager window.
    HWND list = FindWindowExW(GetParent(g_App.manager), nullptr, L"SysListView32", nullptr);
    if (!list) return 0;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_REGIONAL, LVS_EX_REGIONAL);
    SetWindowPos(g_App.manager, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  return 1;
}
