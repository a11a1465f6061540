#include "particles/light_particles.h"

#include <cmath>

#include "scene/particle.h"
#include "scene/screen_mapping.h"
#include "scene/readers.h"

// ---- god rays

void DS_GodRayConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_GodRayConstructor", kVersion);
  (*stream)->WriteUInt(angle.GetValue());
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_GodRayConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD) {
  (*stream)->ReadUInt(&angle.Raw());
  DS_BaseSpriteProp::ReadBase(stream);
}

void DS_GodRayConstructor::InitParticle(Particle* p) {
  const float x = RandomFloat(GetLeftPx(), GetRightPx());
  p->velocity.x = RandomFloat(0.0f, 1.0f) * 20.0f - 10.0f;
  p->bounce = D3DXVECTOR3(0, 0, 0);
  p->velocity.y = 0.0f;
  p->velocity.z = 0.0f;
  // Half the rectangle's height from the picture's top: its middle only when the rectangle starts there.
  p->centre = D3DXVECTOR3(x, (GetBottomPx() - GetTopPx()) * 0.5f, 0.0f);
  SetRayShape(p);
  p->phase = RandomFloat(0.0f, 1.0f);
}

void DS_GodRayConstructor::SetRayShape(Particle* p) const {
  p->halfWidth = static_cast<float>(size.GetValue()) * 0.5f;
  p->halfHeight = static_cast<float>(GetScreenMapping()->pictureHeight) * 0.5f;
  const UINT a = angle.GetValue();
  const float theta = (a < 180 ? 180.0f - static_cast<float>(a) : 360.0f - static_cast<float>(a)) * D3DX_PI / 180.0f;
  p->axisY = D3DXVECTOR3(1.0f / std::tan(theta), 1.0f, 0.0f);
}

void DS_GodRayConstructor::UpdateParticle(Particle* p) {
  if (clock - p->lastChangeTime > 0.25f) {
    p->lastChangeTime = clock;
    if (CoinIsOdd()) {
      p->velocity.x = RandomFloat(-10.0f, 10.0f);
      p->velocity.y = 0.0f;
      p->velocity.z = 0.0f;
    }
  }
  p->centre.x += delta * p->velocity.x;
  p->centre.y += delta * p->velocity.y;
  p->AdvancePhase(*this, true);
  p->UpdateColor(*this);
}

// ---- sparkles

void DS_SparkleConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_SparkleConstructor", kVersion);
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_SparkleConstructor::InitParticle(Particle* p) {
  p->velocity.x = RandomFloat(0.0f, 1.0f) * 50.0f - 25.0f;
  p->velocity.y = RandomFloat(0.0f, 1.0f) * 50.0f - 25.0f;
  p->bounce = D3DXVECTOR3(0, 0, 0);
  p->velocity.z = 0.0f;
  RandomPoint(&p->centre);
  p->phase = RandomFloat(0.0f, 1.0f);
}

void DS_SparkleConstructor::UpdateParticle(Particle* p) {
  p->centre.x += delta * p->velocity.x;
  p->centre.y += delta * p->velocity.y;
  p->AdvancePhase(*this, true);
  p->UpdateColor(*this);
  const float b = static_cast<float>(size.GetValue()) * p->sizeFactor * 0.5f;
  p->halfWidth = p->halfHeight = b * 0.5f * (1.0f + p->phase);
}

// ---- lightning

void DS_LightingConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_LightingConstructor", kVersion);
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_LightingConstructor::InitParticle(Particle* p) {
  p->SetHalfSize(size.GetValue());
  RandomInsetPoint(*p, &p->centre);
  const float tilt = RandomFloat(0.0f, 1.0f) * D3DX_PI / 4.0f - D3DX_PI / 8.0f;
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, tilt);
  const float s = CoinIsOdd() ? -1.0f : 1.0f;
  const D3DXVECTOR3 x(s, 0.0f, 0.0f), y(0.0f, 1.0f, 0.0f);
  D3DXVec3TransformCoord(&p->axisX, &x, &m);
  D3DXVec3TransformCoord(&p->axisY, &y, &m);
  p->phase = 0.0f;
}

void DS_LightingConstructor::UpdateParticle(Particle* p) {
  if (p->phase != 0.0f) {
    p->phase -= 6.0f * delta;
    if (clock - p->lastChangeTime > 0.15f) {
      p->lastChangeTime = clock;
      if (CoinIsOdd()) p->phase = 1.0f;
    }
  } else if (clock - p->lastChangeTime > 1.0f) {
    p->lastChangeTime = clock;
    if (CoinIsOdd()) {
      InitParticle(p);
      p->phase = 1.0f;
    }
  }
  if (p->phase < 0.0f) {
    p->phase = 0.0f;
    p->lastChangeTime = clock;  // the dark pause starts now
  }
  p->UpdateColor(*this);
}
