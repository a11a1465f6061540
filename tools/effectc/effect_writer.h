// Writes the compiled-effect binary (fx_2_0) that D3DXCreateEffect loads, from the in-memory model.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/effect_binary.h"

namespace effectc {

// The effect as bytes. A state's value is written as its numbers, or, for object types, as an object
// whose data follows in the resource list: a shader's bytecode (empty for NULL) or, when the value names
// a parameter (Texture = <T>), that name.
std::vector<uint8_t> WriteEffect(const fxbin::Effect& effect);

}  // namespace effectc
