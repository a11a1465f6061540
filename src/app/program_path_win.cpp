#include "app/settings.h"

ds_string GetProgramPath() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n >= MAX_PATH) n = 0;  // cut short: no path is better than another program's
  return ds_string(reinterpret_cast<const char16_t*>(path), n);
}
