// The desktop host against the live stand-in shell: finding the desktop view, and reading and moving the
// shell's icons across processes in the 64-bit item layout.
#include <gtest/gtest.h>

#include "desktop/desktop_view_win.h"
#include "desktop/shell_icons_win.h"

#include <shellapi.h>

#include <set>
#include <vector>

#include "standin_shell/standin_desktop.h"
#include "standin_shell/standin_launcher.h"

namespace {

const wchar_t kExtra[] = L"Lumivane stand-in item";

ds_string ClassOf(HWND w) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  return FromWide(cls);
}

class StandinShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StandinShell::Available()) GTEST_SKIP() << "stand-in shell not built (shell64 preset)";
    CoInitialize(nullptr);
  }
  void TearDown() override { CoUninitialize(); }
  void StartShell(const std::wstring& options) {
    ASSERT_TRUE(shell.Start(options)) << "the stand-in shell did not come up";
  }
  StandinShell shell;
};

TEST_F(StandinShellTest, ProgmanHoldsTheDesktopViewAtTheScreenOrigin) {
  StartShell(L"");
  HWND progman = FindWindowW(L"Progman", nullptr);
  ASSERT_NE(progman, nullptr);
  RECT r;
  GetWindowRect(progman, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));

  HWND view = FindDesktopView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(GetParent(view), progman);
  EXPECT_EQ(ClassOf(view), u"SHELLDLL_DefView");
  HWND list = GetShellListView();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetParent(list), view);
  EXPECT_EQ(ClassOf(list), u"SysListView32");
  EXPECT_TRUE(IsWindowVisible(list));
  DWORD owner = 0;
  GetWindowThreadProcessId(list, &owner);
  EXPECT_EQ(owner, shell.pid());
  EXPECT_EQ(shell.Send(kStandinPing), static_cast<LRESULT>(shell.pid()));

  // The stand-in is a 64-bit process on 64-bit Wine; the test runs as a 32-bit process under WOW64 or as
  // a 64-bit one, and reads the shell's list view in the 64-bit layout either way.
  EXPECT_EQ(RunsUnderWow64(), sizeof(void*) == 4);
  EXPECT_TRUE(ReadsShellIn64BitLayout());
  HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell.pid());
  BOOL wow64 = TRUE;
  ASSERT_TRUE(p && IsWow64Process(p, &wow64));
  EXPECT_FALSE(wow64);
  CloseHandle(p);

  // The taskbar command arrives at the stand-in's taskbar when it is the one the platform finds.
  HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  ASSERT_NE(tray, nullptr);
  GetWindowThreadProcessId(tray, &owner);
  if (owner == shell.pid()) {
    SendMessageW(tray, WM_COMMAND, 419, 0);
    EXPECT_EQ(shell.Send(kStandinTrayCommands), 1);
    // A notify icon with balloon fields (the 936-byte record) reaches it as an add and a delete.
    HWND iconOwner = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    NOTIFYICONDATAW icon = {};
    icon.cbSize = NOTIFYICONDATAW_V2_SIZE;
    icon.hWnd = iconOwner;
    icon.uID = 0x401;
    icon.uFlags = NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = 0x401;
    lstrcpyW(icon.szTip, L"Lumivane");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &icon));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    EXPECT_EQ(shell.Send(kStandinTrayIconMessages, NIM_ADD), 1);
    EXPECT_EQ(shell.Send(kStandinTrayIconMessages, NIM_DELETE), 1);
    DestroyWindow(iconOwner);
  } else {
    ADD_FAILURE() << "the platform finds another taskbar before the stand-in's";
  }

  // Gone: the cached view is dropped and nothing is found.
  shell.Stop();
  EXPECT_EQ(FindDesktopView(), nullptr);
  EXPECT_EQ(GetShellListView(), nullptr);
}

TEST_F(StandinShellTest, ViewUnderTheFirstWorkerWThatHasOne) {
  StartShell(L"--layout workerw");
  HWND progman = FindWindowW(L"Progman", nullptr);
  ASSERT_NE(progman, nullptr);
  EXPECT_EQ(FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr), nullptr);
  HWND first = FindWindowExW(nullptr, nullptr, L"WorkerW", nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FindWindowExW(first, nullptr, L"SHELLDLL_DefView", nullptr), nullptr) << "the empty worker comes first";
  HWND second = FindWindowExW(nullptr, first, L"WorkerW", nullptr);
  ASSERT_NE(second, nullptr);

  HWND view = FindDesktopView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(GetParent(view), second);
  EXPECT_EQ(GetParent(GetShellListView()), view);
}

// Each bitness of the shell takes the item record in its own layout.
struct ShellBitness {
  const char* name;
  std::wstring (*exe)();
  bool wideRecords;
};

void PrintTo(const ShellBitness& b, std::ostream* os) { *os << b.name; }

class ShellIconsTest : public StandinShellTest, public ::testing::WithParamInterface<ShellBitness> {};

TEST_P(ShellIconsTest, ReadAcrossProcessesByNameAndPosition) {
  const bool wide = GetParam().wideRecords;
  if (!StandinShell::Available(GetParam().exe())) GTEST_SKIP() << GetParam().name << " stand-in not built";
  ASSERT_TRUE(shell.Start(std::wstring(L"--duplicate --extra \"") + kExtra + L"\"", GetParam().exe()));
  std::vector<ds_string> names;
  for (const std::wstring& n : StandinDesktopNames()) names.push_back(FromWide(n.c_str()));
  if (!names.empty()) names.push_back(names.front());
  names.push_back(FromWide(kExtra));
  ASSERT_EQ(shell.Send(kStandinItemCount), static_cast<LRESULT>(names.size()));

  HWND list = GetShellListView();
  ASSERT_NE(list, nullptr);
  PlacementMap placements;
  ASSERT_TRUE(ReadShellIconsFrom(list, wide, placements));
  for (size_t k = 0; k < names.size(); ++k) {
    auto p = placements.find(names[k]);
    ASSERT_NE(p, placements.end()) << "item " << k;
    // Alike names keep the last shell item.
    size_t last = k;
    for (size_t j = k + 1; j < names.size(); ++j)
      if (names[j] == names[k]) last = j;
    POINT want = StandinItemPosition(static_cast<int>(last));
    EXPECT_EQ(p->second.index, static_cast<int>(last)) << "item " << k;
    EXPECT_EQ(p->second.position.x, want.x) << "item " << k;
    EXPECT_EQ(p->second.position.y, want.y) << "item " << k;
  }
  std::set<ds_string> distinct(names.begin(), names.end());
  EXPECT_EQ(placements.size(), distinct.size());
  EXPECT_GT(ReadIconHeight(list), 0);

  // Writing a position back moves the stand-in's item; the next read sees it.
  int extraIndex = static_cast<int>(names.size()) - 1;
  SetShellIconPosition(POINT{700, 420}, extraIndex);
  POINT moved = UnpackStandinPoint(static_cast<LONG>(shell.Send(kStandinItemPosition, extraIndex)));
  EXPECT_EQ(moved.x, 700);
  EXPECT_EQ(moved.y, 420);
  PlacementMap again;
  ASSERT_TRUE(ReadShellIconsFrom(list, wide, again));
  EXPECT_EQ(again[FromWide(kExtra)].position.x, 700);
  EXPECT_EQ(again[FromWide(kExtra)].position.y, 420);

  // Reads add and overwrite, never remove.
  ASSERT_EQ(shell.Send(kStandinDeleteItem, extraIndex), 1);
  ASSERT_GE(shell.Send(kStandinAddItem, 0, 90, 640, 0, L"Another item"), 0);
  ASSERT_TRUE(ReadShellIconsFrom(list, wide, again));
  EXPECT_EQ(again.count(FromWide(kExtra)), 1u);
  EXPECT_EQ(again[u"Another item"].position.y, 640);
}

INSTANTIATE_TEST_SUITE_P(Bitness, ShellIconsTest,
                         ::testing::Values(ShellBitness{"64-bit", &StandinShell::ExePath, true},
                                           ShellBitness{"32-bit", &StandinShell::Exe32Path, false}),
                         [](const ::testing::TestParamInfo<ShellBitness>& i) {
                           return std::string(i.param.wideRecords ? "Shell64" : "Shell32");
                         });

TEST_F(StandinShellTest, ControlChangesTheListView) {
  StartShell(L"--hidden --extra \"only item\"");
  HWND list = GetShellListView();
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_EQ(shell.Send(kStandinShowListView, 0, 0, 0, 1), 1);
  EXPECT_TRUE(IsWindowVisible(list));

  int before = static_cast<int>(shell.Send(kStandinItemCount));
  int added = static_cast<int>(shell.Send(kStandinAddItem, 0, 300, 200, 0, L"Added"));
  ASSERT_EQ(added, before);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), before + 1);
  POINT p = UnpackStandinPoint(static_cast<LONG>(shell.Send(kStandinItemPosition, added)));
  EXPECT_EQ(p.x, 300);
  EXPECT_EQ(p.y, 200);
  EXPECT_EQ(shell.Send(kStandinSetItemPosition, added, 50, 60), 1);
  p = UnpackStandinPoint(static_cast<LONG>(shell.Send(kStandinItemPosition, added)));
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 60);
  EXPECT_EQ(shell.Send(kStandinSetItemPosition, 999, 1, 1), 0);
  EXPECT_EQ(shell.Send(kStandinItemPosition, 999), -1);

  // The extended style the program sets on the shell's list view on version 5 is visible to a test.
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0x200, 0x200);
  EXPECT_EQ(shell.Send(kStandinListViewExStyle) & 0x200, 0x200);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0x200, 0);
  EXPECT_EQ(shell.Send(kStandinListViewExStyle) & 0x200, 0);
}

}  // namespace
