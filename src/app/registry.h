// The registry as the settings store sees it: keys by root and path, values as type and raw bytes.
// The Windows implementation is WinRegistry (registry_win.cpp); tests use MemoryRegistry.
#pragma once

#include <vector>

#include "platform/types.h"

enum class RegRoot { CurrentUser, ClassesRoot };

// Value types as the registry stores them.
enum : DWORD { kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4 };

struct RegValue {
  DWORD type = 0;
  std::vector<BYTE> data;
};

class RegistrySeam {
 public:
  virtual ~RegistrySeam() = default;
  // Opens the key, creating it (and its parents) when create is true; false when it cannot.
  virtual bool OpenKey(RegRoot root, const ds_string& path, bool create) = 0;
  // Reads a value of an existing key (an empty name is the key's default value). At most maxBytes are
  // accepted: a larger value fails as a whole, never as a partial read.
  virtual bool QueryValue(RegRoot root, const ds_string& path, const ds_string& name, size_t maxBytes,
                          RegValue& out) = 0;
  // Writes a value, creating the key; false when the key cannot be opened or the write fails.
  virtual bool SetValue(RegRoot root, const ds_string& path, const ds_string& name, const RegValue& value) = 0;
  virtual bool DeleteValue(RegRoot root, const ds_string& path, const ds_string& name) = 0;
};

// Encodes a DWORD and a text (with its terminating null) as the registry stores them.
RegValue DwordValue(DWORD v);
RegValue StringValue(const ds_string& s);
