#include "app/shell_win.h"

#include <commctrl.h>
#include <gdiplus.h>

#include "app/strings.h"
#include "platform/com_ref.h"
#include "resources/resource_ids.h"

namespace {

// Each control of the dialog and the string it shows.
const struct {
  int control;
  UINT text;
} kControlTexts[] = {
    {IDC_MORE_WALLPAPERS, IDS_MORE_WALLPAPERS}, {IDC_OPEN_FAQ, IDS_OPEN_FAQ},     {IDCANCEL, IDS_HIDE_WINDOW},
    {IDC_DONT_SHOW, IDS_DONT_SHOW},             {IDC_AUTORUN, IDS_AUTORUN},       {IDC_PICPOS_LABEL, IDS_PICPOS_LABEL},
    {IDC_SHOW_ICONS, IDS_SHOW_ICONS},           {IDC_ICON_SMOOTHING, IDS_ICON_SMOOTHING},
    {IDC_MUTE, IDS_MUTE},                       {IDC_VOLUME_LABEL, IDS_VOLUME_LABEL},
};

void SetCheck(int control, bool on) {
  if (HWND box = FindSettingsControl(control))
    SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool IsTicked(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }

void FillCombo(int control, UINT firstText, int selection) {
  HWND combo = FindSettingsControl(control);
  if (!combo) return;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (UINT id = firstText; id < firstText + 3; ++id)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(LoadResString(id))));
  SendMessageW(combo, CB_SETCURSEL, selection, 0);
}

void FillPriorityCombo() { FillCombo(IDC_PRIORITY, IDS_PRIORITY_HIGH, g_App.settings->GetSleepTime()); }
void FillPicPosCombo() { FillCombo(IDC_PICPOS, IDS_PICPOS_STRETCH, g_App.settings->GetPicPos()); }

void LoadSettingsTexts(HWND dialog) {
  SetWindowTextW(dialog, AsWide(LoadResString(IDS_SETTINGS_CAPTION)));
  for (const auto& c : kControlTexts)
    if (HWND control = FindSettingsControl(c.control)) SetWindowTextW(control, AsWide(LoadResString(c.text)));
  FillPriorityCombo();
  FillPicPosCombo();
}

void ApplyVolume() {
  if (g_App.services) g_App.services->ApplyVolume(g_App.settings->GetSoundVolume(), g_App.settings->GetMute());
}

// The banner picture, drawn in its own size; a missing or unreadable one draws nothing.
void DrawBanner(HWND dialog) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(self, MAKEINTRESOURCEW(IDR_SETTINGS_BANNER), L"DDS");
  HGLOBAL loaded = res ? LoadResource(self, res) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  DWORD size = res ? SizeofResource(self, res) : 0;
  if (!bytes || !size) return;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return;
  if (void* p = GlobalLock(copy)) {
    memcpy(p, bytes, size);
    GlobalUnlock(copy);
  }
  ComRef<IStream> stream;
  if (SUCCEEDED(CreateStreamOnHGlobal(copy, FALSE, stream.Out())) && stream) {
    Gdiplus::Image* picture = Gdiplus::Image::FromStream(stream);
    if (picture && picture->GetLastStatus() == Gdiplus::Ok) {
      Gdiplus::Graphics graphics(dialog);
      graphics.DrawImage(picture, 12, 12, static_cast<INT>(picture->GetWidth()), static_cast<INT>(picture->GetHeight()));
    }
    delete picture;
  }
  GlobalFree(copy);
}

}  // namespace

int CreateSettingsDialog(bool force) {
  g_App.settingsDialog = CreateDialogParamW(g_App.instance, MAKEINTRESOURCEW(IDD_SETTINGS), g_App.manager,
                                            SettingsDlgProc, 0);
  if (g_App.settingsDialog && (g_App.showDialog != 0 || force)) ShowWindow(g_App.settingsDialog, SW_SHOW);
  return 1;
}

HWND FindSettingsControl(int id) {
  if (!g_App.settingsDialog) return nullptr;
  if (HWND control = GetDlgItem(g_App.settingsDialog, id)) return control;
  for (HWND page : g_App.pages)
    if (HWND control = page ? GetDlgItem(page, id) : nullptr) return control;
  return nullptr;
}

void SyncPicPosCombo() {
  if (HWND combo = FindSettingsControl(IDC_PICPOS)) SendMessageW(combo, CB_SETCURSEL, g_App.settings->GetPicPos(), 0);
}
void SyncSmoothingCheck() { SetCheck(IDC_ICON_SMOOTHING, g_App.settings->GetIconSmoothing()); }
void SyncShowAtStartCheck() { SetCheck(IDC_DONT_SHOW, g_App.showDialog == 0); }
void SyncShowIconsCheck() { SetCheck(IDC_SHOW_ICONS, g_App.services && g_App.services->AreIconsVisible()); }

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      g_App.settingsDialog = dialog;
      SyncSmoothingCheck();
      SyncShowAtStartCheck();
      SetCheck(IDC_MUTE, g_App.settings->GetMute());
      if (HWND volume = FindSettingsControl(IDC_VOLUME)) {
        SendMessageW(volume, TBM_SETTICFREQ, 10, 0);
        SendMessageW(volume, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
        SendMessageW(volume, TBM_SETPOS, TRUE, g_App.settings->GetSoundVolume());
      }
      SyncShowIconsCheck();
      SetCheck(IDC_AUTORUN, IsAutorunEnabled(*g_App.registry, GetProgramPath()));
      LoadSettingsTexts(dialog);
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(dialog, &ps);
      EndPaint(dialog, &ps);
      DrawBanner(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      HandleSettingsCommand(wParam, g_App, dialog);
      return TRUE;
    case WM_HSCROLL:
      if (HWND volume = FindSettingsControl(IDC_VOLUME)) {
        g_App.settings->SetSoundVolume(static_cast<int>(SendMessageW(volume, TBM_GETPOS, 0, 0)));
        ApplyVolume();
      }
      return TRUE;
  }
  return FALSE;
}

void HandleSettingsCommand(WPARAM wParam, AppRecord& record, HWND dialog) {
  SettingsStore& s = *record.settings;
  ShellServices* services = record.services;
  auto selection = [&](int combo) { return static_cast<int>(SendDlgItemMessageW(dialog, combo, CB_GETCURSEL, 0, 0)); };
  switch (LOWORD(wParam)) {
    case IDCANCEL:
      ShowWindow(dialog, SW_HIDE);  // a modeless dialog is hidden and kept
      break;
    case IDC_MORE_WALLPAPERS:
      if (services) services->OpenUrl(LoadResString(IDS_URL_MORE_WALLPAPERS));
      break;
    case IDC_OPEN_FAQ:
      if (services) services->OpenUrl(LoadResString(IDS_URL_HELP));
      break;
    case IDC_AUTORUN:
      WriteAutorun(*record.registry, IsTicked(dialog, IDC_AUTORUN), GetProgramPath());
      break;
    case IDC_DONT_SHOW:
      record.showDialog = IsTicked(dialog, IDC_DONT_SHOW) ? 0 : 1;
      SettingsStore(*record.registry, FromWide(record.keyPath)).WriteShowDialog(record.showDialog);
      break;
    case IDC_MUTE:
      s.SetMute(!s.GetMute());
      ApplyVolume();
      break;
    case IDC_SHOW_ICONS:
      if (services) services->ToggleIcons();
      break;
    case IDC_ICON_SMOOTHING:
      s.SetIconSmoothing(!s.GetIconSmoothing());
      if (services) services->ApplyIconSmoothing(s.GetIconSmoothing());
      break;
    case IDC_PRIORITY:
      // No selection (CB_ERR) changes nothing: it would make frames spin without pause.
      if (HIWORD(wParam) == CBN_SELENDOK && selection(IDC_PRIORITY) != CB_ERR) s.SetSleepTime(selection(IDC_PRIORITY));
      break;
    case IDC_PICPOS:
      if (HIWORD(wParam) == CBN_SELENDOK && selection(IDC_PICPOS) != CB_ERR) {
        s.SetPicPos(selection(IDC_PICPOS));
        if (services) services->ApplyPicturePosition(s.GetPicPos());
      }
      break;
  }
}
