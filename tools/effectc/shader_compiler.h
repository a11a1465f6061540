// Runs the external HLSL compiler (vkd3d-compiler, fetched by scripts/setup) on one entry point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace effectc {

struct ShaderResult {
  bool ok = false;
  std::vector<uint8_t> bytecode;
  std::string messages;  // the compiler's output, its file names replaced by the source's
};

// Compiles `source` (shown in messages as `display_name`) for `profile` with entry point `entry` into
// Direct3D 9 shader bytecode with its constant table.
ShaderResult CompileShader(const std::string& compiler, const std::string& source, const std::string& display_name,
                           const std::string& profile, const std::string& entry);

}  // namespace effectc
