// The user's settings: DWORD values under one key of the current user, each read from the registry at
// most once and then kept in memory, every change written through at once. Start with Windows is a value
// of the current user's Run key.
#pragma once

#include "app/registry.h"

// Relative to the current user's root; the trailing backslash is part of the stored path.
extern const char16_t REGKEY_SETTINGS[];
extern const char16_t REGKEY_RUN[];
extern const char16_t REGKEY_HTTP_COMMAND[];  // under the classes root

// Every value name but "Show dialog" carries its double quotes as part of the stored name.
extern const char16_t REGVAL_SLEEP_TIME[];
extern const char16_t REGVAL_PICPOS[];
extern const char16_t REGVAL_SOUND_VOLUME[];
extern const char16_t REGVAL_MUTE[];
extern const char16_t REGVAL_ICON_SMOOTHING[];
extern const char16_t REGVAL_SHOW_DIALOG[];
extern const char16_t REGVAL_AUTORUN[];

// Frame interval in milliseconds for an execution priority: 0 High 10, 1 Normal 30, 2 Low 60. A value the
// user interface cannot produce (a stray registry value) counts as Normal, so that frames neither spin
// without pause nor stop.
UINT FrameIntervalForSleepTime(DWORD sleepTime);

class SettingsStore {
 public:
  explicit SettingsStore(RegistrySeam& registry, const ds_string& keyPath = REGKEY_SETTINGS);

  // Reads a REG_DWORD of 4 bytes into value, creating the settings key when it is missing; any other type,
  // size or failure leaves value as it was. True when the value was read.
  bool ReadSettingDword(DWORD& value, const ds_string& name);
  void WriteSettingDword(DWORD value, const ds_string& name);

  int GetSleepTime();
  UINT GetFrameIntervalMs();
  int GetPicPos();
  int GetSoundVolume();
  bool GetMute();
  bool GetIconSmoothing();

  void SetSleepTime(int value);
  int SetPicPos(int value);
  void SetSoundVolume(int value);
  void SetMute(bool value);
  bool SetIconSmoothing(bool value);

  // The start: opens or creates the settings key (false when it cannot) and reads "Show dialog" into
  // showDialog, which keeps its value when the registry has none.
  bool ReadStartup(DWORD& showDialog);
  void WriteShowDialog(DWORD showDialog);

 private:
  struct Cached {
    const char16_t* name;
    DWORD fallback;
    bool loaded;
    DWORD value;
  };
  DWORD& Load(Cached& c);
  void Store(Cached& c, DWORD value);

  RegistrySeam& registry_;
  ds_string key_;
  Cached sleepTime_, picPos_, soundVolume_, mute_, iconSmoothing_;
};

// The text of a REG_SZ value up to its first null or the end of its data, whichever comes first. False
// for any other type.
bool TextOfValue(const RegValue& value, ds_string& text, bool acceptExpandSz = false);

// Start with Windows is on only when the Run value holds exactly this program's module path (same UTF-16
// units, letter case included).
bool AutorunValueMatches(const RegValue& value, const ds_string& modulePath);
bool IsAutorunEnabled(RegistrySeam& registry, const ds_string& modulePath);
#ifdef _WIN32
// This program's full module path, at most 260 characters: what the Run value holds.
ds_string GetProgramPath();
#endif
// On: the Run value is set to the module path; off: the value is deleted. False when that fails.
bool WriteAutorun(RegistrySeam& registry, bool on, const ds_string& modulePath);
