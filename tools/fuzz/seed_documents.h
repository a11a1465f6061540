// The fuzzer's seed documents: scene descriptions (tools/fuzz/seeds/*.scene) compiled by the scene
// compiler, with the classes only seeds name ("StandInSceneRoot", "OlderVersion") registered.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

// The document of one description; files it names are read relative to its folder. Throws
// SceneTextError or std::runtime_error when it cannot be compiled.
std::vector<BYTE> CompileSeedFile(const std::string& path);
