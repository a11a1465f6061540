// Compiled effects (the fx_2_0 binary that D3DXCreateEffect loads): an in-memory model, the table of
// state operations, and a bounded reader. The build-time effect compiler writes this model; the
// reader checks a compiled effect before it reaches the loader, which trusts every offset it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fxbin {

constexpr uint32_t kTag = 0xFEFF0901u;  // fx_2_0

// Parameter classes and types, numbered as D3DXPARAMETER_CLASS and D3DXPARAMETER_TYPE.
enum Class : uint32_t { kScalar = 0, kVector = 1, kMatrixRows = 2, kMatrixColumns = 3, kObject = 4, kStruct = 5 };
enum Type : uint32_t {
  kVoid = 0, kBool = 1, kInt = 2, kFloat = 3, kString = 4, kTexture = 5, kTexture1D = 6, kTexture2D = 7,
  kTexture3D = 8, kTextureCube = 9, kSampler = 10, kSampler1D = 11, kSampler2D = 12, kSampler3D = 13,
  kSamplerCube = 14, kPixelShader = 15, kVertexShader = 16,
};

bool IsSamplerType(uint32_t type);
bool IsTextureType(uint32_t type);

// What a state operation sets on the device.
enum class StateKind { kRender, kTextureStage, kSampler, kTexture, kVertexShader, kPixelShader, kOther };

struct StateInfo {
  const char* name;    // the name an effect source uses
  StateKind kind;
  uint32_t device_id;  // D3DRENDERSTATETYPE, D3DTEXTURESTAGESTATETYPE or D3DSAMPLERSTATETYPE; 0 otherwise
};

// The operation numbers of the format, in order; null for an operation out of range.
const StateInfo* StateByOperation(uint32_t operation);
uint32_t OperationCount();
// Case-insensitive lookup of a render, sampler, texture or shader state by its source name; -1 if none.
int OperationByName(const std::string& name);

struct TypeDesc {
  std::string name;
  std::string semantic;
  uint32_t type = kVoid;
  uint32_t klass = kScalar;
  uint32_t rows = 0;
  uint32_t columns = 0;

  uint32_t ValueDwords() const;  // rows x columns for numbers, 0 for objects
  bool operator==(const TypeDesc& o) const;
};

// A typed value: numbers as raw 32-bit words, a string's text, a shader's bytecode (empty: NULL shader),
// or the name of the parameter a state refers to (Texture = <T>).
struct Value {
  TypeDesc type;
  std::vector<uint32_t> numbers;
  std::string text;
  std::vector<uint8_t> shader;
  std::string reference;
  bool operator==(const Value& o) const;
};

struct State {
  uint32_t operation = 0;
  uint32_t index = 0;  // stage or sampler index of an indexed state
  Value value;
  bool operator==(const State& o) const;
};

struct Parameter {
  Value value;                    // type, name, semantic and default
  uint32_t flags = 0;
  std::vector<State> sampler;     // the states of a sampler_state block
  std::vector<Value> annotations;
  bool operator==(const Parameter& o) const;
};

struct Pass {
  std::string name;
  std::vector<Value> annotations;
  std::vector<State> states;
  bool operator==(const Pass& o) const;
};

struct Technique {
  std::string name;
  std::vector<Value> annotations;
  std::vector<Pass> passes;
  bool operator==(const Technique& o) const;
};

struct Effect {
  std::vector<Parameter> parameters;
  std::vector<Technique> techniques;
  const Parameter* FindParameter(const std::string& name) const;
  const Technique* FindTechnique(const std::string& name) const;
};

// True when the bytes start with the compiled-effect tag (anything else is effect source text).
bool HasCompiledTag(const void* data, size_t size);

// Reads a compiled effect completely, checking every count, offset, object id and operation against
// the data; false with a reason in *error when anything does not fit.
bool ReadEffect(const void* data, size_t size, Effect* out, std::string* error);

// Checks a Direct3D 9 shader's token stream: version token, comment lengths, end token, all in bounds.
bool IsWellFormedShader(const uint8_t* data, size_t size);

}  // namespace fxbin
