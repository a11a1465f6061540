// An in-memory registry for tests: keys are created on demand, paths compare case-insensitively (ASCII),
// with and without a trailing backslash, as the real registry does. Keys can be made unopenable.
#pragma once

#include <map>
#include <set>

#include "app/registry.h"

class MemoryRegistry : public RegistrySeam {
 public:
  bool OpenKey(RegRoot root, const ds_string& path, bool create) override;
  bool QueryValue(RegRoot root, const ds_string& path, const ds_string& name, size_t maxBytes,
                  RegValue& out) override;
  bool SetValue(RegRoot root, const ds_string& path, const ds_string& name, const RegValue& value) override;
  bool DeleteValue(RegRoot root, const ds_string& path, const ds_string& name) override;

  bool HasKey(RegRoot root, const ds_string& path) const;
  const RegValue* Find(RegRoot root, const ds_string& path, const ds_string& name) const;
  // Every open, read and write of this key then fails.
  void Deny(RegRoot root, const ds_string& path);

  int queries = 0;  // value reads that reached an existing key

 private:
  typedef std::pair<int, ds_string> KeyId;
  static KeyId Id(RegRoot root, const ds_string& path);
  std::map<KeyId, std::map<ds_string, RegValue>> keys_;
  std::set<KeyId> denied_;
};
