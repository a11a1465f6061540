// The water ring light: the picture seen through a rippling water surface of its own proportions under a
// fixed overhead camera, with drops falling at a set rate. Mode 0 draws the water as the background;
// mode 1 draws the slide off-screen first, so the scene items ripple too.
#pragma once

#include <memory>

#include "lights/light_2d.h"
#include "lights/water_surface.h"
#include "scene/scaled_params.h"

// Velocity kept per pass for the stored damping value; never above 0.999, where waves would grow.
float WaterDamping(UINT value);
// The orthographic extents (half width f, half height e) that fit a water of the picture's aspect
// (height / width) into a target of aspect d (width / height).
void WaterProjectionExtents(float pictureAspect, float targetAspect, float* f, float* e);
// Whether a drop falls at t: strictly more than 1 / rate after the last one; a rate of 0 never drops.
bool WaterDropDue(double t, double lastDrop, float rate);

class DS_WaterRingLight : public DS_2D_Light {
 public:
  static const DWORD kVersion = 2;

  DS_WaterRingLight();

  void Save(DS_IOF_Virtual** stream) override;
  static DS_WaterRingLight* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  static void ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_WaterRingLight* light);

  bool NeedsOffscreen() override { return mode.GetValue() == 1; }
  void OnCreateDevice() override;
  void OnResetDevice() override;
  void RenderBackground() override;
  void FrameMove(double seconds) override;
  void Resize(int width, int height) override;
  void SetPicturePosition(int m) override;
  void PostRender() override;
  // Scene items draw unlit while the water's lighting stays on.
  void DrawMarkerSprites(DS_SimpleMesh<DX_V::PC>* mesh, int mode, bool steady) override;
  void DrawMeshPart(MeshPart* part) override;
  void DrawSpriteArray(SpriteArraySource* sprites) override;
  void DrawTwoSidedMesh(TexturedMesh<DX_V::PNT>* mesh) override;
  void DrawColorQuadRHW(DS_SimpleMesh<DX_V::RHWC>* mesh) override;
  void DrawTexturedQuadRHW(TexQuad* quad) override;

  void CreateSurface();
  void ApplyMaterial();
  // The water with texture on it, seen through the overhead camera placed like the picture.
  void DrawWater(IDirect3DTexture9* texture);
  // The view of DrawWater: the camera moved and scaled as the picture position and zoom place the picture.
  D3DXMATRIX WaterView() const;
  // The surface's constants from the parameters.
  void ApplySurfaceParams();
  float PictureAspect() const;

  MediaParamT<int> mode;
  MediaParamT<UINT> waveSpeed;
  MediaParamT<UINT> gridRowScale;
  MediaParamT<UINT> gridDensity;
  MediaParamT<UINT> dropStrength;
  MediaParamT<UINT> waveDamping;
  MediaParamT<UINT> refractionDepth;
  UINTSclaleTo<float> dropRate;
  UINTSclaleTo<float> specularLevel;
  UINTSclaleTo<float> shininess;
  std::unique_ptr<WaterSurface> surface;
  float lightDirection[3] = {0.5f, -1.0f, 1.0f};
  float lightDiffuse[4] = {1, 1, 1, 1};
  D3DXMATRIX worldMatrix, viewMatrix, cameraMatrix, projectionMatrix;
  double lastDropTime = 0;
  int savedWidth = 0, savedHeight = 0;
};

void RegisterWaterRingLightReader();
