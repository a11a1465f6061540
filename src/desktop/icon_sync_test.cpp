#include "desktop/icon_sync.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ShellItem {
  ds_string text;
  POINT position;
};

// Two list views in memory: the private one (texts and positions) and the shell's.
class FakeViews : public IconViewSeam {
 public:
  bool hasPrivateList = true, iconsVisible = true, viewWindowVisible = false, shellVisible = true;
  bool privateListHidden = false;
  std::vector<ds_string> privateTexts;
  std::vector<POINT> privatePositions;
  std::vector<ShellItem> shell;
  std::vector<std::string> calls;
  int reads = 0, uploads = 0;
  std::vector<std::pair<int, POINT>> shellMoves;

  void SetPrivate(std::vector<ds_string> texts) {
    privateTexts = texts;
    privatePositions.assign(texts.size(), POINT{5, 5});
  }

  bool HasPrivateListView() override { return hasPrivateList; }
  bool AreIconsVisible() override { return iconsVisible; }
  bool IsPrivateViewWindowVisible() override { return viewWindowVisible; }
  int PrivateItemCount() override { return static_cast<int>(privateTexts.size()); }
  bool PrivateItemText(int i, ds_string& t) override {
    if (i < 0 || i >= PrivateItemCount()) return false;
    t = privateTexts[i];
    return true;
  }
  bool PrivateItemPosition(int i, POINT& p) override {
    if (i < 0 || i >= PrivateItemCount()) return false;
    p = privatePositions[i];
    return true;
  }
  void SetPrivateItemPosition(int i, POINT p) override { privatePositions[i] = p; }
  void MovePrivateItemOutOfSight(int i) override { privatePositions[i] = POINT{kOutOfSight, kOutOfSight}; }
  void AlignPrivateListView() override { calls.push_back("align"); }
  bool ReadShellIcons(PlacementMap& m) override {
    ++reads;
    for (size_t i = 0; i < shell.size(); ++i) m[shell[i].text] = IconPlacement{shell[i].position, static_cast<int>(i)};
    return !shell.empty();
  }
  void MatchIconSize() override { calls.push_back("size"); }
  void ComputeIconBounds(int n) override { calls.push_back("bounds " + std::to_string(n)); }
  void UploadIconLayer() override { ++uploads; }
  void ShowPrivateViewWindow() override { viewWindowVisible = true; }
  bool IsShellListViewVisible() override { return shellVisible; }
  void HidePrivateListView() override {
    privateListHidden = true;
    iconsVisible = false;
  }
  void SetShellIconPosition(POINT p, int index) override {
    shellMoves.push_back({index, p});
    shell[index].position = p;
  }
};

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

TEST(IconMirror, EmptyDesktopNeverMirrorsAndKeepsTheViewHidden) {
  FakeViews v;
  IconMirror m;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(m.SyncIcons(v));
  EXPECT_EQ(v.reads, 0);
  EXPECT_FALSE(v.viewWindowVisible);
}

TEST(IconMirror, FirstFrameMirrorsByNameThenSettles) {
  FakeViews v;
  v.shell = {{u"Trash", {10, 10}}, {u"Notes.txt", {110, 10}}, {u"Notes.txt", {210, 40}}, {u"Games", {10, 300}}};
  v.SetPrivate({u"Notes.txt", u"Games", u"Only here", u"Notes.txt"});
  IconMirror m;

  EXPECT_FALSE(m.SyncIcons(v));  // full mirroring
  EXPECT_EQ(v.reads, 1);
  EXPECT_EQ(m.iconCount, 4);
  EXPECT_TRUE(v.viewWindowVisible);
  // Alike names both take the later shell item's place; a name the shell lacks goes out of sight.
  EXPECT_TRUE(Same(v.privatePositions[0], POINT{210, 40}));
  EXPECT_TRUE(Same(v.privatePositions[3], POINT{210, 40}));
  EXPECT_EQ(m.placements[u"Notes.txt"].index, 2);
  EXPECT_TRUE(Same(v.privatePositions[1], POINT{10, 300}));
  EXPECT_TRUE(Same(v.privatePositions[2], POINT{kOutOfSight, kOutOfSight}));
  EXPECT_EQ(v.calls, (std::vector<std::string>{"align", "size", "bounds 4"}));

  v.calls.clear();
  EXPECT_TRUE(m.SyncIcons(v));  // steady state
  EXPECT_EQ(v.reads, 1);
  EXPECT_EQ(v.uploads, 1);
  EXPECT_EQ(v.calls, (std::vector<std::string>{"bounds 4"}));

  // A new desktop item mirrors again, keeping what was read before.
  v.shell.push_back({u"Only here", {400, 400}});
  v.SetPrivate({u"Notes.txt", u"Games", u"Only here", u"Notes.txt", u"Trash"});
  EXPECT_FALSE(m.SyncIcons(v));
  EXPECT_EQ(v.reads, 2);
  EXPECT_TRUE(Same(v.privatePositions[2], POINT{400, 400}));
  EXPECT_TRUE(Same(v.privatePositions[4], POINT{10, 10}));
}

TEST(IconMirror, ShellIconsTurnedOffHideThePrivateListView) {
  FakeViews v;
  v.shell = {{u"a", {1, 1}}};
  v.SetPrivate({u"a"});
  v.shellVisible = false;
  IconMirror m;
  EXPECT_FALSE(m.SyncIcons(v));
  EXPECT_TRUE(v.privateListHidden);
  EXPECT_FALSE(v.iconsVisible);
  // Icons hidden while the view window shows: nothing more happens.
  EXPECT_FALSE(m.SyncIcons(v));
  EXPECT_EQ(v.uploads, 0);
  EXPECT_EQ(v.reads, 1);
}

TEST(IconMirror, DraggedIconsAreWrittenBackOnceTheFirstHasMoved) {
  FakeViews v;
  v.shell = {{u"a", {10, 10}}, {u"b", {10, 100}}, {u"c", {10, 200}}};
  v.SetPrivate({u"c", u"b", u"a", u"stray"});
  IconMirror m;
  m.SyncIcons(v);

  m.BeginDrag({0, 2, 3});
  EXPECT_TRUE(m.SyncIcons(v));  // the first dragged icon still sits where it was: the drag goes on
  EXPECT_TRUE(v.shellMoves.empty());
  EXPECT_EQ(v.uploads, 0);
  EXPECT_EQ(m.draggedIcons.size(), 3u);

  v.privatePositions[0] = POINT{300, 20};
  v.privatePositions[2] = POINT{300, 120};
  v.privatePositions[3] = POINT{300, 220};
  EXPECT_TRUE(m.SyncIcons(v));
  // Every dragged icon goes to its shell index in one frame; the one without a placement is skipped.
  ASSERT_EQ(v.shellMoves.size(), 2u);
  EXPECT_EQ(v.shellMoves[0].first, 2);
  EXPECT_TRUE(Same(v.shellMoves[0].second, POINT{300, 20}));
  EXPECT_EQ(v.shellMoves[1].first, 0);
  EXPECT_TRUE(Same(v.shellMoves[1].second, POINT{300, 120}));
  EXPECT_TRUE(Same(m.placements[u"c"].position, POINT{300, 20}));
  EXPECT_TRUE(m.draggedIcons.empty());
  EXPECT_EQ(v.uploads, 1);
}

TEST(IconMirror, ADragThatNeverEndedDoesNotBlockTheNextOne) {
  FakeViews v;
  v.shell = {{u"a", {10, 10}}, {u"b", {10, 100}}};
  v.SetPrivate({u"a", u"b"});
  IconMirror m;
  m.SyncIcons(v);

  m.BeginDrag({0});  // dropped back where it started
  EXPECT_TRUE(m.SyncIcons(v));
  m.BeginDrag({1});
  v.privatePositions[1] = POINT{500, 500};
  EXPECT_TRUE(m.SyncIcons(v));
  ASSERT_EQ(v.shellMoves.size(), 1u);
  EXPECT_EQ(v.shellMoves[0].first, 1);
  EXPECT_TRUE(Same(v.shell[1].position, POINT{500, 500}));
}

TEST(IconMirror, WithoutAPrivateListViewNothingIsTouched) {
  FakeViews v;
  v.hasPrivateList = false;
  IconMirror m;
  EXPECT_FALSE(m.SyncIcons(v));
  EXPECT_EQ(v.uploads, 0);
  EXPECT_TRUE(v.calls.empty());
}

TEST(IconSize, StepsTowardTheShellHeightWithinBounds) {
  struct Case {
    const char* what;
    int shell;
    std::vector<int> heights;  // the private height before each step and after it
    std::vector<bool> steps;   // larger?
  } cases[] = {
      {"shell height unknown", 0, {48}, {}},
      {"private height unknown", 48, {0}, {}},
      {"already equal", 32, {32}, {}},
      {"private taller", 32, {64, 48, 32}, {false, false}},
      {"private shorter", 48, {16, 32, 48}, {true, true}},
      {"crossing ends it", 40, {32, 48}, {true}},
      {"a step without effect ends it", 48, {32, 32}, {true}},
      {"a failed read ends it", 48, {32, 0}, {true}},
  };
  for (const Case& c : cases) {
    size_t at = 0;
    std::vector<bool> sent;
    int n = MatchIconHeight(
        c.shell, [&] { return c.heights[at < c.heights.size() ? at : c.heights.size() - 1]; },
        [&](bool larger) {
          sent.push_back(larger);
          ++at;
        });
    EXPECT_EQ(sent, c.steps) << c.what;
    EXPECT_EQ(n, static_cast<int>(c.steps.size())) << c.what;
  }

  // A view that grows by one pixel per step is stopped after the bound.
  int h = 10, sent = 0;
  MatchIconHeight(
      1000, [&] { return h; },
      [&](bool larger) {
        ++h;
        ++sent;
      });
  EXPECT_EQ(sent, kMaxIconSizeSteps);
}

}  // namespace
