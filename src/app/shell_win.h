// The application record and the user's controls: the tray icon with its popup menu and the modeless
// settings dialog. What they change in the scene, the sound and the icons goes through ShellServices.
#pragma once

#include "app/registry.h"
#include "app/settings.h"

class DS_Desktop;
class SceneHost;

// What the tray and the dialog ask of the rest of the program.
class ShellServices {
 public:
  virtual ~ShellServices() = default;
  // The scene host's picture position, and the slide show's when there is one.
  virtual void ApplyPicturePosition(int position) = 0;
  // The icon layer's filter: linear when smoothing, else point.
  virtual void ApplyIconSmoothing(bool smoothing) = 0;
  virtual void ApplyVolume(int volume, bool mute) = 0;
  virtual bool AreIconsVisible() = 0;
  virtual bool ToggleIcons() = 0;
  virtual bool OpenUrl(const ds_string& address) = 0;
};

struct AppRecord {
  HWND settingsDialog = nullptr;
  HWND pages[3] = {};  // a paged form of the dialog; this dialog has none
  DS_Desktop* desktop = nullptr;
  SceneHost* sceneHost = nullptr;
  ShellServices* services = nullptr;
  HINSTANCE instance = nullptr;
  HWND manager = nullptr;
  wchar_t keyPath[200] = {};
  DWORD showDialog = 1;
  // The settings and the registry they live in.
  SettingsStore* settings = nullptr;
  RegistrySeam* registry = nullptr;
};
extern AppRecord g_App;

const UINT TRAY_ICON_ID = 0x401;
const UINT WM_TRAYNOTIFY = WM_USER + 1;

int AddTrayIcon();
void RemoveTrayIcon();
// Opens the tray menu at the cursor on a button release over the icon.
void ShowTrayMenu(LPARAM mouseMessage);
// Ticks the tray menu's popup: the picture position, and the icons' visibility and smoothing.
void PrepareTrayMenu(HMENU popup, int picturePosition, bool iconsVisible, bool smoothing);
void HandleMenuCommand(WPARAM command);

int CreateSettingsDialog(bool force);
INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
HWND FindSettingsControl(int id);
void SyncPicPosCombo();
void SyncSmoothingCheck();
void SyncShowAtStartCheck();
void SyncShowIconsCheck();
void HandleSettingsCommand(WPARAM wParam, AppRecord& record, HWND dialog);
