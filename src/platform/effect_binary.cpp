#include "platform/effect_binary.h"

#include <cctype>
#include <cstring>
#include <map>

namespace fxbin {
namespace {

using K = StateKind;

// Every operation of the format in its order: render states, texture-stage states, then the fixed
// function, shader, texture and sampler operations. Device ids are the Direct3D 9 enumeration values.
const StateInfo kStates[] = {
    {"ZEnable", K::kRender, 7}, {"FillMode", K::kRender, 8}, {"ShadeMode", K::kRender, 9},
    {"ZWriteEnable", K::kRender, 14}, {"AlphaTestEnable", K::kRender, 15}, {"LastPixel", K::kRender, 16},
    {"SrcBlend", K::kRender, 19}, {"DestBlend", K::kRender, 20}, {"CullMode", K::kRender, 22},
    {"ZFunc", K::kRender, 23}, {"AlphaRef", K::kRender, 24}, {"AlphaFunc", K::kRender, 25},
    {"DitherEnable", K::kRender, 26}, {"AlphaBlendEnable", K::kRender, 27}, {"FogEnable", K::kRender, 28},
    {"SpecularEnable", K::kRender, 29}, {"FogColor", K::kRender, 34}, {"FogTableMode", K::kRender, 35},
    {"FogStart", K::kRender, 36}, {"FogEnd", K::kRender, 37}, {"FogDensity", K::kRender, 38},
    {"RangeFogEnable", K::kRender, 48}, {"StencilEnable", K::kRender, 52}, {"StencilFail", K::kRender, 53},
    {"StencilZFail", K::kRender, 54}, {"StencilPass", K::kRender, 55}, {"StencilFunc", K::kRender, 56},
    {"StencilRef", K::kRender, 57}, {"StencilMask", K::kRender, 58}, {"StencilWriteMask", K::kRender, 59},
    {"TextureFactor", K::kRender, 60}, {"Wrap0", K::kRender, 128}, {"Wrap1", K::kRender, 129},
    {"Wrap2", K::kRender, 130}, {"Wrap3", K::kRender, 131}, {"Wrap4", K::kRender, 132},
    {"Wrap5", K::kRender, 133}, {"Wrap6", K::kRender, 134}, {"Wrap7", K::kRender, 135},
    {"Wrap8", K::kRender, 198}, {"Wrap9", K::kRender, 199}, {"Wrap10", K::kRender, 200},
    {"Wrap11", K::kRender, 201}, {"Wrap12", K::kRender, 202}, {"Wrap13", K::kRender, 203},
    {"Wrap14", K::kRender, 204}, {"Wrap15", K::kRender, 205}, {"Clipping", K::kRender, 136},
    {"Lighting", K::kRender, 137}, {"Ambient", K::kRender, 139}, {"FogVertexMode", K::kRender, 140},
    {"ColorVertex", K::kRender, 141}, {"LocalViewer", K::kRender, 142}, {"NormalizeNormals", K::kRender, 143},
    {"DiffuseMaterialSource", K::kRender, 145}, {"SpecularMaterialSource", K::kRender, 146},
    {"AmbientMaterialSource", K::kRender, 147}, {"EmissiveMaterialSource", K::kRender, 148},
    {"VertexBlend", K::kRender, 151}, {"ClipPlaneEnable", K::kRender, 152}, {"PointSize", K::kRender, 154},
    {"PointSize_Min", K::kRender, 155}, {"PointSize_Max", K::kRender, 166},
    {"PointSpriteEnable", K::kRender, 156}, {"PointScaleEnable", K::kRender, 157},
    {"PointScale_A", K::kRender, 158}, {"PointScale_B", K::kRender, 159}, {"PointScale_C", K::kRender, 160},
    {"MultiSampleAntialias", K::kRender, 161}, {"MultiSampleMask", K::kRender, 162},
    {"PatchEdgeStyle", K::kRender, 163}, {"DebugMonitorToken", K::kRender, 165},
    {"IndexedVertexBlendEnable", K::kRender, 167}, {"ColorWriteEnable", K::kRender, 168},
    {"TweenFactor", K::kRender, 170}, {"BlendOp", K::kRender, 171}, {"PositionDegree", K::kRender, 172},
    {"NormalDegree", K::kRender, 173}, {"ScissorTestEnable", K::kRender, 174},
    {"SlopeScaleDepthBias", K::kRender, 175}, {"AntialiasedLineEnable", K::kRender, 176},
    {"MinTessellationLevel", K::kRender, 178}, {"MaxTessellationLevel", K::kRender, 179},
    {"AdaptiveTess_X", K::kRender, 180}, {"AdaptiveTess_Y", K::kRender, 181},
    {"AdaptiveTess_Z", K::kRender, 182}, {"AdaptiveTess_W", K::kRender, 183},
    {"EnableAdaptiveTessellation", K::kRender, 184}, {"TwoSidedStencilMode", K::kRender, 185},
    {"CCW_StencilFail", K::kRender, 186}, {"CCW_StencilZFail", K::kRender, 187},
    {"CCW_StencilPass", K::kRender, 188}, {"CCW_StencilFunc", K::kRender, 189},
    {"ColorWriteEnable1", K::kRender, 190}, {"ColorWriteEnable2", K::kRender, 191},
    {"ColorWriteEnable3", K::kRender, 192}, {"BlendFactor", K::kRender, 193},
    {"SRGBWriteEnable", K::kRender, 194}, {"DepthBias", K::kRender, 195},
    {"SeparateAlphaBlendEnable", K::kRender, 206}, {"SrcBlendAlpha", K::kRender, 207},
    {"DestBlendAlpha", K::kRender, 208}, {"BlendOpAlpha", K::kRender, 209},
    // texture-stage states
    {"ColorOp", K::kTextureStage, 1}, {"ColorArg0", K::kTextureStage, 26}, {"ColorArg1", K::kTextureStage, 2},
    {"ColorArg2", K::kTextureStage, 3}, {"AlphaOp", K::kTextureStage, 4}, {"AlphaArg0", K::kTextureStage, 27},
    {"AlphaArg1", K::kTextureStage, 5}, {"AlphaArg2", K::kTextureStage, 6}, {"ResultArg", K::kTextureStage, 28},
    {"BumpEnvMat00", K::kTextureStage, 7}, {"BumpEnvMat01", K::kTextureStage, 8},
    {"BumpEnvMat10", K::kTextureStage, 9}, {"BumpEnvMat11", K::kTextureStage, 10},
    {"TexCoordIndex", K::kTextureStage, 11}, {"BumpEnvLScale", K::kTextureStage, 22},
    {"BumpEnvLOffset", K::kTextureStage, 23}, {"TextureTransformFlags", K::kTextureStage, 24},
    {"Constant", K::kTextureStage, 32},
    // fixed function: n-patch mode, FVF, transforms, material, lights
    {"NPatchMode", K::kOther, 0}, {"FVF", K::kOther, 0}, {"ProjectionTransform", K::kOther, 0},
    {"ViewTransform", K::kOther, 0}, {"WorldTransform", K::kOther, 0}, {"TextureTransform", K::kOther, 0},
    {"MaterialDiffuse", K::kOther, 0}, {"MaterialAmbient", K::kOther, 0}, {"MaterialSpecular", K::kOther, 0},
    {"MaterialEmissive", K::kOther, 0}, {"MaterialPower", K::kOther, 0}, {"LightType", K::kOther, 0},
    {"LightDiffuse", K::kOther, 0}, {"LightSpecular", K::kOther, 0}, {"LightAmbient", K::kOther, 0},
    {"LightPosition", K::kOther, 0}, {"LightDirection", K::kOther, 0}, {"LightRange", K::kOther, 0},
    {"LightFalloff", K::kOther, 0}, {"LightAttenuation0", K::kOther, 0}, {"LightAttenuation1", K::kOther, 0},
    {"LightAttenuation2", K::kOther, 0}, {"LightTheta", K::kOther, 0}, {"LightPhi", K::kOther, 0},
    {"LightEnable", K::kOther, 0},
    // shaders and shader constants
    {"VertexShader", K::kVertexShader, 0}, {"PixelShader", K::kPixelShader, 0},
    {"VertexShaderConstantF", K::kOther, 0}, {"VertexShaderConstantB", K::kOther, 0},
    {"VertexShaderConstantI", K::kOther, 0}, {"VertexShaderConstant", K::kOther, 0},
    {"VertexShaderConstant1", K::kOther, 0}, {"VertexShaderConstant2", K::kOther, 0},
    {"VertexShaderConstant3", K::kOther, 0}, {"VertexShaderConstant4", K::kOther, 0},
    {"PixelShaderConstantF", K::kOther, 0}, {"PixelShaderConstantB", K::kOther, 0},
    {"PixelShaderConstantI", K::kOther, 0}, {"PixelShaderConstant", K::kOther, 0},
    {"PixelShaderConstant1", K::kOther, 0}, {"PixelShaderConstant2", K::kOther, 0},
    {"PixelShaderConstant3", K::kOther, 0}, {"PixelShaderConstant4", K::kOther, 0},
    // texture and sampler states
    {"Texture", K::kTexture, 0}, {"AddressU", K::kSampler, 1}, {"AddressV", K::kSampler, 2},
    {"AddressW", K::kSampler, 3}, {"BorderColor", K::kSampler, 4}, {"MagFilter", K::kSampler, 5},
    {"MinFilter", K::kSampler, 6}, {"MipFilter", K::kSampler, 7}, {"MipMapLodBias", K::kSampler, 8},
    {"MaxMipLevel", K::kSampler, 9}, {"MaxAnisotropy", K::kSampler, 10}, {"SRGBTexture", K::kSampler, 11},
    {"ElementIndex", K::kSampler, 12}, {"DMapOffset", K::kSampler, 13},
    {"Sampler", K::kOther, 0},
};
constexpr uint32_t kStateCount = sizeof(kStates) / sizeof(kStates[0]);
static_assert(kStateCount == 179, "the format numbers 179 operations");

bool EqualNoCase(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr uint32_t kMaxCount = 1u << 16;  // more of anything than any effect holds: damaged data

// A bounded reader over the part after the tag and the header offset: every offset of the format is
// relative to its start.
class Reader {
 public:
  Reader(const uint8_t* base, size_t size) : base_(base), size_(size) {}

  bool Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return false;
  }
  const std::string& error() const { return error_; }

  bool Word(size_t* pos, uint32_t* out) {
    if (*pos > size_ || size_ - *pos < 4) return Fail("read past the end");
    std::memcpy(out, base_ + *pos, 4);
    *pos += 4;
    return true;
  }
  bool Count(size_t* pos, uint32_t* out, const char* what) {
    if (!Word(pos, out)) return false;
    if (*out > kMaxCount) return Fail(std::string("implausible ") + what + " count");
    return true;
  }
  // A length-prefixed, NUL-terminated name at an offset; length 0 is the empty name.
  bool Name(uint32_t offset, std::string* out) {
    size_t pos = offset;
    uint32_t len = 0;
    if (!Word(&pos, &len)) return false;
    if (len == 0) return out->clear(), true;
    if (len > size_ - pos) return Fail("name past the end");
    if (base_[pos + len - 1] != 0) return Fail("name without terminator");
    out->assign(reinterpret_cast<const char*>(base_ + pos), len - 1);
    return true;
  }
  // A length-prefixed blob padded to whole words.
  bool Blob(size_t* pos, std::vector<uint8_t>* out) {
    uint32_t len = 0;
    if (!Word(pos, &len)) return false;
    // The length alone first: on a 32-bit system the padded length of a huge one wraps around.
    if (len > size_ - *pos) return Fail("data past the end");
    size_t padded = (static_cast<size_t>(len) + 3) & ~static_cast<size_t>(3);
    if (padded > size_ - *pos) return Fail("data past the end");
    out->assign(base_ + *pos, base_ + *pos + len);
    *pos += padded;
    return true;
  }

  bool TypeAt(uint32_t offset, TypeDesc* t) {
    size_t pos = offset;
    uint32_t name = 0, semantic = 0, elements = 0;
    if (!Word(&pos, &t->type) || !Word(&pos, &t->klass) || !Word(&pos, &name) || !Word(&pos, &semantic) ||
        !Word(&pos, &elements))
      return false;
    if (!Name(name, &t->name) || !Name(semantic, &t->semantic)) return false;
    if (elements != 0) return Fail("arrays are not supported");
    switch (t->klass) {
      case kVector:
        if (!Word(&pos, &t->columns) || !Word(&pos, &t->rows)) return false;
        break;
      case kScalar:
      case kMatrixRows:
      case kMatrixColumns:
        if (!Word(&pos, &t->rows) || !Word(&pos, &t->columns)) return false;
        break;
      case kObject:
        t->rows = t->columns = 0;
        break;
      default:
        return Fail("unsupported parameter class");
    }
    if (t->klass == kObject) {
      if (!(t->type == kString || IsTextureType(t->type) || IsSamplerType(t->type) || t->type == kPixelShader ||
            t->type == kVertexShader))
        return Fail("unsupported object type");
    } else {
      if (t->type != kBool && t->type != kInt && t->type != kFloat) return Fail("unsupported numeric type");
      if (t->rows < 1 || t->rows > 4 || t->columns < 1 || t->columns > 4) return Fail("bad dimensions");
    }
    return true;
  }

  // The value of a parameter, annotation or state: numbers, an object id, or sampler states.
  bool ValueAt(uint32_t offset, Value* v, std::vector<State>* sampler) {
    size_t pos = offset;
    if (v->type.klass != kObject) {
      v->numbers.resize(v->type.ValueDwords());
      for (uint32_t& w : v->numbers)
        if (!Word(&pos, &w)) return false;
      return true;
    }
    if (IsSamplerType(v->type.type)) {
      if (!sampler) return Fail("sampler value outside a parameter");
      uint32_t count = 0;
      if (!Count(&pos, &count, "sampler state")) return false;
      sampler->resize(count);
      for (State& s : *sampler)
        if (!StateAt(&pos, &s, /*in_sampler=*/true)) return false;
      return true;
    }
    uint32_t id = 0;
    if (!Word(&pos, &id)) return false;
    if (!objects_.emplace(id, v).second) return Fail("object id used twice");
    return true;
  }

  bool StateAt(size_t* pos, State* s, bool in_sampler) {
    uint32_t type_offset = 0, value_offset = 0;
    if (!Word(pos, &s->operation) || !Word(pos, &s->index) || !Word(pos, &type_offset) ||
        !Word(pos, &value_offset))
      return false;
    const StateInfo* info = StateByOperation(s->operation);
    if (!info) return Fail("unknown state operation");
    if (in_sampler && info->kind != K::kSampler && info->kind != K::kTexture)
      return Fail("a sampler holds only sampler states");
    if (!TypeAt(type_offset, &s->value.type)) return false;
    if (IsSamplerType(s->value.type.type)) return Fail("sampler-typed state");
    return ValueAt(value_offset, &s->value, nullptr);
  }

  bool Annotations(size_t* pos, uint32_t count, std::vector<Value>* out) {
    out->resize(count);
    for (Value& a : *out) {
      uint32_t type_offset = 0, value_offset = 0;
      if (!Word(pos, &type_offset) || !Word(pos, &value_offset)) return false;
      if (!TypeAt(type_offset, &a.type) || !ValueAt(value_offset, &a, nullptr)) return false;
    }
    return true;
  }

  bool Main(uint32_t start, Effect* e) {
    size_t pos = start;
    uint32_t param_count = 0, technique_count = 0, unused = 0;
    if (!Count(&pos, &param_count, "parameter") || !Count(&pos, &technique_count, "technique") ||
        !Word(&pos, &unused) || !Count(&pos, &object_count_, "object"))
      return false;
    e->parameters.resize(param_count);
    for (Parameter& p : e->parameters) {
      uint32_t type_offset = 0, value_offset = 0, annotations = 0;
      if (!Word(&pos, &type_offset) || !Word(&pos, &value_offset) || !Word(&pos, &p.flags) ||
          !Count(&pos, &annotations, "annotation"))
        return false;
      if (!TypeAt(type_offset, &p.value.type) || !ValueAt(value_offset, &p.value, &p.sampler)) return false;
      if (!Annotations(&pos, annotations, &p.annotations)) return false;
    }
    e->techniques.resize(technique_count);
    for (Technique& t : e->techniques) {
      uint32_t name = 0, annotations = 0, passes = 0;
      if (!Word(&pos, &name) || !Count(&pos, &annotations, "annotation") || !Count(&pos, &passes, "pass"))
        return false;
      if (!Name(name, &t.name) || !Annotations(&pos, annotations, &t.annotations)) return false;
      t.passes.resize(passes);
      for (Pass& p : t.passes) {
        uint32_t pass_name = 0, pass_annotations = 0, states = 0;
        if (!Word(&pos, &pass_name) || !Count(&pos, &pass_annotations, "annotation") ||
            !Count(&pos, &states, "state"))
          return false;
        if (!Name(pass_name, &p.name) || !Annotations(&pos, pass_annotations, &p.annotations)) return false;
        p.states.resize(states);
        for (State& s : p.states)
          if (!StateAt(&pos, &s, false)) return false;
      }
    }
    for (const auto& entry : objects_)
      if (entry.first >= object_count_) return Fail("object id beyond the object count");

    uint32_t strings = 0, resources = 0;
    if (!Count(&pos, &strings, "string") || !Count(&pos, &resources, "resource")) return false;
    for (uint32_t i = 0; i < strings; ++i) {
      uint32_t id = 0;
      std::vector<uint8_t> bytes;
      if (!Word(&pos, &id) || !Blob(&pos, &bytes)) return false;
      auto it = objects_.find(id);
      if (it == objects_.end() || it->second->type.type != kString) return Fail("string for no string object");
      if (!bytes.empty() && bytes.back() != 0) return Fail("string without terminator");
      it->second->text.assign(bytes.begin(), bytes.end() - (bytes.empty() ? 0 : 1));
    }
    for (uint32_t i = 0; i < resources; ++i)
      if (!Resource(&pos, e)) return false;
    if (pos != size_) return Fail("bytes after the last resource");
    return true;
  }

  bool Resource(size_t* pos, Effect* e) {
    uint32_t technique = 0, index = 0, element = 0, state_index = 0, usage = 0;
    if (!Word(pos, &technique) || !Word(pos, &index) || !Word(pos, &element) || !Word(pos, &state_index) ||
        !Word(pos, &usage))
      return false;
    std::vector<State>* states = nullptr;
    if (technique == kNone) {
      if (index >= e->parameters.size()) return Fail("resource of no parameter");
      states = &e->parameters[index].sampler;
    } else {
      if (technique >= e->techniques.size() || index >= e->techniques[technique].passes.size())
        return Fail("resource of no pass");
      states = &e->techniques[technique].passes[index].states;
    }
    if (state_index >= states->size()) return Fail("resource of no state");
    Value& v = (*states)[state_index].value;
    std::vector<uint8_t> bytes;
    if (!Blob(pos, &bytes)) return false;
    if (v.type.klass != kObject) return Fail("resource for a numeric state");
    if (usage == 0) {
      if (v.type.type != kPixelShader && v.type.type != kVertexShader) return Fail("code for a non-shader state");
      if (!bytes.empty() && !IsWellFormedShader(bytes.data(), bytes.size())) return Fail("damaged shader");
      v.shader = bytes;
      return true;
    }
    if (usage == 1) {
      if (bytes.empty() || bytes.back() != 0) return Fail("reference without terminator");
      std::string name(bytes.begin(), bytes.end() - 1);
      name.resize(std::strlen(name.c_str()));
      const Parameter* target = e->FindParameter(name);
      if (!target) return Fail("reference to no parameter");
      if (target->value.type.type != v.type.type && !(IsTextureType(v.type.type) && IsTextureType(target->value.type.type)))
        return Fail("reference to a parameter of another type");
      v.reference = name;
      return true;
    }
    return Fail("unsupported resource usage");
  }

 private:
  const uint8_t* base_;
  size_t size_;
  std::string error_;
  uint32_t object_count_ = 0;
  std::map<uint32_t, Value*> objects_;
};

}  // namespace

bool IsSamplerType(uint32_t type) { return type >= kSampler && type <= kSamplerCube; }
bool IsTextureType(uint32_t type) { return type >= kTexture && type <= kTextureCube; }

const StateInfo* StateByOperation(uint32_t operation) {
  return operation < kStateCount ? &kStates[operation] : nullptr;
}

uint32_t OperationCount() { return kStateCount; }

int OperationByName(const std::string& name) {
  for (uint32_t i = 0; i < kStateCount; ++i) {
    K kind = kStates[i].kind;
    if (kind == K::kOther || kind == K::kTextureStage) continue;
    if (EqualNoCase(name, kStates[i].name)) return static_cast<int>(i);
  }
  return -1;
}

uint32_t TypeDesc::ValueDwords() const { return klass == kObject ? 0 : rows * columns; }

bool TypeDesc::operator==(const TypeDesc& o) const {
  return name == o.name && semantic == o.semantic && type == o.type && klass == o.klass && rows == o.rows &&
         columns == o.columns;
}
bool Value::operator==(const Value& o) const {
  return type == o.type && numbers == o.numbers && text == o.text && shader == o.shader && reference == o.reference;
}
bool State::operator==(const State& o) const {
  return operation == o.operation && index == o.index && value == o.value;
}
bool Parameter::operator==(const Parameter& o) const {
  return value == o.value && flags == o.flags && sampler == o.sampler && annotations == o.annotations;
}
bool Pass::operator==(const Pass& o) const {
  return name == o.name && annotations == o.annotations && states == o.states;
}
bool Technique::operator==(const Technique& o) const {
  return name == o.name && annotations == o.annotations && passes == o.passes;
}

const Parameter* Effect::FindParameter(const std::string& name) const {
  for (const Parameter& p : parameters)
    if (p.value.type.name == name) return &p;
  return nullptr;
}

const Technique* Effect::FindTechnique(const std::string& name) const {
  for (const Technique& t : techniques)
    if (t.name == name) return &t;
  return nullptr;
}

bool HasCompiledTag(const void* data, size_t size) {
  uint32_t tag = 0;
  if (!data || size < 4) return false;
  std::memcpy(&tag, data, 4);
  return tag == kTag;
}

bool ReadEffect(const void* data, size_t size, Effect* out, std::string* error) {
  std::string ignored;
  std::string& why = error ? *error : ignored;
  *out = Effect();
  if (!HasCompiledTag(data, size)) return why = "not a compiled effect", false;
  if (size < 8) return why = "truncated header", false;
  uint32_t start = 0;
  std::memcpy(&start, static_cast<const uint8_t*>(data) + 4, 4);
  Reader reader(static_cast<const uint8_t*>(data) + 8, size - 8);
  if (start > size - 8) return why = "header offset past the end", false;
  if (!reader.Main(start, out)) {
    why = reader.error();
    *out = Effect();
    return false;
  }
  return true;
}

namespace {

uint32_t Le32(const uint8_t* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// A NUL-terminated string at an offset inside a block of `size` bytes.
bool StringInside(const uint8_t* block, size_t size, uint32_t offset) {
  if (offset >= size) return false;
  return std::memchr(block + offset, 0, size - offset) != nullptr;
}

// A type record of the constant table (class, type, rows, columns, elements, members as 16-bit words,
// then the offset of the member records), its members' names and types within the table.
bool CtabTypeInside(const uint8_t* t, size_t size, uint32_t offset, int depth) {
  if (depth > 4 || offset > size || size - offset < 16) return false;
  const uint16_t members = Le16(t + offset + 10);
  if (members == 0) return true;
  const uint32_t member_info = Le32(t + offset + 12);
  if (member_info > size || (size - member_info) / 8 < members) return false;
  for (uint16_t i = 0; i < members; ++i) {
    const uint8_t* m = t + member_info + 8u * i;
    if (!StringInside(t, size, Le32(m)) || !CtabTypeInside(t, size, Le32(m + 4), depth + 1)) return false;
  }
  return true;
}

// The constant table D3DX reads to bind parameters to registers: every offset it follows stays inside.
bool CtabInside(const uint8_t* t, size_t size) {
  if (size < 28 || Le32(t) < 28) return false;
  const uint32_t creator = Le32(t + 4), constants = Le32(t + 12), info = Le32(t + 16), target = Le32(t + 24);
  if ((creator && !StringInside(t, size, creator)) || (target && !StringInside(t, size, target))) return false;
  if (info > size || (size - info) / 20 < constants) return false;
  for (uint32_t i = 0; i < constants; ++i) {
    const uint8_t* c = t + info + 20u * i;
    const uint32_t default_value = Le32(c + 16);
    if (!StringInside(t, size, Le32(c)) || !CtabTypeInside(t, size, Le32(c + 12), 0)) return false;
    if (default_value && default_value >= size) return false;
  }
  return true;
}

}  // namespace

bool IsWellFormedShader(const uint8_t* data, size_t size) {
  if (!data || size < 8 || size % 4) return false;
  size_t count = size / 4;
  auto word = [data](size_t i) {
    uint32_t w;
    std::memcpy(&w, data + 4 * i, 4);
    return w;
  };
  uint32_t version = word(0);
  if ((version & 0xFFFE0000u) != 0xFFFE0000u) return false;  // 0xFFFE vertex, 0xFFFF pixel
  if (((version >> 8) & 0xFFu) < 2) return word(count - 1) == 0x0000FFFFu;  // no lengths to walk
  for (size_t i = 1; i < count; ++i) {
    uint32_t w = word(i);
    if (w == 0x0000FFFFu) return i == count - 1;  // the end token closes the stream
    // A comment carries its length in bits 16-30, an instruction its operand count in bits 24-27.
    const bool comment = (w & 0xFFFFu) == 0xFFFEu;
    size_t len = comment ? (w >> 16) & 0x7FFFu : (w >> 24) & 0xFu;
    if (len > count - 1 - i) return false;
    if (comment && len >= 1) {
      const uint32_t fourcc = word(i + 1);
      if (fourcc == 0x42415443u && !CtabInside(data + 4 * (i + 2), 4 * (len - 1))) return false;  // "CTAB"
      if (fourcc == 0x53455250u) return false;  // "PRES": preshaders are never ours
    }
    i += len;
  }
  return false;
}

}  // namespace fxbin
