#include "particles/swimmers.h"

#include <cmath>

#include "scene/particle.h"
#include "scene/readers.h"

void DS_FishConstructor::InitParticle(Particle* p) {
  p->velocity.x = RandomFloat(-maxSpeedX, maxSpeedX);
  p->velocity.y = RandomFloat(-maxSpeedY, maxSpeedY);
  p->velocity.z = 0.0f;
  p->bounce = D3DXVECTOR3(0, 0, 0);
  RandomPoint(&p->centre);
  p->SetHalfSize(size.GetValue());
  p->UpdateColor(*this);
  if (p->velocity.x < 0) p->halfWidth = -p->halfWidth;
}

void DS_FishConstructor::UpdateParticle(Particle* p) {
  p->centre.x += delta * p->velocity.x;
  p->centre.y += delta * p->velocity.y;
  if (p->IsLeftOfRect(*this)) {
    p->velocity.x = std::fabs(p->velocity.x);
    p->halfWidth = std::fabs(p->halfWidth);
  } else if (p->IsRightOfRect(*this)) {
    p->velocity.x = -std::fabs(p->velocity.x);
    p->halfWidth = -std::fabs(p->halfWidth);
  }
  if (p->CrossesTopEdge(*this))
    p->velocity.y = std::fabs(p->velocity.y);
  else if (p->CrossesBottomEdge(*this))
    p->velocity.y = -std::fabs(p->velocity.y);
  // Speed decisions run on application seconds, whatever the item's speed.
  if (GetLast() - p->lastChangeTime > 1.0f) {
    p->lastChangeTime = GetLast();
    if (CoinIsOdd()) {
      p->velocity.x = std::copysign(RandomFloat(-maxSpeedX, maxSpeedX), p->velocity.x);
      p->velocity.y = RandomFloat(-maxSpeedY, maxSpeedY);
      p->velocity.z = 0.0f;
    }
  }
}

void DS_FishConstructor::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_FishConstructor", kVersion);
  (*stream)->WriteFloat(maxSpeedX);
  (*stream)->WriteFloat(maxSpeedY);
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_FishConstructor::ReadBase(DS_IOF_Virtual** stream) { ReadFields(stream, ReadSectionHeader(stream)); }

void DS_FishConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD) {
  (*stream)->ReadFloat(&maxSpeedX);
  (*stream)->ReadFloat(&maxSpeedY);
  DS_BaseSpriteProp::ReadBase(stream);
}

void DS_BirdConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_BirdConstructor", kVersion);
  DS_FishConstructor::SaveBase(stream);
}

void DS_BirdConstructor::UpdateParticle(Particle* p) {
  DS_FishConstructor::UpdateParticle(p);
  // The vertical speed loses its sign: a slow climb becomes a descent.
  if (std::fabs(p->velocity.y) < 0.7f * maxSpeedY) p->velocity.y = 0.7f * maxSpeedY + p->velocity.y * 0.3f / 0.7f;
  if (std::fabs(p->velocity.x) < 0.7f * maxSpeedX)
    p->velocity.x = std::copysign(RandomFloat(0.7f * maxSpeedX, maxSpeedX), p->velocity.x);
}

DS_GhostConstructor::DS_GhostConstructor() {
  maxSpeedX = 50.0f;
  maxSpeedY = 50.0f;
  phaseRate = 0.66f;
  transparency.Change(50);
  sizeFactorMin = 1.0f;
  sizeFactorMax = 1.0f;
}

void DS_GhostConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_GhostConstructor", kVersion);
  DS_FishConstructor::SaveBase(stream);
}

void DS_GhostConstructor::InitParticle(Particle* p) {
  DS_FishConstructor::InitParticle(p);
  p->phase = RandomFloat(0.0f, 1.0f);
}

void DS_GhostConstructor::UpdateParticle(Particle* p) {
  DS_FishConstructor::UpdateParticle(p);
  p->AdvancePhase(*this, true);
  p->UpdateColor(*this);
}
