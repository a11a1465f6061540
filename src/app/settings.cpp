#include "app/settings.h"

const char16_t REGKEY_SETTINGS[] = u"Software\\Corvanta\\Lumivane Maker\\";
const char16_t REGKEY_RUN[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const char16_t REGKEY_HTTP_COMMAND[] = u"http\\shell\\open\\command";

const char16_t REGVAL_SLEEP_TIME[] = u"\"Sleep time\"";
const char16_t REGVAL_PICPOS[] = u"\"PicPos\"";
const char16_t REGVAL_SOUND_VOLUME[] = u"\"Sound Volume\"";
const char16_t REGVAL_MUTE[] = u"\"Mute\"";
const char16_t REGVAL_ICON_SMOOTHING[] = u"\"Icon smoothing\"";
const char16_t REGVAL_SHOW_DIALOG[] = u"Show dialog";
const char16_t REGVAL_AUTORUN[] = u"Lumivane";

namespace {
// The Run value is read into a buffer of 260 wide characters.
const size_t kAutorunBytes = 520;
}  // namespace

UINT FrameIntervalForSleepTime(DWORD sleepTime) {
  INT s = sleepTime <= 2 ? static_cast<INT>(sleepTime) : 1;
  return static_cast<UINT>(5 * s * (s + 3) + 10);
}

SettingsStore::SettingsStore(RegistrySeam& registry, const ds_string& keyPath)
    : registry_(registry),
      key_(keyPath),
      sleepTime_{REGVAL_SLEEP_TIME, 1, false, 0},
      picPos_{REGVAL_PICPOS, 2, false, 0},
      soundVolume_{REGVAL_SOUND_VOLUME, 100, false, 0},
      mute_{REGVAL_MUTE, 1, false, 0},
      iconSmoothing_{REGVAL_ICON_SMOOTHING, 0, false, 0} {}

bool SettingsStore::ReadSettingDword(DWORD& value, const ds_string& name) {
  if (!registry_.OpenKey(RegRoot::CurrentUser, key_, true)) return false;
  RegValue v;
  if (!registry_.QueryValue(RegRoot::CurrentUser, key_, name, 4, v)) return false;
  if (v.type != kRegDword || v.data.size() != 4) return false;
  value = static_cast<DWORD>(v.data[0]) | static_cast<DWORD>(v.data[1]) << 8 | static_cast<DWORD>(v.data[2]) << 16 |
          static_cast<DWORD>(v.data[3]) << 24;
  return true;
}

void SettingsStore::WriteSettingDword(DWORD value, const ds_string& name) {
  registry_.SetValue(RegRoot::CurrentUser, key_, name, DwordValue(value));
}

DWORD& SettingsStore::Load(Cached& c) {
  if (!c.loaded) {
    c.value = c.fallback;
    ReadSettingDword(c.value, c.name);
    c.loaded = true;
  }
  return c.value;
}

void SettingsStore::Store(Cached& c, DWORD value) {
  Load(c);
  c.value = value;
  WriteSettingDword(value, c.name);
}

int SettingsStore::GetSleepTime() { return static_cast<int>(Load(sleepTime_)); }
UINT SettingsStore::GetFrameIntervalMs() { return FrameIntervalForSleepTime(Load(sleepTime_)); }
int SettingsStore::GetPicPos() { return static_cast<int>(Load(picPos_)); }
int SettingsStore::GetSoundVolume() { return static_cast<int>(Load(soundVolume_)); }
bool SettingsStore::GetMute() { return Load(mute_) != 0; }
bool SettingsStore::GetIconSmoothing() { return Load(iconSmoothing_) != 0; }

void SettingsStore::SetSleepTime(int value) { Store(sleepTime_, static_cast<DWORD>(value)); }
int SettingsStore::SetPicPos(int value) {
  Store(picPos_, static_cast<DWORD>(value));
  return value;
}
void SettingsStore::SetSoundVolume(int value) { Store(soundVolume_, static_cast<DWORD>(value)); }
void SettingsStore::SetMute(bool value) { Store(mute_, value ? 1 : 0); }
bool SettingsStore::SetIconSmoothing(bool value) {
  Store(iconSmoothing_, value ? 1 : 0);
  return value;
}

bool SettingsStore::ReadStartup(DWORD& showDialog) {
  if (!registry_.OpenKey(RegRoot::CurrentUser, key_, true)) return false;
  ReadSettingDword(showDialog, REGVAL_SHOW_DIALOG);
  return true;
}

void SettingsStore::WriteShowDialog(DWORD showDialog) { WriteSettingDword(showDialog, REGVAL_SHOW_DIALOG); }

bool TextOfValue(const RegValue& value, ds_string& text, bool acceptExpandSz) {
  if (value.type != kRegSz && !(acceptExpandSz && value.type == kRegExpandSz)) return false;
  text.clear();
  for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
    if (c == u'\0') break;
    text += c;
  }
  return true;
}

bool AutorunValueMatches(const RegValue& value, const ds_string& modulePath) {
  ds_string stored;
  return TextOfValue(value, stored) && stored == modulePath;
}

bool IsAutorunEnabled(RegistrySeam& registry, const ds_string& modulePath) {
  if (!registry.OpenKey(RegRoot::CurrentUser, REGKEY_RUN, true)) return false;
  RegValue v;
  if (!registry.QueryValue(RegRoot::CurrentUser, REGKEY_RUN, REGVAL_AUTORUN, kAutorunBytes, v)) return false;
  return AutorunValueMatches(v, modulePath);
}

bool WriteAutorun(RegistrySeam& registry, bool on, const ds_string& modulePath) {
  if (!registry.OpenKey(RegRoot::CurrentUser, REGKEY_RUN, true)) return false;
  if (on) return registry.SetValue(RegRoot::CurrentUser, REGKEY_RUN, REGVAL_AUTORUN, StringValue(modulePath));
  return registry.DeleteValue(RegRoot::CurrentUser, REGKEY_RUN, REGVAL_AUTORUN);
}
