#include "objects3d/clock.h"

#include <ctime>
#include <memory>

#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"

// ---- local time

bool ReadLocalTime(ClockTime* out) {
  struct tm parts = {};
#ifdef _WIN32
  const __time64_t now = _time64(nullptr);
  if (now == -1 || _localtime64_s(&parts, &now) != 0) return false;
#else
  const time_t now = time(nullptr);
  if (now == static_cast<time_t>(-1) || !localtime_r(&now, &parts)) return false;
#endif
  out->hour = parts.tm_hour;
  out->minute = parts.tm_min;
  out->second = parts.tm_sec;
  return true;
}

namespace {
LocalTimeSource g_localTimeSource = &ReadLocalTime;
}

void SetLocalTimeSource(LocalTimeSource source) { g_localTimeSource = source ? source : &ReadLocalTime; }
LocalTimeSource GetLocalTimeSource() { return g_localTimeSource; }

float HourHandAngle(const ClockTime& time) {
  return (static_cast<float>(time.hour % 12) + static_cast<float>(time.minute) / 60.0f) * 30.0f;
}

float MinuteHandAngle(const ClockTime& time) {
  return (static_cast<float>(time.minute) + static_cast<float>(time.second) / 60.0f) * 6.0f;
}

// ---- the item

DS_ClockConstructor::DS_ClockConstructor() : handsTexture(72, kBaseKitModule) {
  mesh = DS_MeshFile(70, kBaseKitModule);
  texture = DS_ImageFileLink(71, kBaseKitModule);
  size = 400u;
  const ScreenMapping* mapping = GetScreenMapping();
  rect.centreX.Raw() = mapping->pictureWidth / 2;
  rect.centreY.Raw() = mapping->pictureHeight / 2;
  holder_.SetOwner(this, false);
  BindFaceListener();
}

DS_ClockConstructor::DS_ClockConstructor(const DS_ClockConstructor& o)
    : DS_3D_Obj_Ctrl(o), rect(o.rect), handsTexture(o.handsTexture) {
  size = o.size.GetValue();
  holder_.SetOwner(this, false);
  BindFaceListener();
}

void DS_ClockConstructor::BindFaceListener() { holder_.Bind(texture, &DS_ClockConstructor::OnFaceImageChanged); }

void DS_ClockConstructor::OnFaceImageChanged() {
  if (!parts_ || parts_->empty()) return;
  MeshPart::Load(texture, &(*parts_)[0], mesh);
}

void DS_ClockConstructor::Save(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_ClockConstructor", kVersion);
  rect.Write(stream);
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(handsTexture);
  WriteFileLink(stream, handsTexture);
  DS_3D_Obj_Ctrl::SaveBase(stream);
}

DS_ClockConstructor* DS_ClockConstructor::CreateAndRead(DS_IOF_Virtual** stream, DWORD /*version*/) {
  std::unique_ptr<DS_ClockConstructor> item(new DS_ClockConstructor);
  item->ReadFields(stream);
  return item.release();
}

void DS_ClockConstructor::ReadFields(DS_IOF_Virtual** stream) {
  rect.Read(stream);
  ReadFileLink(stream, &handsTexture);
  DS_3D_Obj_Ctrl::ReadBase(stream);
}

ScreenQuad* DS_ClockConstructor::GetQuad(ScreenQuad* out) const {
  ScreenQuad::Init(*out);
  ScreenQuad::SetRect(*out, static_cast<float>(rect.left.GetValue()), static_cast<float>(rect.top.GetValue()),
                      static_cast<float>(rect.right.GetValue()), static_cast<float>(rect.bottom.GetValue()));
  return out;
}

void DS_ClockConstructor::BuildMeshParts(std::vector<MeshPart>& parts) {
  parts.clear();
  parts.resize(2);
  MeshPart::Load(texture, &parts[0], mesh);
  MeshPart::Load(handsTexture, &parts[1], mesh);
  parts[0].blended = 1;
  parts[1].blended = 1;
  parts_ = &parts;
}

void DS_ClockConstructor::AttachInstances(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts) {
  AttachRootsAndChildren(instances, parts);
}

DS_Frame* DS_ClockConstructor::CreateFrameTree() {
  D3DXMATRIX s, r, t;
  std::unique_ptr<DS_Frame> root(new DS_Frame);
  D3DXMatrixScaling(&s, 0.01f, 0.01f, 0.01f);
  D3DXMatrixRotationX(&r, D3DX_PI / 2);
  root->local = s * r;
  root->SetAnimation(new AC_Static(this));

  DS_Frame* hour = new DS_Frame;
  D3DXMatrixScaling(&s, 0.01f, 1.0f, 0.3f);
  D3DXMatrixTranslation(&t, 0.0f, 0.0f, 10.0f);
  hour->local = s * t;
  hour->SetAnimation(new AC_ClockArrow(true));
  root->children.push_back(hour);

  DS_Frame* minute = new DS_Frame;
  D3DXMatrixScaling(&s, 0.01f, 1.0f, 0.38f);
  D3DXMatrixTranslation(&t, 0.0f, 0.0f, 13.0f);
  minute->local = s * t;
  minute->SetAnimation(new AC_ClockArrow(false));
  root->children.push_back(minute);
  return root.release();
}

// ---- animations

AC_Static::AC_Static(DS_ClockConstructor* item) : item(item) {
  D3DXMatrixIdentity(&scale);
  D3DXMatrixIdentity(&translation);
  if (!item) return;
  D3DXMatrixTranslation(&translation, static_cast<float>(item->rect.centreX.GetValue()),
                        static_cast<float>(item->rect.centreY.GetValue()), 0.0f);
  holder_.SetOwner(this, false);
  holder_.Bind(item->size, &AC_Static::OnSizeChanged);
  holder_.Bind(item->rect, &AC_Static::OnRectChanged);
}

void AC_Static::SetEdges(int size) {
  MediaRectangle& r = item->rect;
  const int h = size / 2;
  const int cx = r.centreX.GetValue();
  const int cy = r.centreY.GetValue();
  r.left = cx - h;
  r.right = cx + h;
  r.top = cy - h;
  r.bottom = cy + h;
}

void AC_Static::OnSizeChanged(UINT size) {
  if (!item) return;
  SetEdges(static_cast<int>(size));
  const float s = static_cast<float>(size);
  D3DXMatrixScaling(&scale, s, s, s);
}

void AC_Static::OnRectChanged() {
  if (!item) return;
  SetEdges(static_cast<int>(item->size.GetValue()));
  D3DXMatrixTranslation(&translation, static_cast<float>(item->rect.centreX.GetValue()),
                        static_cast<float>(item->rect.centreY.GetValue()), 0.0f);
}

void AC_Static::Animate(DS_Frame* frame) { frame->world = scale * frame->local * translation; }

void AC_ClockArrow::Animate(DS_Frame* frame) {
  ClockTime now;
  if (GetLocalTimeSource()(&now)) angle = hourHand ? HourHandAngle(now) : MinuteHandAngle(now);
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, DegToRad(angle));
  frame->world = frame->local * turn;
}

void RegisterClockReader() {
  RegisterClassReader<DS_ClockConstructor, DS_ABObj_Constructor>(GetConstructorReaderRegistry(),
                                                                 u"DS_ClockConstructor");
}
