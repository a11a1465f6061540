// Scene items for render-object tests: each counts its destructions and logs what its render object
// asks of it into the current call log.
#pragma once

#include <string>

#include "particles/particle_objects.h"
#include "particles/fx_particle_ctrl.h"
#include "support/recording_effect.h"

namespace render_test {

inline int g_itemsDeleted = 0;
inline lumi_test::CallLog* g_log = nullptr;
inline void Log(const std::string& line) {
  if (g_log) g_log->Add(line);
}

class TestSprites : public DS_BaseSpriteProp {
 public:
  TestSprites() = default;
  TestSprites(const TestSprites& o) : DS_BaseSpriteProp(o) {}
  ~TestSprites() override { ++g_itemsDeleted; }
  DS_ABObj* CreateRenderObject() override { return new DS_SpriteArrayObj(new TestSprites(*this)); }
  void UpdateParticle(Particle* p) override { p->centre.x += 1.0f; }
  bool HitTest(float x, float y) const override { return x == 3.0f && y == 4.0f; }
};

class TestGlow : public DS_GlowEffectCtrl {
 public:
  TestGlow() = default;
  TestGlow(const TestGlow& o) : DS_GlowEffectCtrl(o) {}
  ~TestGlow() override { ++g_itemsDeleted; }
  DS_ABObj* CreateRenderObject() override { return new DS_GlowingObj(new TestGlow(*this)); }
  DS_ParticleSystemCtrl* Clone() const override { return new TestGlow(*this); }
  void LoadEffect() override { Log("LoadEffect"); }
  void UpdateEffect() override { Log("UpdateEffect clock " + std::to_string(clock)); }
  void UpdateParticle(Particle*) override { Log("UpdateParticle clock " + std::to_string(clock)); }
};

class TestFX : public DS_BaseFXCtrl {
 public:
  TestFX() = default;
  TestFX(const TestFX& o) : DS_BaseFXCtrl(o) {}
  ~TestFX() override { ++g_itemsDeleted; }
  DS_ABObj* CreateRenderObject() override { return new DS_FXObj(new TestFX(*this)); }
  DS_ParticleSystemCtrl* Clone() const override { return new TestFX(*this); }
  void LoadEffect() override { Log("LoadEffect"); }
  void ApplyEffectParams() override {
    Log("ApplyEffectParams");
    if (effect) effect->SetTechnique("Explode");
  }
  void UpdateParticle(Particle*) override { Log("UpdateParticle"); }
};

}  // namespace render_test
