#include "lights/flame_light.h"

#include <memory>

#include "lights/flame_rules.h"
#include "lights/light_states.h"
#include "platform/periodic.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/stream.h"

namespace {
const char16_t kClass[] = u"DS_FlameLight";
const char16_t kSharedModule[] = u"basekit.dll";

// A stored value into p, announced to every observer when it differs.
void ReadNotified(DS_IOF_Virtual* s, MediaParamTB<UINT>& p) {
  UINT v = 0;
  s->ReadUInt(&v);
  p.Change(v);
}
}  // namespace

// ---- heat haze --------------------------------------------------------------------------------------

FlameHazeEffect::FlameHazeEffect() : bumpMap(kBumpId, kSharedModule), effectLink(kEffectId, kSharedModule) {
  speed.SetScaling(0.001f, 0.0f);
  speed.SetValue(50, nullptr);
  strength.SetScaling(0.002f, 0.0f);
  strength.SetValue(25, nullptr);
  bumpScale.SetScaling(-0.009f, 1.0f);
  bumpScale.SetValue(88, nullptr);
}

bool FlameHazeEffect::Create() {
  const DX_V::PT v[4] = {{0, 600, 0, 0, 1}, {0, 0, 0, 0, 0}, {800, 600, 0, 1, 1}, {800, 0, 0, 1, 0}};
  SetQuadVerticesPT(quad, v);
  effect.Reset();
  IDirect3DTexture9* frame = nullptr;
  if (g_DocResManager) {
    const TextureSet& set = g_DocResManager->GetTextureSet(bumpMap);
    if (!set.frames.empty()) frame = set.frames.front();
  }
  bumpTexture.Share(frame);
  if (g_DocResManager) g_DocResManager->GetEffect(effect.Out(), effectLink);
  return static_cast<bool>(effect);
}

void FlameHazeEffect::SetQuadSize(float w, float h) {
  const D3DXVECTOR3 p[4] = {D3DXVECTOR3(0, h, 0), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(w, h, 0), D3DXVECTOR3(w, 0, 0)};
  SetQuadPositionsPT(quad, p);
  aspect = FlameHazeAspect(w, h);
}

void FlameHazeEffect::Update(double t) {
  if (!effect) return;
  speed.Advance(t);
  // The offset scrolls a wrapping bump map: its position reduced by 1.
  const HazeValues v =
      FlameHazeValues(strength.GetResult(), ReducedFloat(speed.GetPosition(), 1.0), bumpScale.GetResult(), aspect);
  effect->SetFloat("stenght", v.strength);
  effect->SetFloatArray("Offset", v.offset, 2);
  effect->SetFloatArray("bump_scale", v.bumpScale, 2);
}

void FlameHazeEffect::Draw(IDirect3DTexture9* scene) {
  if (!effect) return;
  effect->SetTexture("SceneTex", scene);
  effect->SetTexture("Bumpmap", bumpTexture.Get());
  effect->SetTechnique("BumpmapDistortLow2");
  if (!quad.vertexBuffer || quad.primitiveCount == 0) return;
  RenderDevice& d = GetRenderDevice();
  RunEffectPasses(effect.Get(), [&] {
    BindStreamPT(quad);
    d.DrawPrimitive(quad.primitiveType, 0, quad.primitiveCount);
  });
}

// ---- reading and saving -----------------------------------------------------------------------------

DS_FlameLight::DS_FlameLight() {
  fireEnable = 1;
  hazeEnable = 1;
  fireOffset = 0;
  fire.patternLink.Raw() = DocFileKey(kSharedModule, kPatternId);
  fire.noiseLink.Raw() = DocFileKey(kSharedModule, kNoiseId);
}

void DS_FlameLight::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, kClass, kVersion);
  DS_IOF_Virtual* s = *stream;
  s->WriteInt(fireEnable.GetValue());
  s->WriteInt(hazeEnable.GetValue());
  s->WriteUInt(fireOffset.GetValue());
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(haze.bumpMap);
  WriteFileLink(stream, haze.bumpMap);
  WriteFileLink(stream, haze.effectLink);
  s->WriteUInt(haze.speed.GetValue());
  s->WriteUInt(haze.strength.GetValue());
  s->WriteUInt(haze.bumpScale.GetValue());
  fire.SaveBase(stream);
  SaveBase(stream);
}

DS_FlameLight* DS_FlameLight::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<DS_FlameLight> light(new DS_FlameLight);
  ReadFields(stream, version, light.get());
  return light.release();
}

void DS_FlameLight::ReadFields(DS_IOF_Virtual** stream, DWORD version, DS_FlameLight* light) {
  DS_IOF_Virtual* s = *stream;
  s->ReadInt(&light->fireEnable.Raw());
  s->ReadInt(&light->hazeEnable.Raw());
  s->ReadUInt(&light->fireOffset.Raw());
  // The first layout kept only the fire's speed.
  if (version < 2) ReadNotified(s, light->fire.clock);
  ReadFileLink(stream, &light->haze.bumpMap);
  ReadFileLink(stream, &light->haze.effectLink);
  ReadNotified(s, light->haze.speed);
  ReadNotified(s, light->haze.strength);
  ReadNotified(s, light->haze.bumpScale);
  if (version < 2) {
    // Two links it no longer uses.
    DS_ImageFileLink unused;
    ReadFileLink(stream, &unused);
    ReadFileLink(stream, &unused);
  } else {
    std::unique_ptr<DS_FireFX> fire(DS_FireFX::CreateFromStream(stream));
    light->fire.Assign(*fire);
  }
  DS_2D_Light::ReadBase(stream, light);
}

void RegisterFlameLightReader() { RegisterClassReader<DS_FlameLight>(GetLightReaderRegistry(), kClass); }

// ---- picture, device and frame ----------------------------------------------------------------------

void DS_FlameLight::PlaceFire() {
  const float w = static_cast<float>(pictureQuad.info.width);
  const FireBand band = FlameFireBand(static_cast<float>(pictureQuad.info.height), fireOffset.GetValue());
  const D3DXVECTOR3 p[4] = {D3DXVECTOR3(0, band.top, 0), D3DXVECTOR3(w, band.top, 0), D3DXVECTOR3(0, band.bottom, 0),
                            D3DXVECTOR3(w, band.bottom, 0)};
  SetQuadPositionsPT(fireQuad, p);
}

void DS_FlameLight::PlaceForPicture() {
  Resize(targetWidth, targetHeight);
  placedWidth_ = pictureQuad.info.width;
  placedHeight_ = pictureQuad.info.height;
  haze.SetQuadSize(static_cast<float>(placedWidth_), static_cast<float>(placedHeight_));
  PlaceFire();
}

void DS_FlameLight::ReloadImage() {
  picturePending_ = false;
  LoadImageTexture(picture, pictureQuad);
  PlaceForPicture();
}

void DS_FlameLight::OnCreateDevice() {
  DS_2D_Light::OnCreateDevice();
  const DX_V::PT v[4] = {{0, 0, 0, 0, 0}, {800, 0, 0, 1, 0}, {0, 600, 0, 0, 0.95f}, {800, 600, 0, 1, 0.95f}};
  SetQuadVerticesPT(fireQuad, v);
  // Without its effect the haze is off, and the off-screen pass with it; the fire still burns.
  hazeEnable = FlameHazeEnableAfterCreate(hazeEnable.GetValue(), haze.Create());
  // A document picture not decoded yet is placed by its size; it is decoded when the slide starts.
  if (picturePending_)
    PlaceForPicture();
  else
    ReloadImage();
  fire.LoadEffect(nullptr);
}

// The slide's start: no culling, depth or lighting, stage 0 showing the texture alone with stage 1 off,
// linear filtering on the four samplers the effects read, the picture's clamped, blending on by source
// alpha.
const StateSet kFlameBaseline = {
    "flame baseline",
    {Rs(D3DRS_CULLMODE, D3DCULL_NONE), Rs(D3DRS_LIGHTING, FALSE), Tss(1, D3DTSS_TEXCOORDINDEX, 1),
     Tss(0, D3DTSS_TEXCOORDINDEX, 0), Tss(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_COLORARG2, D3DTA_CURRENT),
     Tss(1, D3DTSS_COLORARG1, D3DTA_TEXTURE), Tss(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1),
     Tss(1, D3DTSS_COLOROP, D3DTOP_DISABLE), Samp(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
     Samp(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
     Samp(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(2, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
     Samp(2, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Samp(3, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
     Samp(3, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), Rs(D3DRS_ALPHABLENDENABLE, TRUE),
     Rs(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), Rs(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
     Samp(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), Samp(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP),
     Rs(D3DRS_ZENABLE, FALSE)}};
// Around the bars after the haze: no culling, and blending on again for the fade and icons.
const StateSet kFlameBars = {"flame bars", {Rs(D3DRS_CULLMODE, D3DCULL_NONE)}};

void DS_FlameLight::OnResetDevice() {
  RenderDevice& d = GetRenderDevice();
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  d.SetTransform(TransformSlot::World, identity);
  d.ApplyStates(kFlameBaseline);
  Resize(targetWidth, targetHeight);
  MakeTargets();
}

void DS_FlameLight::FrameMove(double seconds) {
  fire.Update(seconds);
  camera.Update(seconds);
  haze.Update(seconds);
}

void DS_FlameLight::RenderBackground() {
  DS_2D_Light::RenderBackground();
  // The picture was decoded at last and came out of another size than its header said.
  if (pictureQuad.info.width != placedWidth_ || pictureQuad.info.height != placedHeight_) PlaceForPicture();
  if (fireEnable.GetValue() == 0) return;
  // Without the fire's effect there is nothing to draw it with; its clock goes on all the same.
  if (!fire.effect) return;
  DS_FireFX::SetFireParams(fireQuad, &fire);
  fire.effect->SetTechnique("AsEffect");
  DrawWithEffect(&fireQuad, fire.effect.Slot());
}

void DS_FlameLight::PostRender() {
  RenderDevice& d = GetRenderDevice();
  if (hazeEnable.GetValue() == 1) {
    RenderTargetChain* chain = EndOffscreen(false);
    g_LetterboxProjection.SetWorld(haze.quad.world);
    // Without a target pair the slide was drawn on the back buffer already.
    if (chain && chain->current) haze.Draw(chain->current);
  }
  d.ApplyStates(kFlameBars);
  d.DrawBars(g_LetterboxProjection);
  d.ApplyStates(kBlendOn);
}
