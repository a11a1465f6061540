#include "desktop/desktop_view.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

HWND H(intptr_t n) { return reinterpret_cast<HWND>(n); }

// Windows by number: top-level windows in window order, children by parent.
class FakeTree : public WindowTreeSeam {
 public:
  struct Win {
    intptr_t id, parent;
    std::u16string cls;
  };
  std::vector<Win> wins;
  std::set<intptr_t> gone;
  int searches = 0;

  HWND FindTopLevel(const char16_t* cls, HWND after) override {
    ++searches;
    bool passed = after == nullptr;
    for (const Win& w : wins) {
      if (gone.count(w.id) || w.parent != 0) continue;
      if (!passed) {
        passed = H(w.id) == after;
        continue;
      }
      if (w.cls == cls) return H(w.id);
    }
    return nullptr;
  }
  HWND FindChild(HWND parent, const char16_t* cls) override {
    for (const Win& w : wins)
      if (!gone.count(w.id) && H(w.parent) == parent && w.cls == cls) return H(w.id);
    return nullptr;
  }
  bool IsWindow(HWND h) override {
    for (const Win& w : wins)
      if (H(w.id) == h) return !gone.count(w.id);
    return false;
  }
};

TEST(DesktopView, FoundUnderProgmanOrTheFirstWorkerWThatHasOne) {
  struct Case {
    const char* what;
    std::vector<FakeTree::Win> wins;
    intptr_t view;
  } cases[] = {
      {"under Progman", {{1, 0, u"Progman"}, {2, 1, u"SHELLDLL_DefView"}, {3, 0, u"WorkerW"}, {4, 3, u"SHELLDLL_DefView"}}, 2},
      {"Progman without one",
       {{1, 0, u"Progman"}, {5, 0, u"WorkerW"}, {3, 0, u"WorkerW"}, {4, 3, u"SHELLDLL_DefView"}, {6, 0, u"WorkerW"},
        {7, 6, u"SHELLDLL_DefView"}},
       4},
      {"no Progman", {{3, 0, u"WorkerW"}, {4, 3, u"SHELLDLL_DefView"}}, 4},
      {"a view that is no direct child", {{1, 0, u"Progman"}, {2, 1, u"Static"}, {9, 2, u"SHELLDLL_DefView"}}, 0},
      {"no shell at all", {{1, 0, u"Shell_TrayWnd"}}, 0},
  };
  for (const Case& c : cases) {
    FakeTree t;
    t.wins = c.wins;
    EXPECT_EQ(FindDesktopViewIn(t), H(c.view)) << c.what;
  }
}

TEST(DesktopView, CachedWhileItLivesAndFoundAgainWhenGone) {
  FakeTree t;
  t.wins = {{1, 0, u"Progman"}, {2, 1, u"SHELLDLL_DefView"}, {3, 2, u"SysListView32"},
            {4, 0, u"WorkerW"}, {5, 4, u"SHELLDLL_DefView"}, {6, 5, u"SysListView32"}};
  DesktopWindows d;
  EXPECT_EQ(d.DesktopView(t), H(2));
  EXPECT_EQ(d.ShellListView(t), H(3));
  int searches = t.searches;
  EXPECT_EQ(d.DesktopView(t), H(2));
  EXPECT_EQ(d.ShellListView(t), H(3));
  EXPECT_EQ(t.searches, searches);

  t.gone = {1, 2, 3};  // the shell moved its view
  EXPECT_EQ(d.ShellListView(t), H(6));
  EXPECT_EQ(d.DesktopView(t), H(5));

  t.gone = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(d.DesktopView(t), nullptr);
  EXPECT_EQ(d.ShellListView(t), nullptr);
}

}  // namespace
