// The effect items that displace the picture over time: waves running in one direction and the movement
// of the picture back and forth along a direction. (The underwater wobble is in render/underwater_fx.h.)
#pragma once

#include "fx/fx_constructor.h"

// The direction of an angle in degrees as the waves and the movement use it: (1, 0, 0, 0) turned by
// 360 - angle degrees about z, that is (cos angle, -sin angle, 0, 0).
D3DXVECTOR4 TurnedBy360Minus(UINT angle, const D3DXVECTOR4& v);

class DS_WavesFX : public DS_FX_Constructor {
 public:
  static const int kEffectId = 77;

  // Amplitude 50 (0.0125), wavelength 50 (0.026), angle 0, not vertical; the clock at 25 times real
  // time; effect 77. Direction and normal follow the angle and the vertical flag from now on.
  DS_WavesFX();
  // Values copied, listeners of its own, direction recomputed.
  DS_WavesFX(const DS_WavesFX& o);
  ~DS_WavesFX() override;

  DS_FX_Constructor* Clone() const override { return new DS_WavesFX(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  void Render(DS_ABRender* renderer) override;

  // direction = (cos angle, -sin angle); normal = (sin angle, cos angle), or (-cos angle, sin angle) when
  // vertical.
  void UpdateDirection();
  void BindAngleListener(MediaParam& parameter, ListenerHolder& holder);

  void SaveBase(DS_IOF_Virtual** stream);
  // Stored angle and flag go straight into the values: the item read does not recompute its direction.
  void ReadFields(DS_IOF_Virtual** stream);
  static DS_WavesFX* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);

  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> wavelength;
  MediaParamT<UINT> angle;
  MediaParamT<int> vertical;
  ListenerHolder listeners;
  D3DXVECTOR4 direction;
  D3DXVECTOR4 normal;
};

// The abstract base of items moved along the direction of an angle.
class DS_DirectionBased : public DS_FX_Constructor {
 public:
  DS_DirectionBased();
  DS_DirectionBased(const DS_DirectionBased& o);
  ~DS_DirectionBased() override;

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // direction = (cos angle, -sin angle).
  void UpdateDirection();
  void BindAngleListener(MediaParam& parameter, ListenerHolder& holder);

  // "DS_DirectionBased", version 1, amplitude, angle, the base section.
  void SaveBase(DS_IOF_Virtual** stream);
  // Its own header (not compared), then the fields and the base section.
  void ReadBase(DS_IOF_Virtual** stream);

  UINTSclaleTo<float> amplitude;
  MediaParamT<UINT> angle;
  D3DXVECTOR4 direction;
  ListenerHolder listeners;
};

class DS_MoveFX : public DS_DirectionBased {
 public:
  static const int kEffectId = 91;

  // Mode 0 (sine), amplitude 50 of 0.0002 (0.01); the clock at real time; effect 91.
  DS_MoveFX();
  DS_MoveFX(const DS_MoveFX& o);

  DS_FX_Constructor* Clone() const override { return new DS_MoveFX(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // The clock, then this frame's offset: direction x amplitude x (noise of the clock in mode 1, else its
  // sine).
  void Update(double t) override;
  void Render(DS_ABRender* renderer) override;

  void SaveBase(DS_IOF_Virtual** stream);
  static DS_MoveFX* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);

  MediaParamT<int> mode;
  float offset[2] = {0.0f, 0.0f};
};
