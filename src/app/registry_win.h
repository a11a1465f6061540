// The registry of the current user and the classes root.
#pragma once

#include "app/registry.h"

class WinRegistry : public RegistrySeam {
 public:
  bool OpenKey(RegRoot root, const ds_string& path, bool create) override;
  bool QueryValue(RegRoot root, const ds_string& path, const ds_string& name, size_t maxBytes,
                  RegValue& out) override;
  bool SetValue(RegRoot root, const ds_string& path, const ds_string& name, const RegValue& value) override;
  bool DeleteValue(RegRoot root, const ds_string& path, const ds_string& name) override;
};
