#include "app/registry_win.h"

namespace {

HKEY RootKey(RegRoot root) { return root == RegRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER; }

// A key handle closed when it goes out of scope.
struct Key {
  HKEY h = nullptr;
  ~Key() {
    if (h) RegCloseKey(h);
  }
};

bool Create(RegRoot root, const ds_string& path, REGSAM access, Key& key) {
  return RegCreateKeyExW(RootKey(root), AsWide(path), 0, nullptr, 0, access, nullptr, &key.h, nullptr) ==
         ERROR_SUCCESS;
}

bool Open(RegRoot root, const ds_string& path, REGSAM access, Key& key) {
  return RegOpenKeyExW(RootKey(root), AsWide(path), 0, access, &key.h) == ERROR_SUCCESS;
}

}  // namespace

bool WinRegistry::OpenKey(RegRoot root, const ds_string& path, bool create) {
  Key key;
  return create ? Create(root, path, KEY_ALL_ACCESS, key) : Open(root, path, KEY_READ, key);
}

bool WinRegistry::QueryValue(RegRoot root, const ds_string& path, const ds_string& name, size_t maxBytes,
                             RegValue& out) {
  Key key;
  if (!Open(root, path, KEY_QUERY_VALUE, key)) return false;
  std::vector<BYTE> data(maxBytes ? maxBytes : 1);
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(maxBytes);
  // A value larger than maxBytes fails with ERROR_MORE_DATA and is not taken in part.
  if (RegQueryValueExW(key.h, AsWide(name), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return false;
  if (size > maxBytes) return false;
  data.resize(size);
  out.type = type;
  out.data = data;
  return true;
}

bool WinRegistry::SetValue(RegRoot root, const ds_string& path, const ds_string& name, const RegValue& value) {
  Key key;
  if (!Create(root, path, KEY_ALL_ACCESS, key)) return false;
  return RegSetValueExW(key.h, AsWide(name), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                        static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool WinRegistry::DeleteValue(RegRoot root, const ds_string& path, const ds_string& name) {
  Key key;
  if (!Open(root, path, KEY_SET_VALUE, key)) return false;
  return RegDeleteValueW(key.h, AsWide(name)) == ERROR_SUCCESS;
}
