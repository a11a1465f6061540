#include "fx/wave_fx.h"

#include <cmath>
#include <memory>

#include "render/ab_render.h"
#include "platform/noise.h"
#include "platform/periodic.h"
#include "fx/fx_shared.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace {

const double kPi = 3.14159265358979323846;

// The clock's "time" of the waves, and the clock's period for it: the waves are a sine of time.
const float kTimeScale = 0.08f;
const double kWavePeriod = 2.0 * kPi / 0.08;

}  // namespace

D3DXVECTOR4 TurnedBy360Minus(UINT angle, const D3DXVECTOR4& v) {
  // In double: an angle above 360 turns the other way round rather than wrapping as an unsigned number.
  const double degrees = 360.0 - static_cast<double>(angle);
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, static_cast<float>(degrees * kPi / 180.0));
  D3DXVECTOR4 out;
  D3DXVec4Transform(&out, &v, &m);
  return out;
}

// ---- waves ------------------------------------------------------------------------------------------

DS_WavesFX::DS_WavesFX() : direction(1, 0, 0, 0), normal(0, 1, 0, 0) {
  amplitude.SetScaling(0.00025f, 0.0f);
  amplitude.SetValue(50, nullptr);
  wavelength.SetScaling(0.0005f, 0.001f);
  wavelength.SetValue(50, nullptr);
  angle = 0u;
  vertical = 0;
  SetClassDefaults(kEffectId, 25, 1.0f);
  listeners.SetOwner(this, false);
  BindAngleListener(angle, listeners);
  BindAngleListener(vertical, listeners);
  UpdateDirection();
}

DS_WavesFX::DS_WavesFX(const DS_WavesFX& o)
    : DS_FX_Constructor(o),
      amplitude(o.amplitude),
      wavelength(o.wavelength),
      angle(o.angle),
      vertical(o.vertical),
      direction(o.direction),
      normal(o.normal) {
  listeners.SetOwner(this, false);
  BindAngleListener(angle, listeners);
  BindAngleListener(vertical, listeners);
  UpdateDirection();
}

DS_WavesFX::~DS_WavesFX() { listeners.Clear(); }

void DS_WavesFX::BindAngleListener(MediaParam& parameter, ListenerHolder& holder) {
  holder.Bind(parameter, &DS_WavesFX::UpdateDirection);
}

void DS_WavesFX::UpdateDirection() {
  direction = TurnedBy360Minus(angle.GetValue(), D3DXVECTOR4(1, 0, 0, 0));
  normal = TurnedBy360Minus(angle.GetValue(),
                            vertical.GetValue() != 0 ? D3DXVECTOR4(-1, 0, 0, 0) : D3DXVECTOR4(0, 1, 0, 0));
}

void DS_WavesFX::Render(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  const float dir[2] = {-direction.x, -direction.y};
  const float n[2] = {normal.x, normal.y};
  effect->SetFloatArray("direction", dir, 2);
  effect->SetFloatArray("direction_n", n, 2);
  effect->SetFloat("frequency", 1.0f / wavelength.GetResult());
  effect->SetFloat("amplitude", amplitude.GetResult());
  effect->SetFloat("time", ReducedFloat(clock.GetPosition(), kWavePeriod) * kTimeScale);
  DrawWithCommonParams(renderer);
}

void DS_WavesFX::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_WavesFX", 1);
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(amplitude.GetValue());
  s->WriteUInt(wavelength.GetValue());
  s->WriteUInt(angle.GetValue());
  s->WriteInt(vertical.GetValue());
  DS_FX_Constructor::SaveBase(stream);
}

void DS_WavesFX::ReadFields(DS_IOF_Virtual** stream) {
  DS_IOF_Virtual* s = *stream;
  ReadScaled(s, amplitude);
  ReadScaled(s, wavelength);
  s->ReadUInt(&angle.Raw());
  s->ReadInt(&vertical.Raw());
  DS_FX_Constructor::ReadBase(stream);
}

DS_WavesFX* DS_WavesFX::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_WavesFX> item(new DS_WavesFX);
  item->ReadFields(stream);
  return item.release();
}

// ---- movement ---------------------------------------------------------------------------------------

DS_DirectionBased::DS_DirectionBased() : direction(1, 0, 0, 0) {
  angle = 0u;
  listeners.SetOwner(this, false);
  BindAngleListener(angle, listeners);
  UpdateDirection();
}

DS_DirectionBased::DS_DirectionBased(const DS_DirectionBased& o)
    : DS_FX_Constructor(o), amplitude(o.amplitude), angle(o.angle), direction(o.direction) {
  listeners.SetOwner(this, false);
  BindAngleListener(angle, listeners);
  UpdateDirection();
}

DS_DirectionBased::~DS_DirectionBased() { listeners.Clear(); }

void DS_DirectionBased::BindAngleListener(MediaParam& parameter, ListenerHolder& holder) {
  holder.Bind(parameter, &DS_DirectionBased::UpdateDirection);
}

void DS_DirectionBased::UpdateDirection() { direction = TurnedBy360Minus(angle.GetValue(), D3DXVECTOR4(1, 0, 0, 0)); }

void DS_DirectionBased::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_DirectionBased", 1);
  (*stream)->WriteUInt(amplitude.GetValue());
  (*stream)->WriteUInt(angle.GetValue());
  DS_FX_Constructor::SaveBase(stream);
}

void DS_DirectionBased::ReadBase(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  ReadScaled(*stream, amplitude);
  (*stream)->ReadUInt(&angle.Raw());
  DS_FX_Constructor::ReadBase(stream);
}

DS_MoveFX::DS_MoveFX() {
  mode = 0;
  amplitude.SetScaling(0.0002f, 0.0f);
  amplitude.SetValue(50, nullptr);
  SetClassDefaults(kEffectId, 50, 0.02f);
}

DS_MoveFX::DS_MoveFX(const DS_MoveFX& o) : DS_DirectionBased(o), mode(o.mode) {
  offset[0] = o.offset[0];
  offset[1] = o.offset[1];
}

void DS_MoveFX::Update(double t) {
  clock.Advance(t);
  // The noise reads the clock in double as it grows; the sine reads it reduced by its period.
  const double c = clock.GetPosition();
  const float w = static_cast<float>(mode.GetValue() == 1 ? FractalNoise1D(c * 50.0, 75.0, 0.5, 1)
                                                             : std::sin(static_cast<double>(ReducedFloat(c, 2 * kPi))));
  const float k = w * amplitude.GetResult();
  offset[0] = direction.x * k;
  offset[1] = direction.y * k;
}

void DS_MoveFX::Render(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  effect->SetFloatArray("Direction", offset, 2);
  DrawWithCommonParams(renderer);
}

void DS_MoveFX::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_MoveFX", 1);
  (*stream)->WriteInt(mode.GetValue());
  DS_DirectionBased::SaveBase(stream);
}

DS_MoveFX* DS_MoveFX::CreateAndRead(DS_IOF_Virtual** stream, DWORD) {
  std::unique_ptr<DS_MoveFX> item(new DS_MoveFX);
  (*stream)->ReadInt(&item->mode.Raw());
  item->ReadBase(stream);
  return item.release();
}
