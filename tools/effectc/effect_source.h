// Reads an effect source (.fx): parameters, samplers, techniques and passes become the compiled-effect
// model; structs and functions stay for the shader compiler, which gets the source with every effect-only
// part blanked out (line breaks kept, so its messages carry the .fx lines).
//
// The dialect:
// - `//` and `/* */` comments; no preprocessor.
// - structs and functions, passed to the shader compiler; `static` globals are the shaders' own.
// - one parameter per declaration, no arrays: float, float2..float4, floatRxC, int, bool, texture,
//   texture2D; optional `: SEMANTIC`, annotations `< float a = 1; string b = "x"; >` (float, floatN,
//   int, bool, string) and initialiser (`= 0.5`, `= {1, 0, 0, 1}`, `= float4(1, 0, 0, 1)`, `= true`);
//   without one a parameter defaults to zero.
// - `sampler` / `sampler2D` with `= sampler_state { Texture = <T>; AddressU = CLAMP; ... };`.
// - `technique Name [<annotations>] { pass [Name] [<annotations>] { State = value; ... } ... }`: render
//   states by name (case-insensitive) with TRUE/FALSE, numbers or their enumeration words (words of
//   ColorWriteEnable joined by '|'), sampler states and Texture of a stage (`AddressU[0] = WRAP;`,
//   `Texture[1] = <T>;`), `PixelShader` / `VertexShader` = `compile <profile> F()` or `NULL`.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/effect_binary.h"

namespace effectc {

struct SourceError : std::runtime_error {
  SourceError(int line, int column, const std::string& message)
      : std::runtime_error(message), line(line), column(column) {}
  int line;
  int column;
};

// One `compile <profile> <entry>()` of a pass state, to be filled with the compiled bytecode.
struct ShaderJob {
  size_t technique = 0;
  size_t pass = 0;
  size_t state = 0;
  std::string profile;
  std::string entry;
  int line = 0;
  int column = 0;
};

struct ParsedEffect {
  fxbin::Effect effect;
  std::vector<ShaderJob> shaders;
  std::string shader_source;  // the source as the shader compiler sees it
};

// Throws SourceError at the first construct it does not accept.
ParsedEffect ParseEffectSource(const std::string& text);

}  // namespace effectc
