#include "app/shell_win.h"

#include <shellapi.h>

#include "app/strings.h"
#include "resources/resource_ids.h"

AppRecord g_App;

namespace {

// The string into a fixed field, cut to fit.
template <size_t N>
void CopyText(wchar_t (&field)[N], UINT id) {
  lstrcpynW(field, AsWide(LoadResString(id)), N);
}

}  // namespace

int AddTrayIcon() {
  NOTIFYICONDATAW icon = {};
  icon.cbSize = NOTIFYICONDATAW_V2_SIZE;  // with the balloon fields: 936 bytes
  icon.hWnd = g_App.manager;
  icon.uID = TRAY_ICON_ID;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  icon.uCallbackMessage = WM_TRAYNOTIFY;
  icon.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
  CopyText(icon.szTip, IDS_TRAY_TIP);
  CopyText(icon.szInfoTitle, IDS_BALLOON_TITLE);
  CopyText(icon.szInfo, IDS_BALLOON_TEXT);
  Shell_NotifyIconW(NIM_ADD, &icon);  // a failed add leaves the program running without an icon
  return 1;
}

void RemoveTrayIcon() {
  NOTIFYICONDATAW icon = {};
  icon.cbSize = NOTIFYICONDATAW_V2_SIZE;
  icon.hWnd = g_App.manager;
  icon.uID = TRAY_ICON_ID;
  Shell_NotifyIconW(NIM_DELETE, &icon);
}

void PrepareTrayMenu(HMENU popup, int picturePosition, bool iconsVisible, bool smoothing) {
  auto tick = [](HMENU menu, UINT pos, bool on) {
    CheckMenuItem(menu, pos, MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
  };
  HMENU positions = GetSubMenu(popup, 2);
  for (int i = 0; i < 3; ++i) tick(positions, i, i == picturePosition);
  HMENU icons = GetSubMenu(popup, 1);
  tick(icons, 0, iconsVisible);
  tick(icons, 1, smoothing);
}

void ShowTrayMenu(LPARAM mouseMessage) {
  if (mouseMessage != WM_LBUTTONUP && mouseMessage != WM_RBUTTONUP) return;
  POINT at;
  GetCursorPos(&at);
  HMENU menu = LoadMenuResource(nullptr, IDR_TRAY_MENU);
  if (!menu) return;
  PrepareTrayMenu(GetSubMenu(menu, 0), g_App.settings->GetPicPos(),
                  g_App.services && g_App.services->AreIconsVisible(), g_App.settings->GetIconSmoothing());
  // In the foreground, so that a click elsewhere closes the menu.
  SetForegroundWindow(g_App.manager);
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, at.x, at.y, 0, g_App.manager, nullptr);
  PostMessageW(g_App.manager, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

void HandleMenuCommand(WPARAM command) {
  SettingsStore& s = *g_App.settings;
  ShellServices* services = g_App.services;
  switch (command) {
    case IDM_EXIT:
      SendMessageW(g_App.manager, WM_CLOSE, 0, 0);
      break;
    case IDM_MORE_WALLPAPERS:
      if (services) services->OpenUrl(LoadResString(IDS_URL_MORE_WALLPAPERS));
      break;
    case IDM_SETTINGS:
      if (g_App.settingsDialog)
        ShowWindow(g_App.settingsDialog, SW_SHOW);
      else
        CreateSettingsDialog(true);
      break;
    case IDM_SHOW_ICONS:
      if (services) services->ToggleIcons();
      SyncShowIconsCheck();
      break;
    case IDM_MUTE:
      s.SetMute(!s.GetMute());
      if (services) services->ApplyVolume(s.GetSoundVolume(), s.GetMute());
      if (g_App.settingsDialog)
        CheckDlgButton(g_App.settingsDialog, IDC_MUTE, s.GetMute() ? BST_CHECKED : BST_UNCHECKED);
      break;
    case IDM_ICON_SMOOTHING:
      s.SetIconSmoothing(!s.GetIconSmoothing());
      if (services) services->ApplyIconSmoothing(s.GetIconSmoothing());
      SyncSmoothingCheck();
      break;
    case IDM_PICPOS_STRETCH:
    case IDM_PICPOS_FIT:
    case IDM_PICPOS_FILL: {
      int position = s.SetPicPos(static_cast<int>(command - IDM_PICPOS_STRETCH));
      if (services) services->ApplyPicturePosition(position);
      SyncPicPosCombo();
      break;
    }
  }
}
