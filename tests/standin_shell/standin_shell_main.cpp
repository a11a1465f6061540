// The stand-in shell: a test program that gives a Wine session the shell windows the program lives in.
//   "Progman" at the screen origin > "SHELLDLL_DefView" > "SysListView32" with icons, or (--layout workerw)
//   "Progman" without a view, an empty "WorkerW" first in window order and a later "WorkerW" holding the
//   view; a hidden "Shell_TrayWnd" that counts taskbar commands and notify-icon messages; and a control
//   window that answers the commands of standin_protocol.h.
// The icons are the desktop folder's items, named as the shell names them, at StandinItemPosition(k).
// Options:
//   --layout progman|workerw   window tree (default progman)
//   --extra NAME               one more item that is not on the desktop
//   --duplicate                one more item named like the first one
//   --hidden                   the list view starts hidden
//   --parent PID               end when that process ends
//   --lifetime SECONDS         end after this long at the latest (default 300)
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "standin_desktop.h"
#include "standin_protocol.h"

namespace {

HWND g_View;
HWND g_ListView;
int g_TrayCommands;
int g_TrayIconMessages[3];

int AddItem(const wchar_t* text, POINT at) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = ListView_GetItemCount(g_ListView);
  item.pszText = const_cast<wchar_t*>(text);
  item.iImage = 0;
  int index = ListView_InsertItem(g_ListView, &item);
  if (index >= 0) ListView_SetItemPosition32(g_ListView, index, at.x, at.y);
  return index;
}

LRESULT HandleCommand(ULONG_PTR command, const StandinRequest& r) {
  switch (command) {
    case kStandinPing:
      return GetCurrentProcessId();
    case kStandinItemCount:
      return ListView_GetItemCount(g_ListView);
    case kStandinItemPosition: {
      POINT p;
      if (!ListView_GetItemPosition(g_ListView, r.index, &p)) return -1;
      return PackStandinPoint(p.x, p.y);
    }
    case kStandinSetItemPosition:
      if (r.index < 0 || r.index >= ListView_GetItemCount(g_ListView)) return 0;
      ListView_SetItemPosition32(g_ListView, r.index, r.x, r.y);
      return 1;
    case kStandinAddItem: {
      WCHAR text[260];
      lstrcpynW(text, r.text, 260);
      return AddItem(text, POINT{r.x, r.y});
    }
    case kStandinDeleteItem:
      return ListView_DeleteItem(g_ListView, r.index) ? 1 : 0;
    case kStandinShowListView:
      ShowWindow(g_ListView, r.flag ? SW_SHOWNA : SW_HIDE);
      return 1;
    case kStandinListViewExStyle:
      return static_cast<LRESULT>(ListView_GetExtendedListViewStyle(g_ListView));
    case kStandinTrayCommands:
      return g_TrayCommands;
    case kStandinTrayIconMessages:
      return r.index >= 0 && r.index < 3 ? g_TrayIconMessages[r.index] : -1;
    case kStandinQuit:
      PostQuitMessage(0);
      return 1;
    case kStandinDestroyView:
      if (!g_View || !DestroyWindow(g_View)) return 0;
      g_View = nullptr;
      g_ListView = nullptr;
      return 1;
  }
  return -1;
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COPYDATA) {
    const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    StandinRequest r = {};
    if (cds->lpData && cds->cbData >= sizeof(r)) r = *static_cast<const StandinRequest*>(cds->lpData);
    return HandleCommand(cds->dwData, r);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && wp == 419) {
    ++g_TrayCommands;
    return 0;
  }
  if (msg == WM_COPYDATA) {  // how the platform's notify-icon call reaches a taskbar
    const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (cds->dwData < 3) ++g_TrayIconMessages[cds->dwData];
    return TRUE;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Register(const wchar_t* name, WNDPROC proc) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  RegisterClassW(&wc);
}

HWND TopLevel(const wchar_t* cls, const wchar_t* title, int w, int h, bool visible) {
  return CreateWindowExW(WS_EX_TOOLWINDOW, cls, title, WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, w, h, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  bool workerw = false, duplicate = false, hidden = false;
  std::wstring extra;
  DWORD parentPid = 0, lifetime = 300;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    bool more = i + 1 < argc;
    if (a == L"--layout" && more)
      workerw = std::wstring(argv[++i]) == L"workerw";
    else if (a == L"--extra" && more)
      extra = argv[++i];
    else if (a == L"--duplicate")
      duplicate = true;
    else if (a == L"--hidden")
      hidden = true;
    else if (a == L"--parent" && more)
      parentPid = wcstoul(argv[++i], nullptr, 10);
    else if (a == L"--lifetime" && more)
      lifetime = wcstoul(argv[++i], nullptr, 10);
  }
  LocalFree(argv);

  CoInitialize(nullptr);
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  Register(L"Progman", PlainProc);
  Register(L"WorkerW", PlainProc);
  Register(L"SHELLDLL_DefView", PlainProc);
  Register(L"Shell_TrayWnd", TrayProc);
  Register(STANDIN_CONTROL_CLASS, ControlProc);

  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HWND progman = TopLevel(L"Progman", L"Program Manager", w, h, true);
  HWND host = progman;
  if (workerw) {
    // The worker with the view first, then an empty one above it: the empty one comes first in window order.
    host = TopLevel(L"WorkerW", L"", w, h, true);
    HWND empty = TopLevel(L"WorkerW", L"", w, h, true);
    SetWindowPos(empty, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  HWND view = CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w, h, host,
                              nullptr, instance, nullptr);
  g_View = view;
  g_ListView = CreateWindowExW(0, WC_LISTVIEWW, L"FolderView",
                               WS_CHILD | (hidden ? 0 : WS_VISIBLE) | LVS_ICON | LVS_SHOWSELALWAYS, 0, 0, w, h, view,
                               nullptr, instance, nullptr);
  HIMAGELIST images = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                       ILC_COLOR32 | ILC_MASK, 1, 1);
  ImageList_AddIcon(images, LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
  ListView_SetImageList(g_ListView, images, LVSIL_NORMAL);

  std::vector<std::wstring> names = StandinDesktopNames();
  if (duplicate && !names.empty()) names.push_back(names.front());
  if (!extra.empty()) names.push_back(extra);
  for (size_t k = 0; k < names.size(); ++k) AddItem(names[k].c_str(), StandinItemPosition(static_cast<int>(k)));
  // The list view lays out new items on its first paint; the positions are set again once it has.
  UpdateWindow(progman);
  MSG pending;
  while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&pending);
  for (size_t k = 0; k < names.size(); ++k) {
    POINT at = StandinItemPosition(static_cast<int>(k));
    ListView_SetItemPosition32(g_ListView, static_cast<int>(k), at.x, at.y);
  }

  TopLevel(L"Shell_TrayWnd", L"", 0, 0, false);
  // Last, so that a test that finds the control window finds everything in place.
  HWND control = TopLevel(STANDIN_CONTROL_CLASS, L"", 0, 0, false);
  if (!progman || !view || !g_ListView || !control) return 2;

  HANDLE parent = parentPid ? OpenProcess(SYNCHRONIZE, FALSE, parentPid) : nullptr;
  DWORD deadline = GetTickCount() + lifetime * 1000;
  for (;;) {
    DWORD left = deadline - GetTickCount();
    if (static_cast<LONG>(left) <= 0) break;
    DWORD n = parent ? 1 : 0;
    DWORD r = MsgWaitForMultipleObjects(n, &parent, FALSE, left, QS_ALLINPUT);
    if (parent && r == WAIT_OBJECT_0) break;  // the test that started us has ended
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (quit) break;
  }
  DestroyWindow(control);
  DestroyWindow(progman);
  CoUninitialize();
  return 0;
}
