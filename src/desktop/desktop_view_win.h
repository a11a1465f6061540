// The shell's windows as this process finds them, and the version questions the desktop host asks.
#pragma once

#include "desktop/desktop_view.h"

class Win32WindowTree : public WindowTreeSeam {
 public:
  HWND FindTopLevel(const char16_t* className, HWND after) override;
  HWND FindChild(HWND parent, const char16_t* className) override;
  bool IsWindow(HWND window) override;
};

// True when the Windows major version is exactly 5; asked once.
bool IsNt5();
extern int g_OsMajorVersion;

HWND FindDesktopView();
HWND GetShellListView();

// True when this 32-bit process runs on 64-bit Windows; the shell's list view then takes item records in
// the 64-bit layout.
bool RunsUnderWow64();

// Whether the shell's list view is read in the 64-bit item layout: always in a 64-bit process (its shell
// is 64-bit too), and in a 32-bit one when it runs under WOW64.
bool ReadsShellIn64BitLayout();
