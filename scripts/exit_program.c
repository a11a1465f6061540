/* Built x86_64 and run under Wine by scripts/run: ends the running program the way its tray menu's Exit
   does, by posting Exit's command to its manager window (class "KVRManager", inside the desktop view).
   Exits 1 when no such window exists. */
#include <windows.h>
#include <stdio.h>

#include "resources/resource_ids.h"

static BOOL CALLBACK PostExit(HWND window, LPARAM found) {
  wchar_t name[32];
  if (GetClassNameW(window, name, 32) && lstrcmpW(name, L"KVRManager") == 0 &&
      PostMessageW(window, WM_COMMAND, IDM_EXIT, 0))
    ++*(int*)found;
  return TRUE;
}

static BOOL CALLBACK Descendants(HWND window, LPARAM found) {
  EnumChildWindows(window, PostExit, found);
  return TRUE;
}

int main(void) {
  int found = 0;
  EnumWindows(Descendants, (LPARAM)&found);
  printf("exit_program: Exit sent to %d manager window%s\n", found, found == 1 ? "" : "s");
  return found ? 0 : 1;
}
