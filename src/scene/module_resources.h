// The seam to module resources: loading a resource module and finding, loading and locking one of its
// numbered resources. The Windows program installs the Win32 source (module_resources_win.h) once at
// start; until then, and natively, the current source finds nothing. Tests install an in-memory fake.
#pragma once

#include "platform/types.h"

enum class ModuleResourceType {
  kDds,     // type name "DDS": pictures, X meshes, image sets, the scene document
  kRcData,  // RT_RCDATA: effects
};

class ModuleResources {
 public:
  virtual ~ModuleResources() {}
  // LoadLibraryW of a module file name; null when it does not load. Modules are never freed.
  virtual HMODULE LoadModule(const ds_string& fileName) = 0;
  // FindResourceW, SizeofResource, LoadResource and LockResource of the resource with the numeric id in
  // module (null: the program's own file). True with the locked memory and its size (which may be 0)
  // when all four succeed. The memory stays mapped while the module is loaded.
  virtual bool Find(HMODULE module, WORD id, ModuleResourceType type, const BYTE** data, DWORD* size) = 0;
};

// The current source; never null.
ModuleResources& CurrentModuleResources();
// Installs a source (null: back to the one that finds nothing). The caller keeps ownership.
void SetModuleResources(ModuleResources* source);
