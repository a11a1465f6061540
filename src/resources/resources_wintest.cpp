#include <gtest/gtest.h>

#include "app/strings.h"

#include <commctrl.h>
#include "resources/resource_ids.h"
#include "support/saved_global.h"

namespace {


TEST(Resources, StringTableHoldsTheTexts) {
  ModuleStringTable table;
  struct Case {
    UINT id;
    const char16_t* text;
  } cases[] = {
      {300, u"Settings"},
      {301, u"Lumivane is running"},
      {302, u"Lumivane"},
      {303, u"Lumivane"},
      {308, u"Don\u2019t show this at startup"},
      {309, u"Show desktop icons"},
      {310, u"Enable icon smoothing"},
      {311, u"Autorun on Windows startup"},
      {313, u"Get more wallpapers..."},
      {314, u"Open FAQ"},
      {315, u"Hide this window"},
      {316, u"High"},
      {317, u"Normal"},
      {318, u"Low"},
      {320, u"Picture position:"},
      {321, u"Stretch"},
      {322, u"Fit"},
      {323, u"Fill"},
      {325, u"Sound volume"},
      {326, u"Mute sound"},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadResString(table, c.id), c.text) << c.id;
  for (UINT id : {2u, 4u, 6u, 304u, 305u, 306u, 307u, 312u, 319u, 324u})
    EXPECT_FALSE(LoadResString(table, id).empty()) << id;
  // The two pages are web addresses of this project.
  for (UINT id : {3u, 5u}) {
    ds_string url = LoadResString(table, id);
    EXPECT_EQ(url.rfind(u"https://", 0), 0u) << id;
    EXPECT_NE(url.find(u"lumivane"), ds_string::npos) << id;
  }
  // The platform's own loader agrees with ours.
  wchar_t buf[260];
  ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), 308, buf, 260), 0);
  EXPECT_EQ(FromWide(buf), u"Don\u2019t show this at startup");
}

ds_string ItemText(HMENU menu, UINT pos) {
  wchar_t text[64] = {};
  GetMenuStringW(menu, pos, text, 64, MF_BYPOSITION);
  return FromWide(text);
}

TEST(Resources, TrayMenuHasItsCommandsInOrder) {
  HMENU menu = LoadMenuResource(nullptr, IDR_TRAY_MENU);
  ASSERT_NE(menu, nullptr);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(GetMenuItemCount(popup), 6);
  EXPECT_EQ(ItemText(menu, 0), u"menu");

  struct Item {
    int pos;
    UINT id;  // 0xFFFFFFFF: a popup
    const char16_t* text;
  } items[] = {{0, IDM_SETTINGS, u"Settings..."}, {1, 0xFFFFFFFFu, u"Icons"}, {2, 0xFFFFFFFFu, u"Picture position"},
               {3, IDM_EXIT, u"Exit"},           {5, IDM_MORE_WALLPAPERS, u"Get more wallpapers"}};
  for (const Item& i : items) {
    EXPECT_EQ(GetMenuItemID(popup, i.pos), i.id) << i.pos;
    EXPECT_EQ(ItemText(popup, i.pos), i.text) << i.pos;
  }
  MENUITEMINFOW sep = {};
  sep.cbSize = sizeof(sep);
  sep.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(popup, 4, TRUE, &sep));
  EXPECT_TRUE(sep.fType & MFT_SEPARATOR);

  HMENU icons = GetSubMenu(popup, 1);
  ASSERT_EQ(GetMenuItemCount(icons), 2);
  EXPECT_EQ(GetMenuItemID(icons, 0), static_cast<UINT>(IDM_SHOW_ICONS));
  EXPECT_EQ(GetMenuItemID(icons, 1), static_cast<UINT>(IDM_ICON_SMOOTHING));
  EXPECT_EQ(ItemText(icons, 0), u"Show desktop icons");
  EXPECT_EQ(ItemText(icons, 1), u"Icon smoothing");
  HMENU pos = GetSubMenu(popup, 2);
  ASSERT_EQ(GetMenuItemCount(pos), 3);
  const UINT ids[] = {IDM_PICPOS_STRETCH, IDM_PICPOS_FIT, IDM_PICPOS_FILL};
  const char16_t* texts[] = {u"Stretch", u"Fit", u"Fill"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(GetMenuItemID(pos, i), ids[i]);
    EXPECT_EQ(ItemText(pos, i), texts[i]);
  }
  DestroyMenu(menu);

  // Another language falls back to US English; a menu the module lacks gives none.
  {
    lumi_test::SavedGlobal<WORD> german(g_ResourceLanguage, 1031);
    HMENU fallback = LoadMenuResource(nullptr, IDR_TRAY_MENU);
    EXPECT_NE(fallback, nullptr);
    DestroyMenu(fallback);
    EXPECT_EQ(LoadResString(IDS_BALLOON_TEXT), u"Lumivane is running");
  }
  EXPECT_EQ(LoadMenuResource(nullptr, 999), nullptr);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct ControlCase {
  int id;
  const wchar_t* cls;
  DWORD style;  // bits that must be set
  RECT units;   // x, y, width, height in dialog units
};

TEST(Resources, SettingsDialogTemplate) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS), nullptr, QuietDialog, 0);
  ASSERT_NE(dlg, nullptr) << GetLastError();
  EXPECT_FALSE(IsWindowVisible(dlg)) << "the dialog is shown by the program, not by its template";
  wchar_t text[128];
  GetWindowTextW(dlg, text, 128);
  EXPECT_STREQ(text, L"Settings");
  LONG style = GetWindowLongW(dlg, GWL_STYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
            static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  RECT client, size = {0, 0, 262, 226};
  GetClientRect(dlg, &client);
  MapDialogRect(dlg, &size);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  const ControlCase controls[] = {
      {IDC_MORE_WALLPAPERS, L"Button", BS_PUSHBUTTON, {13, 84, 96, 18}},
      {IDC_OPEN_FAQ, L"Button", BS_PUSHBUTTON, {13, 108, 96, 18}},
      {IDCANCEL, L"Button", BS_PUSHBUTTON, {13, 132, 96, 18}},
      {IDC_DONT_SHOW, L"Button", BS_AUTOCHECKBOX, {12, 156, 96, 8}},
      {IDC_AUTORUN, L"Button", BS_AUTOCHECKBOX, {12, 169, 102, 8}},
      {IDC_PRIORITY, L"ComboBox", CBS_DROPDOWNLIST, {193, 91, 54, 0}},
      {IDC_PICPOS_LABEL, L"Static", 0, {126, 108, 59, 12}},
      {IDC_PICPOS, L"ComboBox", CBS_DROPDOWNLIST, {193, 108, 53, 0}},
      {IDC_SHOW_ICONS, L"Button", BS_AUTOCHECKBOX, {126, 126, 102, 8}},
      {IDC_ICON_SMOOTHING, L"Button", BS_AUTOCHECKBOX, {126, 138, 113, 8}},
      {IDC_MUTE, L"Button", BS_AUTOCHECKBOX, {126, 150, 54, 8}},
      {IDC_VOLUME_LABEL, L"Static", 0, {127, 163, 48, 11}},
      {IDC_VOLUME, TRACKBAR_CLASSW, TBS_BOTH | TBS_NOTICKS, {181, 162, 66, 12}},
  };
  for (const ControlCase& c : controls) {
    HWND h = GetDlgItem(dlg, c.id);
    ASSERT_NE(h, nullptr) << c.id;
    wchar_t cls[64];
    GetClassNameW(h, cls, 64);
    EXPECT_EQ(lstrcmpiW(cls, c.cls), 0) << c.id;
    DWORD st = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    if (c.style & 0xF && c.cls[0] == L'B')
      EXPECT_EQ(st & 0xF, c.style) << c.id;
    else
      EXPECT_EQ(st & c.style, c.style) << c.id;
    RECT want = c.units;  // each field maps on its own, as the dialog manager maps them
    MapDialogRect(dlg, &want);
    RECT got;
    GetWindowRect(h, &got);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&got), 2);
    EXPECT_EQ(got.left, want.left) << c.id;
    EXPECT_EQ(got.top, want.top) << c.id;
    EXPECT_EQ(got.right - got.left, want.right) << c.id;
    if (c.units.bottom) {
      EXPECT_EQ(got.bottom - got.top, want.bottom) << c.id;
    }
  }
  DestroyWindow(dlg);
}

TEST(Resources, IconAndBanner) {
  HMODULE self = GetModuleHandleW(nullptr);
  HICON icon = LoadIconW(self, MAKEINTRESOURCEW(IDI_APP));
  ASSERT_NE(icon, nullptr);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bm = {};
  GetObjectW(info.hbmColor, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXICON));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  HRSRC res = FindResourceW(self, MAKEINTRESOURCEW(IDR_SETTINGS_BANNER), L"DDS");
  ASSERT_NE(res, nullptr);
  const BYTE* png = static_cast<const BYTE*>(LockResource(LoadResource(self, res)));
  ASSERT_GE(SizeofResource(self, res), 33u);
  EXPECT_EQ(memcmp(png, "\x89PNG\r\n\x1a\n", 8), 0);
  auto be32 = [](const BYTE* p) { return DWORD(p[0]) << 24 | DWORD(p[1]) << 16 | DWORD(p[2]) << 8 | p[3]; };
  EXPECT_EQ(be32(png + 16), 370u);
  EXPECT_EQ(be32(png + 20), 100u);
}

// The lake's bump source: executable picture 2, a 256 x 256 PNG.
TEST(Resources, LakeBumpSource) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(self, MAKEINTRESOURCEW(IDR_LAKE_BUMP_SOURCE), L"DDS");
  ASSERT_NE(res, nullptr);
  const BYTE* png = static_cast<const BYTE*>(LockResource(LoadResource(self, res)));
  ASSERT_GE(SizeofResource(self, res), 33u);
  EXPECT_EQ(memcmp(png, "\x89PNG\r\n\x1a\n", 8), 0);
  auto be32 = [](const BYTE* p) { return DWORD(p[0]) << 24 | DWORD(p[1]) << 16 | DWORD(p[2]) << 8 | p[3]; };
  EXPECT_EQ(be32(png + 16), 256u);
  EXPECT_EQ(be32(png + 20), 256u);
}

}  // namespace
