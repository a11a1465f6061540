#include "particles/effect_particles.h"

#include <cmath>
#include <utility>

#include "platform/periodic.h"
#include "render/mesh.h"
#include "scene/doc_res_manager.h"
#include "scene/particle.h"
#include "scene/screen_mapping.h"
#include "scene/readers.h"

namespace {

const char16_t kModule[] = u"basekit.dll";

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

D3DXVECTOR3 Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t) {
  return D3DXVECTOR3(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
}

}  // namespace

void ColourToFloats(DWORD colour, float out[3]) {
  out[0] = static_cast<float>(colour & 0xFF) / 255.0f;
  out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
}

// ---- bolt

DS_DischargeFXConstructor::DS_DischargeFXConstructor() {
  size = 50;
  blendMode = 1;
  colour = 0xFFFFCC;
  glowColour = 0xFF9900;
  effectLink = DS_HLSLEffectFile(kEffect, kModule);
  startPoint = D3DXVECTOR3(100, 100, 0);
  const ScreenMapping* m = GetScreenMapping();
  endPoint = D3DXVECTOR3(x1 * static_cast<float>(m->pictureWidth) - 100.0f,
                         y1 * static_cast<float>(m->pictureHeight) - 100.0f, 0.0f);
  jitter.SetScaling(0.01f, 0.0f);
  jitter.SetValue(50, nullptr);
  mainImageChoice = 1;
  flickerInterval.SetScaling(-0.001f, 0.1f);
  flickerInterval.SetValue(100, nullptr);
  followSpeed.SetScaling(0.1f, 0.0f);
  followSpeed.SetValue(50, nullptr);
}

void DS_DischargeFXConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_DischargeFXConstructor", kVersion);
  DS_IOF_Virtual* s = *stream;
  for (const D3DXVECTOR3* p : {&startPoint.GetValue(), &endPoint.GetValue()}) {
    s->WriteFloat(p->x);
    s->WriteFloat(p->y);
    s->WriteFloat(p->z);
  }
  s->WriteUInt(jitter.GetValue());
  s->WriteInt(mainImageChoice.GetValue());
  s->WriteUInt(flickerInterval.GetValue());
  s->WriteUInt(followSpeed.GetValue());
  DS_GlowEffectCtrl::SaveBase(stream);
}

void DS_DischargeFXConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD) {
  DS_IOF_Virtual* s = *stream;
  for (D3DXVECTOR3* p : {&startPoint.Raw(), &endPoint.Raw()}) {
    s->ReadFloat(&p->x);
    s->ReadFloat(&p->y);
    s->ReadFloat(&p->z);
  }
  UINT v = 0;
  s->ReadUInt(&v);
  jitter.Change(v);
  s->ReadInt(&mainImageChoice.Raw());
  s->ReadUInt(&v);
  flickerInterval.Change(v);
  s->ReadUInt(&v);
  followSpeed.Change(v);
  DS_GlowEffectCtrl::ReadBase(stream);
}

void DS_DischargeFXConstructor::LoadEffect() {
  DS_FXParticleSystemCtrl::LoadEffect();
  image.Raw() = DS_FileLink3(mainImageChoice.GetValue() != 0 ? kMainImage : kOtherMainImage, kModule).GetKey();
  LoadTextures();
}

void DS_DischargeFXConstructor::UpdateEffect() {
  pointCounter = 0;
  if (clock - lastRebuildTime > 0.1f) {
    lastRebuildTime = clock;
    previousPath = currentPath;
    BuildBoltPath(currentPath);
  }
}

void DS_DischargeFXConstructor::InitParticle(Particle*) {
  const size_t n = count.GetValue();
  previousPath.resize(n);
  currentPath.resize(n);
  BuildBoltPath(previousPath);
  BuildBoltPath(currentPath);
}

void DS_DischargeFXConstructor::BuildBoltPath(BoltPath& path) {
  const int n = static_cast<int>(path.size());
  if (n < 1) return;
  const D3DXVECTOR3 s = startPoint.GetValue(), e = endPoint.GetValue();
  const D3DXVECTOR3 whole = e - s;
  const D3DXVECTOR3 side = Normalized(D3DXVECTOR3(whole.y, -whole.x, 0.0f));
  const float j = jitter.GetResult();
  D3DXVECTOR3 p = s;
  // Segments left are counted on the path, which is sized to the particle count when particles are made.
  for (int g = 0; g < n; ++g) {
    const D3DXVECTOR3 d = e - p;
    const float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const float step = len / static_cast<float>(n - g);
    D3DXVECTOR3 w = d;
    if (g + 1 != n) {
      const float r1 = RandomFloat(-j, j);
      const float r2 = RandomFloat(-j, j);
      w = D3DXVECTOR3(d.x + r1 * d.y, d.y + r2 * d.x, 2.0f * d.z);
    }
    BoltPoint& point = path[static_cast<size_t>(g)];
    point.direction = Normalized(w);
    point.side = side;
    const D3DXVECTOR3 q = p + point.direction * step;
    point.position = (p + q) * 0.5f;
    point.length = step;
    p = q;
  }
}

BoltPoint DS_DischargeFXConstructor::LerpPathPoint(int index, float t) const {
  const BoltPoint& a = previousPath[static_cast<size_t>(index)];
  const BoltPoint& b = currentPath[static_cast<size_t>(index)];
  BoltPoint out;
  out.position = Lerp(a.position, b.position, t);
  out.direction = Lerp(a.direction, b.direction, t);
  out.side = Lerp(a.side, b.side, t);
  out.length = a.length + t * (b.length - a.length);
  return out;
}

void DS_DischargeFXConstructor::UpdateParticle(Particle* p) {
  const int i = pointCounter++;
  // Particles kept beyond a smaller count have no segment.
  if (static_cast<size_t>(i) >= currentPath.size() || static_cast<size_t>(i) >= previousPath.size()) return;
  const BoltPoint q = LerpPathPoint(i, static_cast<float>(clock - lastRebuildTime) * followSpeed.GetResult());
  p->halfWidth = q.length * 0.5f;
  p->axisX = q.direction;
  p->axisY = q.side;
  p->halfHeight = static_cast<float>(size.GetValue()) * 0.5f;
  p->bounce = D3DXVECTOR3(0, 0, 0);
  p->velocity = D3DXVECTOR3(0, 0, 0);
  p->centre = q.position;
  if (flickerInterval.GetResult() < GetLast() - p->lastChangeTime) {
    p->lastChangeTime = GetLast();
    // The image holds two bolts one above the other; each segment picks one, possibly upside down.
    if (CoinIsOdd()) {
      p->vRange[0] = 0.0f;
      p->vRange[1] = 0.5f;
    } else {
      p->vRange[0] = 0.5f;
      p->vRange[1] = 1.0f;
    }
    if (CoinIsOdd()) std::swap(p->vRange[0], p->vRange[1]);
  }
  const int last = static_cast<int>(count.GetValue()) - 1;
  p->uRange[0] = i == 0 ? 0.0f : 0.195f;
  p->uRange[1] = i == last ? 1.0f : 0.805f;
  p->UpdateColor(*this);
}

// ---- explosion

DS_ExplosionConstructor::DS_ExplosionConstructor() {
  size = 250;
  effectLink = DS_HLSLEffectFile(kEffect, kModule);
}

DS_ExplosionConstructor::DS_ExplosionConstructor(const DS_ExplosionConstructor& o)
    : DS_StatBaseFXCtrl(o),
      noiseLink(o.noiseLink),
      gradientTexture(o.gradientTexture),
      noiseTexture1(o.noiseTexture1),
      noiseTexture2(o.noiseTexture2),
      lastWholeSecond(o.lastWholeSecond) {
  for (int k = 0; k < 2; ++k) {
    noiseShift1[k] = o.noiseShift1[k];
    noiseShift2[k] = o.noiseShift2[k];
  }
}

DS_ExplosionConstructor::~DS_ExplosionConstructor() = default;

void DS_ExplosionConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_ExplosionConstructor", kVersion);
  DS_StatBaseFXCtrl::SaveBase(stream);
}

void DS_ExplosionConstructor::LoadEffect() {
  DS_FXParticleSystemCtrl::LoadEffect();
  LoadTextures();
}

void DS_ExplosionConstructor::LoadTextures() {
  gradientTexture.Share(FirstFrameOf(image));
  noiseTexture1.Share(FirstFrameOf(secondImage));
  IDirect3DTexture9* noise2 = FirstFrameOf(noiseLink);
  noiseTexture2.Share(noise2 ? noise2 : noiseTexture1.Get());
}

bool DS_ExplosionConstructor::ReleaseTextures() {
  bool released = ReleaseHeldPicture(gradientTexture, image);
  // Noise 2 may be noise 1 itself (no picture of its own): it goes with it.
  const bool sharesNoise1 = noiseTexture2 && noiseTexture2.Get() == noiseTexture1.Get();
  if (ReleaseHeldPicture(noiseTexture1, secondImage)) {
    released = true;
    if (sharesNoise1) noiseTexture2.Reset();
  }
  return ReleaseHeldPicture(noiseTexture2, noiseLink) || released;
}

void DS_ExplosionConstructor::UpdateParticle(Particle* p) {
  p->centre = position.GetValue();
  p->SetHalfSize(size.GetValue());
}

void DS_ExplosionConstructor::ApplyEffectParams() {
  float colour1[3], colour2[3];
  ColourToFloats(colour.GetValue(), colour1);
  ColourToFloats(secondColour.GetValue(), colour2);
  const double whole = std::floor(clock);
  if (static_cast<double>(lastWholeSecond) < whole) {
    noiseShift1[0] = noiseShift2[0];
    noiseShift1[1] = noiseShift2[1];
    std::swap(noiseTexture1, noiseTexture2);
    noiseShift2[0] = RandomFloat(0.0f, 1.0f);
    noiseShift2[1] = RandomFloat(0.0f, 1.0f);
    lastWholeSecond = static_cast<int>(whole);
  }
  if (!effect) return;
  effect->SetTechnique("Main");
  effect->SetTexture("GradientTex", gradientTexture);
  effect->SetTexture("NoiseTex1", noiseTexture1);
  effect->SetTexture("NoiseTex2", noiseTexture2);
  effect->SetFloatArray("color1", colour1, 3);
  effect->SetFloatArray("color2", colour2, 3);
  effect->SetFloatArray("noise_shift1", noiseShift1, 2);
  effect->SetFloatArray("noise_shift2", noiseShift2, 2);
  // The ball grows over two seconds of the clock, again and again: the clock reduced by 2.
  const float half = ReducedFloat(clock, 2.0) * 0.5f;
  effect->SetFloat("time", half - std::floor(half));
}
