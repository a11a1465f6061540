// The particle item bases: the sprite item that makes a sprite-array render object from its clone, and
// the effect-driven bases: the loaded effect, the glow branch's colour, strength and textures with its
// per-frame step, and the effect branch's per-draw parameter step.
#pragma once

#include "platform/com_ref.h"
#include "platform/d3dx_effect.h"
#include "platform/types.h"
#include "scene/file_link.h"
#include "scene/scaled_params.h"
#include "scene/sprite_prop.h"

struct TextureSet;

// Base of the particle items: sprite properties plus the items' rules.
class DS_ParticleSystemCtrl : public DS_BaseSpriteProp {
 public:
  DS_ParticleSystemCtrl() = default;
  DS_ParticleSystemCtrl(const DS_ParticleSystemCtrl& o) : DS_BaseSpriteProp(o) {}

  // Resolves oldest-version images on this item, then a sprite-array object owning a clone.
  DS_ABObj* CreateRenderObject() override;
  // A heap copy by the class's copy constructor.
  virtual DS_ParticleSystemCtrl* Clone() const = 0;
};

// The first frame of a texture set, or null for a set without frames (an empty or unresolved link).
IDirect3DTexture9* FirstFrame(const TextureSet& set);
// The first frame of what the link names in the document, or null (also without a document).
IDirect3DTexture9* FirstFrameOf(const DS_ImageFileLink& link);

// Particles drawn through an effect of the document.
class DS_FXParticleSystemCtrl : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 1;

  DS_FXParticleSystemCtrl() = default;
  // The effect is shared with a reference added.
  DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& o);
  ~DS_FXParticleSystemCtrl() override;

  // The effect of the link (the held reference replaced); classes load their textures after it. The
  // render object calls it once, when it is made.
  virtual void LoadEffect();
  // The textures LoadEffect took from the document's pictures let go of when the manager lets go of those
  // pictures (after the slide's show): true when any went. LoadTextures takes them again. None here.
  virtual bool ReleaseTextures() { return false; }
  virtual void LoadTextures() {}

  // "DS_FXParticleSystemCtrl", version 1: the effect link, then the sprite section.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void ReadBase(DS_IOF_Virtual** stream);

  DS_HLSLEffectFile effectLink;
  ComRef<ID3DXEffect> effect;  // null until loaded or when it cannot be made
};

// Glow items: the particles are drawn into a glow target that is blended over the composed scene.
class DS_GlowEffectCtrl : public DS_FXParticleSystemCtrl {
 public:
  // Glow colour black; glow strength stored 100, derived 1.0 (hundredths).
  DS_GlowEffectCtrl();
  // Textures are shared with a reference added.
  DS_GlowEffectCtrl(const DS_GlowEffectCtrl& o);
  ~DS_GlowEffectCtrl() override;

  // A glow render object owning a clone; no legacy image resolution.
  DS_ABObj* CreateRenderObject() override;
  // The effect, then the glow texture from the second image link and the main texture from the sprite
  // image link (first frames; null when a link yields none).
  void LoadEffect() override;
  bool ReleaseTextures() override;
  void LoadTextures() override;
  // The item's step at the start of every update, before its clock advances.
  virtual void UpdateEffect() {}

  // "DS_GlowEffectCtrl", version 1: glow colour, glow strength, then the effect section.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void ReadBase(DS_IOF_Virtual** stream);

  MediaColor glowColour;  // COLORREF 0x00BBGGRR
  UINTSclaleTo<float> glowStrength;
  ComRef<IDirect3DTexture9> glowTexture;
  ComRef<IDirect3DTexture9> mainTexture;

 protected:
  void HoldTextures(IDirect3DTexture9* glow, IDirect3DTexture9* main);
};

// Effect items: the particles are drawn once through the effect with the item's parameters.
class DS_BaseFXCtrl : public DS_FXParticleSystemCtrl {
 public:
  DS_BaseFXCtrl() = default;
  DS_BaseFXCtrl(const DS_BaseFXCtrl& o) : DS_FXParticleSystemCtrl(o) {}
  // Sets the effect's technique and parameters right before the sprites are drawn; called only with an
  // effect.
  virtual void ApplyEffectParams() = 0;

  // "DS_BaseFXCtrl", version 1: no fields, then the effect section.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void ReadBase(DS_IOF_Virtual** stream);
};

// Effect items drawn at one position of the picture, with a second colour. Neither is stored.
class DS_StatBaseFXCtrl : public DS_BaseFXCtrl {
 public:
  // Position at the picture's centre as it is now (0, 0 before the first picture is placed).
  DS_StatBaseFXCtrl();
  // A copy of an item whose position was never set takes the centre of the picture as it is now, so that
  // a render object made after the picture is placed centres its particles.
  DS_StatBaseFXCtrl(const DS_StatBaseFXCtrl& o);

  // An effect render object owning a clone; no legacy image resolution.
  DS_ABObj* CreateRenderObject() override;

  // Sets the position; from then on copies keep it.
  void SetPosition(const D3DXVECTOR3& p);

  // "DS_StatBaseFXCtrl", version 1: no fields, then the base effect section.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void ReadBase(DS_IOF_Virtual** stream);

  MediaParamT<D3DXVECTOR3> position;  // picture pixels
  MediaColor secondColour;            // COLORREF

 private:
  bool centred_ = true;  // the position is the picture centre, not a set one
};
