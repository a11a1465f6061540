#include "particles/flow_particles.h"

#include <cmath>

#include "platform/x86_convert.h"
#include "scene/particle.h"
#include "scene/readers.h"

namespace {

D3DXVECTOR3 Turned(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

}  // namespace

// ---- flow

DS_FlowConstructor::DS_FlowConstructor() : direction(0, 0, 0, 0), side(0, 0, 0, 0) {
  SetScales();
  orientationMode = 0;
  BindAngleListener();
}

DS_FlowConstructor::DS_FlowConstructor(const DS_FlowConstructor& o)
    : DS_ParticleSystemCtrl(o),
      angle(o.angle),
      baseSpeed(o.baseSpeed),
      orientationMode(o.orientationMode),
      direction(o.direction),
      side(o.side),
      flowRotation(o.flowRotation) {
  SetScales();
  driftSpeed.SetValue(o.driftSpeed.GetValue(), nullptr);
  driftChangeRate.SetValue(o.driftChangeRate.GetValue(), nullptr);
  BindAngleListener();
}

DS_FlowConstructor::~DS_FlowConstructor() { holder_.Clear(); }

void DS_FlowConstructor::SetScales() {
  driftSpeed.SetScaling(3.0f, 0.0f);
  driftChangeRate.SetScaling(0.25f, 0.0f);
}

void DS_FlowConstructor::BindAngleListener() {
  holder_.SetOwner(this, false);
  holder_.Bind(angle, &DS_FlowConstructor::OnAngleChanged);
}

void DS_FlowConstructor::OnAngleChanged(UINT a) {
  const int32_t turn = static_cast<int32_t>(360u - a);
  D3DXMatrixRotationZ(&flowRotation, static_cast<float>(turn) * D3DX_PI / 180.0f);
  const D3DXVECTOR4 along(baseSpeed, 0, 0, 0), across(0, 1, 0, 0);
  D3DXVec4Transform(&direction, &along, &flowRotation);
  D3DXVec4Transform(&side, &across, &flowRotation);
}

void DS_FlowConstructor::OrientParticle(Particle* p) const {
  p->SetHalfSize(size.GetValue());
  p->UpdateColor(*this);
  if (orientationMode.GetValue() == 1) {
    p->axisX = Turned(D3DXVECTOR3(1, 0, 0), flowRotation);
    p->axisY = Turned(D3DXVECTOR3(0, 1, 0), flowRotation);
  } else if (orientationMode.GetValue() == 0) {
    p->axisX = D3DXVECTOR3(1, 0, 0);
    p->axisY = D3DXVECTOR3(0, 1, 0);
  }
}

void DS_FlowConstructor::InitParticle(Particle* p) {
  p->velocity.z = RandomFloat(0.0f, 1.0f) * 2.0f - 1.0f;
  p->bounce = D3DXVECTOR3(0, 0, 0);
  p->velocity.x = 0.0f;
  p->velocity.y = 0.0f;
  RandomPoint(&p->centre);
  OrientParticle(p);
}

void DS_FlowConstructor::UpdateParticle(Particle* p) {
  const float drift = driftSpeed.GetResult();
  const float ex = (side.x * p->velocity.z * drift + direction.x) * p->sizeFactor + p->bounce.x;
  const float ey = (side.y * p->velocity.z * drift + direction.y) * p->sizeFactor + p->bounce.y;
  p->centre.x += delta * ex;
  p->centre.y += delta * ey;
  const float left = GetLeftPx(), right = GetRightPx(), top = GetTopPx(), bottom = GetBottomPx();

  if (y0 > 0.0f || y1 < 1.0f) {
    // A bounce made under an older drift is dropped.
    if (p->bounce.y != 2.0f * ey && p->bounce.y != 0.0f) p->bounce.y = 0.0f;
    if (p->CrossesBottomEdge(*this)) {
      p->bounce.y -= 2.0f * ey;
      p->centre.y = bottom - p->halfHeight - 1.0f;
    } else if (p->CrossesTopEdge(*this)) {
      p->bounce.y -= 2.0f * ey;
      p->centre.y = top + p->halfHeight + 1.0f;
    }
  } else if (p->IsBelowRect(*this)) {
    p->centre.y += (top - bottom) - 2.0f * p->halfHeight;
    p->centre.x = RandomFloat(left, right);
  } else if (p->IsAboveRect(*this)) {
    p->centre.y += (bottom - top) + 2.0f * p->halfHeight;
    p->centre.x = RandomFloat(left, right);
  }

  if (x0 > 0.0f || x1 < 1.0f) {
    if (p->bounce.x != 2.0f * ex && p->bounce.x != 0.0f) p->bounce.x = 0.0f;
    if (p->CrossesLeftEdge(*this)) {
      p->bounce.x -= 2.0f * ex;
      p->centre.x = left + p->halfWidth + 1.0f;
    } else if (p->CrossesRightEdge(*this)) {
      p->bounce.x -= 2.0f * ex;
      p->centre.x = right - p->halfWidth - 1.0f;
    }
  } else if (p->IsLeftOfRect(*this)) {
    p->centre.x += (right - left) + 2.0f * p->halfWidth;
    p->centre.y = RandomFloat(top, bottom);
  } else if (p->IsRightOfRect(*this)) {
    p->centre.x += (left - right) - 2.0f * p->halfWidth;
    p->centre.y = RandomFloat(top, bottom);
  }

  if (orientationMode.GetValue() == 2) {
    p->axisX = D3DXVECTOR3(std::copysign(1.0f, ex), 0, 0);
    p->axisY = D3DXVECTOR3(0, 1, 0);
  } else if (orientationMode.GetValue() == 3) {
    p->axisX = D3DXVECTOR3(1, 0, 0);
    p->axisY = D3DXVECTOR3(0, std::copysign(1.0f, ey), 0);
  }

  // A change rate of 0 is an infinite interval: the drift never changes.
  const float rate = driftChangeRate.GetResult();
  if (rate > 0.0f && 1.0f / rate < clock - p->lastChangeTime) {
    p->lastChangeTime = clock;
    if (CoinIsOdd()) p->velocity.z = RandomFloat(-1.0f, 1.0f);
  }
}

void DS_FlowConstructor::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_FlowConstructor", kVersion);
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(angle.GetValue());
  s->WriteUInt(driftSpeed.GetValue());
  s->WriteUInt(driftChangeRate.GetValue());
  s->WriteFloat(baseSpeed);
  s->WriteInt(orientationMode.GetValue());
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_FlowConstructor::ReadBase(DS_IOF_Virtual** stream) { ReadFields(stream, ReadSectionHeader(stream)); }

void DS_FlowConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD version) {
  DS_IOF_Virtual* s = *stream;
  // Raw values: the derived drift values and the direction follow only in a copy.
  s->ReadUInt(&angle.Raw());
  s->ReadUInt(&driftSpeed.Raw());
  s->ReadUInt(&driftChangeRate.Raw());
  s->ReadFloat(&baseSpeed);
  if (version >= 2) {
    int mode = 0;
    s->ReadInt(&mode);
    orientationMode.Raw() = version == 2 ? (mode != 0 ? 1 : 0) : mode;
  }
  DS_BaseSpriteProp::ReadBase(stream);
}

// ---- rain

DS_RainConstructor::DS_RainConstructor() {
  angle = 270;
  driftSpeed.SetValue(0, nullptr);
  baseSpeed = 2000.0f;
  sizeFactorMin = 0.5f;
  sizeFactorMax = 1.0f;
  orientationMode = 1;
  D3DXMatrixRotationZ(&dropRotation, 3.0f * D3DX_PI / 2.0f);
}

void DS_RainConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_RainConstructor", 1);
  DS_FlowConstructor::SaveBase(stream);
}

void DS_RainConstructor::InitParticle(Particle* p) {
  DS_FlowConstructor::InitParticle(p);
  p->phase = RandomFloat(0.0f, 1.0f);
  OrientParticle(p);
  if (orientationMode.GetValue() == 1) {
    p->axisX = Turned(p->axisX, dropRotation);
    p->axisY = Turned(p->axisY, dropRotation);
  }
}

void DS_RainConstructor::UpdateParticle(Particle* p) {
  DS_FlowConstructor::UpdateParticle(p);
  p->AdvancePhase(*this, true);
  p->UpdateColor(*this);
}

// ---- fog

DS_FogConstructor::DS_FogConstructor() {
  phaseMin = 0.2f;
  phaseMax = 1.0f;
  transparency.Change(50);
}

void DS_FogConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_FogConstructor", kVersion);
  (*stream)->WriteFloat(maxSpeedX);
  (*stream)->WriteFloat(maxSpeedY);
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_FogConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD) {
  (*stream)->ReadFloat(&maxSpeedX);
  (*stream)->ReadFloat(&maxSpeedY);
  DS_BaseSpriteProp::ReadBase(stream);
}

void DS_FogConstructor::InitParticle(Particle* p) {
  RandomPoint(&p->centre);
  p->velocity.x = RandomFloat(-maxSpeedX, maxSpeedX);
  p->velocity.y = RandomFloat(-maxSpeedY, maxSpeedY);
  p->phase = RandomFloat(0.0f, 1.0f);
  D3DXMatrixRotationZ(&p->rotationStep, RandomFloat(0.0f, 1.0f) * 0.008f - 0.004f);
}

void DS_FogConstructor::UpdateParticle(Particle* p) {
  p->centre.x += delta * p->velocity.x;
  p->centre.y += delta * p->velocity.y;
  p->phase += delta * p->phaseRate;
  if (phaseMin > p->phase) {
    p->phase = phaseMin;
    p->phaseRate = -p->phaseRate;
  } else if (phaseMax < p->phase) {
    p->phase = phaseMax;
    p->phaseRate = -p->phaseRate;
  }
  // Only the centre is held inside.
  if (GetBottomPx() < p->centre.y) p->velocity.y = -std::fabs(p->velocity.y);
  if (GetTopPx() > p->centre.y) p->velocity.y = std::fabs(p->velocity.y);
  if (GetLeftPx() > p->centre.x) p->velocity.x = std::fabs(p->velocity.x);
  if (GetRightPx() < p->centre.x) p->velocity.x = -std::fabs(p->velocity.x);
  p->axisX = Turned(p->axisX, p->rotationStep);
  p->axisY = Turned(p->axisY, p->rotationStep);
  p->UpdateColor(*this);
}
