// Finding the shell's desktop view: the "SHELLDLL_DefView" under "Progman", or under the first "WorkerW"
// that has one; and its icon list view.
#pragma once

#include "platform/types.h"

class WindowTreeSeam {
 public:
  virtual ~WindowTreeSeam() = default;
  // The next top-level window of a class after the given one (null: the first), in window order.
  virtual HWND FindTopLevel(const char16_t* className, HWND after) = 0;
  // The first child of a class.
  virtual HWND FindChild(HWND parent, const char16_t* className) = 0;
  virtual bool IsWindow(HWND window) = 0;
};

HWND FindDesktopViewIn(WindowTreeSeam& tree);

// The desktop view and the shell's list view, each kept while it is a window and looked up again when it
// is gone.
class DesktopWindows {
 public:
  HWND DesktopView(WindowTreeSeam& tree);
  HWND ShellListView(WindowTreeSeam& tree);

 private:
  HWND view_ = nullptr;
  HWND list_ = nullptr;
};
