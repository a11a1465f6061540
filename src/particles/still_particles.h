// Particles that stay where they are put: a still sprite at the centre of its own rectangle, turned by an
// angle; a flower that sways about its bottom point; a discharge whose sprite sheet jumps to a random
// other frame; and grass blades standing on the view rectangle's bottom edge, swaying in a wave.
#pragma once

#include "particles/fx_particle_ctrl.h"
#include "particles/particle_record.h"

class DS_StatObjConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 2;

  // Placement centre at the picture's centre as it is now (integer halves), edges 0, angle 0.
  DS_StatObjConstructor();
  DS_StatObjConstructor(const DS_StatObjConstructor& o);

  DS_ParticleSystemCtrl* Clone() const override { return new DS_StatObjConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // The sprite render object, drawing its markers as a still sprite's.
  DS_ABObj* CreateRenderObject() override;
  // The placement rectangle instead of the view rectangle.
  ScreenQuad* GetQuad(ScreenQuad* out) const override;
  bool HitTest(float x, float y) const override;
  void InitParticle(Particle* p) override { PlaceSprite(p); }

  // At the placement centre, sized, coloured and turned by the angle; the placement rectangle then holds
  // the turned sprite's bounding box.
  void PlaceSprite(Particle* p);
  // The turned sprite's bounding box into the placement edges (truncated toward zero), refreshing only
  // their undo snapshots.
  void UpdateRectangle(const Particle& p);

  // "DS_StatObjConstructor", version 2: the rectangle, the angle, then the sprite section. Version 1
  // stores the sprite's two flips after the angle.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void ReadBase(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_StatObjConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_StatObjConstructor>(s, v); }

  MediaRectangle placement;  // picture pixels
  MediaParamT<UINT> angle;   // degrees, counter-clockwise on screen
  D3DXMATRIX spriteRotation;
};

class DS_FlowerConstructor : public DS_StatObjConstructor {
 public:
  static const DWORD kVersion = 1;

  DS_FlowerConstructor() = default;
  DS_FlowerConstructor(const DS_FlowerConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_FlowerConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // Sways: the top swings by up to the amplitude while the bottom point stays put.
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_FlowerConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_FlowerConstructor>(s, v); }

  float swayAmplitude = 1.5f;  // degrees
};

class DS_DischargeConstructor : public DS_StatObjConstructor {
 public:
  static const DWORD kVersion = 1;

  DS_DischargeConstructor() = default;
  DS_DischargeConstructor(const DS_DischargeConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_DischargeConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // A random frame other than the current one; frame 0 for a sheet of fewer than two frames, where no
  // other frame exists.
  UINT NextFrame(UINT current) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version) { DS_StatObjConstructor::ReadBase(stream); }
  static DS_DischargeConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_DischargeConstructor>(s, v); }
};

class DS_GrassConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 1;

  DS_GrassConstructor() = default;
  DS_GrassConstructor(const DS_GrassConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_GrassConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // On the bottom edge at a random x (kept in vz), a random phase offset (in vy), a mirror coin.
  void InitParticle(Particle* p) override;
  // Sways with a phase that runs across the picture; the blade's bottom stays at its base x.
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_GrassConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_GrassConstructor>(s, v); }

  float swayAmplitude = 3.0f;  // degrees
};

// The shear of a sway angle in degrees: tan(a), the horizontal lean per unit of height.
float SwayShear(float degrees);
