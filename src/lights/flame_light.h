// The flame light: a band of fire burning along the lower part of the picture, drawn right after the
// picture with the embedded fire's own quad, and optionally a heat haze over the whole finished frame.
// With the haze on the light asks for the off-screen pass, so the picture, the fire and every scene item
// are composed in the render-target pair; its post pass then draws that image through the haze effect.
#pragma once

#include "lights/light_2d.h"
#include "platform/com_ref.h"
#include "fx/fire_fx.h"
#include "scene/scaled_params.h"

// The heat haze: the composed slide drawn over the picture area through a scrolling bump-map distortion.
class FlameHazeEffect {
 public:
  static const int kBumpId = 62;
  static const int kEffectId = 63;

  // Bump map 62 and effect 63 of the shared module; speed 50 (0.05 per second), strength 25 (0.05),
  // bump scale 88 (0.208).
  FlameHazeEffect();
  FlameHazeEffect(const FlameHazeEffect&) = delete;
  FlameHazeEffect& operator=(const FlameHazeEffect&) = delete;

  // A quad buffer, the bump texture and the effect from the document; whether there is an effect.
  bool Create();
  // The quad over a w x h picture.
  void SetQuadSize(float w, float h);
  // Advances the scroll clock to application time t and sets the effect's values; nothing (the clock
  // stands) without an effect.
  void Update(double t);
  // The quad through every pass of "BumpmapDistortLow2", sampling scene; nothing without an effect.
  void Draw(IDirect3DTexture9* scene);

  DS_SimpleMesh<DX_V::PT> quad;
  DS_ImageFileLink bumpMap;
  DS_HLSLEffectFile effectLink;
  MediaSpeedParam speed;
  UINTSclaleTo<float> strength;
  UINTSclaleTo<float> bumpScale;
  ComRef<ID3DXEffect> effect;
  ComRef<IDirect3DTexture9> bumpTexture;
  float aspect = 1.0f;  // the quad's height / width
};

class DS_FlameLight : public DS_2D_Light {
 public:
  static const DWORD kVersion = 2;
  static const int kPatternId = 7;
  static const int kNoiseId = 8;

  DS_FlameLight();

  void Save(DS_IOF_Virtual** stream) override;
  static DS_FlameLight* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  static void ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_FlameLight* light);

  bool NeedsOffscreen() override { return hazeEnable.GetValue() == 1; }
  void OnCreateDevice() override;
  void OnResetDevice() override;
  void PostRender() override;
  void RenderBackground() override;
  void FrameMove(double seconds) override;
  void ReloadImage() override;

  // The fire quad over the band of the picture's size and fire offset.
  void PlaceFire();

  MediaParamT<int> fireEnable;
  MediaParamT<int> hazeEnable;
  MediaParamT<UINT> fireOffset;
  DS_FireFX fire;
  FlameHazeEffect haze;
  DS_SimpleMesh<DX_V::PT> fireQuad;

 private:
  // Placement, haze quad and fire band for the picture's size (known before its texture is decoded).
  void PlaceForPicture();
  UINT placedWidth_ = 0, placedHeight_ = 0;
};

void RegisterFlameLightReader();
