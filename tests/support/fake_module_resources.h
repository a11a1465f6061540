// An in-memory stand-in for module resources: named modules with numbered resources of either type.
// Installed as the current source for its lifetime.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "scene/module_resources.h"

class FakeModuleResources : public ModuleResources {
 public:
  FakeModuleResources();
  ~FakeModuleResources() override;

  // Adds a module that loads under fileName (exact match); returns its handle.
  HMODULE AddModule(const ds_string& fileName);
  // Adds a resource to a module handle (null: the program's own file).
  void Add(HMODULE module, WORD id, ModuleResourceType type, std::vector<BYTE> bytes);
  void AddDds(HMODULE module, WORD id, std::vector<BYTE> bytes) { Add(module, id, ModuleResourceType::kDds, std::move(bytes)); }

  HMODULE LoadModule(const ds_string& fileName) override;
  bool Find(HMODULE module, WORD id, ModuleResourceType type, const BYTE** data, DWORD* size) override;

  // Every module name asked for, in order.
  std::vector<ds_string> loads;

 private:
  std::map<ds_string, HMODULE> modules_;
  std::map<std::tuple<HMODULE, WORD, ModuleResourceType>, std::vector<BYTE>> resources_;
  std::vector<int> handles_;  // backing storage for distinct handle values
};
