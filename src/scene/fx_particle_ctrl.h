// The effect-driven particle item bases, as far as their render objects use them: the loaded effect, the
// glow branch's colour, strength and textures with its per-frame step, and the effect branch's per-draw
// parameter step. The items' records, defaults and rules are the particle items' own.
#pragma once

#include "platform/d3dx_effect.h"
#include "platform/types.h"
#include "scene/scaled_params.h"
#include "scene/sprite_prop.h"

// Base of the particle items: sprite properties plus the items' rules.
class DS_ParticleSystemCtrl : public DS_BaseSpriteProp {
 public:
  DS_ParticleSystemCtrl() = default;
  DS_ParticleSystemCtrl(const DS_ParticleSystemCtrl& o) : DS_BaseSpriteProp(o) {}
};

// Particles drawn through an effect of the document.
class DS_FXParticleSystemCtrl : public DS_ParticleSystemCtrl {
 public:
  DS_FXParticleSystemCtrl() = default;
  // The effect is shared with a reference added.
  DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& o);
  ~DS_FXParticleSystemCtrl() override;

  // Loads the effect (and the textures of the class); the render object calls it once, when it is made.
  virtual void LoadEffect() = 0;

  ID3DXEffect* effect = nullptr;  // one reference held; null until loaded or when it cannot be made
};

// Glow items: the particles are drawn into a glow target that is blended over the composed scene.
class DS_GlowEffectCtrl : public DS_FXParticleSystemCtrl {
 public:
  // Glow colour black; glow strength stored 100, derived 1.0 (hundredths).
  DS_GlowEffectCtrl();
  // Textures are shared with a reference added.
  DS_GlowEffectCtrl(const DS_GlowEffectCtrl& o);
  ~DS_GlowEffectCtrl() override;

  // The item's step at the start of every update, before its clock advances.
  virtual void UpdateEffect() {}

  MediaColor glowColour;  // COLORREF 0x00BBGGRR
  UINTSclaleTo<float> glowStrength;
  IDirect3DTexture9* glowTexture = nullptr;  // one reference held
  IDirect3DTexture9* mainTexture = nullptr;  // one reference held
};

// Effect items: the particles are drawn once through the effect with the item's parameters.
class DS_BaseFXCtrl : public DS_FXParticleSystemCtrl {
 public:
  DS_BaseFXCtrl() = default;
  DS_BaseFXCtrl(const DS_BaseFXCtrl& o) : DS_FXParticleSystemCtrl(o) {}
  // Sets the effect's technique and parameters right before the sprites are drawn; called only with an
  // effect.
  virtual void ApplyEffectParams() = 0;
};
