#include "desktop/desktop_view_win.h"

namespace {

const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
// Looked up when the program loads; null where the system has no such call.
IsWow64ProcessFn g_IsWow64Process = reinterpret_cast<IsWow64ProcessFn>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));

DesktopWindows g_DesktopWindows;

}  // namespace

int g_OsMajorVersion = -1;

HWND Win32WindowTree::FindTopLevel(const char16_t* className, HWND after) {
  return FindWindowExW(nullptr, after, W(className), nullptr);
}

HWND Win32WindowTree::FindChild(HWND parent, const char16_t* className) {
  return FindWindowExW(parent, nullptr, W(className), nullptr);
}

bool Win32WindowTree::IsWindow(HWND window) { return ::IsWindow(window) != FALSE; }

bool IsNt5() {
  if (g_OsMajorVersion < 0) {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    g_OsMajorVersion = GetVersionExW(&info) ? static_cast<int>(info.dwMajorVersion) : 0;
  }
  return g_OsMajorVersion == 5;
}

HWND FindDesktopView() {
  Win32WindowTree tree;
  return g_DesktopWindows.DesktopView(tree);
}

HWND GetShellListView() {
  Win32WindowTree tree;
  return g_DesktopWindows.ShellListView(tree);
}

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return g_IsWow64Process && g_IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool ReadsShellIn64BitLayout() { return sizeof(void*) == 8 || RunsUnderWow64(); }
