// The program itself, started as its own process inside the stand-in shell: the manager window it makes
// in the desktop view, the taskbar command and the tray icon, the settings it writes, suspend and resume,
// a second start, and how it ends, by the exit code and the message box of a failed start.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "standin_shell/standin_launcher.h"
#include "support/wait_for_win.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Corvanta\\Lumivane Maker\\";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"Lumivane";
// A start on a machine busy with parallel test jobs (llvmpipe draws on the CPU) can take a minute or more.
const DWORD kStartTimeoutMs = 180000;
// What other programs send to suspend and resume the background.
const UINT kSuspendWallpaper = 0x402;
const UINT kResumeWallpaper = 0x403;

std::wstring ProductExe() { return LUMI_PRODUCT_EXE; }
std::wstring NoDocumentExe() { return LUMI_PRODUCT_NODOC_EXE; }
std::wstring BrokenDocumentExe() { return LUMI_PRODUCT_BROKENDOC_EXE; }

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH] = {};
  GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return full;
}

// True when the executable carries a scene document, so that it can start fully.
bool HasSceneDocument(const std::wstring& exe) {
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return false;
  bool found = FindResourceW(m, MAKEINTRESOURCEW(107), L"DDS") != nullptr;
  FreeLibrary(m);
  return found;
}

std::wstring ClassOf(HWND w) {
  wchar_t text[64] = {};
  GetClassNameW(w, text, 64);
  return text;
}

std::wstring TextOf(HWND w) {
  wchar_t text[300] = {};
  GetWindowTextW(w, text, 300);
  return text;
}

DWORD OwnerOf(HWND w) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  return pid;
}

using lumi_test::WaitFor;

// One run of the program, ended when the test is done with it.
class Product {
 public:
  explicit Product(const std::wstring& exe) {
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      process_ = pi.hProcess;
      pid_ = pi.dwProcessId;
    }
  }
  ~Product() {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 10000);
      CloseHandle(process_);
    }
  }
  Product(const Product&) = delete;
  Product& operator=(const Product&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD pid() const { return pid_; }
  bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  // The exit code, or STILL_ACTIVE when it has not ended within timeoutMs.
  DWORD WaitExit(DWORD timeoutMs) const {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
  }
  // The same, handling this thread's messages meanwhile (for windows the program sends to).
  DWORD WaitExitPumping(DWORD timeoutMs) const {
    if (!process_) return STILL_ACTIVE;
    const DWORD start = GetTickCount();
    for (;;) {
      DWORD waited = GetTickCount() - start;
      if (waited >= timeoutMs) return WaitExit(0);
      if (MsgWaitForMultipleObjects(1, &process_, FALSE, timeoutMs - waited, QS_ALLINPUT) == WAIT_OBJECT_0)
        return WaitExit(0);
      MSG m;
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
  }

  // Its manager window under the desktop view.
  HWND Manager(HWND view) const {
    for (HWND w = FindWindowExW(view, nullptr, L"KVRManager", nullptr); w;
         w = FindWindowExW(view, w, L"KVRManager", nullptr))
      if (OwnerOf(w) == pid_) return w;
    return nullptr;
  }

  // Its top-level message box with the program's caption.
  HWND MessageBoxWindow() const { return Dialog(L"Lumivane Manager"); }
  // Its top-level dialog window with this caption.
  HWND Dialog(const wchar_t* caption) const {
    BoxSearch s = {pid_, caption, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&s));
    return s.found;
  }

 private:
  struct BoxSearch {
    DWORD pid;
    const wchar_t* caption;
    HWND found;
  };
  static BOOL CALLBACK FindBox(HWND w, LPARAM p) {
    BoxSearch* s = reinterpret_cast<BoxSearch*>(p);
    if (OwnerOf(w) == s->pid && ClassOf(w) == L"#32770" && TextOf(w) == s->caption) {
      s->found = w;
      return FALSE;
    }
    return TRUE;
  }

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The texts of a window's static children (a message box shows its text in one).
std::vector<std::wstring> StaticTexts(HWND w) {
  std::vector<std::wstring> texts;
  for (HWND c = FindWindowExW(w, nullptr, L"Static", nullptr); c; c = FindWindowExW(w, c, L"Static", nullptr))
    texts.push_back(TextOf(c));
  return texts;
}

bool ReadDword(const wchar_t* name, DWORD& value) {
  DWORD size = sizeof(value), type = 0;
  return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, &type, &value, &size) == ERROR_SUCCESS &&
         type == REG_DWORD;
}

void DeleteSettingsKey() { RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Corvanta\\Lumivane Maker"); }

// The Run value for one test: set to text, or removed when text is null; the previous value comes back.
class RunValue {
 public:
  explicit RunValue(const wchar_t* text) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    DWORD size = sizeof(saved_) - sizeof(wchar_t), type = 0;
    had_ = RegQueryValueExW(key_, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS &&
           type == REG_SZ;
    if (text)
      RegSetValueExW(key_, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
    else
      RegDeleteValueW(key_, kRunValue);
  }
  ~RunValue() {
    if (had_)
      RegSetValueExW(key_, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_),
                     static_cast<DWORD>((lstrlenW(saved_) + 1) * sizeof(wchar_t)));
    else
      RegDeleteValueW(key_, kRunValue);
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  wchar_t saved_[600] = {};
};

class ProductTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StandinShell::Available()) GTEST_SKIP() << "no stand-in shell";
  }

  // Starts the stand-in and finds its desktop view.
  void StartShell(const std::wstring& options = L"") {
    ASSERT_TRUE(shell_.Start(options));
    HWND progman = FindWindowW(L"Progman", nullptr);
    ASSERT_NE(progman, nullptr);
    view_ = FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr);
    ASSERT_NE(view_, nullptr);
  }

  LRESULT TrayIconMessages(int kind) { return shell_.Send(kStandinTrayIconMessages, kind); }

  // Waits for the program to finish its start: its tray icon arrives last.
  bool WaitStarted(const Product& p, LRESULT iconAddsBefore) {
    return WaitFor([&] { return !p.Running() || TrayIconMessages(0) > iconAddsBefore; }, kStartTimeoutMs) &&
           p.Running() && p.Manager(view_);
  }

  StandinShell shell_;
  HWND view_ = nullptr;
};

// A failed start: the program's window is in place while its message box is up, and it ends with code 1
// once the box is closed.
TEST_F(ProductTest, StartWithoutAReadableSceneShowsTheMessageBoxInItsWindowTreeAndEndsWithCode1) {
  StartShell();
  RunValue noAutorun(nullptr);
  for (const std::wstring& exe : {BrokenDocumentExe(), NoDocumentExe()}) {
    SCOPED_TRACE(exe);
    DeleteSettingsKey();
    LRESULT taskbarBefore = shell_.Send(kStandinTrayCommands);
    Product p(exe);
    ASSERT_TRUE(p.started());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = p.MessageBoxWindow()) != nullptr || !p.Running(); }, kStartTimeoutMs));
    ASSERT_NE(box, nullptr) << "ended with " << p.WaitExit(0) << " without a message box";
    std::vector<std::wstring> texts = StaticTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"Cannot open file: Wrong file format."), texts.end());

    // The manager window: a plain child of the desktop view, its size, on top of its siblings, shown.
    HWND manager = p.Manager(view_);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(TextOf(manager), L"KVRManager");
    EXPECT_EQ(GetWindowLongW(manager, GWL_STYLE) & ~WS_VISIBLE, static_cast<LONG>(WS_CHILD));
    EXPECT_EQ(GetWindowLongW(manager, GWL_EXSTYLE), 0);
    EXPECT_TRUE(IsWindowVisible(manager));
    EXPECT_EQ(GetParent(manager), view_);
    RECT viewRect, managerRect;
    GetClientRect(view_, &viewRect);
    GetWindowRect(manager, &managerRect);
    MapWindowPoints(nullptr, view_, reinterpret_cast<POINT*>(&managerRect), 2);
    EXPECT_EQ(managerRect.left, 0);
    EXPECT_EQ(managerRect.top, 0);
    EXPECT_EQ(managerRect.right, viewRect.right);
    EXPECT_EQ(managerRect.bottom, viewRect.bottom);
    EXPECT_EQ(GetWindow(view_, GW_CHILD), manager);  // above the shell's list view
    // The private view of the desktop folder lives inside it.
    EXPECT_NE(FindWindowExW(manager, nullptr, L"SHELLDLL_DefView", nullptr), nullptr);

    // Settings were read before the failure: the key exists, and without start with Windows the
    // taskbar got its command.
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    if (key) RegCloseKey(key);
    EXPECT_EQ(shell_.Send(kStandinTrayCommands), taskbarBefore + 1);

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(p.WaitExit(20000), 1u);
    EXPECT_EQ(FindWindowExW(view_, nullptr, L"KVRManager", nullptr), nullptr);
  }
}

// The taskbar gets its command only when the Run value does not name this very program.
TEST_F(ProductTest, TaskbarCommandFollowsTheRunValue) {
  StartShell();
  std::wstring path = FullPath(BrokenDocumentExe());
  std::wstring otherCase = path;
  for (wchar_t& c : otherCase) c = static_cast<wchar_t>(towupper(c));
  ASSERT_NE(otherCase, path);
  struct Case {
    const wchar_t* runValue;
    int commands;
  } cases[] = {
      {nullptr, 1},
      {path.c_str(), 0},
      {otherCase.c_str(), 1},
      {L"C:\\elsewhere\\lumivane.exe", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.runValue ? c.runValue : L"(none)");
    RunValue run(c.runValue);
    LRESULT before = shell_.Send(kStandinTrayCommands);
    Product p(BrokenDocumentExe());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = p.MessageBoxWindow()) != nullptr || !p.Running(); }, kStartTimeoutMs));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(shell_.Send(kStandinTrayCommands) - before, c.commands);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(p.WaitExit(20000), 1u);
  }
}

// Without a desktop view there is nothing to live in: exit code 1 and no message.
TEST(ProductWithoutShell, EndsWithCode1AndNoMessage) {
  // No stand-in may run meanwhile: take the lock the stand-in's launcher takes.
  HANDLE lock = CreateMutexW(nullptr, FALSE, L"Local\\LumivaneStandinShell");
  ASSERT_NE(lock, nullptr);
  ASSERT_NE(WaitForSingleObject(lock, kStandinLockWaitMs), WAIT_TIMEOUT);
  HWND progman = FindWindowW(L"Progman", nullptr);
  if (progman && FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr)) {
    ReleaseMutex(lock);
    CloseHandle(lock);
    GTEST_SKIP() << "this session has a desktop view of its own";
  }
  {
    Product p(BrokenDocumentExe());
    ASSERT_TRUE(p.started());
    bool sawBox = false;
    DWORD code = STILL_ACTIVE;
    for (int i = 0; i < 400 && code == STILL_ACTIVE; ++i) {
      if (HWND box = p.MessageBoxWindow()) {
        sawBox = true;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
      code = p.WaitExit(50);
    }
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(sawBox);
  }
  ReleaseMutex(lock);
  CloseHandle(lock);
}

// A taskbar of the test's own, made after the stand-in's and so the one the program finds first: it
// counts the notify-icon messages also after the stand-in has gone. Its messages arrive while the test
// waits with WaitPumping or Product::WaitExitPumping.
class TestTaskbar {
 public:
  TestTaskbar() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, nullptr);
    adds_ = deletes_ = 0;
  }
  ~TestTaskbar() {
    if (window_) DestroyWindow(window_);
    UnregisterClassW(L"Shell_TrayWnd", GetModuleHandleW(nullptr));
  }
  TestTaskbar(const TestTaskbar&) = delete;
  TestTaskbar& operator=(const TestTaskbar&) = delete;

  HWND window() const { return window_; }
  int adds() const { return adds_; }
  int deletes() const { return deletes_; }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COPYDATA) {
      const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      if (cds->dwData == NIM_ADD) ++adds_;
      if (cds->dwData == NIM_DELETE) ++deletes_;
      return TRUE;
    }
    return DefWindowProcW(w, msg, wp, lp);
  }
  static int adds_, deletes_;
  HWND window_ = nullptr;
};
int TestTaskbar::adds_;
int TestTaskbar::deletes_;

template <typename Pred>
bool WaitPumping(Pred pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  return true;
}

// A full run: needs the embedded scene.
class ProductRunTest : public ProductTest {
 protected:
  void SetUp() override {
    ProductTest::SetUp();
    if (IsSkipped()) return;
    if (!HasSceneDocument(ProductExe())) GTEST_SKIP() << "the product carries no scene document";
    StartShell();
  }
};

TEST_F(ProductRunTest, RunsWithItsTrayIconSuspendsResumesAndExitsWithCode0) {
  RunValue noAutorun(nullptr);
  DeleteSettingsKey();
  LRESULT adds = TrayIconMessages(0), deletes = TrayIconMessages(2);
  Product p(ProductExe());
  ASSERT_TRUE(WaitStarted(p, adds));
  HWND manager = p.Manager(view_);
  EXPECT_GT(TrayIconMessages(0), adds);
  EXPECT_TRUE(IsWindowVisible(manager));
  EXPECT_EQ(GetWindow(view_, GW_CHILD), manager);

  // Suspend hides the window and removes the icon; resume brings both back.
  PostMessageW(manager, kSuspendWallpaper, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(manager); }, 10000));
  EXPECT_TRUE(WaitFor([&] { return TrayIconMessages(2) > deletes; }, 10000));
  LRESULT addsBeforeResume = TrayIconMessages(0), deletesBeforeExit = TrayIconMessages(2);
  EXPECT_TRUE(p.Running());
  PostMessageW(manager, kResumeWallpaper, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(manager) != FALSE; }, 10000));
  EXPECT_TRUE(WaitFor([&] { return TrayIconMessages(0) > addsBeforeResume; }, 10000));

  // Settings from the tray menu's commands are written through at once (from the defaults: the key was
  // removed before the start).
  struct Case {
    WPARAM command;
    const wchar_t* name;
    DWORD value;
  } cases[] = {
      {IDM_PICPOS_STRETCH, L"\"PicPos\"", 0},
      {IDM_PICPOS_FILL, L"\"PicPos\"", 2},
      {IDM_PICPOS_FIT, L"\"PicPos\"", 1},
      {IDM_ICON_SMOOTHING, L"\"Icon smoothing\"", 1},
      {IDM_MUTE, L"\"Mute\"", 0},
  };
  for (const Case& c : cases) {
    SendMessageW(manager, WM_COMMAND, c.command, 0);
    DWORD value = 99;
    EXPECT_TRUE(ReadDword(c.name, value)) << c.command;
    EXPECT_EQ(value, c.value) << c.command;
  }

  // The shell's list view brought above the window: the next frames put the window back on top.
  HWND shellList = FindWindowExW(view_, nullptr, L"SysListView32", nullptr);
  ASSERT_NE(shellList, nullptr);
  SetWindowPos(shellList, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitFor([&] { return GetWindow(view_, GW_CHILD) == manager; }, 10000));

  // Exit from the tray menu: the icon goes, the window goes, exit code 0.
  PostMessageW(manager, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_EQ(p.WaitExit(20000), 0u);
  EXPECT_GT(TrayIconMessages(2), deletesBeforeExit);
  EXPECT_EQ(FindWindowExW(view_, nullptr, L"KVRManager", nullptr), nullptr);
}

// The shell goes away while the program plays, by its process ending (as when it crashes or is killed:
// no WM_DESTROY reaches the program's window) or by its desktop window being destroyed, and while it is
// suspended, when no frame runs. The program ends as after Exit: its tray icon removed, exit code 0,
// within the limit.
TEST_F(ProductRunTest, EndsAsAfterExitWhenTheShellGoesAway) {
  const DWORD kLimitMs = 2000;
  struct Case {
    const char* how;
    bool killShell;
    bool suspended;
  } cases[] = {
      {"the shell's process ends", true, false},
      {"the shell's desktop window is destroyed", false, false},
      {"the shell's process ends while the program is suspended", true, true},
  };
  bool first = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    if (!first) {
      shell_.Stop();
      StartShell();
    }
    first = false;
    TestTaskbar taskbar;
    ASSERT_NE(taskbar.window(), nullptr);
    ASSERT_EQ(FindWindowW(L"Shell_TrayWnd", nullptr), taskbar.window());
    DeleteSettingsKey();  // the settings dialog shows at the start
    Product p(ProductExe());
    ASSERT_TRUE(WaitPumping([&] { return !p.Running() || taskbar.adds() > 0; }, kStartTimeoutMs));
    ASSERT_TRUE(p.Running());
    ASSERT_NE(p.Manager(view_), nullptr);
    HWND dialog = p.Dialog(L"Settings");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    WaitPumping([] { return false; }, 500);  // plays a little
    if (c.suspended) {
      HWND manager = p.Manager(view_);
      PostMessageW(manager, kSuspendWallpaper, 0, 0);
      ASSERT_TRUE(WaitPumping([&] { return !IsWindowVisible(manager); }, 10000));
    }
    const int deletesBefore = taskbar.deletes();

    if (c.killShell)
      ASSERT_TRUE(shell_.Kill());
    else
      ASSERT_EQ(shell_.Send(kStandinDestroyView), 1);
    const DWORD code = p.WaitExitPumping(kLimitMs);
    EXPECT_EQ(code, 0u) << (code == STILL_ACTIVE ? "still running" : "ended with another code");
    EXPECT_GT(taskbar.deletes(), deletesBefore) << "tray icon removed";
  }
}

TEST_F(ProductRunTest, ASecondStartClosesTheFirst) {
  LRESULT adds = TrayIconMessages(0);
  Product first(ProductExe());
  ASSERT_TRUE(WaitStarted(first, adds));
  // Counted before the second starts: its icon may be added before the first's end is seen here.
  const LRESULT addsBeforeSecond = TrayIconMessages(0);
  Product second(ProductExe());
  EXPECT_EQ(first.WaitExit(20000), 0u);
  ASSERT_TRUE(WaitStarted(second, addsBeforeSecond));
  HWND manager = second.Manager(view_);
  EXPECT_EQ(FindWindowExW(view_, nullptr, L"KVRManager", nullptr), manager);
  EXPECT_EQ(FindWindowExW(view_, manager, L"KVRManager", nullptr), nullptr);
  PostMessageW(manager, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_EQ(second.WaitExit(20000), 0u);
}

// Version 5: a copy of the program that Wine reports that version to. No private view; the shell's own
// list view draws only its icons above the manager window while the program runs.
TEST_F(ProductRunTest, OnVersion5TheShellsListViewDrawsItsIconsAboveTheWindow) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring exe = std::wstring(temp) + L"lumivane_v5_test.exe";
  ASSERT_TRUE(CopyFileW(ProductExe().c_str(), exe.c_str(), FALSE));
  const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\lumivane_v5_test.exe";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t kXp[] = L"winxp";
  RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(kXp), sizeof(kXp));
  RegCloseKey(key);
  auto regional = [&] { return (shell_.Send(kStandinListViewExStyle) & LVS_EX_REGIONAL) != 0; };
  auto atBottom = [](HWND w) { return GetWindow(w, GW_HWNDNEXT) == nullptr; };
  {
    Product p(exe);
    ASSERT_TRUE(WaitStarted(p, TrayIconMessages(0)));
    HWND manager = p.Manager(view_);
    EXPECT_EQ(GetWindowLongW(manager, GWL_STYLE) & ~WS_VISIBLE,
              static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_EQ(FindWindowExW(manager, nullptr, L"SHELLDLL_DefView", nullptr), nullptr);
    EXPECT_TRUE(regional());
    EXPECT_TRUE(atBottom(manager));

    PostMessageW(manager, kSuspendWallpaper, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !regional(); }, 10000));
    PostMessageW(manager, kResumeWallpaper, 0, 0);
    EXPECT_TRUE(WaitFor(regional, 10000));
    EXPECT_TRUE(WaitFor([&] { return atBottom(manager); }, 10000));

    PostMessageW(manager, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(p.WaitExit(20000), 0u);
    EXPECT_FALSE(regional());
  }
  RegDeleteKeyW(HKEY_CURRENT_USER, kAppDefaults);
  DeleteFileW(exe.c_str());
}

}  // namespace
