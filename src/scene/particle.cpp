#include "scene/particle.h"

#include <cmath>

#include "platform/noise.h"
#include "platform/x86_convert.h"
#include "scene/doc_res_manager.h"
#include "scene/sprite_prop.h"

Particle::Particle()
    : bounce(0, 0, 0), velocity(0, 0, 0), centre(100, 100, 0), sizeFactor(0), vRange{0, 1}, uRange{0, 1},
      halfWidth(0), halfHeight(0), aspect(1), axisX(1, 0, 0), axisY(0, 1, 0), phase(1), lastChangeTime(0),
      color(0), phaseRate(0) {
  D3DXMatrixIdentity(&rotationStep);
}

float RandomFromRange(const float range[2]) { return RandomFloat(range[0], range[1]); }

void Particle::Init(const DS_BaseSpriteProp& item) {
  bounce = velocity = centre = D3DXVECTOR3(0, 0, 0);
  sizeFactor = 0;
  // Without a document there is no picture to measure: square sprites.
  aspect = g_DocResManager ? g_DocResManager->GetTextureSet(item.image).aspect : 1.0f;
  if (item.animated) aspect *= (float)item.frameCount;
  axisX = D3DXVECTOR3(1, 0, 0);
  axisY = D3DXVECTOR3(0, 1, 0);
  centre = D3DXVECTOR3(100, 100, 0);
  const float range[2] = {item.sizeFactorMin, item.sizeFactorMax};
  sizeFactor = RandomFromRange(range);
  SetHalfSize(item.size.GetValue());
  vRange[0] = 0;
  vRange[1] = 1;
  uRange[0] = 0;
  uRange[1] = 1;
}

void Particle::SetHalfSize(UINT size) {
  float s = sizeFactor * (float)size * 0.5f;
  if (aspect < 1) {
    halfWidth = s;
    halfHeight = aspect * s;
  } else {
    halfHeight = s;
    halfWidth = s / aspect;
  }
}

void Particle::UpdateColor(const DS_BaseSpriteProp& item) {
  DWORD c = item.colour.GetValue();
  DWORD a = TruncToByte((float)item.transparency.GetResult() * phase);
  color = (a << 24) | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

D3DXVECTOR3 Particle::GetCorner() const { return centre - axisX * halfWidth - axisY * halfHeight; }

bool Particle::IsLeftOfRect(const DS_ViewObjCtrl& item) const {
  return item.GetLeftPx() > centre.x + std::fabs(halfWidth);
}
bool Particle::IsRightOfRect(const DS_ViewObjCtrl& item) const {
  return item.GetRightPx() < centre.x - std::fabs(halfWidth);
}
bool Particle::IsAboveRect(const DS_ViewObjCtrl& item) const {
  return item.GetTopPx() > centre.y + std::fabs(halfHeight);
}
bool Particle::IsBelowRect(const DS_ViewObjCtrl& item) const {
  return item.GetBottomPx() < centre.y - std::fabs(halfHeight);
}
bool Particle::CrossesLeftEdge(const DS_ViewObjCtrl& item) const { return item.GetLeftPx() > centre.x - halfWidth; }
bool Particle::CrossesRightEdge(const DS_ViewObjCtrl& item) const { return item.GetRightPx() < centre.x + halfWidth; }
bool Particle::CrossesTopEdge(const DS_ViewObjCtrl& item) const { return item.GetTopPx() > centre.y - halfHeight; }
bool Particle::CrossesBottomEdge(const DS_ViewObjCtrl& item) const {
  return item.GetBottomPx() < centre.y + halfHeight;
}

void Particle::AdvancePhase(DS_BaseSpriteProp& item, bool rebirth) {
  phase += item.delta * phaseRate;
  if (item.phaseMin > phase) {
    if (rebirth) item.InitParticle(this);
    phase = item.phaseMin;
    phaseRate = -phaseRate;
  } else if (item.phaseMax < phase) {
    phase = item.phaseMax;
    phaseRate = -phaseRate;
  }
}
