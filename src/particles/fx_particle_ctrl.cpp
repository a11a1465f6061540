#include "particles/fx_particle_ctrl.h"

#include "render/mesh.h"
#include "particles/particle_objects.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/texture_types.h"

namespace {

D3DXVECTOR3 PictureCentre() {
  const ScreenMapping* m = GetScreenMapping();
  return D3DXVECTOR3(static_cast<float>(m->pictureWidth) * 0.5f, static_cast<float>(m->pictureHeight) * 0.5f, 0.0f);
}

}  // namespace

DS_ABObj* DS_ParticleSystemCtrl::CreateRenderObject() {
  ResolveLegacyImages();
  return new DS_SpriteArrayObj(Clone());
}

IDirect3DTexture9* FirstFrame(const TextureSet& set) { return set.First(); }

IDirect3DTexture9* FirstFrameOf(const DS_ImageFileLink& link) {
  return g_DocResManager ? FirstFrame(g_DocResManager->GetTextureSet(link)) : nullptr;
}

// ---- effect base

DS_FXParticleSystemCtrl::DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& o)
    : DS_ParticleSystemCtrl(o), effectLink(o.effectLink), effect(o.effect) {}

DS_FXParticleSystemCtrl::~DS_FXParticleSystemCtrl() = default;

void DS_FXParticleSystemCtrl::LoadEffect() {
  if (!g_DocResManager) return;
  ID3DXEffect* loaded = nullptr;
  g_DocResManager->GetEffect(&loaded, effectLink);  // adds the reference we now hold
  effect.Adopt(loaded);
}

void DS_FXParticleSystemCtrl::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_FXParticleSystemCtrl", kVersion);
  WriteFileLink(stream, effectLink);
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_FXParticleSystemCtrl::ReadBase(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  ReadFileLink(stream, &effectLink);
  DS_BaseSpriteProp::ReadBase(stream);
}

// ---- glow branch

DS_GlowEffectCtrl::DS_GlowEffectCtrl() {
  glowStrength.SetScaling(0.01f, 0.0f);
  glowStrength.SetValue(100, nullptr);
}

DS_GlowEffectCtrl::DS_GlowEffectCtrl(const DS_GlowEffectCtrl& o)
    : DS_FXParticleSystemCtrl(o),
      glowColour(o.glowColour),
      glowStrength(o.glowStrength),
      glowTexture(o.glowTexture),
      mainTexture(o.mainTexture) {}

DS_GlowEffectCtrl::~DS_GlowEffectCtrl() = default;

void DS_GlowEffectCtrl::HoldTextures(IDirect3DTexture9* glow, IDirect3DTexture9* main) {
  glowTexture.Share(glow);
  mainTexture.Share(main);
}

DS_ABObj* DS_GlowEffectCtrl::CreateRenderObject() {
  return new DS_GlowingObj(static_cast<DS_GlowEffectCtrl*>(Clone()));
}

void DS_GlowEffectCtrl::LoadEffect() {
  DS_FXParticleSystemCtrl::LoadEffect();
  LoadTextures();
}

void DS_GlowEffectCtrl::LoadTextures() { HoldTextures(FirstFrameOf(secondImage), FirstFrameOf(image)); }

bool DS_GlowEffectCtrl::ReleaseTextures() {
  const bool glow = ReleaseHeldPicture(glowTexture, secondImage);
  const bool main = ReleaseHeldPicture(mainTexture, image);
  return glow || main;
}

void DS_GlowEffectCtrl::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_GlowEffectCtrl", kVersion);
  (*stream)->WriteDword(glowColour.GetValue());
  (*stream)->WriteUInt(glowStrength.GetValue());
  DS_FXParticleSystemCtrl::SaveBase(stream);
}

void DS_GlowEffectCtrl::ReadBase(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  (*stream)->ReadDword(&glowColour.Raw());
  UINT strength = 0;
  (*stream)->ReadUInt(&strength);
  glowStrength.Change(strength);  // the derived strength follows
  DS_FXParticleSystemCtrl::ReadBase(stream);
}

// ---- effect branch

void DS_BaseFXCtrl::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_BaseFXCtrl", kVersion);
  DS_FXParticleSystemCtrl::SaveBase(stream);
}

void DS_BaseFXCtrl::ReadBase(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  DS_FXParticleSystemCtrl::ReadBase(stream);
}

DS_StatBaseFXCtrl::DS_StatBaseFXCtrl() { position.Raw() = PictureCentre(); }

DS_StatBaseFXCtrl::DS_StatBaseFXCtrl(const DS_StatBaseFXCtrl& o)
    : DS_BaseFXCtrl(o), position(o.position), secondColour(o.secondColour), centred_(o.centred_) {
  if (centred_) position = PictureCentre();
}

DS_ABObj* DS_StatBaseFXCtrl::CreateRenderObject() { return new DS_FXObj(static_cast<DS_BaseFXCtrl*>(Clone())); }

void DS_StatBaseFXCtrl::SetPosition(const D3DXVECTOR3& p) {
  centred_ = false;
  position.SetValue(p, nullptr);
}

void DS_StatBaseFXCtrl::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_StatBaseFXCtrl", kVersion);
  DS_BaseFXCtrl::SaveBase(stream);
}

void DS_StatBaseFXCtrl::ReadBase(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  DS_BaseFXCtrl::ReadBase(stream);
}
