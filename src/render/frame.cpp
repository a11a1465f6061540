#include "render/frame.h"

DS_Frame::DS_Frame()
    : radius(0), centerX(0), centerY(0), centerZ(0), animation(nullptr), frontFace(1) {
  D3DXMatrixIdentity(&world);
  D3DXMatrixIdentity(&local);
}

DS_Frame::~DS_Frame() { delete animation; }

DS_Frame::DS_Frame(const DS_Frame& o)
    : radius(o.radius), centerX(o.centerX), centerY(o.centerY), centerZ(o.centerZ), world(o.world),
      local(o.local), animation(nullptr), frontFace(o.frontFace), children(o.children) {}

DS_Frame& DS_Frame::operator=(const DS_Frame& o) {
  if (this == &o) return *this;
  radius = o.radius;
  centerX = o.centerX;
  centerY = o.centerY;
  centerZ = o.centerZ;
  world = o.world;
  local = o.local;
  frontFace = o.frontFace;
  children = o.children;
  // The animation stays with this frame: it is owned here, not by the source.
  return *this;
}

void DS_Frame::SetAnimation(DS_AnimationBase* a) {
  if (a == animation) return;
  delete animation;
  animation = a;
}

void DS_Frame::UpdateTransform(const D3DXMATRIX* parent) {
  if (animation)
    animation->Animate(this);
  else
    world = local;
  if (parent) D3DXMatrixMultiply(&world, &world, parent);
  for (DS_Frame* child : children) child->UpdateTransform(&world);
}

void DS_Frame::DestroyWithChildren() {
  DeleteFrames(children.data(), children.data() + children.size());
  children.clear();
  delete animation;
  animation = nullptr;
}

void DeleteFrames(DS_Frame** first, DS_Frame** last) {
  for (DS_Frame** p = first; p != last; ++p) {
    delete *p;
    *p = nullptr;
  }
}
