#include "scene/module_resources.h"

namespace {

class NoModuleResources : public ModuleResources {
 public:
  HMODULE LoadModule(const ds_string&) override { return nullptr; }
  bool Find(HMODULE, WORD, ModuleResourceType, const BYTE**, DWORD*) override { return false; }
};

NoModuleResources g_noResources;
ModuleResources* g_current = &g_noResources;

}  // namespace

ModuleResources& CurrentModuleResources() { return *g_current; }

void SetModuleResources(ModuleResources* source) { g_current = source ? source : &g_noResources; }
