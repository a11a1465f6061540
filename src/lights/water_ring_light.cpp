#include "lights/water_ring_light.h"

#include <algorithm>

#include "lights/light_states.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/stream.h"

namespace {
const char16_t kClass[] = u"DS_WaterRingLight";
}

float WaterDamping(UINT value) {
  // Values past 100 would keep more than the wave's energy: hold them at 100.
  const UINT v = std::min(value, 100u);
  double d;
  if (v < 50)
    d = static_cast<double>(0.9f) + v * static_cast<double>(0.09f) * static_cast<double>(0.02f);
  else
    d = static_cast<double>(0.99f) + (v - 50) * static_cast<double>(0.009f) * static_cast<double>(0.02f);
  return static_cast<float>(d);
}

void WaterProjectionExtents(float a, float d, float* f, float* e) {
  if (!(a > 0)) a = 1;
  if (!(d > 0)) d = 1;
  if (a * d > 1) {
    *f = 15 * d;
    *e = 15;
  } else {
    *f = (30 / a) * 0.5f;
    *e = *f / d;
  }
}

bool WaterDropDue(double t, double lastDrop, float rate) {
  if (!(rate > 0)) return false;
  return t - lastDrop > 1 / rate;
}

DS_WaterRingLight::DS_WaterRingLight() : surface(new WaterSurface) {
  mode = 0;
  waveSpeed = 0;
  gridRowScale = 0;
  gridDensity = 0;
  dropStrength = 50;
  waveDamping = 50;
  refractionDepth = 20;
  dropRate.SetScaling(1.0f / 60.0f, 0.0f);
  dropRate.SetValue(30, nullptr);
  specularLevel.SetScaling(0.01f, 0.0f);
  specularLevel.SetValue(90, nullptr);
  shininess.SetScaling(0.8f, 0.0f);
  shininess.SetValue(50, nullptr);
  D3DXMatrixIdentity(&worldMatrix);
  D3DXMatrixIdentity(&viewMatrix);
  D3DXMatrixIdentity(&cameraMatrix);
  D3DXMatrixIdentity(&projectionMatrix);
}

void DS_WaterRingLight::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClass, kVersion);
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(waveSpeed.GetValue());
  s->WriteUInt(gridRowScale.GetValue());
  s->WriteUInt(gridDensity.GetValue());
  s->WriteUInt(dropStrength.GetValue());
  s->WriteUInt(waveDamping.GetValue());
  s->WriteUInt(refractionDepth.GetValue());
  s->WriteUInt(dropRate.GetValue());
  s->WriteUInt(specularLevel.GetValue());
  s->WriteUInt(shininess.GetValue());
  s->WriteInt(mode.GetValue());
  SaveBase(stream);
}

DS_WaterRingLight* DS_WaterRingLight::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<DS_WaterRingLight> light(new DS_WaterRingLight);
  ReadFields(stream, version, light.get());
  return light.release();
}

void DS_WaterRingLight::ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_WaterRingLight* light) {
  DS_IOF_Virtual* s = *stream;
  if (version > 1) {
    MediaParamT<UINT>* raw[6] = {&light->waveSpeed,    &light->gridRowScale, &light->gridDensity,
                                 &light->dropStrength, &light->waveDamping,  &light->refractionDepth};
    for (MediaParamT<UINT>* p : raw) s->ReadUInt(&p->Raw());
    UINTSclaleTo<float>* notified[3] = {&light->dropRate, &light->specularLevel, &light->shininess};
    for (UINTSclaleTo<float>* p : notified) {
      UINT v = 0;
      s->ReadUInt(&v);
      p->Change(v);
    }
  }
  s->ReadInt(&light->mode.Raw());
  DS_2D_Light::ReadBase(stream, light);
}

void RegisterWaterRingLightReader() { RegisterClassReader<DS_WaterRingLight>(GetLightReaderRegistry(), kClass); }

float DS_WaterRingLight::PictureAspect() const {
  const TextureInfo& info = pictureQuad.info;
  // A picture without size is placed as a square.
  if (!info.width || !info.height) return 1.0f;
  return static_cast<float>(info.height) / static_cast<float>(info.width);
}

void DS_WaterRingLight::ApplySurfaceParams() {
  surface->stepScale = 1.0f + waveSpeed.GetValue() * 0.02f;
  surface->dropSize = 0.1f + 0.7f * dropStrength.GetValue() / 100.0f;
  surface->damping = WaterDamping(waveDamping.GetValue());
  surface->depth = refractionDepth.GetValue() / 100.0f;
}

void DS_WaterRingLight::CreateSurface() {
  surface->Create(30.0f / PictureAspect(), 30.0f, 1.0f + gridRowScale.GetValue() / 100.0f,
                  1.0f + gridDensity.GetValue() / 100.0f);
  surface->AddDrop();
}

void DS_WaterRingLight::OnCreateDevice() {
  DS_2D_Light::OnCreateDevice();
  LoadPendingPicture();  // this light works from the picture's texture from the start
  surface->BuildRefractionTable();
  D3DXMatrixRotationX(&cameraMatrix, -1.5707964f);
  cameraMatrix._41 = 0;
  cameraMatrix._42 = 120;
  cameraMatrix._43 = 0;
  D3DXMatrixInverse(&viewMatrix, nullptr, &cameraMatrix);
  ApplySurfaceParams();
  CreateSurface();
  ApplyMaterial();
}

void DS_WaterRingLight::FrameMove(double seconds) {
  camera.Update(seconds);
  const double t = seconds;
  if (t < lastDropTime) lastDropTime = t;
  if (WaterDropDue(t, lastDropTime, dropRate.GetResult())) {
    surface->AddDrop();
    lastDropTime = t;
  }
  const D3DXVECTOR3 eye(cameraMatrix._41, cameraMatrix._42, cameraMatrix._43);
  surface->Update(eye);
}

void DS_WaterRingLight::Resize(int width, int height) {
  savedWidth = width;
  savedHeight = height;
  if (width == 0 || height == 0) return;
  DS_2D_Light::Resize(width, height);
  float f = 0, e = 0;
  WaterProjectionExtents(PictureAspect(), static_cast<float>(width) / static_cast<float>(height), &f, &e);
  // Right-handed orthographic projection onto (-f, f) x (-e, e), depth -1 .. 2000.
  const float zn = -1, zf = 2000;
  D3DXMatrixIdentity(&projectionMatrix);
  projectionMatrix._11 = 2 / (2 * f);
  projectionMatrix._22 = 2 / (2 * e);
  projectionMatrix._33 = 1 / (zn - zf);
  projectionMatrix._43 = zn / (zn - zf);
}

void DS_WaterRingLight::SetPicturePosition(int m) {
  DS_2D_Light::SetPicturePosition(m);
  Resize(savedWidth, savedHeight);
}

void DS_WaterRingLight::ApplyMaterial() {
  GetRenderDevice().SetSpecularMaterial(specularLevel.GetResult(), shininess.GetResult());
}

// The slide's start: blending by source alpha, lit with specular highlights, no depth test or culling,
// both stages off until a draw sets them, linear mirrored sampling.
const StateSet kWaterRingBaseline = {
    "water ring baseline",
    {Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA), Rs(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
     Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_SHADEMODE, D3DSHADE_GOURAUD),
     Tss(0, D3DTSS_COLOROP, D3DTOP_DISABLE), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
     Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT),
     Tss(0, D3DTSS_TEXCOORDINDEX, 0),
     Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE), Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE),
     Tss(1, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
     Tss(1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT),
     Tss(1, D3DTSS_TEXCOORDINDEX, 0),
     Rs(D3DRS_ZENABLE, FALSE), Rs(D3DRS_LIGHTING, TRUE), Rs(D3DRS_SPECULARENABLE, TRUE),
     Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR), Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
     Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR), Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR)}};

void DS_WaterRingLight::OnResetDevice() {
  RenderDevice& d = GetRenderDevice();
  d.SetDirectionalLight(lightDirection, lightDiffuse);
  ApplyMaterial();
  GetRenderDevice().SetTransform(TransformSlot::View, viewMatrix);
  GetRenderDevice().SetTransform(TransformSlot::World, worldMatrix);
  d.ApplyStates(kWaterRingBaseline);
  // A calm surface with one drop. After a loss the reset pass has made its buffers again already.
  CreateSurface();
  Resize(savedWidth, savedHeight);
  MakeTargets();
}

D3DXMATRIX DS_WaterRingLight::WaterView() const {
  const LetterboxProjection& p = g_LetterboxProjection;
  const TextureInfo& info = pictureQuad.info;
  const float W = info.width ? static_cast<float>(info.width) : 1.0f;
  const float H = info.height ? static_cast<float>(info.height) : 1.0f;
  const float sx = surface->sizeX, sz = surface->sizeZ;
  D3DXMATRIX t1, t2, z, a, b, out;
  D3DXMatrixTranslation(&t1, sx * p.GetZoomOffsetX() / W + sx / 2, 0, sz * p.GetZoomOffsetY() / H + sz / 2);
  D3DXMatrixMultiply(&a, &p.zoom, &p.modeOffset);
  D3DXMatrixMultiply(&z, &a, &p.modeScale);
  z._41 = 0;
  z._42 = 0;
  D3DXMatrixTranslation(&t2, -sx / 2, sz / 2, 0);
  D3DXMatrixMultiply(&a, &t1, &viewMatrix);
  D3DXMatrixMultiply(&b, &a, &z);
  D3DXMatrixMultiply(&out, &b, &t2);
  return out;
}

// The water, and the picture under it: colour and alpha from the texture alone.
const StateSet kWaterTexture = {"water texture",
                                {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
                                 Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT), Tss(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
                                 Tss(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT)}};
const StateSet kPictureColours = {"picture colours",
                                  {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE)}};
// The scene's items are drawn unlit, as over any other light; the fade and icon layer unblended after.
const StateSet kLightingOff = {"lighting off", {Rs(D3DRS_LIGHTING, FALSE)}};
const StateSet kLightingOn = {"lighting on", {Rs(D3DRS_LIGHTING, TRUE)}};
const StateSet kTextureColour = {"texture colour", {Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}};
const StateSet kUnblendedFlat = {"unblended flat", {Rs(D3DRS_ZENABLE, FALSE), Rs(D3DRS_ALPHABLENDENABLE, FALSE)}};

void DS_WaterRingLight::DrawWater(IDirect3DTexture9* texture) {
  RenderDevice& d = GetRenderDevice();
  d.ApplyStates(kWaterTexture);
  GetRenderDevice().SetTransform(TransformSlot::World, worldMatrix);
  GetRenderDevice().SetTransform(TransformSlot::View, WaterView());
  GetRenderDevice().SetTransform(TransformSlot::Projection, projectionMatrix);
  d.SetTexture(0, texture);
  surface->Draw();
  g_LetterboxProjection.ApplyTransforms();
}

void DS_WaterRingLight::RenderBackground() {
  if (mode.GetValue() == 1) {
    // The reset leaves stage 0 off; the picture takes its colours from its texture, as the water will.
    RenderDevice& d = GetRenderDevice();
    d.ApplyStates(kPictureColours);
    DS_2D_Light::RenderBackground();
    return;
  }
  // A picture that could not be loaded draws nothing, as the plain light.
  if (!pictureQuad.quad.texture || !pictureQuad.info.width || !pictureQuad.info.height) return;
  DrawWater(pictureQuad.quad.texture);
}

void DS_WaterRingLight::PostRender() {
  if (mode.GetValue() == 1) {
    RenderTargetChain* chain = EndOffscreen(true);
    if (chain && chain->current) DrawWater(chain->current);
  }
  DS_2D_Light::PostRender();
}

namespace {
// The base's drawing with lighting off around it.
template <class F>
void Unlit(F draw) {
  RenderDevice& d = GetRenderDevice();
  d.ApplyStates(kLightingOff);
  draw();
  d.ApplyStates(kLightingOn);
}
}  // namespace

void DS_WaterRingLight::DrawMarkerSprites(DS_SimpleMesh<DX_V::PC>* mesh, int m, bool steady) {
  Unlit([&] { DS_2D_Light::DrawMarkerSprites(mesh, m, steady); });
}
void DS_WaterRingLight::DrawMeshPart(MeshPart* part) {
  Unlit([&] { DS_2D_Light::DrawMeshPart(part); });
}
void DS_WaterRingLight::DrawSpriteArray(SpriteArraySource* sprites) {
  Unlit([&] { DS_2D_Light::DrawSpriteArray(sprites); });
}
void DS_WaterRingLight::DrawTwoSidedMesh(TexturedMesh<DX_V::PNT>* mesh) {
  Unlit([&] { DS_2D_Light::DrawTwoSidedMesh(mesh); });
}

void DS_WaterRingLight::DrawColorQuadRHW(DS_SimpleMesh<DX_V::RHWC>* mesh) {
  DS_2D_Light::DrawColorQuadRHW(mesh);
  GetRenderDevice().ApplyStates(kBlendOff);
}

void DS_WaterRingLight::DrawTexturedQuadRHW(TexQuad* quad) {
  RenderDevice& d = GetRenderDevice();
  d.ApplyStates(kTextureColour);
  DS_2D_Light::DrawTexturedQuadRHW(quad);
  d.ApplyStates(kUnblendedFlat);
}
