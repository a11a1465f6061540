// The lake light: below a horizon line the picture is replaced by its own mirror image, rippled by a
// turning bump map and tinted more strongly towards the bottom, with a haze strip over the horizon. All
// fixed-function, in the picture's pixel frame, so it follows placement and zoom like the picture.
#pragma once

#include "platform/com_ref.h"
#include "lights/lake_rules.h"
#include "lights/light_2d.h"
#include "render/quad_builders.h"
#include "scene/doc_keys.h"
#include "scene/scaled_params.h"

class FakeLake2D : public DS_2D_Light {
 public:
  static const DWORD kVersion = 2;

  FakeLake2D();
  ~FakeLake2D() override;

  void Save(DS_IOF_Virtual** stream) override;
  static FakeLake2D* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  static void ReadFields(DS_IOF_Virtual** stream, DWORD version, FakeLake2D* light);

  void OnCreateDevice() override;
  void OnResetDevice() override;
  void RenderBackground() override;
  void FrameMove(double seconds) override;
  void ReloadImage() override;

  void BuildLakePlane();
  void UpdateLakeGeometry();
  void SetLakeBumpCoords(float s);
  void SetTintAlphas();
  void SetupBumpStages();
  // A bump map made from the executable's ripple heights (picture 2): drawn into a texture with a grey
  // fade towards its top edge, turned into normals and from those into signed offsets. Made at a second
  // or later set-up; the document's bump picture under the key, when it holds one, still wins.
  void MakeBumpMap();
  // The share of the picture the lake covers (0..0.5).
  float HorizonShare() const { return LakeHorizonShare(horizon.GetResult()); }

  MediaSpeedParam speed;
  UINTSclaleTo<float> bumpScale;
  UINTSclaleTo<float> horizon;
  UINTSclaleTo<float> bumpFade;
  UINTSclaleTo<float> tintAlpha;
  UINTSclaleTo<float> tintFade;
  MediaParamT<UINT> bumpAmplitude;
  MediaParamT<UINT> hazeHeight;
  MediaParamT<int> copySize;
  MediaColor tintColor;
  QuadRenderObject pictureCopy;
  DS_SimpleMesh<DX_V::PC> bandTint;
  DS_SimpleMesh<DX_V::PC> hazeStrip;
  float bumpMatrix[4];
  DS_SimpleMesh<LakeVertex> lakePlane;
  LakeVertex planeVertices[6];
  DocGuidKey bumpKey;
  ComRef<IDirect3DTexture9> bumpTexture;
  bool firstSetUp = true;
};

void RegisterLakeLightReader();
