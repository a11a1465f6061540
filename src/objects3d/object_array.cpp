#include "objects3d/object_array.h"

#include "render/ab_render.h"
#include "render/quad_builders.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/stream.h"

const char16_t kBaseKitModule[] = u"basekit.dll";

DS_3D_Obj_Ctrl::DS_3D_Obj_Ctrl() : count(1u), size(50u) {}

DS_3D_Obj_Ctrl::DS_3D_Obj_Ctrl(const DS_3D_Obj_Ctrl& o)
    : DS_ViewObjCtrl(o), count(o.count.GetValue()), size(o.size.GetValue()), texture(o.texture), mesh(o.mesh) {}

DS_ABObj* DS_3D_Obj_Ctrl::CreateRenderObject() { return new DS_3DObjArray(Clone()); }

void DS_3D_Obj_Ctrl::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_3D_Obj_Ctrl", 1);
  (*stream)->WriteUInt(count.GetValue());
  (*stream)->WriteUInt(size.GetValue());
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(texture);
  WriteFileLink(stream, texture);
  WriteFileLink(stream, mesh);
  DS_ViewObjCtrl::SaveBase(stream);
}

void DS_3D_Obj_Ctrl::ReadBase(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  (*stream)->ReadUInt(&count.Raw());
  (*stream)->ReadUInt(&size.Raw());
  ReadFileLink(stream, &texture);
  ReadFileLink(stream, &mesh);
  DS_ViewObjCtrl::ReadBase(stream);
}

void DS_3D_Obj_Ctrl::AttachRootsAndChildren(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts) {
  if (parts.size() < 2) return;
  parts[0].instances.clear();
  parts[1].instances.clear();
  for (DS_Frame* root : instances) {
    if (!root) continue;
    for (DS_Frame* child : root->children) parts[1].instances.push_back(child);
    parts[0].instances.push_back(root);
  }
}

void DestroyInstance(DS_Frame* root) {
  if (!root) return;
  root->DestroyWithChildren();
  delete root;
}

DS_3DObjArray::DS_3DObjArray(DS_3D_Obj_Ctrl* clone) : DS_ABObj(clone), obj(clone) {
  if (!obj) return;
  obj->BuildMeshParts(parts);
  holder_.SetOwner(this, false);
  holder_.Bind(obj->count, &DS_3DObjArray::SetInstanceCount);
}

DS_3DObjArray::~DS_3DObjArray() {
  for (DS_Frame* root : instances) DestroyInstance(root);
  instances.clear();
  holder_.Clear();
  parts.clear();
  // The clone goes with the base.
}

void DS_3DObjArray::SetInstanceCount(UINT n) {
  if (!obj) return;
  while (instances.size() < n) instances.push_back(obj->CreateFrameTree());
  while (instances.size() > n) {
    DestroyInstance(instances.front());
    instances.pop_front();
  }
  obj->AttachInstances(instances, parts);
}

void DS_3DObjArray::ReleasePictures() {
  for (MeshPart& part : parts)
    if (ReleaseHeldPicture(part.texture, part.imageLink)) picturesReleased_ = true;
}

void DS_3DObjArray::RemakePictures() {
  if (!picturesReleased_) return;
  picturesReleased_ = false;
  for (MeshPart& part : parts)
    if (!part.texture) part.LoadTexture();
}

void DS_3DObjArray::Render(DS_ABRender* renderer) {
  if (!renderer) return;
  for (MeshPart& part : parts) renderer->DrawMeshPart(&part);
}

void DS_3DObjArray::DrawMarkers(DS_ABRender* renderer, int mode) {
  if (!renderer || !obj) return;
  ScreenQuad quad;
  obj->GetQuad(&ScreenQuad::Init(quad));
  DS_SimpleMesh<DX_V::PC> markers;
  if (FAILED(BuildColorQuad(markers, 0x88000000, quad))) return;
  renderer->DrawMarkerSprites(&markers, obj->GetMarkerMode(mode), false);
}

void DS_3DObjArray::Update(double t) {
  if (!obj) return;
  obj->Advance(t);
  for (DS_Frame* root : instances)
    if (root) root->UpdateTransform(nullptr);
}

bool DS_3DObjArray::HitTest(const POINT& point) {
  return obj && obj->HitTest(static_cast<float>(point.x), static_cast<float>(point.y));
}
