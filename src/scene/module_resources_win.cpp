#include "scene/module_resources_win.h"

#include <map>

namespace {

bool HasDirectory(const ds_string& name) {
  return name.find_first_of(u"\\/:") != ds_string::npos;
}

// The folder of the program's own file, with a trailing backslash; empty when it cannot be had.
ds_string ProgramFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ds_string();
  ds_string s = FromWide(path);
  size_t slash = s.find_last_of(u"\\/");
  return slash == ds_string::npos ? ds_string() : s.substr(0, slash + 1);
}

HMODULE LoadAsData(const ds_string& path) { return LoadLibraryExW(AsWide(path), nullptr, LOAD_LIBRARY_AS_DATAFILE); }

class Win32Source : public ModuleResources {
 public:
  HMODULE LoadModule(const ds_string& fileName) override {
    if (fileName.empty()) return nullptr;
    auto it = loaded_.find(fileName);
    if (it != loaded_.end()) return it->second;
    HMODULE m = nullptr;
    // A bare name is looked for beside the program before the search path, so that a module of that
    // name in the current folder cannot stand in for ours.
    if (!HasDirectory(fileName)) {
      ds_string folder = ProgramFolder();
      if (!folder.empty()) m = LoadAsData(folder + fileName);
    }
    if (!m) m = LoadAsData(fileName);
    if (m) loaded_[fileName] = m;  // never freed; a failure is tried again next time
    return m;
  }

  bool Find(HMODULE module, WORD id, ModuleResourceType type, const BYTE** data, DWORD* size) override {
    *data = nullptr;
    *size = 0;
    if (id == 0) return false;
    const wchar_t* typeName = type == ModuleResourceType::kDds ? L"DDS" : MAKEINTRESOURCEW(10);  // RT_RCDATA
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), typeName);
    if (!info) return false;
    DWORD bytes = SizeofResource(module, info);
    HGLOBAL loaded = LoadResource(module, info);
    const void* p = loaded ? LockResource(loaded) : nullptr;
    if (!p) return false;
    *data = static_cast<const BYTE*>(p);
    *size = bytes;
    return true;
  }

 private:
  std::map<ds_string, HMODULE> loaded_;
};

}  // namespace

ModuleResources& Win32ModuleResources() {
  static Win32Source source;
  return source;
}
