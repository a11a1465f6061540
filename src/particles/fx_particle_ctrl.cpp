#include "scene/fx_particle_ctrl.h"

#include "render/mesh.h"
#include "scene/texture_types.h"

DS_FXParticleSystemCtrl::DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& o) : DS_ParticleSystemCtrl(o) {
  mesh_detail::Hold(effect, o.effect);
}

DS_FXParticleSystemCtrl::~DS_FXParticleSystemCtrl() { SafeRelease(&effect); }

DS_GlowEffectCtrl::DS_GlowEffectCtrl() {
  glowStrength.SetScaling(0.01f, 0.0f);
  glowStrength.SetValue(100, nullptr);
}

DS_GlowEffectCtrl::DS_GlowEffectCtrl(const DS_GlowEffectCtrl& o)
    : DS_FXParticleSystemCtrl(o), glowColour(o.glowColour), glowStrength(o.glowStrength) {
  mesh_detail::Hold(glowTexture, o.glowTexture);
  mesh_detail::Hold(mainTexture, o.mainTexture);
}

DS_GlowEffectCtrl::~DS_GlowEffectCtrl() {
  SafeRelease(&glowTexture);
  SafeRelease(&mainTexture);
}
