#include "desktop/desktop_view.h"

HWND FindDesktopViewIn(WindowTreeSeam& tree) {
  if (HWND progman = tree.FindTopLevel(u"Progman", nullptr))
    if (HWND view = tree.FindChild(progman, u"SHELLDLL_DefView")) return view;
  for (HWND worker = tree.FindTopLevel(u"WorkerW", nullptr); worker; worker = tree.FindTopLevel(u"WorkerW", worker))
    if (HWND view = tree.FindChild(worker, u"SHELLDLL_DefView")) return view;
  return nullptr;
}

HWND DesktopWindows::DesktopView(WindowTreeSeam& tree) {
  if (!view_ || !tree.IsWindow(view_)) view_ = FindDesktopViewIn(tree);
  return view_;
}

HWND DesktopWindows::ShellListView(WindowTreeSeam& tree) {
  if (list_ && tree.IsWindow(list_)) return list_;
  HWND view = DesktopView(tree);
  list_ = view ? tree.FindChild(view, u"SysListView32") : nullptr;
  return list_;
}
