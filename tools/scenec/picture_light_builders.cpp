// Builders of the animated picture lights. Each takes the statements of every picture light (picture,
// camera) and its own, one value each unless shown; unnamed values keep the light's defaults:
//
//   light DS_GlassBallLight {
//     overlay1 "basekit.dll" 58        # picture links: name and stamp (overlay1, overlay2, shadow, background)
//     motion-speed 0                   # stored values
//     ball-offset 0 0
//     ball-size 100
//     refraction 0
//     overlay1-on 1                    # also overlay2-on, shadow-on
//     picture-background 0
//     motion-mode 3                    # 0 still, 1 scroll left, 2 scroll right, 3 sway
//     gradient 0x000000 0x000000       # top and bottom colours (COLORREF)
//   }
//   light DS_MatrixCodeLight {
//     cell-size 16  density 20  flicker-count 50  sparkle 0  mode 0  start-mode 2
//     glyph-color 0x00FF00  head-color 0xFFFFFF  transparency 0
//     glyph-sheet "basekit.dll" 40
//   }
//   light FakeLake2D {
//     bump-scale 100  speed 50  horizon 25  bump-fade 100  tint-alpha 31  tint-fade 58
//     bump-amplitude 25  haze-height 7  copy-size 1  tint-color 0x408000
//     bump 0123ABCD-4E5F-6789-ABCD-EF0123456789 "" true   # the bump map's key (a resources bump entry)
//   }
//   light DS_WaterRingLight {
//     mode 0  wave-speed 0  grid-row-scale 0  grid-density 0  drop-strength 50  wave-damping 50
//     refraction-depth 20  drop-rate 30  specular-level 90  shininess 50
//   }
//   light DS_FlameLight {
//     fire-enable 1  haze-enable 1  fire-offset 0
//     haze-bump "basekit.dll" 62  haze-effect "basekit.dll" 63    # links: name and stamp
//     haze-speed 50  haze-strength 25  haze-bump-scale 88          # stored values
//     fire { speed 50  brightness 15  ... }                        # the embedded fire: an item's statements
//   light FakeUndervater {            # the embedded wobble's values
//     amplitude 50  wavelength 50
//     speed 25  mainfx 0  scale 50  effect "basekit.dll" 88  name "..."   # as every effect item
//   }
#include "scenec/picture_light_builders.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/matrix_code_light.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"
#include "scene/guid_text.h"
#include "scenec/fx_builders.h"
#include "scenec/scene_compiler.h"
#include "scenec/slide_show_builders.h"

namespace {

template <class L>
using Statements = std::map<std::string, std::function<void(L&, const SceneNode&)>>;

UINT U(const SceneNode& n, size_t i = 0) {
  const INT64 v = SceneBuildContext::IntArg(n, i);
  if (v < 0 || v > 0xFFFFFFFFLL) SceneBuildContext::Fail(n, n.keyword + " takes a value from 0 to 4294967295");
  return static_cast<UINT>(v);
}
int I(const SceneNode& n, size_t i = 0) { return static_cast<int>(SceneBuildContext::IntArg(n, i)); }
DocFileKey Key(const SceneNode& n) { return DocFileKey(SceneBuildContext::TextArg(n, 0), SceneBuildContext::IntArg(n, 1)); }

// more: further statements the light takes (false for any other).
template <class L>
std::unique_ptr<DS_IOF_Item> Build(const SceneNode& node, const Statements<L>& own,
                                   bool (*more)(L&, const SceneNode&) = nullptr) {
  std::unique_ptr<L> light(new L);
  for (const SceneNode& n : node.children) {
    auto it = own.find(n.keyword);
    if (it != own.end()) {
      it->second(*light, n);
    } else if (!(more && more(*light, n)) && !BuildLightStatement(*light, n)) {
      SceneBuildContext::Fail(n, "unknown statement " + n.keyword);
    }
  }
  return light;
}

std::unique_ptr<DS_IOF_Item> BuildGlassBall(const SceneNode& node, SceneBuildContext&) {
  using L = DS_GlassBallLight;
  static const Statements<L> own = {
      {"overlay1", [](L& l, const SceneNode& n) { l.overlay1.Raw() = Key(n); }},
      {"overlay2", [](L& l, const SceneNode& n) { l.overlay2.Raw() = Key(n); }},
      {"shadow", [](L& l, const SceneNode& n) { l.shadow.Raw() = Key(n); }},
      {"background", [](L& l, const SceneNode& n) { l.background.Raw() = Key(n); }},
      {"motion-speed", [](L& l, const SceneNode& n) { l.motionSpeed.Change(U(n)); }},
      {"ball-offset", [](L& l, const SceneNode& n) { l.ballOffset.Raw() = POINT{I(n, 0), I(n, 1)}; }},
      {"ball-size", [](L& l, const SceneNode& n) { l.ballSize.Raw() = U(n); }},
      {"refraction", [](L& l, const SceneNode& n) { l.refraction.Raw() = U(n); }},
      {"overlay1-on", [](L& l, const SceneNode& n) { l.overlay1On.Raw() = I(n); }},
      {"overlay2-on", [](L& l, const SceneNode& n) { l.overlay2On.Raw() = I(n); }},
      {"shadow-on", [](L& l, const SceneNode& n) { l.shadowOn.Raw() = I(n); }},
      {"picture-background", [](L& l, const SceneNode& n) { l.pictureBackground.Raw() = I(n); }},
      {"motion-mode", [](L& l, const SceneNode& n) { l.motionMode.Raw() = I(n); }},
      {"gradient",
       [](L& l, const SceneNode& n) {
         l.gradientTop.Raw() = U(n, 0);
         l.gradientBottom.Raw() = U(n, 1);
       }},
  };
  return Build(node, own);
}

std::unique_ptr<DS_IOF_Item> BuildMatrixCode(const SceneNode& node, SceneBuildContext&) {
  using L = DS_MatrixCodeLight;
  static const Statements<L> own = {
      {"cell-size", [](L& l, const SceneNode& n) { l.cellSize.Raw() = U(n); }},
      {"density", [](L& l, const SceneNode& n) { l.density.Raw() = U(n); }},
      {"flicker-count", [](L& l, const SceneNode& n) { l.flickerCount.Raw() = U(n); }},
      {"sparkle", [](L& l, const SceneNode& n) { l.sparkle.Raw() = I(n); }},
      {"mode", [](L& l, const SceneNode& n) { l.mode.Raw() = I(n); }},
      {"start-mode", [](L& l, const SceneNode& n) { l.startMode.Raw() = I(n); }},
      {"glyph-color", [](L& l, const SceneNode& n) { l.glyphColor.Raw() = U(n); }},
      {"head-color", [](L& l, const SceneNode& n) { l.headColor.Raw() = U(n); }},
      {"transparency", [](L& l, const SceneNode& n) { l.transparency.Change(U(n)); }},
      {"glyph-sheet", [](L& l, const SceneNode& n) { l.glyphSheet.Raw() = Key(n); }},
  };
  return Build(node, own);
}

std::unique_ptr<DS_IOF_Item> BuildLake(const SceneNode& node, SceneBuildContext&) {
  using L = FakeLake2D;
  static const Statements<L> own = {
      {"bump-scale", [](L& l, const SceneNode& n) { l.bumpScale.Change(U(n)); }},
      {"speed", [](L& l, const SceneNode& n) { l.speed.Change(U(n)); }},
      {"horizon", [](L& l, const SceneNode& n) { l.horizon.Change(U(n)); }},
      {"bump-fade", [](L& l, const SceneNode& n) { l.bumpFade.Change(U(n)); }},
      {"tint-alpha", [](L& l, const SceneNode& n) { l.tintAlpha.Change(U(n)); }},
      {"tint-fade", [](L& l, const SceneNode& n) { l.tintFade.Change(U(n)); }},
      {"bump-amplitude", [](L& l, const SceneNode& n) { l.bumpAmplitude.Raw() = U(n); }},
      {"haze-height", [](L& l, const SceneNode& n) { l.hazeHeight.Raw() = U(n); }},
      {"copy-size", [](L& l, const SceneNode& n) { l.copySize.Raw() = I(n); }},
      {"tint-color", [](L& l, const SceneNode& n) { l.tintColor.Raw() = U(n); }},
      {"bump",
       [](L& l, const SceneNode& n) {
         ds_string guid = SceneBuildContext::TextArg(n, 0);
         if (guid.size() == 36) guid = u"{" + guid + u"}";
         if (!ParseGuidText(guid, &l.bumpKey.guid)) SceneBuildContext::Fail(n, "not a GUID: " + n.args[0]);
         l.bumpKey.name = SceneBuildContext::TextArg(n, 1);
         l.bumpKey.flag = SceneBuildContext::BoolArg(n, 2);
       }},
  };
  return Build(node, own);
}

std::unique_ptr<DS_IOF_Item> BuildWaterRing(const SceneNode& node, SceneBuildContext&) {
  using L = DS_WaterRingLight;
  static const Statements<L> own = {
      {"mode", [](L& l, const SceneNode& n) { l.mode.Raw() = I(n); }},
      {"wave-speed", [](L& l, const SceneNode& n) { l.waveSpeed.Raw() = U(n); }},
      {"grid-row-scale", [](L& l, const SceneNode& n) { l.gridRowScale.Raw() = U(n); }},
      {"grid-density", [](L& l, const SceneNode& n) { l.gridDensity.Raw() = U(n); }},
      {"drop-strength", [](L& l, const SceneNode& n) { l.dropStrength.Raw() = U(n); }},
      {"wave-damping", [](L& l, const SceneNode& n) { l.waveDamping.Raw() = U(n); }},
      {"refraction-depth", [](L& l, const SceneNode& n) { l.refractionDepth.Raw() = U(n); }},
      {"drop-rate", [](L& l, const SceneNode& n) { l.dropRate.Change(U(n)); }},
      {"specular-level", [](L& l, const SceneNode& n) { l.specularLevel.Change(U(n)); }},
      {"shininess", [](L& l, const SceneNode& n) { l.shininess.Change(U(n)); }},
  };
  return Build(node, own);
}

std::unique_ptr<DS_IOF_Item> BuildFlame(const SceneNode& node, SceneBuildContext&) {
  using L = DS_FlameLight;
  static const Statements<L> own = {
      {"fire-enable", [](L& l, const SceneNode& n) { l.fireEnable.Raw() = I(n); }},
      {"haze-enable", [](L& l, const SceneNode& n) { l.hazeEnable.Raw() = I(n); }},
      {"fire-offset", [](L& l, const SceneNode& n) { l.fireOffset.Raw() = U(n); }},
      {"haze-bump", [](L& l, const SceneNode& n) { l.haze.bumpMap.Raw() = Key(n); }},
      {"haze-effect", [](L& l, const SceneNode& n) { l.haze.effectLink.Raw() = Key(n); }},
      {"haze-speed", [](L& l, const SceneNode& n) { l.haze.speed.Change(U(n)); }},
      {"haze-strength", [](L& l, const SceneNode& n) { l.haze.strength.Change(U(n)); }},
      {"haze-bump-scale", [](L& l, const SceneNode& n) { l.haze.bumpScale.Change(U(n)); }},
      {"fire",
       [](L& l, const SceneNode& n) {
         for (const SceneNode& c : n.children)
           if (!BuildFireStatement(l.fire, c)) SceneBuildContext::Fail(c, "unknown fire statement " + c.keyword);
       }},
  };
  return Build(node, own);
}

std::unique_ptr<DS_IOF_Item> BuildUnderwater(const SceneNode& node, SceneBuildContext&) {
  using L = FakeUndervater;
  static const Statements<L> own = {
      {"amplitude", [](L& l, const SceneNode& n) { l.underwater.amplitude.Change(U(n)); }},
      {"wavelength", [](L& l, const SceneNode& n) { l.underwater.wavelength.Change(U(n)); }},
  };
  return Build<L>(node, own, [](L& l, const SceneNode& n) { return BuildEffectItemStatement(l.underwater, n); });
}

}  // namespace

void RegisterPictureLightBuilders() {
  RegisterSceneBuilder("DS_FlameLight", BuildFlame);
  RegisterSceneBuilder("DS_GlassBallLight", BuildGlassBall);
  RegisterSceneBuilder("DS_MatrixCodeLight", BuildMatrixCode);
  RegisterSceneBuilder("FakeLake2D", BuildLake);
  RegisterSceneBuilder("DS_WaterRingLight", BuildWaterRing);
  RegisterSceneBuilder("FakeUndervater", BuildUnderwater);
}
