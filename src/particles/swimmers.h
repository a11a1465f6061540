// Creatures that roam the view rectangle: fish turn back once wholly outside it sideways and bounce off
// its top and bottom, birds keep near their top speeds, ghosts pulse in and out of sight and reappear
// elsewhere.
#pragma once

#include "particles/fx_particle_ctrl.h"
#include "particles/particle_record.h"

class DS_FishConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 1;

  DS_FishConstructor() = default;
  DS_FishConstructor(const DS_FishConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_FishConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // Speeds, a random point, size and colour; facing left (mirrored) when moving left.
  void InitParticle(Particle* p) override;
  // Moves, turns when wholly left or right of the rectangle, bounces at its top and bottom, and once per
  // application second may draw new speeds.
  void UpdateParticle(Particle* p) override;

  // "DS_FishConstructor", version 1: the two max speeds, then the sprite section.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void ReadBase(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_FishConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_FishConstructor>(s, v); }

  float maxSpeedX = 80.0f;  // picture pixels per item second
  float maxSpeedY = 50.0f;
};

class DS_BirdConstructor : public DS_FishConstructor {
 public:
  DS_BirdConstructor() = default;
  DS_BirdConstructor(const DS_BirdConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_BirdConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // The fish's move, then speeds below 0.7 of the maximum are raised (the vertical one downward).
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version) { DS_FishConstructor::ReadBase(stream); }
  static DS_BirdConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_BirdConstructor>(s, v); }
};

class DS_GhostConstructor : public DS_FishConstructor {
 public:
  // Max speeds 50 and 50, phase rate 0.66, transparency 50, size factor 1.
  DS_GhostConstructor();
  DS_GhostConstructor(const DS_GhostConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_GhostConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // The fish's placement and a random phase.
  void InitParticle(Particle* p) override;
  // The fish's move, then the pulse: reborn elsewhere when the phase falls below its minimum.
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version) { DS_FishConstructor::ReadBase(stream); }
  static DS_GhostConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_GhostConstructor>(s, v); }
};
