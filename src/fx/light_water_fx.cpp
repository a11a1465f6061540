#include "fx/light_water_fx.h"

#include <cmath>
#include <memory>

#include "render/ab_render.h"
#include "render/mesh.h"
#include "platform/noise.h"
#include "platform/periodic.h"
#include "scene/texture_types.h"
#include "scene/doc_res_manager.h"
#include "fx/fx_shared.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace {

const double kPi = 3.14159265358979323846;

void InitScaled(UINTSclaleTo<float>& p, float scale, float offset, UINT value) {
  p.SetScaling(scale, offset);
  p.SetValue(value, nullptr);
}

// The P factor where the water's perspective term is finite: strictly between 0 and 1, at the smallest
// step a stored value can make.
float ClampPFactor(float a) {
  const float lo = 0.0001f, hi = 0.9999f;
  return a < lo ? lo : (a > hi ? hi : a);
}

}  // namespace

// ---- light ------------------------------------------------------------------------------------------

DS_LightFX::DS_LightFX() {
  InitScaled(level, 0.01f, 0.0f, 40);
  mode = 0;
  SetClassDefaults(kEffectId, 40, 1.0f);
}

DS_LightFX::DS_LightFX(const DS_LightFX& o) : DS_FX_Constructor(o), level(o.level), mode(o.mode) {}

float DS_LightFX::Curve(int mode, double c) {
  // The noise reads the clock in double as it grows; the sine of 0.2 c reads it reduced by 10 pi.
  if (mode >= 2) return static_cast<float>((FractalNoise1D(c * 10.0, 75.0, 0.5, 2) + 1.0) * 0.5);
  const float r = ReducedFloat(c, 10.0 * kPi);
  const float s = static_cast<float>(std::sin(static_cast<double>(static_cast<float>(r * 0.2))));
  const float a = (s + 1.0f) * 0.5f;
  if (mode == 1) return a > 0.5f ? 1.0f : 0.0f;
  return a;
}

float DS_LightFX::Multiplier() const { return level.GetResult() * Curve(mode.GetValue(), clock.GetPosition()); }

void DS_LightFX::Render(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  effect->SetFloat("multiplier", Multiplier());
  DrawWithCommonParams(renderer);
}

void DS_LightFX::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_LightFX", 1);
  (*stream)->WriteUInt(level.GetValue());
  (*stream)->WriteInt(mode.GetValue());
  DS_FX_Constructor::SaveBase(stream);
}

DS_LightFX* DS_LightFX::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_LightFX> item(new DS_LightFX);
  ReadScaled(*stream, item->level);
  (*stream)->ReadInt(&item->mode.Raw());
  item->DS_FX_Constructor::ReadBase(stream);
  return item.release();
}

// ---- water ------------------------------------------------------------------------------------------

DS_WaterFX::DS_WaterFX() : bumpLink(kBumpId, kFxModule), direction(1, 0, 0, 0) {
  InitScaled(pFactor, 0.0001f, 0.0f, 20);
  InitScaled(bumpAmplitude, 0.001f, 0.0f, 20);
  InitScaled(waveAmplitude, 0.00025f, 0.0f, 20);
  InitScaled(wavelength, 0.0005f, 0.001f, 20);
  angle = 40u;
  InitScaled(shadows, 0.01f, 0.0f, 0);
  InitScaled(halfVectorZ, 0.1f, 0.0f, 0);
  colour = 0x00FFFFFF;
  SetClassDefaults(kEffectId, 50, 0.02f);
  scale.SetValue(30, nullptr);
  listeners.SetOwner(this, false);
  BindAngleListener(angle, listeners);
  UpdateDirection();
}

DS_WaterFX::DS_WaterFX(const DS_WaterFX& o)
    : DS_FX_Constructor(o),
      pFactor(o.pFactor),
      bumpAmplitude(o.bumpAmplitude),
      waveAmplitude(o.waveAmplitude),
      wavelength(o.wavelength),
      angle(o.angle),
      shadows(o.shadows),
      halfVectorZ(o.halfVectorZ),
      colour(o.colour),
      bumpLink(o.bumpLink),
      direction(o.direction) {
  listeners.SetOwner(this, false);
  BindAngleListener(angle, listeners);
  UpdateDirection();
}

DS_WaterFX::~DS_WaterFX() {
  listeners.Clear();
}

void DS_WaterFX::BindAngleListener(MediaParam& parameter, ListenerHolder& holder) {
  holder.Bind(parameter, &DS_WaterFX::UpdateDirection);
}

void DS_WaterFX::UpdateDirection() {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, static_cast<float>(static_cast<double>(angle.GetValue()) * kPi / 180.0));
  const D3DXVECTOR4 x(1, 0, 0, 0);
  D3DXVec4Transform(&direction, &x, &m);
}

void DS_WaterFX::LoadEffect(IDirect3DTexture9** maskSlot) {
  DS_FX_Constructor::LoadEffect(maskSlot);
  LoadTextures();
}

void DS_WaterFX::LoadTextures() { HoldFirstFrame(bumpTexture, bumpLink); }

bool DS_WaterFX::ReleaseTextures() { return ReleaseHeldPicture(bumpTexture, bumpLink); }

void DS_WaterFX::Update(double t) {
  clock.Advance(t);
  // The bump map turns by 4.5 radians per clock second: the clock reduced by 4 pi / 9.
  const float c = ReducedFloat(clock.GetPosition(), 4.0 * kPi / 9.0);
  const float half = static_cast<float>(c * 0.5);
  const float a = static_cast<float>(half * 9.0);
  const float f = bumpAmplitude.GetResult();
  const float ca = static_cast<float>(std::cos(static_cast<double>(a)));
  const float sa = static_cast<float>(std::sin(static_cast<double>(a)));
  bumpTransform[0] = f * ca;
  bumpTransform[1] = -f * sa;
  bumpTransform[2] = f * sa;
  bumpTransform[3] = f * ca;
}

DS_WaterFX::Values DS_WaterFX::ComputeValues() const {
  Values v;
  const float a3 = waveAmplitude.GetResult();
  const float a4 = wavelength.GetResult();
  const float dx = direction.x, dy = direction.y;
  v.direction1[0] = -dx * (0.5f / a4);
  v.direction1[1] = -dy * (0.5f / a4);
  v.direction2[0] = -dx * 0.5f * a3;
  v.direction2[1] = -dy * 0.5f * a3;
  const float a1 = pFactor.GetResult();
  // Only P2 needs the clamp: B is infinite at a factor of 0 and B - 1 is 0 at 1.
  const float b = 2.0f / ClampPFactor(a1) - 1.0f;
  const float q = (std::sqrt(b) + b) / (b - 1.0f);
  v.p1[0] = a1 - 1.0f;
  v.p1[1] = -1.0f;
  v.p1[2] = a1 - 1.0f;
  v.p2[0] = 1.0f;
  v.p2[1] = q;
  v.p2[2] = 1.0f;
  const D3DXVECTOR3 h(1.0f, 2.0f, halfVectorZ.GetResult());
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, &h);
  v.vhalf[0] = n.x;
  v.vhalf[1] = n.y;
  v.vhalf[2] = n.z;
  const DWORD c = colour.GetValue();
  v.colour[0] = static_cast<float>(c & 0xFF) / 255.0f;
  v.colour[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
  v.colour[2] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
  return v;
}

void DS_WaterFX::Render(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  const Values v = ComputeValues();
  // "Time" (twice the clock) is the phase of a sine: the clock reduced by pi.
  const float c = ReducedFloat(clock.GetPosition(), kPi);
  effect->SetTexture("BumpMap", bumpTexture);
  effect->SetFloatArray("BampTrans", bumpTransform, 4);
  effect->SetFloatArray("P1", v.p1, 3);
  effect->SetFloatArray("P2", v.p2, 3);
  effect->SetFloat("Time", c + c);
  effect->SetFloatArray("Direction1", v.direction1, 2);
  effect->SetFloatArray("Direction2", v.direction2, 2);
  effect->SetFloat("Shadows", shadows.GetResult());
  effect->SetFloatArray("Vhalf", v.vhalf, 3);
  effect->SetFloatArray("Color", v.colour, 3);
  DrawWithCommonParams(renderer);
}

void DS_WaterFX::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_WaterFX", 1);
  SaveFields(stream);
}

void DS_WaterFX::SaveFields(DS_IOF_Virtual** stream) {
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(pFactor.GetValue());
  s->WriteUInt(bumpAmplitude.GetValue());
  s->WriteUInt(waveAmplitude.GetValue());
  s->WriteUInt(wavelength.GetValue());
  s->WriteUInt(angle.GetValue());
  s->WriteUInt(shadows.GetValue());
  s->WriteUInt(halfVectorZ.GetValue());
  s->WriteDword(colour.GetValue());
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(bumpLink);
  WriteFileLink(stream, bumpLink);
  DS_FX_Constructor::SaveBase(stream);
}

void DS_WaterFX::ReadFields(DS_IOF_Virtual** stream) {
  DS_IOF_Virtual* s = *stream;
  ReadScaled(s, pFactor);
  ReadScaled(s, bumpAmplitude);
  ReadScaled(s, waveAmplitude);
  ReadScaled(s, wavelength);
  s->ReadUInt(&angle.Raw());
  ReadScaled(s, shadows);
  ReadScaled(s, halfVectorZ);
  s->ReadDword(&colour.Raw());
  ReadFileLink(stream, &bumpLink);
  DS_FX_Constructor::ReadBase(stream);
}

DS_WaterFX* DS_WaterFX::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_WaterFX> item(new DS_WaterFX);
  item->ReadFields(stream);
  return item.release();
}
