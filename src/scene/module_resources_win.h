// Module resources from Win32: resource modules are mapped as data files (their code never runs), looked
// for beside the program first and kept loaded; resources are found by type and numeric id.
#pragma once

#include "scene/module_resources.h"

// The process-wide Win32 source; install it with SetModuleResources(&Win32ModuleResources()).
ModuleResources& Win32ModuleResources();
