#include "objects3d/leaves.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "objects3d/object_array.h"
#include "platform/noise.h"
#include "platform/periodic.h"
#include "render/ab_render.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/screen_mapping.h"

double g_LeafTime = 0.0;

// ---- parameters and the item

LeafFallParams::LeafFallParams() : size(0u), speed(50u), sway(0u), swayRate(0u), spin(100u) { SetOrientation(0); }

void LeafFallParams::SetOrientation(UINT degrees) {
  angle = degrees;
  const D3DXVECTOR4 unit(1.0f, 0.0f, 0.0f, 0.0f);
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, static_cast<float>(degrees) * 2.0f * D3DX_PI / 360.0f);
  D3DXVec4Transform(&driftAxis, &unit, &turn);
  D3DXMatrixRotationZ(&turn, (static_cast<float>(degrees) + 90.0f) * 2.0f * D3DX_PI / 360.0f);
  D3DXVec4Transform(&swayAxis, &unit, &turn);
  // y grows downward in picture pixels.
  driftAxis.y = -driftAxis.y;
  swayAxis.y = -swayAxis.y;
}

DS_3D_in_2D_array_Constructor::DS_3D_in_2D_array_Constructor() : leafCount(0u) {}

DS_3D_in_2D_array_Constructor::DS_3D_in_2D_array_Constructor(const DS_3D_in_2D_array_Constructor& o)
    : DS_ABObj_Constructor(o), meshRecord(o.meshRecord), textureRecord(o.textureRecord),
      leafCount(o.leafCount.GetValue()) {
  params.size = o.params.size.GetValue();
  params.speed = o.params.speed.GetValue();
  params.sway = o.params.sway.GetValue();
  params.swayRate = o.params.swayRate.GetValue();
  params.spin = o.params.spin.GetValue();
  params.angle = o.params.angle;
  params.driftAxis = o.params.driftAxis;
  params.swayAxis = o.params.swayAxis;
}

void DS_3D_in_2D_array_Constructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_3D_in_2D_array_Constructor", kVersion);
  DS_IOF_Virtual* s = *stream;
  s->WriteString(name);
  s->WriteUInt(leafCount.GetValue());
  s->WriteResourceRecord(meshRecord);
  s->WriteResourceRecord(textureRecord);
  s->WriteUInt(params.size.GetValue());
  s->WriteUInt(params.speed.GetValue());
  s->WriteUInt(params.sway.GetValue());
  s->WriteUInt(params.swayRate.GetValue());
  s->WriteUInt(params.spin.GetValue());
  s->WriteUInt(params.angle);
  SaveBase(stream);
}

DS_3D_in_2D_array_Constructor* DS_3D_in_2D_array_Constructor::CreateAndRead(DS_IOF_Virtual** stream,
                                                                            DWORD /*version*/) {
  std::unique_ptr<DS_3D_in_2D_array_Constructor> item(new DS_3D_in_2D_array_Constructor);
  item->ReadFields(stream);
  return item.release();
}

void DS_3D_in_2D_array_Constructor::ReadFields(DS_IOF_Virtual** stream) {
  DS_IOF_Virtual* s = *stream;
  // The name is stored here and again in the base section, which is read last and wins.
  s->ReadString(&name);
  s->ReadUInt(&leafCount.Raw());
  s->ReadResourceRecord(&meshRecord);
  s->ReadResourceRecord(&textureRecord);
  s->ReadUInt(&params.size.Raw());
  s->ReadUInt(&params.speed.Raw());
  s->ReadUInt(&params.sway.Raw());
  s->ReadUInt(&params.swayRate.Raw());
  s->ReadUInt(&params.spin.Raw());
  UINT angle = 0;
  s->ReadUInt(&angle);
  params.SetOrientation(angle);
  ReadBase(stream);
}

DS_ABObj* DS_3D_in_2D_array_Constructor::CreateRenderObject() {
  return new DS_3D_in_2D_array(new DS_3D_in_2D_array_Constructor(*this));
}

// ---- leaf animations

namespace {
float PictureWidth() { return static_cast<float>(GetScreenMapping()->pictureWidth); }
float PictureHeight() { return static_cast<float>(GetScreenMapping()->pictureHeight); }
bool Odd(int r) { return (r & 1) != 0; }
}  // namespace

DS_SreamAnim::DS_SreamAnim(LeafFallParams* params) : params(params) {
  const float x = RandomFloat(0.0f, PictureWidth());
  const float y = RandomFloat(0.0f, PictureHeight());
  swayFactor = RandomFloat(-1.0f, 1.0f);
  speedFactor = RandomFloat(0.07f, 0.13f);
  D3DXMatrixTranslation(&position, x, y, 0.0f);
}

void DS_SreamAnim::Animate(DS_Frame*) {
  dt = static_cast<float>(std::min(std::fabs(g_LeafTime - lastStep), 0.2));
  lastStep = g_LeafTime;
  if (!params) return;

  const float w = PictureWidth();
  const float h = PictureHeight();
  const float half = static_cast<float>(params->size.GetValue()) * 0.5f;
  const float speed = static_cast<float>(params->speed.GetValue());
  const float j = swayFactor * static_cast<float>(params->sway.GetValue()) * 0.02f;
  const float vx = params->driftAxis.x + j * params->swayAxis.x;
  const float vy = params->driftAxis.y + j * params->swayAxis.y;
  const float f = dt * speedFactor * speed * 50.0f;
  const float dx = f * vx;
  const float dy = f * vy;

  float& x = position._41;
  float& y = position._42;
  // Re-entry at the opposite edge replaces the step; the first matching case only.
  if (dy > 0 && y > h + half) {
    x = RandomFloat(0.0f, w);
    y = -half;
  } else if (dy < 0 && y < -half) {
    x = RandomFloat(0.0f, w);
    y = h + half;
  } else if (dx > 0 && x > w + half) {
    x = -half;
    y = RandomFloat(0.0f, h);
  } else if (dx < 0 && x < -half) {
    x = w + half;
    y = RandomFloat(0.0f, h);
  } else {
    x += dx;
    y += dy;
  }

  // A sway rate of 0 never changes the sway; the bound is computed in float, never as an integer division.
  const UINT rate = params->swayRate.GetValue();
  if (rate != 0 && static_cast<float>(g_LeafTime - lastSwayChange) * speed * 0.1f > 100.0f / static_cast<float>(rate)) {
    lastSwayChange = g_LeafTime;
    if (Odd(CrtRand())) swayFactor = RandomFloat(-1.0f, 1.0f);
  }
}

DS_LeafFallAnim::DS_LeafFallAnim(LeafFallParams* params) : DS_SreamAnim(params) {
  for (int i = 0; i < 3; ++i) {
    const float s = Odd(CrtRand()) ? -1.0f : 1.0f;
    const float m = RandomFloat(7.0f, 10.0f);
    turns[i].rate = turns[i].angle = s * m;
  }
  // Each swing is absent for about half of the leaves.
  for (int i = 3; i < 5; ++i) {
    const float z = Odd(CrtRand()) ? 1.0f : 0.0f;
    const float s = Odd(CrtRand()) ? -1.0f : 1.0f;
    const float m = RandomFloat(3.0f, 7.0f);
    turns[i].rate = turns[i].angle = z * s * m;
  }
}

float LeafScale(UINT size, float radius) {
  if (!(radius > 0.0f) || !std::isfinite(radius)) return 0.0f;
  return static_cast<float>(size) * 0.5f / radius;
}

void DS_LeafFallAnim::Animate(DS_Frame* frame) {
  DS_SreamAnim::Animate(frame);
  const float b = params ? LeafScale(params->size.GetValue(), frame->radius) : 0.0f;
  const float spin = params ? static_cast<float>(params->spin.GetValue()) : 0.0f;
  const float sway = params ? static_cast<float>(params->sway.GetValue()) : 0.0f;
  for (int i = 0; i < 3; ++i) turns[i].angle += turns[i].rate * dt * spin * 0.4f;
  for (int i = 3; i < 5; ++i) turns[i].angle += turns[i].rate * dt * sway * 0.4f;

  D3DXMATRIX scale, rx0, rz2, ry1, out, ry3, rx4;
  D3DXMatrixScaling(&scale, b, b, b);
  float a[5];
  for (int i = 0; i < 5; ++i) a[i] = ReducedFloat(turns[i].angle, 360.0);
  D3DXMatrixRotationX(&rx0, DegToRad(a[0]));
  D3DXMatrixRotationZ(&rz2, DegToRad(a[2]));
  D3DXMatrixRotationY(&ry1, DegToRad(a[1]));
  D3DXMatrixTranslation(&out, 0.0f, 0.0f, 50.0f);
  D3DXMatrixRotationY(&ry3, DegToRad(a[3]));
  D3DXMatrixRotationX(&rx4, DegToRad(a[4]));
  frame->world = frame->local * (scale * rx0 * rz2 * ry1 * out * ry3 * rx4 * position);
}

// ---- the render object

void LoadLeafMesh(TexturedMesh<DX_V::PNT>& node, const DocResourceRecord& mesh, const DocResourceRecord& texture) {
  RenderDevice& device = GetRenderDevice();
  TextureInfo picture = device.GetTexture(texture);
  node.SetTexture(picture.texture);
  MeshData data;
  device.GetMesh(mesh, static_cast<int>(sizeof(DX_V::PNT)), &data);
  node.ShareBuffers(data.vertexBuffer, data.indexBuffer, data.vertexCount > 0 ? static_cast<UINT>(data.vertexCount) : 0,
                    data.faceCount > 0 ? static_cast<UINT>(data.faceCount) : 0);
  node.radius = data.radius;
  node.centerX = data.centre[0];
  node.centerY = data.centre[1];
  node.centerZ = data.centre[2];
}

DS_3D_in_2D_array::DS_3D_in_2D_array(DS_3D_in_2D_array_Constructor* copy) : DS_ABObj(copy), leaves(copy) {
  node.blended = 1;
  if (!leaves) return;
  LoadLeafMesh(node, leaves->meshRecord, leaves->textureRecord);
  SyncInstances();
}

void DS_3D_in_2D_array::ReleasePictures() {
  if (!leaves || !node.texture) return;
  node.texture.Reset();
  GetRenderDevice().ReleaseTexture(leaves->textureRecord);
  pictureReleased_ = true;
}

void DS_3D_in_2D_array::RemakePictures() {
  if (!pictureReleased_) return;
  pictureReleased_ = false;
  node.SetTexture(GetRenderDevice().GetTexture(leaves->textureRecord).texture);
}

DS_3D_in_2D_array::~DS_3D_in_2D_array() {
  DeleteFrames(node.children.data(), node.children.data() + node.children.size());
  node.children.clear();
}

void DS_3D_in_2D_array::AddLeafFrame() {
  DS_Frame* leaf = new DS_Frame;
  leaf->radius = node.radius;
  leaf->centerX = node.centerX;
  leaf->centerY = node.centerY;
  leaf->centerZ = node.centerZ;
  leaf->SetAnimation(new DS_LeafFallAnim(&leaves->params));
  // The leaf turns about its own centre.
  D3DXMatrixTranslation(&leaf->local, -node.centerX, -node.centerY, -node.centerZ);
  node.children.push_back(leaf);
}

void DS_3D_in_2D_array::SyncInstances() {
  const size_t n = leaves->leafCount.GetValue();
  while (node.children.size() < n) AddLeafFrame();
  while (node.children.size() > n) {
    DS_Frame* first = node.children.front();
    node.children.erase(node.children.begin());
    first->DestroyWithChildren();
    delete first;
  }
}

void DS_3D_in_2D_array::Render(DS_ABRender* renderer) {
  if (renderer) renderer->DrawTwoSidedMesh(&node);
}

void DS_3D_in_2D_array::Update(double t) {
  g_LeafTime = t;
  node.world = node.local;
  for (DS_Frame* leaf : node.children)
    if (leaf) leaf->UpdateTransform(&node.world);
}

void RegisterLeavesReader() {
  RegisterClassReader<DS_3D_in_2D_array_Constructor, DS_ABObj_Constructor>(GetConstructorReaderRegistry(),
                                                                           u"DS_3D_in_2D_array_Constructor");
}
