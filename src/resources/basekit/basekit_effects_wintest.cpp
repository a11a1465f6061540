// Every compiled effect of "basekit.dll" on the device: it loads, every technique validates, every pass
// sets on the device exactly the render and sampler states the effect names, the parameters the drawing
// code sets exist with their types and defaults, and known inputs draw known pixels. A damaged effect
// gives no effect at all instead of reaching the loader.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/effect_binary.h"
#include "render/render_device_win.h"
#include "resources/basekit/effect_expectations.h"
#include "support/d3d_fixture_win.h"

namespace {

using basekit_effects::EffectExpectation;
using basekit_effects::PixelExpectation;

struct ModuleEffect {
  int id;
  std::vector<BYTE> bytes;
};

BOOL CALLBACK CollectEffect(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR out) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  HRSRC info = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const BYTE* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
  if (bytes) {
    ModuleEffect e{static_cast<int>(reinterpret_cast<ULONG_PTR>(name)),
                   std::vector<BYTE>(bytes, bytes + SizeofResource(module, info))};
    reinterpret_cast<std::vector<ModuleEffect>*>(out)->push_back(e);
  }
  return TRUE;
}

// Every RT_RCDATA resource of basekit.dll, by id.
std::vector<ModuleEffect> ModuleEffects() {
  std::vector<ModuleEffect> out;
  HMODULE module = LoadLibraryExW(L"basekit.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return out;
  EnumResourceNamesW(module, MAKEINTRESOURCEW(10), CollectEffect, reinterpret_cast<LONG_PTR>(&out));
  FreeLibrary(module);
  return out;
}

IDirect3DTexture9* SolidTexture(IDirect3DDevice9* device, DWORD argb) {
  IDirect3DTexture9* t = nullptr;
  if (FAILED(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr))) return nullptr;
  D3DLOCKED_RECT lr;
  if (SUCCEEDED(t->LockRect(0, &lr, nullptr, 0))) {
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = argb;
    t->UnlockRect(0);
  }
  return t;
}

bool Near(DWORD a, DWORD b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

class BasekitEffectsTest : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    D3DFixture::SetUp();
    effects_ = ModuleEffects();
  }
  void TearDown() override {
    for (auto& t : textures_) t.second->Release();
    textures_.clear();
    D3DFixture::TearDown();
  }

  ID3DXEffect* Create(const ModuleEffect& m) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffect(device(), m.bytes.data(), static_cast<UINT>(m.bytes.size()), nullptr, nullptr, 0,
                                  nullptr, &effect, &errors);
    EXPECT_EQ(hr, D3D_OK) << "effect " << m.id << " hr " << std::hex << hr;
    if (errors) errors->Release();
    return SUCCEEDED(hr) ? effect : nullptr;
  }

  // A distinct texture per texture parameter, so that the test can tell which one the device holds.
  void BindTextures(ID3DXEffect* effect, const fxbin::Effect& model) {
    DWORD colour = 0xFF102030;
    for (const fxbin::Parameter& p : model.parameters) {
      if (!fxbin::IsTextureType(p.value.type.type)) continue;
      IDirect3DTexture9*& t = textures_[p.value.type.name];
      if (!t) t = SolidTexture(device(), colour += 0x00101010);
      EXPECT_EQ(effect->SetTexture(p.value.type.name.c_str(), t), D3D_OK) << p.value.type.name;
    }
  }

  IDirect3DBaseTexture9* TextureOf(const std::string& parameter) {
    auto it = textures_.find(parameter);
    return it == textures_.end() ? nullptr : it->second;
  }

  DWORD Sampler(DWORD stage, DWORD state) {
    DWORD v = 0xDEADBEEF;
    device()->GetSamplerState(stage, static_cast<D3DSAMPLERSTATETYPE>(state), &v);
    return v;
  }

  // After BeginPass: the device holds every state of the pass, and for each sampler its pixel shader
  // reads, the states of that sampler's block at the register the shader's constant table names.
  void CheckPassStates(const fxbin::Effect& model, const fxbin::Pass& pass, const std::string& where) {
    for (const fxbin::State& s : pass.states) {
      const fxbin::StateInfo* info = fxbin::StateByOperation(s.operation);
      SCOPED_TRACE(where + " state " + info->name);
      DWORD want = s.value.numbers.empty() ? 0 : s.value.numbers[0];
      DWORD got = 0xDEADBEEF;
      switch (info->kind) {
        case fxbin::StateKind::kRender:
          device()->GetRenderState(static_cast<D3DRENDERSTATETYPE>(info->device_id), &got);
          EXPECT_EQ(got, want);
          break;
        case fxbin::StateKind::kSampler:
          EXPECT_EQ(Sampler(s.index, info->device_id), want);
          break;
        case fxbin::StateKind::kTexture: {
          IDirect3DBaseTexture9* t = nullptr;
          device()->GetTexture(s.index, &t);
          EXPECT_EQ(t, TextureOf(s.value.reference));
          if (t) t->Release();
          break;
        }
        case fxbin::StateKind::kPixelShader:
        case fxbin::StateKind::kVertexShader: {
          IUnknown* shader = nullptr;
          if (info->kind == fxbin::StateKind::kPixelShader)
            device()->GetPixelShader(reinterpret_cast<IDirect3DPixelShader9**>(&shader));
          else
            device()->GetVertexShader(reinterpret_cast<IDirect3DVertexShader9**>(&shader));
          EXPECT_EQ(shader != nullptr, !s.value.shader.empty());
          if (shader) shader->Release();
          if (!s.value.shader.empty()) CheckSamplers(model, s.value.shader, where);
          break;
        }
        default:
          break;
      }
    }
  }

  void CheckSamplers(const fxbin::Effect& model, const std::vector<uint8_t>& code, const std::string& where) {
    ID3DXConstantTable* table = nullptr;
    ASSERT_EQ(D3DXGetShaderConstantTable(reinterpret_cast<const DWORD*>(code.data()), &table), D3D_OK) << where;
    D3DXCONSTANTTABLE_DESC desc = {};
    table->GetDesc(&desc);
    for (UINT i = 0; i < desc.Constants; ++i) {
      D3DXCONSTANT_DESC c = {};
      UINT count = 1;
      table->GetConstantDesc(table->GetConstant(nullptr, i), &c, &count);
      const fxbin::Parameter* p = model.FindParameter(c.Name);
      EXPECT_NE(p, nullptr) << where << ": the shader reads " << c.Name << ", which the effect does not declare";
      if (!p || c.RegisterSet != D3DXRS_SAMPLER) continue;
      for (const fxbin::State& s : p->sampler) {
        const fxbin::StateInfo* info = fxbin::StateByOperation(s.operation);
        SCOPED_TRACE(where + " sampler " + c.Name + " " + info->name);
        if (info->kind == fxbin::StateKind::kSampler) {
          EXPECT_EQ(Sampler(c.RegisterIndex, info->device_id), s.value.numbers[0]);
        } else if (info->kind == fxbin::StateKind::kTexture) {
          IDirect3DBaseTexture9* t = nullptr;
          device()->GetTexture(c.RegisterIndex, &t);
          EXPECT_EQ(t, TextureOf(s.value.reference));
          if (t) t->Release();
        }
      }
    }
    table->Release();
  }

  std::vector<ModuleEffect> effects_;
  std::map<std::string, IDirect3DTexture9*> textures_;
};

TEST_F(BasekitEffectsTest, EveryEffectLoadsValidatesAndSetsThePassStatesItNames) {
  ASSERT_FALSE(effects_.empty()) << "basekit.dll holds no effects";
  for (const ModuleEffect& m : effects_) {
    SCOPED_TRACE("effect " + std::to_string(m.id));
    fxbin::Effect model;
    std::string error;
    ASSERT_TRUE(fxbin::ReadEffect(m.bytes.data(), m.bytes.size(), &model, &error)) << error;
    ID3DXEffect* effect = Create(m);
    if (!effect) continue;
    D3DXEFFECT_DESC desc = {};
    effect->GetDesc(&desc);
    EXPECT_EQ(desc.Techniques, model.techniques.size());
    EXPECT_EQ(desc.Parameters, model.parameters.size());
    BindTextures(effect, model);
    for (const fxbin::Technique& t : model.techniques) {
      D3DXHANDLE handle = effect->GetTechniqueByName(t.name.c_str());
      ASSERT_NE(handle, nullptr) << t.name;
      EXPECT_EQ(effect->ValidateTechnique(handle), D3D_OK) << t.name;
      ASSERT_EQ(effect->SetTechnique(handle), D3D_OK) << t.name;
      UINT passes = 0;
      ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK) << t.name;
      EXPECT_EQ(passes, t.passes.size());
      for (UINT p = 0; p < passes && p < t.passes.size(); ++p) {
        ASSERT_EQ(effect->BeginPass(p), D3D_OK);
        CheckPassStates(model, t.passes[p], t.name + " pass " + std::to_string(p));
        effect->EndPass();
      }
      effect->End();
    }
    effect->Release();
  }
}

TEST_F(BasekitEffectsTest, EffectsOfferTheTechniquesAndParametersTheirCallersUse) {
  for (const EffectExpectation& x : basekit_effects::Expectations()) {
    SCOPED_TRACE("effect " + std::to_string(x.id));
    const ModuleEffect* m = nullptr;
    for (const ModuleEffect& e : effects_)
      if (e.id == x.id) m = &e;
    ASSERT_NE(m, nullptr) << "basekit.dll lacks the effect";
    ID3DXEffect* effect = Create(*m);
    if (!effect) continue;
    for (const char* t : x.techniques) EXPECT_NE(effect->GetTechniqueByName(t), nullptr) << t;
    for (const basekit_effects::ParameterExpectation& p : x.parameters) {
      SCOPED_TRACE(p.name);
      D3DXHANDLE h = effect->GetParameterByName(nullptr, p.name);
      ASSERT_NE(h, nullptr);
      D3DXPARAMETER_DESC d = {};
      effect->GetParameterDesc(h, &d);
      EXPECT_EQ(d.Class, p.klass);
      EXPECT_EQ(d.Type, p.type);
      EXPECT_EQ(d.Elements, 0u);
      if (p.klass != D3DXPC_OBJECT) {
        EXPECT_EQ(d.Rows, p.rows);
        EXPECT_EQ(d.Columns, p.columns);
      }
      if (!p.defaults.empty()) {
        std::vector<float> got(p.defaults.size(), -99.0f);
        EXPECT_EQ(effect->GetFloatArray(h, got.data(), static_cast<UINT>(got.size())), D3D_OK);
        for (size_t i = 0; i < got.size(); ++i) EXPECT_FLOAT_EQ(got[i], p.defaults[i]) << "component " << i;
      }
    }
    effect->Release();
  }
}

TEST_F(BasekitEffectsTest, KnownInputsDrawKnownPixels) {
  struct Vertex {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
  };
  for (const EffectExpectation& x : basekit_effects::Expectations()) {
    const ModuleEffect* m = nullptr;
    for (const ModuleEffect& e : effects_)
      if (e.id == x.id) m = &e;
    if (!m) continue;  // reported by the test above
    for (const PixelExpectation& px : x.pixels) {
      SCOPED_TRACE("effect " + std::to_string(x.id) + " " + px.technique);
      ID3DXEffect* effect = Create(*m);
      if (!effect) continue;
      std::vector<IDirect3DTexture9*> made;
      for (const basekit_effects::TextureFill& t : px.textures) {
        made.push_back(SolidTexture(device(), t.argb));
        EXPECT_EQ(effect->SetTexture(t.parameter, made.back()), D3D_OK) << t.parameter;
      }
      for (const basekit_effects::FloatValues& f : px.floats)
        EXPECT_EQ(effect->SetFloatArray(f.parameter, f.values.data(), static_cast<UINT>(f.values.size())), D3D_OK)
            << f.parameter;
      ASSERT_EQ(effect->SetTechnique(px.technique), D3D_OK);
      const float w = 64, h = 64;
      const Vertex quad[4] = {{-0.5f, -0.5f, 0, 1, px.vertexColour, 0, 0},
                              {w - 0.5f, -0.5f, 0, 1, px.vertexColour, 1, 0},
                              {-0.5f, h - 0.5f, 0, 1, px.vertexColour, 0, 1},
                              {w - 0.5f, h - 0.5f, 0, 1, px.vertexColour, 1, 1}};
      device()->Clear(0, nullptr, D3DCLEAR_TARGET, px.clear, 1.0f, 0);
      device()->BeginScene();
      device()->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
      UINT passes = 0;
      effect->Begin(&passes, 0);
      for (UINT p = 0; p < passes; ++p) {
        effect->BeginPass(p);
        EXPECT_EQ(device()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex)), D3D_OK);
        effect->EndPass();
      }
      effect->End();
      device()->EndScene();
      lumi_test::Pixels frame = BackBuffer();
      ASSERT_EQ(frame.width, 64u);
      DWORD got = frame.at(32, 32);
      EXPECT_TRUE(Near(got, px.expected, px.tolerance)) << std::hex << "got " << got << ", want " << px.expected;
      for (IDirect3DTexture9* t : made)
        if (t) t->Release();
      effect->Release();
    }
  }
}

// A damaged or cut compiled effect never reaches the loader: the device layer makes no effect of it,
// so the item that asked draws nothing. The intact bytes still make one.
TEST_F(BasekitEffectsTest, DamagedOrTruncatedEffectsGiveNoEffect) {
  ASSERT_FALSE(effects_.empty());
  const std::vector<BYTE>& good = effects_[0].bytes;
  D3D9RenderDevice resources;
  ID3DXEffect* intact = resources.CreateEffect(good.data(), static_cast<INT>(good.size()));
  EXPECT_NE(intact, nullptr);
  resources.ReleaseEffect(intact);
  for (size_t n : {size_t{4}, size_t{8}, size_t{12}, good.size() / 3, good.size() / 2, good.size() - 4,
                   good.size() - 1}) {
    std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(resources.CreateEffect(cut.data(), static_cast<INT>(cut.size())), nullptr) << "first " << n << " bytes";
  }
  // One word at a time through the whole effect (counts, offsets, ids, shader tokens and their constant
  // tables) made huge, negative or odd: refused, or loaded without a crash.
  for (DWORD bad : {0x7FFFFFF0u, 0xFFFFFFFFu, 0x00010001u, 0x0000FFFFu}) {
    for (size_t at = 4; at + 4 <= good.size(); at += 4) {
      std::vector<BYTE> damaged = good;
      std::memcpy(&damaged[at], &bad, 4);
      fxbin::Effect model;
      bool readable = fxbin::ReadEffect(damaged.data(), damaged.size(), &model, nullptr);
      ID3DXEffect* e = resources.CreateEffect(damaged.data(), static_cast<INT>(damaged.size()));
      if (!readable) {
        EXPECT_EQ(e, nullptr) << "word at " << at;
      }
      resources.ReleaseEffect(e);
    }
  }
}

}  // namespace
