// The desktop folder's items as the shell names them in its views, in enumeration order: what the
// stand-in shows and what a test expects it to show.
#pragma once

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

inline std::vector<std::wstring> StandinDesktopNames() {
  std::vector<std::wstring> names;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return names;
  IEnumIDList* items = nullptr;
  if (desktop->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK && items) {
    LPITEMIDLIST pidl;
    while (items->Next(1, &pidl, nullptr) == S_OK) {
      STRRET ret;
      wchar_t name[MAX_PATH];
      if (SUCCEEDED(desktop->GetDisplayNameOf(pidl, SHGDN_NORMAL | SHGDN_INFOLDER, &ret)) &&
          SUCCEEDED(StrRetToBufW(&ret, pidl, name, MAX_PATH)))
        names.push_back(name);
      CoTaskMemFree(pidl);
    }
    items->Release();
  }
  desktop->Release();
  return names;
}
