// Particle items drawn through an effect: an electric bolt between two points (glow branch), a chain of
// sprites laid along a random zig-zag path rebuilt ten times per item second; and an explosion (effect
// branch), sprites at one position fed two colours, a gradient and two noise pictures with shifting
// offsets and a running time.
#pragma once

#include <vector>

#include "particles/fx_particle_ctrl.h"
#include "particles/particle_record.h"

// One segment of a bolt: its middle, unit direction, unit side (across the whole bolt) and length.
struct BoltPoint {
  D3DXVECTOR3 position;
  D3DXVECTOR3 direction;
  D3DXVECTOR3 side;
  float length;
};
typedef std::vector<BoltPoint> BoltPath;

class DS_DischargeFXConstructor : public DS_GlowEffectCtrl {
 public:
  static const DWORD kVersion = 1;
  static const int kMainImage = 95;       // main image choice non-zero
  static const int kOtherMainImage = 98;  // main image choice zero
  static const int kEffect = 97;

  // Size 50, additive, pale yellow bolt with a blue glow, the module's bolt effect; from (100, 100) to
  // 100 pixels inside the bottom-right corner of the picture as it is now.
  DS_DischargeFXConstructor();
  DS_DischargeFXConstructor(const DS_DischargeFXConstructor& o) = default;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_DischargeFXConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // The effect; the sprite image link names the chosen module bolt image; then the glow and main
  // textures from the links.
  void LoadEffect() override;
  // Restarts the particle counter; every 0.1 item seconds the current path becomes the previous one and a
  // new one is built.
  void UpdateEffect() override;
  // Both paths sized to the count and built anew, previous first.
  void InitParticle(Particle* p) override;
  // The next segment, between the previous and current paths by the time since the rebuild.
  void UpdateParticle(Particle* p) override;

  // Each segment heads for the end point with a random skew (none on the last) over the remaining
  // distance divided by the segments left, so the bolt ends exactly at the end point.
  void BuildBoltPath(BoltPath& path);
  // previous + t * (current - previous), for every value of the point; t is not clamped.
  BoltPoint LerpPathPoint(int index, float t) const;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version);
  static DS_DischargeFXConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_DischargeFXConstructor>(s, v); }

  MediaParamT<D3DXVECTOR3> startPoint;  // picture pixels
  MediaParamT<D3DXVECTOR3> endPoint;
  UINTSclaleTo<float> jitter;          // hundredths
  MediaParamT<int> mainImageChoice;
  UINTSclaleTo<float> flickerInterval;  // application seconds: 0.1 - 0.001 x stored
  UINTSclaleTo<float> followSpeed;      // tenths
  BoltPath previousPath;
  BoltPath currentPath;
  int pointCounter = 0;
  double lastRebuildTime = 0.0;  // item clock
};

class DS_ExplosionConstructor : public DS_StatBaseFXCtrl {
 public:
  static const DWORD kVersion = 1;
  static const int kEffect = 99;

  // Size 250, the module's explosion effect.
  DS_ExplosionConstructor();
  DS_ExplosionConstructor(const DS_ExplosionConstructor& o);
  ~DS_ExplosionConstructor() override;

  DS_ParticleSystemCtrl* Clone() const override { return new DS_ExplosionConstructor(*this); }
  void Save(DS_IOF_Virtual** stream) override;
  // The effect, then the gradient from the sprite image link, noise 1 from the second image link and
  // noise 2 from the noise link; a missing noise 2 takes noise 1, so the effect always gets a picture
  // when the document has one.
  void LoadEffect() override;
  bool ReleaseTextures() override;
  void LoadTextures() override;
  // At the position, sized.
  void UpdateParticle(Particle* p) override;
  // Technique "Main" with the gradient, both noises, both colours, both noise shifts and the time; once
  // per whole item second the newer noise and shift become the older ones and a new shift is drawn.
  void ApplyEffectParams() override;

  void ReadFields(DS_IOF_Virtual** stream, DWORD version) { DS_StatBaseFXCtrl::ReadBase(stream); }
  static DS_ExplosionConstructor* CreateAndRead(DS_IOF_Virtual** s, DWORD v) { return ReadNewParticleItem<DS_ExplosionConstructor>(s, v); }

  DS_ImageFileLink noiseLink;  // not stored
  ComRef<IDirect3DTexture9> gradientTexture;
  ComRef<IDirect3DTexture9> noiseTexture1;
  ComRef<IDirect3DTexture9> noiseTexture2;
  float noiseShift1[2] = {0.0f, 0.0f};
  float noiseShift2[2] = {0.0f, 0.0f};
  int lastWholeSecond = 0;
};

// Red, green and blue of a COLORREF (red in the low byte) over 255.
void ColourToFloats(DWORD colour, float out[3]);
