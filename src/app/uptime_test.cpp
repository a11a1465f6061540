// A desktop background runs for weeks. For every family that moves with time (the picture lights, the
// particle items, the full-screen effect items, the 3D objects, the speed parameters and item clocks),
// this table steps the family 40 frames 30 ms apart after 10 s, about an hour (2^12 s), 4.5 hours
// (2^14 s), 12 days (2^20 s) and a year (2^25 s) of uptime, and compares what it hands the device or its
// effect frame to frame with what it hands after 10 s: every frame must move, by the same amount.
//
// Two ways to be at t0:
// - made at t0: the object is made then (a slide that starts late); its own clocks start at 0 while the
//   application clock is large.
// - running since the start: stepping 2^25 s of frames one by one is out of reach, so the object is brought
//   there the way the product would have brought it: its clocks are set to what 30 ms frames since the
//   start would have made of them (the 0.2 s clamp never bites at that rate), time stamps kept in those
//   clocks move with them, and then the frames run, the first being one clamped step (the object saw no
//   frame before it). Its reference at 10 s holds the same clocks reduced by the period of what they
//   drive (a sine's 2 pi, a texture's scroll of 1), so that it shows the same phase of the motion and
//   moves by the same amount, frame by frame.
// Random draws replay: the generator starts from the same state for every run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fx/fire_fx.h"
#include "fx/fx_constructor.h"
#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "fx/underwater_fx.h"
#include "fx/wave_fx.h"
#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/glass_ball_rules.h"
#include "lights/lake_light.h"
#include "lights/light_2d.h"
#include "lights/matrix_code_light.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"
#include "objects3d/butterfly.h"
#include "objects3d/leaves.h"
#include "objects3d/object_array.h"
#include "particles/effect_particles.h"
#include "particles/flow_particles.h"
#include "particles/light_particles.h"
#include "particles/particle_objects.h"
#include "particles/still_particles.h"
#include "particles/swimmers.h"
#include "platform/noise.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/screen_mapping.h"
#include "support/recording_effect.h"
#include "support/recording_render_device.h"
#include "support/recording_renderer.h"

namespace {

using lumi_test::CallLog;
using lumi_test::FakeVertexBuffer;
using lumi_test::RecordingEffect;
using lumi_test::RecordingRenderDevice;
using lumi_test::RecordingRenderer;
using Handed = std::vector<double>;

const double kPi = 3.14159265358979323846;
const double kReferenceStart = 10.0;
const double kFrame = 0.03;
const int kFrames = 40;

// What the object was brought to before its frames.
struct Ran {
  double seconds;  // how long it has been running (0: made at the start of its frames)
  bool reduced;    // clocks reduced by the periods they drive: the frames start at 10 s
};

// One family as the product drives it.
class Subject {
 public:
  virtual ~Subject() = default;
  // What the product calls for one frame at application time t.
  virtual void Frame(double t) = 0;
  // What the object handed the device or its effect in that frame.
  virtual Handed Take() = 0;
  // Clocks as `ran` says.
  virtual void Bring(const Ran& ran) = 0;
};

// A clock of `rate` units a second after `ran`, reduced by period (0: it drives no phase).
double ClockAfter(const Ran& ran, double rate, double period) {
  const double c = ran.seconds * rate;
  return ran.reduced && period > 0 ? std::fmod(c, period) : (ran.reduced ? 0.0 : c);
}

// The floats of every parameter line a recording effect logged ("float name=a", "floats name=a,b,...").
void AddEffectFloats(const CallLog& log, Handed& out) {
  for (const std::string& line : log.calls) {
    if (line.compare(0, 6, "float ") != 0 && line.compare(0, 7, "floats ") != 0) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::stringstream values(line.substr(eq + 1));
    std::string v;
    while (std::getline(values, v, ',')) out.push_back(std::strtod(v.c_str(), nullptr));
  }
}

void AddMatrix(const D3DXMATRIX& m, Handed& out) {
  for (int i = 0; i < 16; ++i) out.push_back(static_cast<const float*>(m)[i]);
}

template <class V>
const V* Vertices(IDirect3DVertexBuffer9* buffer) {
  return buffer ? static_cast<FakeVertexBuffer*>(buffer)->As<V>() : nullptr;
}

void AddColour(D3DCOLOR c, Handed& out) {
  for (int s = 0; s < 32; s += 8) out.push_back(static_cast<double>((c >> s) & 0xFF));
}

// ---- speed parameters and item clocks

class SpeedParamSubject : public Subject {
 public:
  SpeedParamSubject(UINT value, float scale) {
    param.SetScaling(scale, 0.0f);
    param.SetValue(value, nullptr);
  }
  void Frame(double t) override { param.Advance(t); }
  Handed Take() override { return {static_cast<double>(param.GetPosition())}; }
  void Bring(const Ran& ran) override { param.SetPosition(ClockAfter(ran, param.GetResult(), 0)); }
  MediaSpeedParam param;
};

// An item with a view rectangle and a clock, and nothing else.
struct ClockItem : DS_ViewObjCtrl {
  DS_ABObj* CreateRenderObject() override { return nullptr; }
};

class ItemClockSubject : public Subject {
 public:
  explicit ItemClockSubject(UINT speed) { item.speed = speed; }
  void Frame(double t) override { item.Advance(t); }
  Handed Take() override { return {static_cast<double>(item.clock)}; }
  void Bring(const Ran& ran) override { item.clock = ClockAfter(ran, item.speed.GetValue() * 0.02, 0); }
  ClockItem item;
};

// ---- full-screen effect items, through their render object

class FxSubject : public Subject {
 public:
  // period: of the clock, in clock units, for what the item hands.
  FxSubject(DS_FX_Constructor* item, double period) : renderer(log), effect(log, "fx"), period_(period) {
    log.names[&source] = "source";
    renderer.sourceTexture = &source;
    renderer.imageWidth = 1024;
    renderer.imageHeight = 768;
    object.reset(item->CreateRenderObject());
    delete item;
    fx = static_cast<DS_BrushObj*>(object.get())->effectItem;
    fx->effect.Share(&effect);
  }
  void Frame(double t) override {
    log.calls.clear();
    object->Update(t);
    object->Render(&renderer);
  }
  Handed Take() override {
    Handed h;
    AddEffectFloats(log, h);
    return h;
  }
  void Bring(const Ran& ran) override { fx->clock.SetPosition(ClockAfter(ran, fx->clock.GetResult(), period_)); }

  CallLog log;
  RecordingRenderer renderer;
  RecordingEffect effect;
  lumi_test::FakeTexture source;
  std::unique_ptr<DS_ABObj> object;
  DS_FX_Constructor* fx;

 protected:
  double period_;
};

// The pattern brush hands its frame texture: a pattern of four frames of 20 ms steps every frame.
class PatternBrushSubject : public FxSubject {
 public:
  PatternBrushSubject() : FxSubject(new DS_PatternBrush, 0) {
    brush = static_cast<DS_PatternBrush*>(fx);
    for (int i = 0; i < 4; ++i) {
      brush->pattern.frames.push_back(ComRef<IDirect3DTexture9>());
      brush->pattern.frames.back().Share(&frames[i]);
      brush->pattern.durations.push_back(0.02f);
    }
    brush->pattern.width = brush->pattern.height = 8;
  }
  ~PatternBrushSubject() override { object.reset(); }  // before the frames go
  Handed Take() override { return {static_cast<double>(brush->frameIndex)}; }
  void Bring(const Ran& ran) override {
    const double c = ClockAfter(ran, fx->clock.GetResult(), 0);
    fx->clock.SetPosition(c);
    brush->lastFrameSwitch = c;
  }
  DS_PatternBrush* brush;
  lumi_test::FakeTexture frames[4];
};

// ---- particle items, through their render object

class ParticleSubject : public Subject {
 public:
  // clockPeriod: of the item clock for what the item hands (0: it hands no phase of it); appStamps: the
  // particles' change times are taken on the application clock rather than the item's.
  ParticleSubject(DS_BaseSpriteProp* item, double clockPeriod, bool appStamps, bool withEffect)
      : renderer(log), effect(log, "fx"), period_(clockPeriod), appStamps_(appStamps) {
    item->count = 12u;
    object.reset(item->CreateRenderObject());
    delete item;
    geometry = dynamic_cast<ParticleGeomArray*>(object.get());
    if (withEffect) {
      if (auto* fx = dynamic_cast<DS_FXObj*>(object.get())) {
        fx->effectItem->effect.Share(&effect);
        effectItem = fx->effectItem;
      }
    }
  }
  void Frame(double t) override {
    log.calls.clear();
    object->Update(t);
    if (effectItem) object->Render(&renderer);
  }
  Handed Take() override {
    Handed h;
    const UINT n = geometry->vertexCount;
    const DX_V::PCT* v = Vertices<DX_V::PCT>(geometry->vertexBuffer.Get());
    for (UINT i = 0; v && i < n; ++i) {
      h.insert(h.end(), {v[i].x, v[i].y, v[i].z, v[i].u, v[i].v});
      AddColour(v[i].color, h);
    }
    AddEffectFloats(log, h);
    return h;
  }
  void Bring(const Ran& ran) override {
    DS_BaseSpriteProp* item = geometry->item;
    const double rate = item->speed.GetValue() * 0.02;
    const double c = ClockAfter(ran, rate, period_);
    // What the time stamps move by: the clock's shift, or the application clock's.
    const double app = ran.reduced ? kReferenceStart : ran.seconds;
    item->clock = c;
    for (Particle* p : geometry->particles) p->lastChangeTime = appStamps_ ? app : c;
    geometry->sheetSwitchTime = c;
    if (auto* sprites = dynamic_cast<DS_SpriteArrayObj*>(object.get())) sprites->switchTime = c;
    if (auto* bolt = dynamic_cast<DS_DischargeFXConstructor*>(item)) bolt->lastRebuildTime = c;
    if (auto* ball = dynamic_cast<DS_ExplosionConstructor*>(item))
      ball->lastWholeSecond = static_cast<int>(std::floor(c));
  }

  CallLog log;
  RecordingRenderer renderer;
  RecordingEffect effect;
  std::unique_ptr<DS_ABObj> object;
  ParticleGeomArray* geometry = nullptr;
  DS_FXParticleSystemCtrl* effectItem = nullptr;

 private:
  double period_;
  bool appStamps_;
};

// ---- 3D objects

void AddFrameTree(const DS_Frame* f, Handed& out) {
  AddMatrix(f->world, out);
  for (const DS_Frame* c : f->children) AddFrameTree(c, out);
}

class ButterflySubject : public Subject {
 public:
  ButterflySubject() {
    auto* item = new DS_ButterflyConstructor;
    item->count = 3u;
    object.reset(item->CreateRenderObject());
    delete item;
    array = static_cast<DS_3DObjArray*>(object.get());
  }
  void Frame(double t) override { object->Update(t); }
  Handed Take() override {
    Handed h;
    for (const DS_Frame* root : array->instances) AddFrameTree(root, h);
    return h;
  }
  void Bring(const Ran& ran) override {
    // The flight hands no phase of the clock: decisions look at its differences only.
    const double c = ClockAfter(ran, array->obj->speed.GetValue() * 0.02, 0);
    array->obj->clock = c;
    for (DS_Frame* root : array->instances) static_cast<AC_Butterfly*>(root->animation)->lastDecision = c;
  }
  std::unique_ptr<DS_ABObj> object;
  DS_3DObjArray* array;
};

class LeavesSubject : public Subject {
 public:
  LeavesSubject() {
    DS_3D_in_2D_array_Constructor item;
    item.leafCount = 6u;
    item.params.size = 40u;
    item.params.SetOrientation(270);
    object.reset(item.CreateRenderObject());
    leaves = static_cast<DS_3D_in_2D_array*>(object.get());
    for (DS_Frame* leaf : leaves->node.children) leaf->radius = 10;
  }
  void Frame(double t) override { object->Update(t); }
  Handed Take() override {
    Handed h;
    for (const DS_Frame* leaf : leaves->node.children) AddMatrix(leaf->world, h);
    return h;
  }
  void Bring(const Ran& ran) override {
    const LeafFallParams& p = leaves->leaves->params;
    for (DS_Frame* leaf : leaves->node.children) {
      auto* anim = static_cast<DS_LeafFallAnim*>(leaf->animation);
      for (int i = 0; i < 5; ++i) {
        const double perSecond = anim->turns[i].rate * (i < 3 ? p.spin.GetValue() : p.sway.GetValue()) * 0.4;
        double a = anim->turns[i].angle + perSecond * ran.seconds;
        if (ran.reduced) a = std::fmod(a, 360.0);
        anim->turns[i].angle = a;
      }
      anim->lastSwayChange = ran.reduced ? kReferenceStart : ran.seconds;
    }
  }
  std::unique_ptr<DS_ABObj> object;
  DS_3D_in_2D_array* leaves;
};

// ---- picture lights, on a 1920 x 1080 back buffer

class LightSubject : public Subject {
 public:
  explicit LightSubject(DS_2D_Light* light) : light(light) {}
  void Start() {
    light->OnCreateDevice();
    light->Resize(1920, 1080);
    light->OnResetDevice();
  }
  void Frame(double t) override {
    log.calls.clear();
    light->FrameMove(t);
    light->BeginOffscreen();
    light->RenderBackground();
    light->PostRender();
  }
  Handed Take() override {
    Handed h;
    AddEffectFloats(log, h);
    AddMatrix(g_LetterboxProjection.zoom, h);
    return h;
  }
  void Bring(const Ran& ran) override {
    // The shake hands no phase of its clock: each segment is drawn from where the clock stands.
    light->camera.SetClock(ClockAfter(ran, light->camera.speed.GetResult(), 0), 0);
  }
  CallLog log;
  std::unique_ptr<DS_2D_Light> light;
};

class PlainLightSubject : public LightSubject {
 public:
  PlainLightSubject() : LightSubject(new DS_2D_Light) {
    light->camera.enable = 1;
    light->camera.StartShake();
    Start();
  }
};

class FlameSubject : public LightSubject {
 public:
  FlameSubject() : LightSubject(new DS_FlameLight), hazeEffect(log, "haze"), fireEffect(log, "fire") {
    flame = static_cast<DS_FlameLight*>(light.get());
    Start();
    flame->haze.effect.Share(&hazeEffect);
    flame->fire.effect.Share(&fireEffect);
    flame->hazeEnable = 1;
  }
  ~FlameSubject() override { light.reset(); }  // before its effects go
  void Bring(const Ran& ran) override {
    LightSubject::Bring(ran);
    // The fire's scrolls 1.3, 2.1 and 2.3 of its clock repeat after 10; the haze's offset after 1.
    flame->fire.clock.SetPosition(ClockAfter(ran, flame->fire.clock.GetResult(), 10.0));
    flame->haze.speed.SetPosition(ClockAfter(ran, flame->haze.speed.GetResult(), 1.0));
  }
  DS_FlameLight* flame;
  RecordingEffect hazeEffect, fireEffect;
};

class UnderwaterSubject : public LightSubject {
 public:
  UnderwaterSubject() : LightSubject(new FakeUndervater), wobble(log, "wobble") {
    water = static_cast<FakeUndervater*>(light.get());
    Start();
    water->underwater.effect.Share(&wobble);
  }
  ~UnderwaterSubject() override { light.reset(); }  // before its effect goes
  void Bring(const Ran& ran) override {
    LightSubject::Bring(ran);
    // "time" is 0.08 of the clock; the effect's sines of time and 1.3 time repeat after 20 pi.
    water->underwater.clock.SetPosition(ClockAfter(ran, water->underwater.clock.GetResult(), 250 * kPi));
  }
  FakeUndervater* water;
  RecordingEffect wobble;
};

class LakeSubject : public LightSubject {
 public:
  LakeSubject() : LightSubject(new FakeLake2D) {
    lake = static_cast<FakeLake2D*>(light.get());
    Start();
  }
  Handed Take() override {
    Handed h = LightSubject::Take();
    h.insert(h.end(), lake->bumpMatrix, lake->bumpMatrix + 4);
    return h;
  }
  void Bring(const Ran& ran) override {
    LightSubject::Bring(ran);
    // The ripple turns by 4.5 radians per unit of its clock.
    lake->speed.SetPosition(ClockAfter(ran, lake->speed.GetResult(), 4 * kPi / 9));
  }
  FakeLake2D* lake;
};

class GlassBallSubject : public LightSubject {
 public:
  explicit GlassBallSubject(int mode) : LightSubject(new DS_GlassBallLight) {
    ball = static_cast<DS_GlassBallLight*>(light.get());
    SharedGlassBallMotion() = GlassBallMotion();
    ball->motionMode = mode;
    Start();
  }
  Handed Take() override {
    Handed h = LightSubject::Take();
    h.push_back(ball->sway);
    for (int i = 0; i < 2; ++i)
      for (const auto& v : ball->scroll.Placed(i).v) h.insert(h.end(), {v.x, v.y});
    return h;
  }
  void Bring(const Ran& ran) override {
    LightSubject::Bring(ran);
    // The phase moves 1/16 of the speed a second; the scroll and the sway repeat after 2 of it.
    GlassBallMotion& m = SharedGlassBallMotion();
    m.phase = ClockAfter(ran, ball->motionSpeed.GetResult() * 0.0625, 2.0);
  }
  DS_GlassBallLight* ball;
};

class MatrixCodeSubject : public LightSubject {
 public:
  MatrixCodeSubject() : LightSubject(new DS_MatrixCodeLight) {
    code = static_cast<DS_MatrixCodeLight*>(light.get());
    code->cellSize = 2;
    code->density = 100;
    Start();
  }
  Handed Take() override {
    Handed h = LightSubject::Take();
    for (const auto& chunk : code->sprites.chunks) {
      const DX_V::RHWCT* v = Vertices<DX_V::RHWCT>(chunk.vertexBuffer.Get());
      for (UINT k = 0; v && k < chunk.vertexCount; ++k) {
        h.insert(h.end(), {v[k].x, v[k].y});
        AddColour(v[k].color, h);
      }
    }
    return h;
  }
  DS_MatrixCodeLight* code;
};

class WaterRingSubject : public LightSubject {
 public:
  WaterRingSubject() : LightSubject(new DS_WaterRingLight) {
    ring = static_cast<DS_WaterRingLight*>(light.get());
    ring->dropRate.SetValue(3000, nullptr);  // 50 drops a second: one every frame
    Start();
  }
  Handed Take() override {
    Handed h = LightSubject::Take();
    const DX_V::PNCT* v = Vertices<DX_V::PNCT>(ring->surface ? ring->surface->vertices.Get() : nullptr);
    for (int i = 0; v && i < ring->surface->vertexCount; ++i)
      h.insert(h.end(), {v[i].x, v[i].y, v[i].z, v[i].u, v[i].v});
    return h;
  }
  void Bring(const Ran& ran) override {
    LightSubject::Bring(ran);
    // A drop fell in the frame before.
    ring->lastDropTime = (ran.reduced ? kReferenceStart : ran.seconds) - kFrame;
  }
  DS_WaterRingLight* ring;
};

// ---- the table

struct UptimeCase {
  const char* name;
  std::function<Subject*()> make;
  // Frames in which the motion itself stands (the camera's rests) must stand at t0 too, rather than
  // every frame moving.
  bool rests = false;
};

template <class T>
std::function<Subject*()> Particles(double clockPeriod, bool appStamps = false, bool withEffect = false,
                                    std::function<void(T&)> setup = nullptr) {
  return [=] {
    T* item = new T;
    if (setup) setup(*item);
    return new ParticleSubject(item, clockPeriod, appStamps, withEffect);
  };
}

// A sprite sheet of four frames stepped at 50 a second of the item clock: a new frame every frame.
template <class T>
void SteppedSheet(T& item) {
  item.animated = true;
  item.frameCount = 4;
  item.frameRate = 50.0f;
}

std::vector<UptimeCase> Cases() {
  // Left out: the background copy and the clock hand nothing that follows the application clock (the
  // copy's offset is fixed, the clock's hands follow the local time).
  return {
      {"speed parameter 1 a second", [] { return new SpeedParamSubject(50, 0.02f); }},
      {"speed parameter 0.05 a second (the haze)", [] { return new SpeedParamSubject(50, 0.001f); }},
      {"item clock speed 50", [] { return new ItemClockSubject(50); }},
      {"item clock speed 1", [] { return new ItemClockSubject(1); }},
      // Full-screen effects: periods of their clocks for what they hand.
      {"pattern brush", [] { return new PatternBrushSubject; }},
      {"waves", [] { return new FxSubject(new DS_WavesFX, 25 * kPi); }},  // time 0.08 c, period 2 pi
      {"light", [] { return new FxSubject(new DS_LightFX, 10 * kPi); }},  // sin 0.2 c
      {"underwater", [] { return new FxSubject(new DS_UnderwaterFX, 250 * kPi); }},  // time 0.08 c, 20 pi
      {"water", [] { return new FxSubject(new DS_WaterFX, 4 * kPi); }},  // Time 2 c; bump turn 4.5 c
      {"movement", [] { return new FxSubject(new DS_MoveFX, 2 * kPi); }},  // sin c
      {"fire", [] { return new FxSubject(new DS_FireFX, 10.0); }},  // scrolls 1.3, 2.1, 2.3 c
      // Particle items: the still ones sway with the sine of their clock; the others hand no phase of it.
      {"fish", Particles<DS_FishConstructor>(0, true)},
      {"birds", Particles<DS_BirdConstructor>(0, true)},
      {"ghosts", Particles<DS_GhostConstructor>(0, true)},
      {"rays of light", Particles<DS_GodRayConstructor>(0)},
      {"sparkles", Particles<DS_SparkleConstructor>(0)},
      {"lightning", Particles<DS_LightingConstructor>(0), true},  // dark between its flashes
      {"flow", Particles<DS_FlowConstructor>(0, false, false, [](DS_FlowConstructor& f) { f.baseSpeed = 100; })},
      {"rain", Particles<DS_RainConstructor>(0)},
      {"fog", Particles<DS_FogConstructor>(0)},
      {"still objects", Particles<DS_StatObjConstructor>(0, false, false, SteppedSheet<DS_StatObjConstructor>)},
      {"flowers", Particles<DS_FlowerConstructor>(2 * kPi, false, false, [](DS_FlowerConstructor& f) {
                                                   f.size = 80u;
                                                   f.speed = 25u;  // clear of the sway's turning point
                                                 })},
      {"discharges", Particles<DS_DischargeConstructor>(0, false, false, SteppedSheet<DS_DischargeConstructor>)},
      {"grass", Particles<DS_GrassConstructor>(2 * kPi, false, false, [](DS_GrassConstructor& g) { g.size = 80u; })},
      {"bolt", Particles<DS_DischargeFXConstructor>(0, true)},
      {"explosion", Particles<DS_ExplosionConstructor>(2.0, false, true)},  // time: half the clock, mod 1
      // 3D objects.
      {"butterflies", [] { return new ButterflySubject; }},
      {"falling leaves", [] { return new LeavesSubject; }},
      // Picture lights.
      {"plain light's shake", [] { return new PlainLightSubject; }, true},  // rests between its moves
      {"flame", [] { return new FlameSubject; }},
      {"glass ball sway", [] { return new GlassBallSubject(3); }},
      {"glass ball scroll", [] { return new GlassBallSubject(1); }},
      {"matrix code", [] { return new MatrixCodeSubject; }, true},  // runs start within a few frames
      {"underwater", [] { return new UnderwaterSubject; }},
      {"lake", [] { return new LakeSubject; }},
      {"water ring", [] { return new WaterRingSubject; }},
  };
}

// How far each frame moved from the one before: the sum of the changes of everything handed.
std::vector<double> Motion(const UptimeCase& c, double start, const Ran& ran) {
  ResetCrtRand();
  g_LetterboxProjection.SetZoom(1.0f, 0.0f, 0.0f);
  std::unique_ptr<Subject> s(c.make());
  s->Bring(ran);
  std::vector<double> motion;
  Handed last;
  for (int k = 0; k <= kFrames; ++k) {
    s->Frame(start + k * kFrame);
    Handed h = s->Take();
    if (k > 0) {
      double m = 0;
      const size_t n = std::min(h.size(), last.size());
      for (size_t i = 0; i < n; ++i) m += std::fabs(h[i] - last[i]);
      if (h.size() != last.size()) m += 1e9;  // a different number of values handed is no even motion
      motion.push_back(m);
    }
    last = h;
  }
  return motion;
}

// The first frame that does not move as the reference does, or an empty text.
std::string Uneven(const UptimeCase& c, const std::vector<double>& ref, const std::vector<double>& at) {
  const double tolerance = 0.02;
  for (size_t k = 0; k < ref.size(); ++k) {
    char text[160];
    if (ref[k] == 0 && !c.rests) {
      std::snprintf(text, sizeof text, "frame %zu: the reference at 10 s does not move", k + 1);
      return text;
    }
    const bool stands = at[k] == 0 && ref[k] != 0;
    if (stands || std::fabs(at[k] - ref[k]) > tolerance * ref[k]) {
      std::snprintf(text, sizeof text, "frame %zu moves %.6g, at 10 s %.6g", k + 1, at[k], ref[k]);
      return text;
    }
  }
  return "";
}

class UptimeTest : public ::testing::Test {
 protected:
  UptimeTest() : device(1920, 1080) {}
  void SetUp() override {
    savedManager_ = g_DocResManager;
    savedMapping_ = *GetScreenMapping();
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    GetScreenMapping()->pictureWidth = 800;
    GetScreenMapping()->pictureHeight = 600;
    g_LetterboxProjection.mode = PicturePosition::Fit;
    device.pairTextures[0] = &pair[0];
    device.pairTextures[1] = &pair[1];
  }
  void TearDown() override {
    for (auto& bar : g_LetterboxProjection.bars) bar.ReleaseVertexBuffer();
    g_LetterboxProjection.SetZoom(1.0f, 0.0f, 0.0f);
    manager_.reset();
    g_DocResManager = savedManager_;
    *GetScreenMapping() = savedMapping_;
    SharedGlassBallMotion() = GlassBallMotion();
    ResetCrtRand();
  }

  RecordingRenderDevice device;
  lumi_test::FakeTexture pair[2];

 private:
  std::unique_ptr<DS_DocResManager> manager_;
  DS_DocResManager* savedManager_ = nullptr;
  ScreenMapping savedMapping_;
};

TEST_F(UptimeTest, EveryFamilyMovesEvenlyAfterWeeksOfUptime) {
  const double starts[] = {4096.0, 16384.0, 1048576.0, 33554432.0};
  int failed = 0, checked = 0;
  for (const UptimeCase& c : Cases()) {
    const std::vector<double> madeRef = Motion(c, kReferenceStart, Ran{0, false});
    for (double t0 : starts) {
      const struct {
        const char* how;
        std::vector<double> ref, at;
      } runs[] = {
          {"made at t0", madeRef, Motion(c, t0, Ran{0, false})},
          {"running since the start", Motion(c, kReferenceStart, Ran{t0, true}), Motion(c, t0, Ran{t0, false})},
      };
      for (const auto& r : runs) {
        ++checked;
        const std::string why = Uneven(c, r.ref, r.at);
        if (why.empty()) continue;
        ++failed;
        ADD_FAILURE() << c.name << ", " << r.how << ", t0 = " << t0 << " s: " << why;
      }
    }
  }
  if (failed) std::printf("%d of %d runs move unevenly\n", failed, checked);
}

}  // namespace
