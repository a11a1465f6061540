// Particles made of light: god rays (tall sheared sprites over the picture's height, drifting sideways
// while they pulse), sparkles (drifting twinkles that grow and shrink with their pulse) and lightning
// (sprites that flash up at random places, flicker and die away).
#pragma once

#include "particles/fx_particle_ctrl.h"
#include "particles/particle_record.h"

class DS_GodRayConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 1;

  DS_GodRayConstructor() { angle = 80; }
  DS_GodRayConstructor(const DS_GodRayConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_GodRayConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // Random x, centre y half the rectangle's height from the picture's top, a sideways drift, the ray's
  // shape and a random phase.
  void InitParticle(Particle* p) override;
  // Every 0.25 item seconds a coin may give a new drift; moves; pulses with rebirth.
  void UpdateParticle(Particle* p) override;
  // Half width size / 2, half height H / 2 (as tall as the picture), axis Y slanted by the angle.
  void SetRayShape(Particle* p) const;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_GodRayConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_GodRayConstructor>(s, v); }

  MediaParamT<UINT> angle;  // degrees: the rays' slant, 90 upright
};

class DS_SparkleConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 1;

  DS_SparkleConstructor() { flag = true; }
  DS_SparkleConstructor(const DS_SparkleConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_SparkleConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // A slow random velocity, a random point and a random phase.
  void InitParticle(Particle* p) override;
  // Moves, pulses with rebirth, and takes a square size from the phase: half at phase 0, full at 1.
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version) { DS_BaseSpriteProp::ReadBase(stream); }
  static DS_SparkleConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_SparkleConstructor>(s, v); }
};

class DS_LightingConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 1;

  // Drawn additively.
  DS_LightingConstructor() {
    blendMode = 1;
    flag = true;
  }
  DS_LightingConstructor(const DS_LightingConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_LightingConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // A place with the whole sprite inside the rectangle, a tilt of up to 22.5 degrees either way, a mirror
  // coin; dark.
  void InitParticle(Particle* p) override;
  // A flash decays at 6 per item second and may flicker back to full every 0.15 item s; a dark particle
  // may flash somewhere else once per item second.
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version) { DS_BaseSpriteProp::ReadBase(stream); }
  static DS_LightingConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_LightingConstructor>(s, v); }
};
