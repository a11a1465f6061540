// The tray menu's commands and the settings dialog, over settings in memory and a recording program.
#include <gtest/gtest.h>

#include "app/memory_registry.h"
#include "app/shell_win.h"
#include "app/strings.h"
#include "resources/resource_ids.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "standin_shell/standin_launcher.h"

namespace {

struct RecordingServices : ShellServices {
  std::vector<std::string> calls;
  bool iconsVisible = true;
  void ApplyPicturePosition(int p) override { calls.push_back("position " + std::to_string(p)); }
  void ApplyIconSmoothing(bool on) override { calls.push_back(on ? "smooth" : "point"); }
  void ApplyVolume(int v, bool mute) override { calls.push_back("volume " + std::to_string(v) + (mute ? " muted" : "")); }
  bool AreIconsVisible() override { return iconsVisible; }
  bool ToggleIcons() override {
    iconsVisible = !iconsVisible;
    calls.push_back(iconsVisible ? "icons shown" : "icons hidden");
    return iconsVisible;
  }
  bool OpenUrl(const ds_string& url) override {
    calls.push_back("open " + std::string(url.begin(), url.end()));
    return true;
  }
};

int g_Closes;
LRESULT CALLBACK ManagerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE) {
    ++g_Closes;
    return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

const RegRoot kUser = RegRoot::CurrentUser;

class ShellControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ManagerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumivaneTestManager";
    RegisterClassW(&wc);
    g_Closes = 0;
    g_App = AppRecord();
    g_App.manager = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                    nullptr);
    g_App.instance = GetModuleHandleW(nullptr);
    lstrcpyW(g_App.keyPath, AsWide(REGKEY_SETTINGS));
    g_App.settings = &settings;
    g_App.registry = &reg;
    g_App.services = &services;
  }
  void TearDown() override {
    if (g_App.settingsDialog) DestroyWindow(g_App.settingsDialog);
    DestroyWindow(g_App.manager);
    g_App = AppRecord();
  }
  DWORD Stored(const char16_t* name) {
    const RegValue* v = reg.Find(kUser, REGKEY_SETTINGS, name);
    return v && v->data.size() == 4 ? v->data[0] | v->data[1] << 8 : 0xFFFFFFFFu;
  }
  HWND Control(int id) { return GetDlgItem(g_App.settingsDialog, id); }
  bool Ticked(int id) { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  ds_string Text(HWND w) {
    wchar_t t[260] = {};
    GetWindowTextW(w, t, 260);
    return FromWide(t);
  }
  void Command(int control, WORD code = BN_CLICKED) {
    SendMessageW(g_App.settingsDialog, WM_COMMAND, MAKEWPARAM(control, code),
                 reinterpret_cast<LPARAM>(Control(control)));
  }

  MemoryRegistry reg;
  SettingsStore settings{reg};
  RecordingServices services;
};

TEST_F(ShellControlsTest, MenuCommandsChangeSettingsAtOnce) {
  struct Case {
    WPARAM command;
    const char16_t* value;  // the setting written, or null
    DWORD stored;
    std::vector<std::string> calls;
  } cases[] = {
      {IDM_PICPOS_FIT, REGVAL_PICPOS, 1, {"position 1"}},
      {IDM_PICPOS_STRETCH, REGVAL_PICPOS, 0, {"position 0"}},
      {IDM_PICPOS_FILL, REGVAL_PICPOS, 2, {"position 2"}},
      {IDM_ICON_SMOOTHING, REGVAL_ICON_SMOOTHING, 1, {"smooth"}},
      {IDM_ICON_SMOOTHING, REGVAL_ICON_SMOOTHING, 0, {"point"}},
      {IDM_MUTE, REGVAL_MUTE, 0, {"volume 100"}},
      {IDM_MUTE, REGVAL_MUTE, 1, {"volume 100 muted"}},
      {IDM_SHOW_ICONS, nullptr, 0, {"icons hidden"}},
      {IDM_MORE_WALLPAPERS, nullptr, 0, {"open https://www.lumivane.org/wallpapers/"}},
      {MAKEWPARAM(IDM_PICPOS_FIT, 1), nullptr, 0, {}},  // the whole parameter is the command
      {40007, nullptr, 0, {}},
  };
  for (const Case& c : cases) {
    services.calls.clear();
    HandleMenuCommand(c.command);
    EXPECT_EQ(services.calls, c.calls) << c.command;
    if (c.value) {
      EXPECT_EQ(Stored(c.value), c.stored) << c.command;
    }
  }
  EXPECT_EQ(g_Closes, 0);
  HandleMenuCommand(IDM_EXIT);
  EXPECT_EQ(g_Closes, 1);
}

TEST_F(ShellControlsTest, TrayMenuTicksFollowTheSettings) {
  HMENU menu = LoadMenuResource(nullptr, IDR_TRAY_MENU);
  ASSERT_NE(menu, nullptr);
  HMENU popup = GetSubMenu(menu, 0);
  auto ticked = [&](int sub, int pos) { return (GetMenuState(GetSubMenu(popup, sub), pos, MF_BYPOSITION) & MF_CHECKED) != 0; };
  PrepareTrayMenu(popup, 1, false, true);
  EXPECT_FALSE(ticked(2, 0));
  EXPECT_TRUE(ticked(2, 1));
  EXPECT_FALSE(ticked(2, 2));
  EXPECT_FALSE(ticked(1, 0)) << "hidden icons: no tick at Show desktop icons";
  EXPECT_TRUE(ticked(1, 1));
  PrepareTrayMenu(popup, 2, true, false);
  EXPECT_FALSE(ticked(2, 1));
  EXPECT_TRUE(ticked(2, 2));
  EXPECT_TRUE(ticked(1, 0));
  EXPECT_FALSE(ticked(1, 1));
  DestroyMenu(menu);
}

TEST_F(ShellControlsTest, DialogStartsHiddenWithTheSettingsShown) {
  reg.SetValue(kUser, REGKEY_SETTINGS, REGVAL_SOUND_VOLUME, DwordValue(40));
  reg.SetValue(kUser, REGKEY_SETTINGS, REGVAL_ICON_SMOOTHING, DwordValue(1));
  g_App.showDialog = 0;
  services.iconsVisible = false;
  ASSERT_EQ(CreateSettingsDialog(false), 1);
  HWND dlg = g_App.settingsDialog;
  ASSERT_NE(dlg, nullptr);
  EXPECT_FALSE(IsWindowVisible(dlg));
  EXPECT_EQ(GetWindow(dlg, GW_OWNER), g_App.manager);

  EXPECT_EQ(Text(dlg), u"Settings");
  EXPECT_EQ(Text(Control(IDC_DONT_SHOW)), u"Don\u2019t show this at startup");
  EXPECT_EQ(Text(Control(IDCANCEL)), u"Hide this window");
  EXPECT_EQ(Text(Control(IDC_VOLUME_LABEL)), u"Sound volume");
  struct Combo {
    int id;
    const char16_t* items[3];
    int selected;
  } combos[] = {{IDC_PRIORITY, {u"High", u"Normal", u"Low"}, 1}, {IDC_PICPOS, {u"Stretch", u"Fit", u"Fill"}, 2}};
  for (const Combo& c : combos) {
    ASSERT_EQ(SendMessageW(Control(c.id), CB_GETCOUNT, 0, 0), 3) << c.id;
    for (int i = 0; i < 3; ++i) {
      wchar_t item[64] = {};
      SendMessageW(Control(c.id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      EXPECT_EQ(FromWide(item), c.items[i]) << c.id;
    }
    EXPECT_EQ(SendMessageW(Control(c.id), CB_GETCURSEL, 0, 0), c.selected) << c.id;
  }
  EXPECT_EQ(SendMessageW(Control(IDC_VOLUME), TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageW(Control(IDC_VOLUME), TBM_GETRANGEMAX, 0, 0), 100);
  EXPECT_EQ(SendMessageW(Control(IDC_VOLUME), TBM_GETPOS, 0, 0), 40);
  EXPECT_TRUE(Ticked(IDC_MUTE)) << "muted by default";
  EXPECT_TRUE(Ticked(IDC_ICON_SMOOTHING));
  EXPECT_TRUE(Ticked(IDC_DONT_SHOW));
  EXPECT_FALSE(Ticked(IDC_SHOW_ICONS));
  EXPECT_FALSE(Ticked(IDC_AUTORUN));

  // The tray's Settings shows the existing dialog; its hide button hides and keeps it.
  HandleMenuCommand(IDM_SETTINGS);
  EXPECT_EQ(g_App.settingsDialog, dlg);
  EXPECT_TRUE(IsWindowVisible(dlg));
  Command(IDCANCEL);
  EXPECT_FALSE(IsWindowVisible(dlg));
  EXPECT_TRUE(IsWindow(dlg));
}

TEST_F(ShellControlsTest, DialogShownAtStartOrWhenForced) {
  struct Case {
    DWORD showDialog;
    bool force, visible;
  } cases[] = {{1, false, true}, {0, true, true}, {0, false, false}};
  for (const Case& c : cases) {
    g_App.showDialog = c.showDialog;
    CreateSettingsDialog(c.force);
    EXPECT_EQ(IsWindowVisible(g_App.settingsDialog) != FALSE, c.visible) << c.showDialog << c.force;
    DestroyWindow(g_App.settingsDialog);
    g_App.settingsDialog = nullptr;
  }
  // Without a dialog the tray's Settings creates one, shown.
  g_App.showDialog = 0;
  HandleMenuCommand(IDM_SETTINGS);
  ASSERT_NE(g_App.settingsDialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(g_App.settingsDialog));
}

TEST_F(ShellControlsTest, DialogControlsChangeAndSaveTheSettings) {
  CreateSettingsDialog(false);
  ASSERT_NE(g_App.settingsDialog, nullptr);

  SendMessageW(Control(IDC_DONT_SHOW), BM_CLICK, 0, 0);
  EXPECT_EQ(g_App.showDialog, 0u);
  EXPECT_EQ(Stored(REGVAL_SHOW_DIALOG), 0u);
  SendMessageW(Control(IDC_DONT_SHOW), BM_CLICK, 0, 0);
  EXPECT_EQ(Stored(REGVAL_SHOW_DIALOG), 1u);

  SendMessageW(Control(IDC_MUTE), BM_CLICK, 0, 0);
  EXPECT_EQ(Stored(REGVAL_MUTE), 0u);
  SendMessageW(Control(IDC_VOLUME), TBM_SETPOS, TRUE, 25);
  services.calls.clear();
  SendMessageW(g_App.settingsDialog, WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(Control(IDC_VOLUME)));
  EXPECT_EQ(Stored(REGVAL_SOUND_VOLUME), 25u);
  EXPECT_EQ(services.calls, std::vector<std::string>{"volume 25"});

  // The toggles change the stored setting from its cached value, not from the box.
  services.calls.clear();
  Command(IDC_ICON_SMOOTHING);
  EXPECT_EQ(Stored(REGVAL_ICON_SMOOTHING), 1u);
  Command(IDC_ICON_SMOOTHING);
  EXPECT_EQ(Stored(REGVAL_ICON_SMOOTHING), 0u);
  Command(IDC_SHOW_ICONS);
  EXPECT_EQ(services.calls, (std::vector<std::string>{"smooth", "point", "icons hidden"}));

  // Lists act on the end of a selection only, and an empty selection changes nothing.
  SendMessageW(Control(IDC_PRIORITY), CB_SETCURSEL, 0, 0);
  Command(IDC_PRIORITY, CBN_SELCHANGE);
  EXPECT_EQ(Stored(REGVAL_SLEEP_TIME), 0xFFFFFFFFu);
  Command(IDC_PRIORITY, CBN_SELENDOK);
  EXPECT_EQ(Stored(REGVAL_SLEEP_TIME), 0u);
  EXPECT_EQ(settings.GetFrameIntervalMs(), 10u);
  SendMessageW(Control(IDC_PRIORITY), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  Command(IDC_PRIORITY, CBN_SELENDOK);
  EXPECT_EQ(Stored(REGVAL_SLEEP_TIME), 0u);
  EXPECT_EQ(settings.GetFrameIntervalMs(), 10u);

  services.calls.clear();
  SendMessageW(Control(IDC_PICPOS), CB_SETCURSEL, 1, 0);
  Command(IDC_PICPOS, CBN_SELENDOK);
  Command(IDC_PICPOS, CBN_SELENDOK);  // the same entry again re-applies it
  EXPECT_EQ(Stored(REGVAL_PICPOS), 1u);
  EXPECT_EQ(services.calls, (std::vector<std::string>{"position 1", "position 1"}));
  // The tray's choice reaches the dialog's list.
  HandleMenuCommand(IDM_PICPOS_STRETCH);
  EXPECT_EQ(SendMessageW(Control(IDC_PICPOS), CB_GETCURSEL, 0, 0), 0);
  HandleMenuCommand(IDM_MUTE);
  EXPECT_EQ(Ticked(IDC_MUTE), settings.GetMute());

  SendMessageW(Control(IDC_AUTORUN), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsAutorunEnabled(reg, GetProgramPath()));
  SendMessageW(Control(IDC_AUTORUN), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsAutorunEnabled(reg, GetProgramPath()));

  services.calls.clear();
  Command(IDC_MORE_WALLPAPERS);
  Command(IDC_OPEN_FAQ);
  EXPECT_EQ(services.calls, (std::vector<std::string>{"open https://www.lumivane.org/wallpapers/",
                                                      "open https://www.lumivane.org/help/faq.html"}));
}

TEST_F(ShellControlsTest, DialogPaintsItsBanner) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  g_App.showDialog = 1;
  CreateSettingsDialog(false);
  HWND dlg = g_App.settingsDialog;
  ASSERT_NE(dlg, nullptr);
  InvalidateRect(dlg, nullptr, TRUE);
  UpdateWindow(dlg);
  // Read the banner back from the window: a pixel inside it has the banner's sky, not the dialog's face.
  HDC dc = GetDC(dlg);
  COLORREF inside = GetPixel(dc, 12 + 185, 12 + 5);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  ReleaseDC(dlg, dc);
  Gdiplus::GdiplusShutdown(token);
  if (inside == CLR_INVALID) GTEST_SKIP() << "the window's pixels cannot be read back here";
  EXPECT_NE(inside, face);
  EXPECT_LT(GetRValue(inside) + GetGValue(inside), 2 * GetBValue(inside)) << "a blue evening sky";
}

// Runs inside the menu's modal loop: notes whether a popup menu is open, then closes it.
int g_MenusSeen;
void CALLBACK CloseOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (menu && IsWindowVisible(menu)) ++g_MenusSeen;
  EndMenu();
}

TEST_F(ShellControlsTest, OnlyAButtonReleaseOpensTheTrayMenu) {
  struct Case {
    LPARAM mouse;
    int opened;
  } cases[] = {{WM_MOUSEMOVE, 0}, {WM_LBUTTONDOWN, 0}, {WM_RBUTTONDOWN, 0}, {WM_LBUTTONDBLCLK, 0},
               {WM_LBUTTONUP, 1}, {WM_RBUTTONUP, 1}};
  for (const Case& c : cases) {
    g_MenusSeen = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 300, CloseOpenMenu);
    DWORD start = GetTickCount();
    ShowTrayMenu(c.mouse);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_MenusSeen, c.opened) << c.mouse;
    if (!c.opened) {
      EXPECT_LT(GetTickCount() - start, 250u) << c.mouse;
    }
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
}

TEST(TrayIcon, AddedAndRemovedAtTheTaskbar) {
  if (!StandinShell::Available()) GTEST_SKIP() << "stand-in shell not built (shell64 preset)";
  StandinShell shell;
  ASSERT_TRUE(shell.Start(L""));
  HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  DWORD owner = 0;
  GetWindowThreadProcessId(tray, &owner);
  if (owner != shell.pid()) GTEST_SKIP() << "another taskbar answers first";
  g_App = AppRecord();
  g_App.manager = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  EXPECT_EQ(AddTrayIcon(), 1);
  EXPECT_EQ(AddTrayIcon(), 1);  // every add shows the balloon again
  RemoveTrayIcon();
  EXPECT_EQ(shell.Send(kStandinTrayIconMessages, NIM_ADD), 2);
  EXPECT_EQ(shell.Send(kStandinTrayIconMessages, NIM_DELETE), 1);
  DestroyWindow(g_App.manager);
  g_App = AppRecord();
}

}  // namespace
