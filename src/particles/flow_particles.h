// Particles that stream across the picture: a flow along one direction with a random sideways drift, its
// rain preset (straight down, fast, pulsing, drops turned along the flow), and fog (large slowly turning
// puffs that drift and bounce inside the view rectangle).
#pragma once

#include "particles/fx_particle_ctrl.h"
#include "particles/particle_record.h"

class DS_FlowConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 3;

  // Angle 0, drift speed x3 and change rate x0.25 (both stored 0), base speed 0, mode 0: no motion yet.
  DS_FlowConstructor();
  // Recomputes the drift values, the rotation, direction and side vector from the copied values: only a
  // copy moves as its stored values say.
  DS_FlowConstructor(const DS_FlowConstructor& o);
  ~DS_FlowConstructor() override;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_FlowConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // A random drift factor (in vz), a random point, size, colour and axes.
  void InitParticle(Particle* p) override;
  // Moves along the direction plus the drift; per axis wraps to the far side when the rectangle spans the
  // picture in that axis, else bounces; may change the drift at the change rate.
  void UpdateParticle(Particle* p) override;

  // Watches the angle: OnAngleChanged now and on every change.
  void BindAngleListener();
  // Flow rotation from the angle (counter-clockwise on screen), then direction and side vector.
  void OnAngleChanged(UINT angle);
  // Size and colour; mode 1 turns the axes along the flow, mode 0 puts them upright.
  void OrientParticle(Particle* p) const;

  // "DS_FlowConstructor", version 3: angle, drift speed, change rate, base speed, mode, then the sprite
  // section. Version 1 has no mode; in version 2 any non-zero value means mode 1.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void ReadBase(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_FlowConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_FlowConstructor>(s, v); }

  MediaParamT<UINT> angle;            // degrees: 0 to the right, 90 up, 270 down
  MediaFloat<UINT> driftSpeed;        // derived: pixels per item second
  MediaFloat<UINT> driftChangeRate;   // derived: changes per item second
  float baseSpeed = 0.0f;             // pixels per item second
  MediaParamT<int> orientationMode;   // 0 upright, 1 along the flow, 2 mirrored by x motion, 3 flipped by y
  D3DXVECTOR4 direction;
  D3DXVECTOR4 side;
  D3DXMATRIX flowRotation;

 private:
  void SetScales();
  ListenerHolder holder_;
};

class DS_RainConstructor : public DS_FlowConstructor {
 public:
  // Angle 270 (value only: the direction stays zero until the item is copied), base speed 2000, size
  // factor 0.5 to 1, drops turned along the flow.
  DS_RainConstructor();
  DS_RainConstructor(const DS_RainConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_RainConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // The flow's placement, a random phase, then upright drops along the flow.
  void InitParticle(Particle* p) override;
  // The flow's move, then the pulse with rebirth.
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version) { DS_FlowConstructor::ReadBase(stream); }
  static DS_RainConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_RainConstructor>(s, v); }

  D3DXMATRIX dropRotation;
};

class DS_FogConstructor : public DS_ParticleSystemCtrl {
 public:
  static const DWORD kVersion = 1;

  // Max speeds 40 and 40, phase from 0.2 to 1, transparency 50.
  DS_FogConstructor();
  DS_FogConstructor(const DS_FogConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_FogConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // A random point, speeds, phase and a turn per frame of at most 0.004 radians either way.
  void InitParticle(Particle* p) override;
  // Moves, swings the phase between its bounds (no rebirth), keeps the centre inside the rectangle and
  // turns the sprite once per frame.
  void UpdateParticle(Particle* p) override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_FogConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_FogConstructor>(s, v); }

  float maxSpeedX = 40.0f;
  float maxSpeedY = 40.0f;
};
