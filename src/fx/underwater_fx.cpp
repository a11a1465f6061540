#include "fx/underwater_fx.h"

#include <memory>

#include "fx/fx_shared.h"
#include "platform/periodic.h"
#include "render/ab_render.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace {

// The clock's "time" of the wobble, and the clock's period for it: sines of time and 1.3 time repeat
// after 20 pi of time.
const float kTimeScale = 0.08f;
const double kWobblePeriod = 10.0 * kTwoPi / 0.08;

}  // namespace

DS_UnderwaterFX::DS_UnderwaterFX() {
  amplitude.SetScaling(0.000125f, 0.0f);
  amplitude.SetValue(50, nullptr);
  wavelength.SetScaling(0.002f, 0.001f);
  wavelength.SetValue(50, nullptr);
  SetClassDefaults(kEffectId, 25, 1.0f);
}

DS_UnderwaterFX::DS_UnderwaterFX(const DS_UnderwaterFX& o)
    : DS_FX_Constructor(o), amplitude(o.amplitude), wavelength(o.wavelength) {}

void DS_UnderwaterFX::Assign(const DS_UnderwaterFX& source) {
  DS_FX_Constructor::Assign(source);
  AssignScaled(amplitude, source.amplitude);
  AssignScaled(wavelength, source.wavelength);
}

void DS_UnderwaterFX::Frequency(UINT w, UINT h, float out[2]) const {
  const float aspect = h ? static_cast<float>(static_cast<double>(w) / static_cast<double>(h)) : 1.0f;
  const float k = 1.0f / wavelength.GetResult();
  out[0] = k * aspect;
  out[1] = k;
}

void DS_UnderwaterFX::Render(DS_ABRender* renderer) {
  if (!renderer || PassThroughWithoutEffect(renderer)) return;
  float f[2];
  Frequency(renderer->GetImageWidth(), renderer->GetImageHeight(), f);
  effect->SetFloatArray("frequency", f, 2);
  effect->SetFloat("amplitude", amplitude.GetResult());
  effect->SetFloat("time", ReducedFloat(clock.GetPosition(), kWobblePeriod) * kTimeScale);
  DrawWithCommonParams(renderer);
}

void DS_UnderwaterFX::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_UnderwaterFX", 1);
  (*stream)->WriteUInt(amplitude.GetValue());
  (*stream)->WriteUInt(wavelength.GetValue());
  DS_FX_Constructor::SaveBase(stream);
}

void DS_UnderwaterFX::ReadFields(DS_IOF_Virtual** stream) {
  ReadScaled(*stream, amplitude);
  ReadScaled(*stream, wavelength);
  DS_FX_Constructor::ReadBase(stream);
}

DS_UnderwaterFX* DS_UnderwaterFX::CreateFromStream(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  std::unique_ptr<DS_UnderwaterFX> item(new DS_UnderwaterFX);
  item->ReadFields(stream);
  return item.release();
}
