// What the effects of basekit.dll must offer their callers: per resource id, the techniques and the
// parameters the drawing code sets (with the type it sets them as and the default the effect carries),
// and pixels a technique must draw from known inputs. basekit_effects_wintest.cpp checks every entry,
// besides the checks it makes on every effect of the module. One entry per effect; add yours.
#pragma once

#include <windows.h>
#include <d3dx9.h>

#include <vector>

namespace basekit_effects {

struct ParameterExpectation {
  const char* name;
  D3DXPARAMETER_CLASS klass;
  D3DXPARAMETER_TYPE type;
  UINT rows, columns;
  std::vector<float> defaults;  // numbers only; empty: not checked
};

struct TextureFill {
  const char* parameter;
  DWORD argb;  // every texel of a 4 x 4 A8R8G8B8 texture
};

struct FloatValues {
  const char* parameter;
  std::vector<float> values;
};

// One quad over the whole 64 x 64 target (pre-transformed, uv 0..1, this vertex colour), drawn through
// every pass of the technique after clearing the target; the centre pixel must be `expected`, each channel
// within `tolerance`.
struct PixelExpectation {
  const char* technique;
  DWORD clear;
  DWORD vertexColour;
  std::vector<TextureFill> textures;
  std::vector<FloatValues> floats;
  DWORD expected;
  int tolerance;
};

struct EffectExpectation {
  int id;
  std::vector<const char*> techniques;
  std::vector<ParameterExpectation> parameters;
  std::vector<PixelExpectation> pixels;
};

inline const std::vector<EffectExpectation>& Expectations() {
  static const std::vector<EffectExpectation> all = {
      // 63: heat haze of the flame light. A flat distortion map (0.5 everywhere) leaves the slide where
      // it is; the slide's alpha is not used, the result is opaque.
      {63,
       {"BumpmapDistortLow2"},
       {{"SceneTex", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Bumpmap", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"stenght", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0.0025f}},
        {"Offset", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}},
        {"bump_scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0.208f, 0.208f}}},
       {{"BumpmapDistortLow2", 0xFF000000, 0xFFFFFFFF, {{"SceneTex", 0xFF336699}, {"Bumpmap", 0xFF808000}},
         {{"stenght", {0.1f}}, {"Offset", {0.3f, -0.3f}}}, 0xFF336699, 2},
        {"BumpmapDistortLow2", 0xFF102030, 0xFFFFFFFF, {{"SceneTex", 0x20204060}, {"Bumpmap", 0xFFFF0000}}, {},
         0xFF204060, 2}}},
      // 97: glow of the glow particle items.
      {97,
       {"Blend_Max", "Blend_Screen", "Blend_Normal", "Common"},
       {{"Texture1", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Texture2", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"BlendColor", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, {1, 1, 1, 1}}},
       {// overlapping glows keep the brightest value of each channel
        {"Blend_Max", 0x00602000, 0xFF40FF80, {{"Texture1", 0xFF808080}}, {}, 0xFF608040, 2},
        // screen over the scene already on the target: 1 - (1 - scene)(1 - glow * colour * strength)
        {"Blend_Screen", 0xFF404040, 0xFFFFFFFF, {{"Texture2", 0x80808080}}, {{"BlendColor", {1, 0, 0, 1}}},
         0xFFA04040, 2},
        {"Blend_Screen", 0xFF404040, 0xFFFFFFFF, {{"Texture2", 0x80808080}}, {{"BlendColor", {1, 0, 0, 0}}},
         0xFF404040, 2},
        // normal: the colour laid over the scene by the glow's coverage times the strength
        {"Blend_Normal", 0xFF404040, 0xFFFFFFFF, {{"Texture2", 0x80808080}}, {{"BlendColor", {1, 0, 0, 1}}},
         0xFFA02020, 2},
        // where the glow target is empty the scene stays as it is, its alpha too
        {"Blend_Normal", 0x80404040, 0xFFFFFFFF, {{"Texture2", 0x00000000}}, {{"BlendColor", {1, 0, 0, 1}}},
         0x80404040, 1},
        {"Blend_Screen", 0x80404040, 0xFFFFFFFF, {{"Texture2", 0x00000000}}, {{"BlendColor", {1, 1, 1, 1}}},
         0x80404040, 1},
        // the sprites on top, added by their alpha
        {"Common", 0xFF102030, 0x80FFFFFF, {{"Texture1", 0xFF808080}}, {}, 0xFF506070, 3}}},
      // 99: fireball of the explosion particle items.
      {99,
       {"Main"},
       {{"GradientTex", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"NoiseTex1", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"NoiseTex2", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"color1", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {1.0f, 0.7f, 0.2f}},
        {"color2", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {0.6f, 0.1f, 0.0f}},
        {"noise_shift1", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}},
        {"noise_shift2", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}},
        {"time", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0}}},
       {// the hot centre of the ball at the start: color1 at 0.6 under a black gradient, added by the alpha
        {"Main", 0xFF000000, 0xFFFFFFFF,
         {{"GradientTex", 0xFF000000}, {"NoiseTex1", 0xFF808080}, {"NoiseTex2", 0xFF808080}},
         {{"color1", {1, 0.5f, 0}}, {"time", {0}}}, 0xFF994C00, 3},
        {"Main", 0xFF000000, 0x80FFFFFF,
         {{"GradientTex", 0xFF000000}, {"NoiseTex1", 0xFF808080}, {"NoiseTex2", 0xFF808080}},
         {{"color1", {1, 0.5f, 0}}, {"time", {0}}}, 0xFF4D2600, 3}}},
      // The full-screen effect items. "Main" draws over the picture blended by the mask's coverage (no
      // mask: everywhere); "MainFX" writes the whole image opaque, the scene where the mask does not cover.
      // 75: background copy. A uniform scene copies onto itself.
      {75,
       {"Main", "MainFX"},
       {{"Scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"offset", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}}},
       {{"Main", 0xFF102030, 0xFFFFFFFF, {{"Background", 0xFF204060}}, {{"offset", {0.5f, 0}}}, 0xFF204060, 2},
        {"Main", 0xFF102030, 0xFFFFFFFF, {{"Background", 0xFF204060}, {"Mask", 0x00FFFFFF}}, {}, 0xFF102030, 2},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF204060}}, {}, 0xFF204060, 2}}},
      // 76: light. The picture times 1 + multiplier.
      {76,
       {"Main", "MainFX"},
       {{"Scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"multiplier", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0}}},
       {{"Main", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF404040}}, {{"multiplier", {1}}}, 0xFF808080, 3},
        {"Main", 0xFF102030, 0xFFFFFFFF, {{"Background", 0xFF404040}, {"Mask", 0x00FFFFFF}}, {{"multiplier", {1}}},
         0xFF102030, 2},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF404040}, {"Mask", 0xFFFFFFFF}}, {{"multiplier", {0.5f}}},
         0xFF606060, 3},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF404040}, {"Mask", 0x00FFFFFF}}, {{"multiplier", {0.5f}}},
         0xFF404040, 3}}},
      // 77: waves. A uniform scene stays as it is wherever it is moved. The twins without a mask write it
      // opaque over whatever the target held.
      {77,
       {"Main", "MainFX", "MainNoMask", "MainFXNoMask"},
       {{"Scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"direction", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {}},
        {"direction_n", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {}},
        {"frequency", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {}},
        {"amplitude", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {}},
        {"time", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0}}},
       {{"Main", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF336699}}, {{"time", {1.3f}}}, 0xFF336699, 2},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF336699}}, {}, 0xFF336699, 2},
        {"MainNoMask", 0xFF102030, 0xFFFFFFFF, {{"Background", 0xFF336699}}, {{"time", {1.3f}}}, 0xFF336699, 2},
        {"MainFXNoMask", 0xFF102030, 0xFFFFFFFF, {{"Background", 0xFF336699}}, {}, 0xFF336699, 2}}},
      // 78: pattern brush. The tile over the picture by its alpha.
      {78,
       {"Main", "MainFX"},
       {{"Scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Pattern", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"offset", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}},
        {"coord_transf", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, {1, 0, 0, 1}}},
       {{"Main", 0xFF000000, 0xFFFFFFFF, {{"Pattern", 0xFFFF0000}}, {{"coord_transf", {16, 0, 0, 24}}}, 0xFFFF0000, 2},
        {"Main", 0xFF102030, 0xFFFFFFFF, {{"Pattern", 0x00FF0000}}, {}, 0xFF102030, 2},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Pattern", 0x00FF0000}, {"Background", 0xFF204060}}, {}, 0xFF204060, 2},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Pattern", 0xFF00FF00}, {"Background", 0xFF204060}}, {}, 0xFF00FF00, 2}}},
      // 88: underwater wobble, opaque in both techniques.
      {88,
       {"Main", "MainFX"},
       {{"Scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"frequency", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {}},
        {"amplitude", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {}},
        {"time", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0}}},
       {{"Main", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF408020}}, {{"time", {2}}}, 0xFF408020, 2},
        {"Main", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF408020}, {"Mask", 0x00FFFFFF}}, {}, 0xFF408020, 2}}},
      // 90: water. A flat bump over a uniform scene: the scene tinted by Color; the twins without a mask
      // and shadows write it opaque.
      {90,
       {"Main", "MainFX", "MainNoMask", "MainFXNoMask"},
       {{"Scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"BumpMap", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"BampTrans", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, {}},
        {"P1", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {}},
        {"P2", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {}},
        {"Time", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0}},
        {"Direction1", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {}},
        {"Direction2", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {}},
        {"Shadows", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0}},
        {"Vhalf", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {}},
        {"Color", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {1, 1, 1}}},
       {{"Main", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF808080}, {"BumpMap", 0xFF808000}},
         {{"Color", {1, 0.5f, 0.25f}}}, 0xFF804020, 3},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF808080}, {"BumpMap", 0xFF808000}, {"Mask", 0x00FFFFFF}},
         {{"Color", {1, 0.5f, 0.25f}}}, 0xFF808080, 3},
        {"MainNoMask", 0xFF102030, 0xFFFFFFFF, {{"Background", 0xFF808080}, {"BumpMap", 0xFF808000}},
         {{"Color", {1, 0.5f, 0.25f}}}, 0xFF804020, 3},
        {"MainFXNoMask", 0xFF102030, 0xFFFFFFFF, {{"Background", 0xFF808080}, {"BumpMap", 0xFF808000}},
         {{"Color", {1, 0.5f, 0.25f}}}, 0xFF804020, 3}}},
      // 91: movement.
      {91,
       {"Main", "MainFX"},
       {{"Scale", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Direction", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}}},
       {{"Main", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF605040}}, {{"Direction", {0.01f, 0}}}, 0xFF605040, 2},
        {"MainFX", 0xFF000000, 0xFFFFFFFF, {{"Background", 0xFF605040}}, {}, 0xFF605040, 2}}},
      // 92: fire, drawn through its own vertex shader; the defaults are what the flame light relies on.
      {92,
       {"Main", "AsEffect", "MainNoMask"},
       {{"Noise", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Pattern", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"c11", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}},
        {"c12", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}},
        {"c13", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {0, 0}},
        {"ColorK1", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {1, 0, 0}},
        {"ColorK2", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, {0, 1, 0}},
        {"bg_scale_factor", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, {1, 1}},
        {"Mask", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Background", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, {}},
        {"Brightness", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0.3f}},
        {"Density", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, {0}}},
       {}},
  };
  return all;
}

}  // namespace basekit_effects
