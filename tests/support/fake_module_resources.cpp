#include "support/fake_module_resources.h"

FakeModuleResources::FakeModuleResources() : handles_(64) { SetModuleResources(this); }

FakeModuleResources::~FakeModuleResources() { SetModuleResources(nullptr); }

HMODULE FakeModuleResources::AddModule(const ds_string& fileName) {
  HMODULE h = reinterpret_cast<HMODULE>(&handles_.at(modules_.size()));
  modules_[fileName] = h;
  return h;
}

void FakeModuleResources::Add(HMODULE module, WORD id, ModuleResourceType type, std::vector<BYTE> bytes) {
  resources_[std::make_tuple(module, id, type)] = std::move(bytes);
}

HMODULE FakeModuleResources::LoadModule(const ds_string& fileName) {
  loads.push_back(fileName);
  auto it = modules_.find(fileName);
  return it == modules_.end() ? nullptr : it->second;
}

bool FakeModuleResources::Find(HMODULE module, WORD id, ModuleResourceType type, const BYTE** data, DWORD* size) {
  auto it = resources_.find(std::make_tuple(module, id, type));
  if (it == resources_.end()) return false;
  static const BYTE kEmpty = 0;
  *data = it->second.empty() ? &kEmpty : it->second.data();
  *size = static_cast<DWORD>(it->second.size());
  return true;
}
