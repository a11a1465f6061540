#include "objects3d/butterfly.h"

#include <cmath>
#include <memory>

#include "platform/noise.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"

namespace {
D3DXMATRIX RotationX(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationX(&m, DegToRad(degrees));
  return m;
}
D3DXMATRIX RotationY(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationY(&m, DegToRad(degrees));
  return m;
}
D3DXMATRIX RotationZ(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, DegToRad(degrees));
  return m;
}
D3DXMATRIX Scaling(float s) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, s, s, s);
  return m;
}
}  // namespace

// ---- the item

DS_ButterflyConstructor::DS_ButterflyConstructor()
    : bodyTexture(6, kBaseKitModule), bodyMesh(68, kBaseKitModule) {
  mesh = DS_MeshFile(69, kBaseKitModule);
  size = 100u;
  param1.Change(50);
  param2.Change(50);
}

DS_ButterflyConstructor::DS_ButterflyConstructor(const DS_ButterflyConstructor& o)
    : DS_3D_Obj_Ctrl(o), bodyTexture(o.bodyTexture), bodyMesh(o.bodyMesh), param1(o.param1), param2(o.param2),
      wingScale(o.wingScale) {}

void DS_ButterflyConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_ButterflyConstructor", kVersion);
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(bodyTexture);
  WriteFileLink(stream, bodyTexture);
  WriteFileLink(stream, bodyMesh);
  (*stream)->WriteUInt(param1.GetValue());
  (*stream)->WriteUInt(param2.GetValue());
  (*stream)->WriteFloat(wingScale);
  DS_3D_Obj_Ctrl::SaveBase(stream);
}

DS_ButterflyConstructor* DS_ButterflyConstructor::CreateAndRead(DS_IOF_Virtual** stream, DWORD version) {
  std::unique_ptr<DS_ButterflyConstructor> item(new DS_ButterflyConstructor);
  item->ReadFields(stream, version);
  return item.release();
}

void DS_ButterflyConstructor::ReadFields(DS_IOF_Virtual** stream, DWORD version) {
  ReadFileLink(stream, &bodyTexture);
  ReadFileLink(stream, &bodyMesh);
  UINT v = 0;
  (*stream)->ReadUInt(&v);
  param1.Change(v);
  (*stream)->ReadUInt(&v);
  param2.Change(v);
  // Records before version 2 keep the default wing scale.
  if (version > 1) (*stream)->ReadFloat(&wingScale);
  DS_3D_Obj_Ctrl::ReadBase(stream);
}

void DS_ButterflyConstructor::BuildMeshParts(std::vector<MeshPart>& parts) {
  parts.clear();
  parts.resize(2);
  MeshPart::Load(bodyTexture, &parts[0], bodyMesh);
  MeshPart::Load(texture, &parts[1], mesh);
  parts[0].blended = 0;
  parts[1].blended = 1;
}

void DS_ButterflyConstructor::AttachInstances(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts) {
  AttachRootsAndChildren(instances, parts);
}

DS_Frame* DS_ButterflyConstructor::CreateFrameTree() {
  std::unique_ptr<DS_Frame> root(new DS_Frame);
  D3DXMATRIX rotation;
  D3DXMatrixRotationY(&rotation, D3DX_PI / 2);
  root->local = Scaling(0.5f) * rotation;
  AC_Butterfly* flight = new AC_Butterfly(this);
  root->SetAnimation(flight);
  for (AC_ButterflyWing* wing : {flight->wingA, flight->wingB}) {
    DS_Frame* child = new DS_Frame;
    child->local = Scaling(wingScale);
    child->SetAnimation(wing);
    root->children.push_back(child);
  }
  return root.release();
}

// ---- approach values

void ApproachValue::Step(float dt) {
  if (value == target) return;
  value += rate * dt;
  if ((rate > 0 && value > target) || (rate < 0 && value < target)) value = target;
}

void ApproachValue::SetTarget(float newTarget, float newRate) {
  if (newRate != 0) rate = newRate;
  target = newTarget;
  const float magnitude = std::fabs(rate);
  rate = newTarget > value ? magnitude : -magnitude;
}

// ---- animations

void AC_ButterflyWing::Animate(DS_Frame* frame) {
  frame->world = frame->local * wing;
  frame->frontFace = frontFace ? 1 : 0;
}

AC_Butterfly::AC_Butterfly(DS_ButterflyConstructor* item)
    : item(item), wingA(new AC_ButterflyWing), wingB(new AC_ButterflyWing) {
  position = D3DXVECTOR3(0, 0, 0);
  if (item) item->RandomPoint(&position);
  position.z = 0;
  const float h = RandomFloat(0.0f, 360.0f);
  vertical = {50.0f, 50.0f, 250.0f};
  heading = {h, h, 350.0f};
  bank = {0.0f, 0.0f, 50.0f};
  forward = {50.0f, 50.0f, 350.0f};
  tilt = RotationX(10.0f);
  D3DXMatrixScaling(&mirror, -1.0f, 1.0f, 1.0f);
  sizeMatrix = Scaling(1.0f);
  holder_.SetOwner(this, false);
  if (item) holder_.Bind(item->size, &AC_Butterfly::OnSizeChanged);
}

void AC_Butterfly::OnSizeChanged(UINT size) { sizeMatrix = Scaling(static_cast<float>(size) / 100.0f); }

void AC_Butterfly::Flap(float dt) {
  flapAngle += dt * 7.0f * flapSpeed;
  if (flapAngle > upperLimit) flapSpeed = -160.0f;
  if (flapAngle < lowerLimit) flapSpeed = 100.0f;
}

void AC_Butterfly::SetWings() {
  wingA->wing = RotationZ(flapAngle);
  wingB->wing = RotationZ(flapAngle) * mirror;
  wingA->frontFace = flapAngle > 0;
  wingB->frontFace = flapAngle < 0;
}

void AC_Butterfly::BounceAtEdges(float w, float h) {
  if (!item) return;
  if (item->y0 * h > position.y) {
    requestedMode = kGliding;
    vertical.SetTarget(100.0f, 0.0f);
  } else if (item->y1 * h < position.y) {
    requestedMode = kFlapping;
    vertical.SetTarget(-190.0f, 0.0f);
  }
  if (item->x0 * w > position.x) {
    heading.SetTarget(0.0f, 350.0f);
    forward.SetTarget(300.0f, 0.0f);
  } else if (item->x1 * w < position.x) {
    heading.SetTarget(-180.0f, 350.0f);
    forward.SetTarget(300.0f, 0.0f);
  }
}

void AC_Butterfly::ChangeMode() {
  if (currentMode == requestedMode) return;
  if (requestedMode == kGliding) {
    // The wings close slowly first; gliding starts once they are below half the lower limit.
    upperLimit = 0.0f;
    if (flapAngle < lowerLimit * 0.5f) {
      currentMode = kGliding;
      flapSpeed = -std::fabs(flapSpeed) / 100.0f;
    }
  } else {
    currentMode = kFlapping;
    upperLimit = -lowerLimit;
    flapSpeed = forward.value > 20.0f ? RandomFloat(-160.0f, forward.value / 3.0f - 50.0f) : 160.0f;
  }
}

void AC_Butterfly::Decide(double t) {
  if (currentMode != requestedMode || !(t - lastDecision > 0.25f)) return;
  switch (CrtRand() % 5) {
    case 0:  // climb
      requestedMode = kFlapping;
      vertical.SetTarget(RandomFloat(-190.0f, 0.0f), 0.0f);
      break;
    case 1:  // glide down
      requestedMode = kGliding;
      vertical.SetTarget(RandomFloat(100.0f, 150.0f), 0.0f);
      break;
    case 2:
      requestedMode = kFlapping;
      forward.SetTarget(RandomFloat(-25.0f, 300.0f), 0.0f);
      break;
    default:  // turn, only while flapping and not turning already
      if (currentMode == kFlapping && heading.value == heading.target) {
        const int p = CrtRand();
        const float r = RandomFloat(50.0f, 350.0f);
        const float target = (p % 2 == 0) ? RandomFloat(155.0f, 205.0f) : RandomFloat(-25.0f, 25.0f);
        heading.SetTarget(target, r);
      }
      break;
  }
  lastDecision = t;
}

void AC_Butterfly::Animate(DS_Frame* frame) {
  const float dt = item ? item->delta : 0.0f;
  const double t = item ? item->clock : 0.0;

  D3DXMATRIX world = RotationY(heading.value) * frame->local;
  const float d = heading.value - heading.target;
  if (d < -5.0f)
    bank.SetTarget(25.0f, 0.0f);
  else if (d > 5.0f)
    bank.SetTarget(-25.0f, 0.0f);
  // Pitch up when slow.
  if (forward.value < 100.0f) world = RotationX((1.0f - forward.value / 100.0f) * 15.0f) * world;
  world = tilt * world;
  world = RotationZ(bank.value) * world;
  if (bank.value == bank.target) bank.SetTarget(0.0f, 0.0f);

  Flap(dt);
  // The body bobs against the wings.
  D3DXMATRIX bob;
  D3DXMatrixTranslation(&bob, 0.0f, -3.0f * flapAngle / 45.0f, 0.0f);
  world = bob * world;
  SetWings();

  D3DXVECTOR3 along(forward.value, 0.0f, 0.0f);
  D3DXVECTOR3 v;
  const D3DXMATRIX turn = RotationY(heading.value);
  D3DXVec3TransformCoord(&v, &along, &turn);
  v.y = vertical.value;
  position.x += v.x * dt;
  position.y += v.y * dt;
  position.z = 0.0f;
  D3DXMATRIX move;
  D3DXMatrixTranslation(&move, position.x, position.y, position.z);
  world = world * move;

  vertical.Step(dt);
  bank.Step(dt);
  heading.Step(dt);
  forward.Step(dt);

  const ScreenMapping* mapping = GetScreenMapping();
  BounceAtEdges(static_cast<float>(mapping->pictureWidth), static_cast<float>(mapping->pictureHeight));
  ChangeMode();
  Decide(t);

  frame->world = sizeMatrix * world;
}

void RegisterButterflyReader() {
  RegisterClassReader<DS_ButterflyConstructor, DS_ABObj_Constructor>(GetConstructorReaderRegistry(),
                                                                     u"DS_ButterflyConstructor");
}
