// What the programs that run the scene host under Wine share: their top-level window, the message pump
// between frames and their numeric arguments.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdlib>

namespace bench {

// A shown top-level window of this size at the screen origin, of a class named className, whose messages
// go to proc.
inline HWND CreateWindowOfSize(const wchar_t* className, const wchar_t* title, int width, int height,
                               WNDPROC proc = DefWindowProcW) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);
  return CreateWindowExW(0, className, title, WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Argument i as a number of at least least; fallback when it is not given.
inline int Argument(int argc, char** argv, int i, int fallback, int least) {
  return argc > i ? std::max(least, std::atoi(argv[i])) : fallback;
}

}  // namespace bench
