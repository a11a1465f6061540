// Builders of the full-screen effect items. Every item takes the common statements, then its own:
//
//   item DS_WavesFX {
//     name "Ripples"                   # the item's name
//     speed 25                         # the clock's stored speed value
//     mainfx 1                         # not 0: post-process the scene composed so far
//     mask 0123ABCD-4E5F-6789-ABCD-EF0123456789 "mask" true   # the mask key (a resources mask entry)
//     effect "basekit.dll" 77          # the effect link (default: the class's module effect)
//     scale 50                         # stored scale of the texture coordinates (50 = 1.0)
//     ...                              # the class's own statements, below
//   }
//
//   DS_PatternBrush, DS_PatternBrushC: pattern "<name>" <stamp>; flip <vertical> <horizontal>;
//     angle <degrees>; pattern-scale <value>; offset <x value> <y value>
//   DS_BackgroundCopy: rect <left> <right> <top> <bottom>; centre <x> <y>; shift <x flag> <y flag>
//   DS_WavesFX: amplitude <v>; wavelength <v>; angle <degrees>; vertical <flag>
//   DS_LightFX: level <v>; mode <n>
//   DS_WaterFX: p-factor, bump-amplitude, wave-amplitude, wavelength, angle, shadows, half-vector-z <v>;
//     colour <COLORREF, 0x00BBGGRR>; bump "<name>" <stamp>
//   DS_MoveFX: mode <n>; amplitude <v>; angle <degrees>
//   DS_FireFX: area <x1> <y1> <x2> <y2> <x3> <y3> <x4> <y4> (picture pixels, corners 1 to 4);
//     end-colour, start-colour <COLORREF>; pattern, noise "<name>" <stamp>; density, brightness,
//     repeat <v>; ints <first> <second>
#include <memory>
#include <string>

#include "fx/fire_fx.h"
#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "fx/wave_fx.h"
#include "fx/underwater_fx.h"
#include "scene/guid_text.h"
#include "scenec/fx_builders.h"
#include "scenec/scene_compiler.h"

namespace {

typedef SceneBuildContext C;

UINT Value(const SceneNode& n, size_t i = 0) {
  const INT64 v = C::IntArg(n, i);
  if (v < 0 || v > 0xFFFFFFFFLL) C::Fail(n, n.keyword + " takes values from 0 to 4294967295");
  return static_cast<UINT>(v);
}
int Int(const SceneNode& n, size_t i = 0) {
  const INT64 v = C::IntArg(n, i);
  if (v < INT32_MIN || v > INT32_MAX) C::Fail(n, n.keyword + " takes a 32-bit integer");
  return static_cast<int>(v);
}
DocFileKey Key(const SceneNode& n) { return DocFileKey(C::TextArg(n, 0), C::IntArg(n, 1)); }

}  // namespace

bool BuildEffectItemStatement(DS_FX_Constructor& item, const SceneNode& n) {
  if (n.keyword == "name") {
    item.name = C::TextArg(n, 0);
  } else if (n.keyword == "speed") {
    item.clock.Change(Value(n));
  } else if (n.keyword == "mainfx") {
    item.mainFX.Raw() = Int(n);
  } else if (n.keyword == "mask") {
    ds_string guid = C::TextArg(n, 0);
    if (guid.size() == 36) guid = u"{" + guid + u"}";
    if (!ParseGuidText(guid, &item.maskKey.guid)) C::Fail(n, "not a GUID: " + n.args[0]);
    item.maskKey.name = C::TextArg(n, 1);
    item.maskKey.flag = C::BoolArg(n, 2);
  } else if (n.keyword == "effect") {
    item.effectLink.Raw() = Key(n);
  } else if (n.keyword == "scale") {
    item.scale.Change(Value(n));
  } else {
    return false;
  }
  return true;
}

namespace {

bool BuildPattern(DS_PatternBrush& item, const SceneNode& n) {
  if (n.keyword == "pattern") {
    item.patternLink.Raw() = Key(n);
  } else if (n.keyword == "flip") {
    item.verticalFlip.Raw() = Int(n, 0);
    item.horizontalFlip.Raw() = Int(n, 1);
  } else if (n.keyword == "angle") {
    item.angle.Raw() = Value(n);
  } else if (n.keyword == "pattern-scale") {
    item.patternScale.Change(Value(n));
  } else if (n.keyword == "offset") {
    item.offsetX.Change(Value(n, 0));
    item.offsetY.Change(Value(n, 1));
  } else {
    return false;
  }
  return true;
}

bool BuildBackgroundCopy(DS_BackgroundCopy& item, const SceneNode& n) {
  if (n.keyword == "rect") {
    item.rectangle.left.Raw() = Int(n, 0);
    item.rectangle.right.Raw() = Int(n, 1);
    item.rectangle.top.Raw() = Int(n, 2);
    item.rectangle.bottom.Raw() = Int(n, 3);
  } else if (n.keyword == "centre") {
    item.rectangle.centreX.Raw() = Int(n, 0);
    item.rectangle.centreY.Raw() = Int(n, 1);
  } else if (n.keyword == "shift") {
    item.xShift.Raw() = Int(n, 0);
    item.yShift.Raw() = Int(n, 1);
  } else {
    return false;
  }
  return true;
}

bool BuildWaves(DS_WavesFX& item, const SceneNode& n) {
  if (n.keyword == "amplitude") {
    item.amplitude.Change(Value(n));
  } else if (n.keyword == "wavelength") {
    item.wavelength.Change(Value(n));
  } else if (n.keyword == "angle") {
    item.angle.Change(Value(n));
  } else if (n.keyword == "vertical") {
    item.vertical.Change(Int(n));
  } else {
    return false;
  }
  return true;
}

bool BuildLight(DS_LightFX& item, const SceneNode& n) {
  if (n.keyword == "level") {
    item.level.Change(Value(n));
  } else if (n.keyword == "mode") {
    item.mode.Raw() = Int(n);
  } else {
    return false;
  }
  return true;
}

bool BuildWater(DS_WaterFX& item, const SceneNode& n) {
  struct Scaled {
    const char* keyword;
    UINTSclaleTo<float>* parameter;
  } scaled[] = {{"p-factor", &item.pFactor},   {"bump-amplitude", &item.bumpAmplitude},
                {"wave-amplitude", &item.waveAmplitude}, {"wavelength", &item.wavelength},
                {"shadows", &item.shadows},    {"half-vector-z", &item.halfVectorZ}};
  for (const Scaled& s : scaled) {
    if (n.keyword != s.keyword) continue;
    s.parameter->Change(Value(n));
    return true;
  }
  if (n.keyword == "angle") {
    item.angle.Change(Value(n));
  } else if (n.keyword == "colour") {
    item.colour.Raw() = Value(n);
  } else if (n.keyword == "bump") {
    item.bumpLink.Raw() = Key(n);
  } else {
    return false;
  }
  return true;
}

bool BuildMove(DS_MoveFX& item, const SceneNode& n) {
  if (n.keyword == "mode") {
    item.mode.Raw() = Int(n);
  } else if (n.keyword == "amplitude") {
    item.amplitude.Change(Value(n));
  } else if (n.keyword == "angle") {
    item.angle.Change(Value(n));
  } else {
    return false;
  }
  return true;
}

bool BuildFire(DS_FireFX& item, const SceneNode& n) {
  if (n.keyword == "area") {
    for (int i = 0; i < 4; ++i)
      item.area.corners[i].Raw() = D3DXVECTOR3(C::FloatArg(n, 2 * i), C::FloatArg(n, 2 * i + 1), 0.0f);
  } else if (n.keyword == "end-colour") {
    item.endColour.Raw() = Value(n);
  } else if (n.keyword == "start-colour") {
    item.startColour.Raw() = Value(n);
  } else if (n.keyword == "pattern") {
    item.patternLink.Raw() = Key(n);
  } else if (n.keyword == "noise") {
    item.noiseLink.Raw() = Key(n);
  } else if (n.keyword == "density") {
    item.density.Change(Value(n));
  } else if (n.keyword == "brightness") {
    item.brightness.Change(Value(n));
  } else if (n.keyword == "repeat") {
    item.textureRepeat.Change(Value(n));
  } else if (n.keyword == "ints") {
    item.firstInt.Raw() = Int(n, 0);
    item.secondInt.Raw() = Int(n, 1);
  } else {
    return false;
  }
  return true;
}

// A builder for class T whose own statements are read by Own.
template <class T, bool (*Own)(T&, const SceneNode&)>
std::unique_ptr<DS_IOF_Item> Build(const SceneNode& node, SceneBuildContext&) {
  std::unique_ptr<T> item(new T);
  for (const SceneNode& n : node.children)
    if (!BuildEffectItemStatement(*item, n) && !Own(*item, n)) C::Fail(n, "unknown statement " + n.keyword);
  return item;
}

bool BuildPatternC(DS_PatternBrushC& item, const SceneNode& n) { return BuildPattern(item, n); }

}  // namespace

bool BuildFireStatement(DS_FireFX& fire, const SceneNode& n) {
  return BuildEffectItemStatement(fire, n) || BuildFire(fire, n);
}

void RegisterFxBuilders() {
  RegisterSceneBuilder("DS_PatternBrush", Build<DS_PatternBrush, BuildPattern>);
  RegisterSceneBuilder("DS_PatternBrushC", Build<DS_PatternBrushC, BuildPatternC>);
  RegisterSceneBuilder("DS_BackgroundCopy", Build<DS_BackgroundCopy, BuildBackgroundCopy>);
  RegisterSceneBuilder("DS_WavesFX", Build<DS_WavesFX, BuildWaves>);
  RegisterSceneBuilder("DS_LightFX", Build<DS_LightFX, BuildLight>);
  RegisterSceneBuilder("DS_WaterFX", Build<DS_WaterFX, BuildWater>);
  RegisterSceneBuilder("DS_MoveFX", Build<DS_MoveFX, BuildMove>);
  RegisterSceneBuilder("DS_FireFX", Build<DS_FireFX, BuildFire>);
}
