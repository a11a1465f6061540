#include "particles/still_particles.h"

#include <cmath>

#include "platform/periodic.h"
#include "platform/x86_convert.h"
#include "scene/particle.h"
#include "particles/particle_objects.h"
#include "scene/screen_mapping.h"
#include "scene/readers.h"

float SwayShear(float degrees) { return 1.0f / std::tan((180.0f - (degrees + 90.0f)) * D3DX_PI / 180.0f); }

// ---- still object

DS_StatObjConstructor::DS_StatObjConstructor() {
  placement.centreX.Raw() = GetScreenMapping()->pictureWidth / 2;
  placement.centreY.Raw() = GetScreenMapping()->pictureHeight / 2;
  angle = 0;
  D3DXMatrixIdentity(&spriteRotation);
}

DS_StatObjConstructor::DS_StatObjConstructor(const DS_StatObjConstructor& o)
    : DS_ParticleSystemCtrl(o), placement(o.placement), angle(o.angle), spriteRotation(o.spriteRotation) {}

DS_ABObj* DS_StatObjConstructor::CreateRenderObject() {
  DS_SpriteArrayObj* object = static_cast<DS_SpriteArrayObj*>(DS_ParticleSystemCtrl::CreateRenderObject());
  object->markerMode = 1;
  return object;
}

ScreenQuad* DS_StatObjConstructor::GetQuad(ScreenQuad* out) const {
  DS_ViewObjCtrl::GetQuad(out);
  ScreenQuad::SetRect(*out, static_cast<float>(placement.left.GetValue()), static_cast<float>(placement.top.GetValue()),
                      static_cast<float>(placement.right.GetValue()), static_cast<float>(placement.bottom.GetValue()));
  return out;
}

bool DS_StatObjConstructor::HitTest(float x, float y) const { return placement.HitTest(x, y); }

void DS_StatObjConstructor::PlaceSprite(Particle* p) {
  p->centre.x = static_cast<float>(placement.centreX.GetValue());
  p->centre.y = static_cast<float>(placement.centreY.GetValue());
  p->SetHalfSize(size.GetValue());
  p->UpdateColor(*this);
  D3DXMatrixRotationZ(&spriteRotation, -static_cast<float>(angle.GetValue()) * D3DX_PI / 180.0f);
  const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
  D3DXVec3TransformCoord(&p->axisX, &x, &spriteRotation);
  D3DXVec3TransformCoord(&p->axisY, &y, &spriteRotation);
  UpdateRectangle(*p);
}

void DS_StatObjConstructor::UpdateRectangle(const Particle& p) {
  const float ax = p.axisX.x, ay = p.axisX.y, bx = p.axisY.x, by = p.axisY.y;
  const float hw = p.halfWidth, hh = p.halfHeight, x = p.centre.x, y = p.centre.y;
  // Assignment refreshes the undo snapshot and notifies nobody else.
  placement.left = TruncToInt32(x - std::fabs(ax * hw) - std::fabs(bx * hh));
  placement.right = TruncToInt32(x + std::fabs(ax * hw) + std::fabs(bx * hh));
  placement.top = TruncToInt32(y - std::fabs(by * hh) - std::fabs(ay * hw));
  placement.bottom = TruncToInt32(y + std::fabs(ay * hw) + std::fabs(by * hh));
}

void DS_StatObjConstructor::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_StatObjConstructor", kVersion);
  placement.Write(stream);
  (*stream)->WriteUInt(angle.GetValue());
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_StatObjConstructor::ReadBase(DS_IOF_Virtual** stream) { ReadFields(stream, ReadSectionHeader(stream)); }

void DS_StatObjConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD version) {
  placement.Read(stream);
  (*stream)->ReadUInt(&angle.Raw());
  if (version < 2) {
    (*stream)->ReadInt(&verticalFlip.Raw());
    (*stream)->ReadInt(&horizontalFlip.Raw());
  }
  DS_BaseSpriteProp::ReadBase(stream);
}

// ---- flower

void DS_FlowerConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_FlowerConstructor", kVersion);
  (*stream)->WriteFloat(swayAmplitude);
  DS_StatObjConstructor::SaveBase(stream);
}

void DS_FlowerConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD) {
  (*stream)->ReadFloat(&swayAmplitude);
  DS_StatObjConstructor::ReadBase(stream);
}

void DS_FlowerConstructor::UpdateParticle(Particle* p) {
  // The sway is a sine of the clock: the clock reduced by 2 pi.
  const float s = SwayShear(swayAmplitude * std::sin(ReducedFloat(clock, kTwoPi) + p->velocity.y));
  const D3DXVECTOR3 lean(s, 1, 0);
  D3DXVec3TransformCoord(&p->axisY, &lean, &spriteRotation);
  p->centre.x = static_cast<float>(placement.centreX.GetValue()) - p->axisX.x * p->halfHeight * s;
  p->centre.y = static_cast<float>(placement.centreY.GetValue()) - p->axisX.y * p->halfHeight * s;
}

// ---- discharge

void DS_DischargeConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_DischargeConstructor", kVersion);
  DS_StatObjConstructor::SaveBase(stream);
}

UINT DS_DischargeConstructor::NextFrame(UINT current) {
  if (frameCount < 2) return 0;
  UINT r;
  do {
    r = static_cast<UINT>(CrtRand()) % frameCount;
  } while (r == current);
  return r;
}

// ---- grass

void DS_GrassConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_GrassConstructor", kVersion);
  (*stream)->WriteFloat(swayAmplitude);
  DS_BaseSpriteProp::SaveBase(stream);
}

void DS_GrassConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD) {
  (*stream)->ReadFloat(&swayAmplitude);
  DS_BaseSpriteProp::ReadBase(stream);
}

void DS_GrassConstructor::InitParticle(Particle* p) {
  p->centre.x = RandomFloat(GetLeftPx(), GetRightPx());
  p->centre.y = GetBottomPx() - p->halfHeight;
  p->velocity.z = p->centre.x;
  p->velocity.y = RandomFloat(0.0f, 1.0f) * D3DX_PI / 2.0f;
  p->axisX = D3DXVECTOR3(CoinIsOdd() ? -1.0f : 1.0f, 0, 0);
}

void DS_GrassConstructor::UpdateParticle(Particle* p) {
  const float w = static_cast<float>(GetScreenMapping()->pictureWidth);
  // Before a picture is placed there is no width to run the wave across.
  const float across = w > 0.0f ? (p->centre.x / w) * 2.0f * D3DX_PI : 0.0f;
  const float s = SwayShear(swayAmplitude * std::sin(ReducedFloat(clock, kTwoPi) + p->velocity.y + across));
  p->axisY = D3DXVECTOR3(s, 1, 0);
  p->centre.x = p->velocity.z - s * p->halfHeight;
}
