// Builders of the particle items. Every particle item takes the sprite statements; each class adds its
// own. Values a statement omits keep the class's defaults.
//
//   item DS_FishConstructor {
//     name "Fish"                 # the item's name
//     rect 0 1 0.5 1              # view rectangle as fractions of the picture: x0 x1 y0 y1
//     speed 50                    # item clock speed, fiftieths of real time
//     count 12                    # particles
//     size 64                     # sprite size, picture pixels
//     transparency 20             # percent
//     blend 1                     # 1: additive
//     colour 0xFFFFFF             # COLORREF, red in the low byte
//     phase 0.5 0 1               # phase rate, minimum, maximum
//     size-factor 0.6 1           # minimum, maximum
//     image "demo\fish.png" 0     # sprite image key; second-image for the second image link
//     frames 4 8 true             # sheet frames, frames per item second, animated (true or false)
//     flip 0 0                    # flip vertical, mirror horizontal
//     max-speed 80 50             # fish, bird, ghost, fog
//   }
// Own statements: angle <degrees> (god ray, flow, rain, still objects); drift <speed> <change rate>,
// base-speed <pixels/s>, orientation <mode> (flow, rain); sway <degrees> (grass, flower);
// placement <l> <r> <t> <b> <cx> <cy> (still objects); effect "<name>" <stamp> (bolt, explosion);
// start <x> <y> <z>, end <x> <y> <z>, jitter <n>, main-image <n>, flicker <n>, follow <n>,
// glow <COLORREF> <strength> (bolt).
#include "scenec/particle_builders.h"

#include <memory>
#include <string>

#include "particles/effect_particles.h"
#include "particles/flow_particles.h"
#include "particles/light_particles.h"
#include "particles/still_particles.h"
#include "particles/swimmers.h"
#include "scenec/scene_compiler.h"

namespace {

typedef SceneBuildContext C;

UINT UIntArg(const SceneNode& n, size_t i) {
  const INT64 v = C::IntArg(n, i);
  if (v < 0 || v > 0xFFFFFFFFLL) C::Fail(n, n.keyword + " takes values from 0 to 4294967295");
  return static_cast<UINT>(v);
}

int SignedArg(const SceneNode& n, size_t i) {
  const INT64 v = C::IntArg(n, i);
  if (v < INT32_MIN || v > INT32_MAX) C::Fail(n, n.keyword + " takes 32-bit values");
  return static_cast<int>(v);
}

DocFileKey KeyArg(const SceneNode& n) { return DocFileKey(C::TextArg(n, 0), C::IntArg(n, 1)); }

D3DXVECTOR3 PointArg(const SceneNode& n) { return D3DXVECTOR3(C::FloatArg(n, 0), C::FloatArg(n, 1), C::FloatArg(n, 2)); }

// The statements every particle item takes; false for another keyword.
bool SpriteStatement(DS_BaseSpriteProp& s, const SceneNode& n) {
  const std::string& k = n.keyword;
  if (k == "name") {
    s.name = C::TextArg(n, 0);
  } else if (k == "rect") {
    s.x0 = C::FloatArg(n, 0);
    s.x1 = C::FloatArg(n, 1);
    s.y0 = C::FloatArg(n, 2);
    s.y1 = C::FloatArg(n, 3);
  } else if (k == "speed") {
    s.speed.Raw() = UIntArg(n, 0);
  } else if (k == "count") {
    s.count.Raw() = UIntArg(n, 0);
  } else if (k == "size") {
    s.size.Raw() = UIntArg(n, 0);
  } else if (k == "transparency") {
    s.transparency.Change(UIntArg(n, 0));
  } else if (k == "blend") {
    s.blendMode.Raw() = SignedArg(n, 0);
  } else if (k == "colour") {
    s.colour.Raw() = UIntArg(n, 0);
  } else if (k == "phase") {
    s.phaseRate = C::FloatArg(n, 0);
    s.phaseMin = C::FloatArg(n, 1);
    s.phaseMax = C::FloatArg(n, 2);
  } else if (k == "size-factor") {
    s.sizeFactorMin = C::FloatArg(n, 0);
    s.sizeFactorMax = C::FloatArg(n, 1);
  } else if (k == "image") {
    s.image.Raw() = KeyArg(n);
  } else if (k == "second-image") {
    s.secondImage.Raw() = KeyArg(n);
  } else if (k == "frames") {
    s.frameCount = UIntArg(n, 0);
    s.frameRate = C::FloatArg(n, 1);
    s.animated = C::BoolArg(n, 2);
  } else if (k == "module-image-set") {
    s.moduleImageSet = SignedArg(n, 0);
  } else if (k == "flip") {
    s.verticalFlip.Raw() = SignedArg(n, 0);
    s.horizontalFlip.Raw() = SignedArg(n, 1);
  } else if (k == "refill") {
    s.refillOnFrameChange.Raw() = SignedArg(n, 0);
  } else {
    return false;
  }
  return true;
}

// A builder for class T: its own statements (Own returns false for a keyword it does not know), then the
// sprite statements.
template <class T, bool (*Own)(T&, const SceneNode&)>
std::unique_ptr<DS_IOF_Item> Build(const SceneNode& node, SceneBuildContext&) {
  std::unique_ptr<T> item(new T);
  for (const SceneNode& n : node.children)
    if (!Own(*item, n) && !SpriteStatement(*item, n)) C::Fail(n, "unknown statement " + n.keyword);
  return item;
}

template <class T>
bool NoOwn(T&, const SceneNode&) {
  return false;
}

template <class T>
bool MaxSpeed(T& item, const SceneNode& n) {
  if (n.keyword != "max-speed") return false;
  item.maxSpeedX = C::FloatArg(n, 0);
  item.maxSpeedY = C::FloatArg(n, 1);
  return true;
}

template <class T>
bool Sway(T& item, const SceneNode& n) {
  if (n.keyword != "sway") return false;
  item.swayAmplitude = C::FloatArg(n, 0);
  return true;
}

bool GodRay(DS_GodRayConstructor& item, const SceneNode& n) {
  if (n.keyword != "angle") return false;
  item.angle.Raw() = UIntArg(n, 0);
  return true;
}

template <class T>
bool Flow(T& item, const SceneNode& n) {
  if (n.keyword == "angle") {
    item.angle.Raw() = UIntArg(n, 0);
  } else if (n.keyword == "drift") {
    item.driftSpeed.Raw() = UIntArg(n, 0);
    item.driftChangeRate.Raw() = UIntArg(n, 1);
  } else if (n.keyword == "base-speed") {
    item.baseSpeed = C::FloatArg(n, 0);
  } else if (n.keyword == "orientation") {
    item.orientationMode.Raw() = SignedArg(n, 0);
  } else {
    return false;
  }
  return true;
}

template <class T>
bool Still(T& item, const SceneNode& n) {
  if (n.keyword == "angle") {
    item.angle.Raw() = UIntArg(n, 0);
  } else if (n.keyword == "placement") {
    MediaRectangle& r = item.placement;
    r.left.Raw() = SignedArg(n, 0);
    r.right.Raw() = SignedArg(n, 1);
    r.top.Raw() = SignedArg(n, 2);
    r.bottom.Raw() = SignedArg(n, 3);
    r.centreX.Raw() = SignedArg(n, 4);
    r.centreY.Raw() = SignedArg(n, 5);
  } else {
    return false;
  }
  return true;
}

bool Flower(DS_FlowerConstructor& item, const SceneNode& n) { return Sway(item, n) || Still(item, n); }

bool Bolt(DS_DischargeFXConstructor& item, const SceneNode& n) {
  const std::string& k = n.keyword;
  if (k == "effect") {
    item.effectLink.Raw() = KeyArg(n);
  } else if (k == "start") {
    item.startPoint.Raw() = PointArg(n);
  } else if (k == "end") {
    item.endPoint.Raw() = PointArg(n);
  } else if (k == "jitter") {
    item.jitter.Change(UIntArg(n, 0));
  } else if (k == "main-image") {
    item.mainImageChoice.Raw() = SignedArg(n, 0);
  } else if (k == "flicker") {
    item.flickerInterval.Change(UIntArg(n, 0));
  } else if (k == "follow") {
    item.followSpeed.Change(UIntArg(n, 0));
  } else if (k == "glow") {
    item.glowColour.Raw() = UIntArg(n, 0);
    item.glowStrength.Change(UIntArg(n, 1));
  } else {
    return false;
  }
  return true;
}

bool Explosion(DS_ExplosionConstructor& item, const SceneNode& n) {
  if (n.keyword != "effect") return false;
  item.effectLink.Raw() = KeyArg(n);
  return true;
}

}  // namespace

void RegisterParticleBuilders() {
  RegisterSceneBuilder("DS_FishConstructor", Build<DS_FishConstructor, MaxSpeed<DS_FishConstructor>>);
  RegisterSceneBuilder("DS_BirdConstructor", Build<DS_BirdConstructor, MaxSpeed<DS_BirdConstructor>>);
  RegisterSceneBuilder("DS_GhostConstructor", Build<DS_GhostConstructor, MaxSpeed<DS_GhostConstructor>>);
  RegisterSceneBuilder("DS_GodRayConstructor", Build<DS_GodRayConstructor, GodRay>);
  RegisterSceneBuilder("DS_SparkleConstructor", Build<DS_SparkleConstructor, NoOwn<DS_SparkleConstructor>>);
  RegisterSceneBuilder("DS_LightingConstructor", Build<DS_LightingConstructor, NoOwn<DS_LightingConstructor>>);
  RegisterSceneBuilder("DS_FlowConstructor", Build<DS_FlowConstructor, Flow<DS_FlowConstructor>>);
  RegisterSceneBuilder("DS_RainConstructor", Build<DS_RainConstructor, Flow<DS_RainConstructor>>);
  RegisterSceneBuilder("DS_FogConstructor", Build<DS_FogConstructor, MaxSpeed<DS_FogConstructor>>);
  RegisterSceneBuilder("DS_GrassConstructor", Build<DS_GrassConstructor, Sway<DS_GrassConstructor>>);
  RegisterSceneBuilder("DS_StatObjConstructor", Build<DS_StatObjConstructor, Still<DS_StatObjConstructor>>);
  RegisterSceneBuilder("DS_FlowerConstructor", Build<DS_FlowerConstructor, Flower>);
  RegisterSceneBuilder("DS_DischargeConstructor", Build<DS_DischargeConstructor, Still<DS_DischargeConstructor>>);
  RegisterSceneBuilder("DS_DischargeFXConstructor", Build<DS_DischargeFXConstructor, Bolt>);
  RegisterSceneBuilder("DS_ExplosionConstructor", Build<DS_ExplosionConstructor, Explosion>);
}
