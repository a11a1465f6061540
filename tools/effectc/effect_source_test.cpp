#include "effectc/effect_source.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effectc/shader_compiler.h"

namespace {

using namespace fxbin;

float AsFloat(uint32_t w) {
  float f;
  std::memcpy(&f, &w, 4);
  return f;
}

const State* FindState(const std::vector<State>& states, const char* name) {
  int op = OperationByName(name);
  for (const State& s : states)
    if (static_cast<int>(s.operation) == op) return &s;
  return nullptr;
}

TEST(EffectSource, ParametersWithTypesSemanticsAnnotationsAndDefaults) {
  const effectc::ParsedEffect p = effectc::ParseEffectSource(R"(
    float Level = 0.4;
    float2 Scale : SCALE = {2, -0.5};
    float3 Tint = float3(1, 0.5, 0.25);
    float4 Colour < string UIName = "Colour"; float Min = 0; int Steps = 4; bool Show = true; > = 1;
    float4x4 WorldViewProj : WORLDVIEWPROJECTION;
    int Mode = -2;
    bool Enabled = true;
    texture Picture < string Name = "picture.png"; >;
    uniform float Plain;
    static const float PI = 3.14159;
  )");
  const Effect& e = p.effect;
  ASSERT_EQ(e.parameters.size(), 9u);  // the static constant is the shader's own
  struct Expect {
    const char* name;
    uint32_t type, klass, rows, cols;
    std::vector<float> defaults;
  };
  const Expect expect[] = {
      {"Level", kFloat, kScalar, 1, 1, {0.4f}},
      {"Scale", kFloat, kVector, 1, 2, {2, -0.5f}},
      {"Tint", kFloat, kVector, 1, 3, {1, 0.5f, 0.25f}},
      {"Colour", kFloat, kVector, 1, 4, {1, 1, 1, 1}},
      {"WorldViewProj", kFloat, kMatrixRows, 4, 4, std::vector<float>(16, 0)},
      {"Mode", kInt, kScalar, 1, 1, {}},
      {"Enabled", kBool, kScalar, 1, 1, {}},
      {"Picture", kTexture, kObject, 0, 0, {}},
      {"Plain", kFloat, kScalar, 1, 1, {0}},
  };
  for (const Expect& x : expect) {
    SCOPED_TRACE(x.name);
    const Parameter* param = e.FindParameter(x.name);
    ASSERT_NE(param, nullptr);
    const TypeDesc& t = param->value.type;
    EXPECT_EQ(t.type, x.type);
    EXPECT_EQ(t.klass, x.klass);
    EXPECT_EQ(t.rows, x.rows);
    EXPECT_EQ(t.columns, x.cols);
    if (t.type == kFloat) {
      ASSERT_EQ(param->value.numbers.size(), x.defaults.size());
      for (size_t i = 0; i < x.defaults.size(); ++i) EXPECT_FLOAT_EQ(AsFloat(param->value.numbers[i]), x.defaults[i]);
    }
  }
  EXPECT_EQ(e.FindParameter("Scale")->value.type.semantic, "SCALE");
  EXPECT_EQ(e.FindParameter("Mode")->value.numbers, std::vector<uint32_t>{static_cast<uint32_t>(-2)});
  EXPECT_EQ(e.FindParameter("Enabled")->value.numbers, std::vector<uint32_t>{1});
  const std::vector<Value>& notes = e.FindParameter("Colour")->annotations;
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[0].type.type, kString);
  EXPECT_EQ(notes[0].text, "Colour");
  EXPECT_EQ(notes[2].type.name, "Steps");
  EXPECT_EQ(notes[2].numbers, std::vector<uint32_t>{4});
  EXPECT_EQ(notes[3].numbers, std::vector<uint32_t>{1});
  EXPECT_EQ(e.FindParameter("Picture")->annotations[0].text, "picture.png");
}

TEST(EffectSource, SamplersTechniquesAndPassStates) {
  const effectc::ParsedEffect p = effectc::ParseEffectSource(R"(
    texture Picture;
    sampler2D PictureSampler = sampler_state {
      Texture = <Picture>;
      AddressU = MIRROR; addressv = Clamp;
      MinFilter = LINEAR; MagFilter = POINT; MipFilter = NONE;
      MipMapLodBias = -0.5;
    };
    float4 Shade(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(PictureSampler, uv); }
    float4 Move(float4 p : POSITION) : POSITION { return p; }
    technique Main < string Purpose = "test"; > {
      pass P0 {
        AlphaBlendEnable = TRUE; SrcBlend = SRCALPHA; DestBlend = INVSRCALPHA; BlendOp = MAX;
        ZEnable = false; CullMode = NONE; AlphaRef = 0x80; AlphaFunc = GREATEREQUAL;
        ColorWriteEnable = RED | GREEN | BLUE; PointSize = 2.5;
        AddressU[1] = WRAP; Texture[1] = (Picture);
        VertexShader = NULL;
        PixelShader = compile ps_2_0 Shade();
      }
      pass { VertexShader = compile vs_2_0 Move(); PixelShader = NULL; }
    }
    technique Other { pass P0 { } }
  )");
  const Effect& e = p.effect;
  const Parameter* sampler = e.FindParameter("PictureSampler");
  ASSERT_NE(sampler, nullptr);
  EXPECT_EQ(sampler->value.type.type, kSampler2D);
  ASSERT_EQ(sampler->sampler.size(), 7u);
  EXPECT_EQ(sampler->sampler[0].value.reference, "Picture");
  struct Want {
    const char* state;
    uint32_t value;
  };
  for (const Want& w : {Want{"AddressU", 2}, Want{"AddressV", 3}, Want{"MinFilter", 2}, Want{"MagFilter", 1},
                        Want{"MipFilter", 0}}) {
    const State* s = FindState(sampler->sampler, w.state);
    ASSERT_NE(s, nullptr) << w.state;
    EXPECT_EQ(s->value.numbers, std::vector<uint32_t>{w.value}) << w.state;
  }
  EXPECT_FLOAT_EQ(AsFloat(FindState(sampler->sampler, "MipMapLodBias")->value.numbers[0]), -0.5f);

  ASSERT_EQ(e.techniques.size(), 2u);
  const Technique& main = e.techniques[0];
  EXPECT_EQ(main.name, "Main");
  EXPECT_EQ(main.annotations[0].text, "test");
  ASSERT_EQ(main.passes.size(), 2u);
  EXPECT_EQ(main.passes[1].name, "");
  const std::vector<State>& s = main.passes[0].states;
  const Want render[] = {{"AlphaBlendEnable", 1}, {"SrcBlend", 5},  {"DestBlend", 6},         {"BlendOp", 5},
                         {"ZEnable", 0},          {"CullMode", 1},  {"AlphaRef", 0x80},      {"AlphaFunc", 7},
                         {"ColorWriteEnable", 7}};
  for (const Want& w : render) {
    const State* st = FindState(s, w.state);
    ASSERT_NE(st, nullptr) << w.state;
    EXPECT_EQ(st->value.numbers, std::vector<uint32_t>{w.value}) << w.state;
  }
  EXPECT_EQ(FindState(s, "AlphaBlendEnable")->value.type.type, kBool);
  EXPECT_EQ(FindState(s, "SrcBlend")->value.type.type, kInt);
  EXPECT_EQ(FindState(s, "PointSize")->value.type.type, kFloat);
  EXPECT_FLOAT_EQ(AsFloat(FindState(s, "PointSize")->value.numbers[0]), 2.5f);
  EXPECT_EQ(FindState(s, "AddressU")->index, 1u);
  EXPECT_EQ(FindState(s, "Texture")->index, 1u);
  EXPECT_EQ(FindState(s, "Texture")->value.reference, "Picture");
  EXPECT_EQ(FindState(s, "VertexShader")->value.type.type, kVertexShader);
  EXPECT_TRUE(FindState(s, "VertexShader")->value.shader.empty());

  // One compile job per `compile`, pointing at its state.
  ASSERT_EQ(p.shaders.size(), 2u);
  EXPECT_EQ(p.shaders[0].profile, "ps_2_0");
  EXPECT_EQ(p.shaders[0].entry, "Shade");
  EXPECT_EQ(p.shaders[0].pass, 0u);
  EXPECT_EQ(static_cast<int>(s[p.shaders[0].state].operation), OperationByName("PixelShader"));
  EXPECT_EQ(p.shaders[1].entry, "Move");
  EXPECT_EQ(p.shaders[1].pass, 1u);
  EXPECT_EQ(p.shaders[1].line, 20);
}

// The shader compiler sees functions and plain declarations on their own lines; techniques, sampler
// states and annotations are blanked out.
TEST(EffectSource, ShaderSourceKeepsLinesAndDropsEffectParts) {
  const std::string text =
      "texture T < string a = \"x\"; >;\n"
      "sampler S = sampler_state { Texture = <T>; };\n"
      "float4 F(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(S, uv); }\n"
      "technique Main {\n pass P { PixelShader = compile ps_2_0 F(); }\n}\n"
      "float G = 2;\n";
  const std::string shader = effectc::ParseEffectSource(text).shader_source;
  EXPECT_EQ(std::count(shader.begin(), shader.end(), '\n'), std::count(text.begin(), text.end(), '\n'));
  EXPECT_EQ(shader.size(), text.size());
  for (const char* gone : {"technique", "sampler_state", "string a", "pass", "compile"})
    EXPECT_EQ(shader.find(gone), std::string::npos) << gone;
  for (const char* kept : {"texture T", "sampler S", "return tex2D(S, uv);", "float G = 2;"})
    EXPECT_NE(shader.find(kept), std::string::npos) << kept;
  EXPECT_EQ(shader.substr(shader.find("float G")), "float G = 2;\n");
}

TEST(EffectSource, ErrorsNameTheLineAndColumn) {
  struct Case {
    const char* source;
    int line, column;
    const char* message;
  };
  const Case cases[] = {
      {"float A = 1\nfloat B;", 2, 1, "expected ';'"},
      {"float3 A = {1, 2};", 1, 12, "needs 3 values"},
      {"half A;", 1, 1, "unsupported parameter type 'half'"},
      {"float A[4];", 1, 8, "arrays are not supported"},
      {"#define X 1\n", 1, 1, "preprocessor"},
      {"texture T;\ntechnique M { pass P { AlphaBlend = TRUE; } }", 2, 24, "unknown state 'AlphaBlend'"},
      {"technique M { pass P { SrcBlend = MAXIMUM; } }", 1, 35, "'MAXIMUM' is not a value of SrcBlend"},
      {"technique M { pass P { AddressU = CLAMP; } }", 1, 33, "needs a sampler index"},
      {"technique M { pass P { CullMode[0] = NONE; } }", 1, 32, "takes no index"},
      {"sampler S = sampler_state { Texture = <T>; };", 1, 40, "not a texture parameter"},
      {"float T; sampler S = sampler_state { Texture = <T>; };", 1, 49, "not a texture parameter"},
      {"sampler S = sampler_state { CullMode = NONE; };", 1, 29, "not a sampler state"},
      {"technique M { pass P { PixelShader = compile vs_2_0 F(); } }", 1, 46, "not a pixel shader profile"},
      {"technique M { pass P { PixelShader = compile ps_2_0 F(1); } }", 1, 55, "shader arguments"},
      {"technique M { pass P { PixelShader = F; } }", 1, 38, "expected 'compile"},
      {"float A; float A;", 1, 16, "declared twice"},
      {"technique M { } technique M { }", 1, 27, "declared twice"},
      {"float4 F() : COLOR0 { return 1;", 1, 21, "never closed"},
      {"/* open", 1, 1, "unterminated comment"},
      {"texture T = 1;", 1, 13, "no initialiser"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    try {
      effectc::ParseEffectSource(c.source);
      ADD_FAILURE() << "accepted";
    } catch (const effectc::SourceError& e) {
      EXPECT_EQ(e.line, c.line);
      EXPECT_EQ(e.column, c.column);
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

#ifdef LUMI_TEST_HLSL_COMPILER
// The real compiler: bytecode with a constant table for a good function, and the source's own file name
// and line in the message for a bad one.
TEST(ShaderCompiler, CompilesAndReportsAgainstTheEffectSource) {
  const std::string good_source =
      "float4 Tint;\n"
      "float4 Good(float2 uv : TEXCOORD0) : COLOR0 { return Tint * uv.x; }\n";
  effectc::ShaderResult good =
      effectc::CompileShader(LUMI_TEST_HLSL_COMPILER, good_source, "fx/tint.fx", "ps_2_0", "Good");
  ASSERT_TRUE(good.ok) << good.messages;
  EXPECT_TRUE(IsWellFormedShader(good.bytecode.data(), good.bytecode.size()));
  EXPECT_EQ(good.bytecode[2], 0xFF);  // pixel shader version token
  EXPECT_NE(std::string(good.bytecode.begin(), good.bytecode.end()).find("CTAB"), std::string::npos);

  const std::string bad_source = good_source + "float4 Bad(float2 uv : TEXCOORD0) : COLOR0 { return Missing; }\n";
  effectc::ShaderResult bad =
      effectc::CompileShader(LUMI_TEST_HLSL_COMPILER, bad_source, "fx/tint.fx", "ps_2_0", "Bad");
  EXPECT_FALSE(bad.ok);
  EXPECT_NE(bad.messages.find("fx/tint.fx:3:"), std::string::npos) << bad.messages;
  EXPECT_NE(bad.messages.find("Missing"), std::string::npos) << bad.messages;

  effectc::ShaderResult absent = effectc::CompileShader("/nonexistent/compiler", good_source, "x.fx", "ps_2_0", "Good");
  EXPECT_FALSE(absent.ok);
  EXPECT_NE(absent.messages.find("scripts/setup"), std::string::npos);
}

// The tool as the build runs it: an effect written and readable on success; on an error in the effect
// part or in a shader function, the file, line and message on its output, exit code 1 and no file.
TEST(Effectc, WritesTheEffectOrStopsWithFileLineAndMessage) {
  char dir_template[] = "/tmp/effectc-test.XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  struct Case {
    const char* name;
    const char* source;
    const char* message;  // empty: compiles
  };
  const Case cases[] = {
      {"good", "float4 Tint = {1, 0, 0, 1};\nfloat4 F(float2 uv : TEXCOORD0) : COLOR0 { return Tint; }\n"
               "technique Main { pass P0 { AlphaBlendEnable = FALSE; PixelShader = compile ps_2_0 F(); } }\n", ""},
      {"effect_error", "float4 Tint;\ntechnique Main { pass P0 { AlphaBlend = FALSE; } }\n",
       "effect_error.fx:2:28: error: unknown state 'AlphaBlend'"},
      {"shader_error", "float4 Tint;\n\nfloat4 F(float2 uv : TEXCOORD0) : COLOR0 { return Missing; }\n"
                       "technique Main { pass P0 { PixelShader = compile ps_2_0 F(); } }\n",
       "shader_error.fx:3:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = dir + "/" + c.name + ".fx", out = dir + "/" + c.name + ".fxo";
    FILE* f = std::fopen(in.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(c.source, f);
    std::fclose(f);
    const std::string command = std::string(LUMI_TEST_EFFECTC) + " --compiler " + LUMI_TEST_HLSL_COMPILER + " " + in +
                                " " + out + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string printed;
    char buf[256];
    while (std::fgets(buf, sizeof(buf), p)) printed += buf;
    const int status = pclose(p);
    FILE* written = std::fopen(out.c_str(), "rb");
    if (*c.message == 0) {
      EXPECT_EQ(status, 0) << printed;
      ASSERT_NE(written, nullptr);
      std::vector<uint8_t> bytes(1 << 16);
      bytes.resize(std::fread(bytes.data(), 1, bytes.size(), written));
      Effect e;
      std::string error;
      ASSERT_TRUE(ReadEffect(bytes.data(), bytes.size(), &e, &error)) << error;
      ASSERT_EQ(e.techniques.size(), 1u);
      EXPECT_FALSE(FindState(e.techniques[0].passes[0].states, "PixelShader")->value.shader.empty());
    } else {
      EXPECT_NE(status, 0);
      EXPECT_EQ(written, nullptr);
      EXPECT_NE(printed.find(dir + "/" + c.message), std::string::npos) << printed;
    }
    if (written) std::fclose(written);
    std::remove(in.c_str());
    std::remove(out.c_str());
  }
  rmdir(dir.c_str());
}
#endif

}  // namespace
