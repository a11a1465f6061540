// Scene items for render-object tests: each counts its destructions and logs what its render object
// asks of it into the current call log.
#pragma once

#include <string>

#include "render/render_objects.h"
#include "scene/fx_constructor.h"
#include "scene/fx_particle_ctrl.h"
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

class TestBrush : public DS_FX_Constructor {
 public:
  TestBrush() = default;
  TestBrush(const TestBrush& o) : DS_FX_Constructor(o) {}
  ~TestBrush() override { ++g_itemsDeleted; }
  DS_ABObj* CreateRenderObject() override { return new DS_BrushObj(new TestBrush(*this)); }
  DS_FX_Constructor* Clone() const override { return new TestBrush(*this); }
  void LoadEffect(IDirect3DTexture9** maskSlot) override {
    Log("LoadEffect");
    loadedMask = maskSlot;
  }
  void DrawMarkers(DS_ABRender* renderer) override { Log("item DrawMarkers"); }
  void Update(double t) override { Log("item Update " + std::to_string(t)); }
  void Render(DS_ABRender* renderer) override { Log(std::string("item Render ") + (renderer ? "renderer" : "none")); }

  IDirect3DTexture9** loadedMask = nullptr;
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
