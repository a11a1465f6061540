// The light effect (brightness pulsing, blinking or flickering by a multiplier) and the water effect (the
// picture seen as a water surface: a rotating bump picture, two wave vectors, shading and a tint).
#pragma once

#include "fx/fx_constructor.h"

class DS_LightFX : public DS_FX_Constructor {
 public:
  static const int kEffectId = 76;

  // Level 40 (0.4), mode 0 (pulse); the clock at 40 times real time; effect 76.
  DS_LightFX();
  DS_LightFX(const DS_LightFX& o);

  DS_FX_Constructor* Clone() const override { return new DS_LightFX(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  void Render(DS_ABRender* renderer) override;

  // The light curve at clock c in 0..1: mode 1 blinks (0 or 1), 2 and above flicker by noise, any other
  // mode pulses by a sine.
  static float Curve(int mode, double c);
  // "multiplier" = derived level x Curve (mode, clock).
  float Multiplier() const;

  void SaveBase(DS_IOF_Virtual** stream);
  static DS_LightFX* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);

  UINTSclaleTo<float> level;
  MediaParamT<int> mode;
};

class DS_WaterFX : public DS_FX_Constructor {
 public:
  static const int kEffectId = 90;
  static const int kBumpId = 89;

  // P factor 20 (0.002), bump amplitude 20 (0.02), wave amplitude 20 (0.005), wavelength 20 (0.011),
  // angle 40, shadows 0, half-vector z 0, white, bump picture 89; the clock at real time; scale 30 (0.6);
  // effect 90. The direction follows the angle from now on.
  DS_WaterFX();
  // Values copied, a listener of its own, direction recomputed; the bump texture is not shared (the
  // clone loads its own).
  DS_WaterFX(const DS_WaterFX& o);
  ~DS_WaterFX() override;

  DS_FX_Constructor* Clone() const override { return new DS_WaterFX(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // The base's, then the bump texture (first frame of the bump link).
  void LoadEffect(IDirect3DTexture9** mask) override;
  bool ReleaseTextures() override;
  void LoadTextures() override;
  // The clock, then the bump transform rotated by 4.5 radians per clock second.
  void Update(double t) override;
  void Render(DS_ABRender* renderer) override;
  // Without a mask and without shadows: the water's twin techniques leave out the slope and highlight
  // terms too, which "Shadows" 0 makes nothing.
  bool CoveredEverywhere() override { return DS_FX_Constructor::CoveredEverywhere() && shadows.GetResult() == 0.0f; }
  // With a mask and without shadows: "MainFXUnlit" or "MainUnlit", which leave out only those terms.
  const char* TwinTechnique(bool mainFX) override {
    if (const char* twin = DS_FX_Constructor::TwinTechnique(mainFX)) return twin;
    return shadows.GetResult() == 0.0f ? (mainFX ? "MainFXUnlit" : "MainUnlit") : nullptr;
  }

  // direction = (cos angle, sin angle): the stored angle as it is.
  void UpdateDirection();
  void BindAngleListener(MediaParam& parameter, ListenerHolder& holder);

  // The values Render sets.
  struct Values {
    float direction1[2], direction2[2];
    float p1[3], p2[3];
    float vhalf[3];
    float colour[3];
  };
  Values ComputeValues() const;

  void SaveBase(DS_IOF_Virtual** stream);
  void SaveFields(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream);
  static DS_WaterFX* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);

  UINTSclaleTo<float> pFactor;
  UINTSclaleTo<float> bumpAmplitude;
  UINTSclaleTo<float> waveAmplitude;
  UINTSclaleTo<float> wavelength;
  MediaParamT<UINT> angle;
  UINTSclaleTo<float> shadows;
  UINTSclaleTo<float> halfVectorZ;
  MediaColor colour;  // COLORREF
  DS_ImageFileLink bumpLink;
  ComRef<IDirect3DTexture9> bumpTexture;
  float bumpTransform[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  D3DXVECTOR4 direction;
  ListenerHolder listeners;
};
