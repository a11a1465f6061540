#include "effectc/effect_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace fxbin;

uint32_t Bits(float f) {
  uint32_t w;
  std::memcpy(&w, &f, 4);
  return w;
}

Value Number(const char* name, uint32_t type, uint32_t klass, uint32_t rows, uint32_t cols,
             std::vector<uint32_t> numbers, const char* semantic = "") {
  Value v;
  v.type.name = name;
  v.type.semantic = semantic;
  v.type.type = type;
  v.type.klass = klass;
  v.type.rows = rows;
  v.type.columns = cols;
  v.numbers = std::move(numbers);
  return v;
}

Value Object(const char* name, uint32_t type) {
  Value v;
  v.type.name = name;
  v.type.type = type;
  v.type.klass = kObject;
  return v;
}

Value Text(const char* name, const char* text) {
  Value v = Object(name, kString);
  v.text = text;
  return v;
}

State Op(const char* state, uint32_t index, Value v) {
  State s;
  s.operation = static_cast<uint32_t>(OperationByName(state));
  s.index = index;
  s.value = std::move(v);
  return s;
}

State IntState(const char* state, uint32_t value, uint32_t index = 0) {
  return Op(state, index, Number("", kInt, kScalar, 1, 1, {value}));
}

State TextureRef(const char* texture, uint32_t index = 0) {
  Value v = Object("", kTexture);
  v.reference = texture;
  return Op("Texture", index, v);
}

State Shader(const char* state, std::vector<uint8_t> code) {
  Value v = Object("", std::string(state) == "PixelShader" ? kPixelShader : kVertexShader);
  v.shader = std::move(code);
  return Op(state, 0, v);
}

// ps_2_0: a comment of one word, mov oC0, c0, end.
const std::vector<uint8_t> kShader = {0x00, 0x02, 0xFF, 0xFF, 0xFE, 0xFF, 0x01, 0x00, 0x41, 0x42, 0x43, 0x44,
                                      0x01, 0x00, 0x00, 0x02, 0x00, 0x08, 0x0F, 0x80, 0x00, 0x00, 0xE4, 0xA0,
                                      0xFF, 0xFF, 0x00, 0x00};

Parameter Param(Value v) {
  Parameter p;
  p.value = std::move(v);
  return p;
}

Effect FullEffect() {
  Effect e;
  Parameter tint = Param(Number("Tint", kFloat, kVector, 1, 4, {Bits(1), Bits(0.5f), Bits(0.25f), Bits(1)}, "COLOR"));
  tint.annotations = {Number("Min", kFloat, kScalar, 1, 1, {Bits(0)}), Number("Steps", kInt, kScalar, 1, 1, {8}),
                      Number("Visible", kBool, kScalar, 1, 1, {1}), Text("UIName", "Tint colour")};
  e.parameters.push_back(tint);
  std::vector<uint32_t> identity(16, 0);
  for (int i = 0; i < 4; ++i) identity[i * 5] = Bits(1);
  e.parameters.push_back(Param(Number("WorldViewProj", kFloat, kMatrixRows, 4, 4, identity)));
  e.parameters.push_back(Param(Number("Count", kInt, kScalar, 1, 1, {static_cast<uint32_t>(-3)})));
  e.parameters.push_back(Param(Number("Flag", kBool, kScalar, 1, 1, {1})));
  e.parameters.push_back(Param(Object("Picture", kTexture)));
  Parameter sampler = Param(Object("PictureSampler", kSampler2D));
  sampler.sampler = {TextureRef("Picture"), IntState("AddressU", 3), IntState("MinFilter", 2),
                     Op("MipMapLodBias", 0, Number("", kFloat, kScalar, 1, 1, {Bits(-0.5f)}))};
  e.parameters.push_back(sampler);

  Technique main;
  main.name = "Main";
  main.annotations = {Text("Purpose", "test")};
  Pass p0;
  p0.name = "P0";
  p0.states = {Op("AlphaBlendEnable", 0, Number("", kBool, kScalar, 1, 1, {1})), IntState("SrcBlend", 5),
               IntState("DestBlend", 6), IntState("AddressV", 2, 1), TextureRef("Picture", 1),
               Shader("PixelShader", kShader), Shader("VertexShader", {})};
  Pass p1;
  p1.annotations = {Number("Order", kInt, kScalar, 1, 1, {2})};
  p1.states = {IntState("BlendOp", 5), Op("PointSize", 0, Number("", kFloat, kScalar, 1, 1, {Bits(2.5f)}))};
  main.passes = {p0, p1};
  e.techniques.push_back(main);
  Technique empty;
  empty.name = "Empty";
  e.techniques.push_back(empty);
  return e;
}

uint32_t WordAt(const std::vector<uint8_t>& b, size_t at) {
  uint32_t w;
  std::memcpy(&w, b.data() + at, 4);
  return w;
}

TEST(EffectWriter, EveryFeatureReadsBackAsWritten) {
  struct Case {
    const char* name;
    Effect effect;
  };
  Effect one_param;
  one_param.parameters.push_back(Param(Number("Level", kFloat, kScalar, 1, 1, {Bits(0.4f)})));
  Effect sampler_only;
  sampler_only.parameters.push_back(Param(Object("T", kTexture2D)));
  Parameter s = Param(Object("S", kSampler));
  s.sampler = {TextureRef("T")};
  sampler_only.parameters.push_back(s);
  Effect technique_only;
  technique_only.techniques.push_back(Technique{"Main", {}, {Pass{"", {}, {IntState("CullMode", 1)}}}});
  const Case cases[] = {
      {"empty", Effect()},
      {"one float parameter", one_param},
      {"sampler over a 2D texture", sampler_only},
      {"technique with one unnamed pass", technique_only},
      {"every feature", FullEffect()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = effectc::WriteEffect(c.effect);
    Effect back;
    std::string error;
    ASSERT_TRUE(ReadEffect(bytes.data(), bytes.size(), &back, &error)) << error;
    ASSERT_EQ(back.parameters.size(), c.effect.parameters.size());
    for (size_t i = 0; i < back.parameters.size(); ++i)
      EXPECT_TRUE(back.parameters[i] == c.effect.parameters[i]) << "parameter " << i;
    ASSERT_EQ(back.techniques.size(), c.effect.techniques.size());
    for (size_t i = 0; i < back.techniques.size(); ++i)
      EXPECT_TRUE(back.techniques[i] == c.effect.techniques[i]) << "technique " << i;
  }
}

// The layout the loader reads, word by word, for one float parameter with a default.
TEST(EffectWriter, OneParameterHasTheLoadersLayout) {
  Effect e;
  e.parameters.push_back(Param(Number("A", kFloat, kScalar, 1, 1, {Bits(0.5f)})));
  std::vector<uint8_t> b = effectc::WriteEffect(e);
  ASSERT_EQ(b.size() % 4, 0u);
  EXPECT_EQ(WordAt(b, 0), 0xFEFF0901u);
  const size_t base = 8;
  const uint32_t main = WordAt(b, 4);
  EXPECT_EQ(WordAt(b, base + 0), 0u);  // the empty name every missing semantic points at
  // main part: 1 parameter, 0 techniques, a reserved word, object count 1 (id 0 unused, no objects)
  EXPECT_EQ(WordAt(b, base + main + 0), 1u);
  EXPECT_EQ(WordAt(b, base + main + 4), 0u);
  EXPECT_EQ(WordAt(b, base + main + 12), 1u);
  const uint32_t type = WordAt(b, base + main + 16), value = WordAt(b, base + main + 20);
  EXPECT_EQ(WordAt(b, base + main + 24), 0u);  // flags
  EXPECT_EQ(WordAt(b, base + main + 28), 0u);  // annotations
  EXPECT_EQ(WordAt(b, base + main + 32), 0u);  // strings
  EXPECT_EQ(WordAt(b, base + main + 36), 0u);  // resources
  EXPECT_EQ(b.size(), base + main + 40);
  // type record: FLOAT, SCALAR, name, semantic (empty), no elements, rows 1, columns 1
  EXPECT_EQ(WordAt(b, base + type), 3u);
  EXPECT_EQ(WordAt(b, base + type + 4), 0u);
  const uint32_t name = WordAt(b, base + type + 8);
  EXPECT_EQ(WordAt(b, base + name), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[base + name + 4])), "A");
  EXPECT_EQ(WordAt(b, base + WordAt(b, base + type + 12)), 0u);
  EXPECT_EQ(WordAt(b, base + type + 16), 0u);
  EXPECT_EQ(WordAt(b, base + type + 20), 1u);
  EXPECT_EQ(WordAt(b, base + type + 24), 1u);
  EXPECT_EQ(WordAt(b, base + value), Bits(0.5f));
}

// A vector's type record holds columns before rows, a matrix's rows before columns.
TEST(EffectWriter, VectorAndMatrixDimensionsInTheLoadersOrder) {
  for (uint32_t klass : {kVector, kMatrixRows}) {
    Effect e;
    e.parameters.push_back(Param(Number("V", kFloat, klass, klass == kVector ? 1 : 2, 3, std::vector<uint32_t>(
                                                                                           klass == kVector ? 3 : 6, 0))));
    std::vector<uint8_t> b = effectc::WriteEffect(e);
    const uint32_t type = WordAt(b, 8 + WordAt(b, 4) + 16);
    EXPECT_EQ(WordAt(b, 8 + type + 20), klass == kVector ? 3u : 2u) << klass;
    EXPECT_EQ(WordAt(b, 8 + type + 24), klass == kVector ? 1u : 3u) << klass;
  }
}

// Objects: ids from 1, a string per string annotation, a resource per shader and texture reference, and
// the object count covers every id.
TEST(EffectWriter, ObjectsStringsAndResourcesAreCounted) {
  std::vector<uint8_t> b = effectc::WriteEffect(FullEffect());
  const size_t main = 8 + WordAt(b, 4);
  // objects: 2 string annotations, the Picture texture, 2 texture references, 2 shaders => ids 1..7
  EXPECT_EQ(WordAt(b, main + 12), 8u);
}

TEST(EffectReader, TruncatedOrDamagedDataIsRefusedWithoutReadingOutside) {
  const std::vector<uint8_t> good = effectc::WriteEffect(FullEffect());
  Effect out;
  std::string error;
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));  // exact size for ASan
    EXPECT_FALSE(ReadEffect(cut.data(), cut.size(), &out, &error)) << "length " << n;
  }
  size_t refused = 0;
  for (size_t at = 4; at + 4 <= good.size(); at += 4) {
    for (uint32_t bad : {0xFFFFFFFFu, 0x7FFFFFF0u, 0x00010001u}) {
      std::vector<uint8_t> damaged = good;
      std::memcpy(&damaged[at], &bad, 4);
      if (!ReadEffect(damaged.data(), damaged.size(), &out, &error)) ++refused;
    }
  }
  EXPECT_GT(refused, 0u);
  std::vector<uint8_t> longer = good;
  longer.resize(longer.size() + 4);
  EXPECT_FALSE(ReadEffect(longer.data(), longer.size(), &out, &error));
  EXPECT_EQ(error, "bytes after the last resource");
}

TEST(EffectReader, ShaderTokenStreams) {
  auto words = [](std::vector<uint32_t> w) {
    std::vector<uint8_t> b(w.size() * 4);
    std::memcpy(b.data(), w.data(), b.size());
    return b;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> code;
    bool ok;
  };
  const Case cases[] = {
      {"pixel shader", kShader, true},
      {"vertex shader, end only", words({0xFFFE0200u, 0x0000FFFFu}), true},
      {"no end token", words({0xFFFF0200u, 0x02000001u, 0x800F0800u, 0xA0E40000u}), false},
      {"comment longer than the stream", words({0xFFFF0200u, 0x0005FFFEu, 0x0000FFFFu}), false},
      {"operands past the end", words({0xFFFF0200u, 0x05000001u, 0x0000FFFFu}), false},
      {"words after the end token", words({0xFFFF0200u, 0x0000FFFFu, 0u}), false},
      {"not a shader", words({0x00000200u, 0x0000FFFFu}), false},
      // a constant table of no constants, then one whose constant records lie past its end
      {"empty constant table", words({0xFFFF0200u, 0x0008FFFEu, 0x42415443u, 28, 0, 0xFFFF0200u, 0, 28, 0, 0,
                                      0x0000FFFFu}),
       true},
      {"constant records outside the table", words({0xFFFF0200u, 0x0008FFFEu, 0x42415443u, 28, 0, 0xFFFF0200u, 1,
                                                    28, 0, 0, 0x0000FFFFu}),
       false},
      {"creator name outside the table", words({0xFFFF0200u, 0x0008FFFEu, 0x42415443u, 28, 400, 0xFFFF0200u, 0, 28,
                                                0, 0, 0x0000FFFFu}),
       false},
      {"preshader", words({0xFFFF0200u, 0x0002FFFEu, 0x53455250u, 0, 0x0000FFFFu}), false},
      {"ragged length", std::vector<uint8_t>(kShader.begin(), kShader.end() - 1), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsWellFormedShader(c.code.data(), c.code.size()), c.ok) << c.name;
}

}  // namespace
