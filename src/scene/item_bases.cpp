#include "scene/item_bases.h"

#include <algorithm>
#include <cmath>

#include "platform/noise.h"
#include "platform/x86_convert.h"
#include "scene/particle.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"

namespace {

float PictureWidth() { return static_cast<float>(GetScreenMapping()->pictureWidth); }
float PictureHeight() { return static_cast<float>(GetScreenMapping()->pictureHeight); }
bool PicturePlaced() { return GetScreenMapping()->pictureWidth != 0 && GetScreenMapping()->pictureHeight != 0; }

// A stored fraction may be anything; out-of-range products give the x86 integer indefinite.
void SetEdge(MediaParamT<int>& edge, float fraction, float size) { edge.Change(TruncToInt32(fraction * size)); }

}  // namespace

void DS_ABObj_Constructor::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_ABObj_Constructor", 1);
  (*stream)->WriteString(name);
}

void DS_ABObj_Constructor::ReadBase(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  (*stream)->ReadString(&name);
}

DS_ABObj_Constructor* DS_ABObj_Constructor::CreateFromStream(DS_IOF_Virtual** stream) {
  return CreateFromRegistry(GetConstructorReaderRegistry(), stream);
}

DS_ViewObjCtrl::DS_ViewObjCtrl() {
  speed = 50;
  BindRectListeners();
}

DS_ViewObjCtrl::DS_ViewObjCtrl(const DS_ViewObjCtrl& o)
    : DS_ABObj_Constructor(o), speed(o.speed), flag(o.flag), x0(o.x0), x1(o.x1), y0(o.y0), y1(o.y1) {
  BindRectListeners();
}

DS_ViewObjCtrl::~DS_ViewObjCtrl() {
  // The edge observers first: they unhook themselves from the edges, which still exist.
  holder_.Clear();
}

ScreenQuad* DS_ViewObjCtrl::GetQuad(ScreenQuad* out) const {
  ScreenQuad::Init(*out);
  ScreenQuad::SetRect(*out, GetLeftPx(), GetTopPx(), GetRightPx(), GetBottomPx());
  return out;
}

void DS_ViewObjCtrl::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_ViewObjCtrl", 2);
  SaveFields(stream);
}

void DS_ViewObjCtrl::SaveFields(DS_IOF_Virtual** stream) const {
  rectangle.Write(stream);
  DS_IOF_Virtual* s = *stream;
  s->WriteFloat(x0);
  s->WriteFloat(x1);
  s->WriteFloat(y0);
  s->WriteFloat(y1);
  s->WriteBool(flag);
  s->WriteUInt(speed.GetValue());
  DS_ABObj_Constructor::SaveBase(stream);
}

void DS_ViewObjCtrl::ReadBase(DS_IOF_Virtual** stream) { ReadFields(stream, ReadSectionHeader(stream)); }

void DS_ViewObjCtrl::ReadFields(DS_IOF_Virtual** stream, DWORD version) {
  rectangle.Read(stream);
  DS_IOF_Virtual* s = *stream;
  s->ReadFloat(&x0);
  s->ReadFloat(&x1);
  s->ReadFloat(&y0);
  s->ReadFloat(&y1);
  s->ReadBool(&flag);
  if (version > 1) s->ReadUInt(&speed.Raw());
  DS_ABObj_Constructor::ReadBase(stream);
}

float DS_ViewObjCtrl::GetLeftPx() const { return x0 * PictureWidth(); }
float DS_ViewObjCtrl::GetRightPx() const { return x1 * PictureWidth(); }
float DS_ViewObjCtrl::GetTopPx() const { return y0 * PictureHeight(); }
float DS_ViewObjCtrl::GetBottomPx() const { return y1 * PictureHeight(); }

D3DXVECTOR3* DS_ViewObjCtrl::RandomPoint(D3DXVECTOR3* out) const {
  return RandomInsetPoint(0.0f, 0.0f, out);
}

D3DXVECTOR3* DS_ViewObjCtrl::RandomInsetPoint(float hw, float hh, D3DXVECTOR3* out) const {
  out->x = RandomFloat(GetLeftPx() + hw, GetRightPx() - hw);
  out->y = RandomFloat(GetTopPx() + hh, GetBottomPx() - hh);
  out->z = 0.0f;
  return out;
}

D3DXVECTOR3* DS_ViewObjCtrl::RandomInsetPoint(const Particle& p, D3DXVECTOR3* out) const {
  return RandomInsetPoint(p.halfWidth, p.halfHeight, out);
}

void DS_ViewObjCtrl::Advance(double t) {
  // The step is short: float from here on, as the particles' motion multiplies it in float.
  const float step = static_cast<float>(std::min(std::fabs(t - last_), 0.2));
  delta = step * static_cast<float>(speed.GetValue()) * 0.02f;
  clock += delta;
  last_ = t;
}

void DS_ViewObjCtrl::UpdatePixelParams() {
  SetEdge(rectangle.left, x0, PictureWidth());
  SetEdge(rectangle.right, x1, PictureWidth());
  SetEdge(rectangle.top, y0, PictureHeight());
  SetEdge(rectangle.bottom, y1, PictureHeight());
}

void DS_ViewObjCtrl::BindRectListeners() {
  UpdatePixelParams();
  holder_.SetOwner(this, false);
  BindEdgeListener(rectangle.left, &DS_ViewObjCtrl::OnLeftChanged);
  BindEdgeListener(rectangle.right, &DS_ViewObjCtrl::OnRightChanged);
  BindEdgeListener(rectangle.top, &DS_ViewObjCtrl::OnTopChanged);
  BindEdgeListener(rectangle.bottom, &DS_ViewObjCtrl::OnBottomChanged);
}

void DS_ViewObjCtrl::BindEdgeListener(MediaParamT<int>& edge, void (DS_ViewObjCtrl::*fn)(int)) {
  holder_.Bind(edge, fn);
}

void DS_ViewObjCtrl::OnLeftChanged(int e) {
  if (PicturePlaced()) x0 = static_cast<float>(e) / PictureWidth();
}
void DS_ViewObjCtrl::OnRightChanged(int e) {
  if (PicturePlaced()) x1 = static_cast<float>(e) / PictureWidth();
}
void DS_ViewObjCtrl::OnTopChanged(int e) {
  if (PicturePlaced()) y0 = static_cast<float>(e) / PictureHeight();
}
void DS_ViewObjCtrl::OnBottomChanged(int e) {
  if (PicturePlaced()) y1 = static_cast<float>(e) / PictureHeight();
}
