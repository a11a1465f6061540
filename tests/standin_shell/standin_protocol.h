// The stand-in shell's control protocol, shared by the stand-in (x86_64) and the tests that drive it
// (i686). A test sends WM_COPYDATA to the top-level window of class kStandinControlClass with a command
// in dwData and a StandinRequest as data; the result comes back as the message's result. The request
// holds no pointers, so that both bitnesses lay it out alike.
#pragma once

#include <windows.h>

#define STANDIN_CONTROL_CLASS L"LumivaneStandinControl"

enum StandinCommand {
  kStandinPing = 1,          // -> the stand-in's process id
  kStandinItemCount,         // -> items of its list view
  kStandinItemPosition,      // index -> PackStandinPoint of the item's position, or -1
  kStandinSetItemPosition,   // index, x, y -> 1 when set
  kStandinAddItem,           // x, y, text -> the new item's index, or -1
  kStandinDeleteItem,        // index -> 1 when deleted
  kStandinShowListView,      // flag: 1 show, 0 hide -> 1
  kStandinListViewExStyle,   // -> the list view's extended style
  kStandinTrayCommands,      // -> how many WM_COMMAND 419 its "Shell_TrayWnd" received
  kStandinTrayIconMessages,  // index: a notify-icon message (0 add, 1 modify, 2 delete) -> how many arrived
  kStandinQuit,              // -> 1, then the stand-in ends
  kStandinDestroyView,       // -> 1 once its desktop view (and the windows in it) is destroyed
};

struct StandinRequest {
  INT index;
  INT x;
  INT y;
  INT flag;
  WCHAR text[260];
};

// Where the stand-in puts its item k when it starts: rows of ten, 100 pixels apart.
inline POINT StandinItemPosition(int k) {
  POINT p = {40 + 120 * (k % 10), 30 + 100 * (k / 10)};
  return p;
}

inline LONG PackStandinPoint(LONG x, LONG y) {
  return static_cast<LONG>((static_cast<DWORD>(x) & 0xFFFF) | (static_cast<DWORD>(y) << 16));
}
inline POINT UnpackStandinPoint(LONG v) {
  POINT p = {static_cast<SHORT>(v & 0xFFFF), static_cast<SHORT>((v >> 16) & 0xFFFF)};
  return p;
}

inline LRESULT SendStandinCommand(HWND control, StandinCommand command, const StandinRequest& request) {
  COPYDATASTRUCT cds = {static_cast<ULONG_PTR>(command), sizeof(request), const_cast<StandinRequest*>(&request)};
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG, 10000,
                           &result))
    return -1;
  return static_cast<LRESULT>(result);
}
