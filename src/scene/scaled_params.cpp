#include "scene/scaled_params.h"

#include "scene/screen_mapping.h"
#include "scene/stream.h"

void MediaSpeedParam::Advance(double t) {
  if (last_ > t) last_ = t;
  double step = t - last_;
  if (step > 0.2) step = 0.2;
  delta_ = static_cast<double>(GetResult()) * step;
  position_ += delta_;
  last_ = t;
}

MediaRectangle::MediaRectangle() {
  left = 0;
  right = 0;
  top = 0;
  bottom = 0;
  centreX.Raw() = 0;
  centreY.Raw() = 0;
}

MediaRectangle::MediaRectangle(const MediaRectangle& o)
    : MediaParam(),
      left(o.left),
      right(o.right),
      top(o.top),
      bottom(o.bottom),
      centreX(o.centreX),
      centreY(o.centreY) {}

MediaRectangle& MediaRectangle::operator=(const MediaRectangle& o) {
  left = o.left;
  right = o.right;
  top = o.top;
  bottom = o.bottom;
  centreX = o.centreX;
  centreY = o.centreY;
  return *this;
}

void MediaRectangle::Read(DS_IOF_Virtual** stream) {
  DS_IOF_Virtual* s = *stream;
  s->ReadInt(&left.Raw());
  s->ReadInt(&right.Raw());
  s->ReadInt(&top.Raw());
  s->ReadInt(&bottom.Raw());
  s->ReadInt(&centreX.Raw());
  s->ReadInt(&centreY.Raw());
}

void MediaRectangle::Write(DS_IOF_Virtual** stream) const {
  DS_IOF_Virtual* s = *stream;
  s->WriteInt(left.GetValue());
  s->WriteInt(right.GetValue());
  s->WriteInt(top.GetValue());
  s->WriteInt(bottom.GetValue());
  s->WriteInt(centreX.GetValue());
  s->WriteInt(centreY.GetValue());
}

bool MediaRectangle::HitTest(float x, float y) const {
  const ScreenMapping* m = GetScreenMapping();
  const D3DXVECTOR3 p = MapScreenPointToPicture(m, x * m->scaleX, y * m->scaleY, 0.0f);
  return static_cast<float>(left.GetValue()) <= p.x && p.x <= static_cast<float>(right.GetValue()) &&
         static_cast<float>(top.GetValue()) <= p.y && p.y <= static_cast<float>(bottom.GetValue());
}

MediaQuad::MediaQuad() {
  for (auto& c : corners) c.Raw() = D3DXVECTOR3(0, 0, 0);
}

void MediaQuad::Read(DS_IOF_Virtual** stream) {
  DS_IOF_Virtual* s = *stream;
  for (auto& c : corners) {
    s->ReadFloat(&c.Raw().x);
    s->ReadFloat(&c.Raw().y);
    s->ReadFloat(&c.Raw().z);
  }
}

void MediaQuad::Write(DS_IOF_Virtual** stream) const {
  DS_IOF_Virtual* s = *stream;
  for (const auto& c : corners) {
    s->WriteFloat(c.GetValue().x);
    s->WriteFloat(c.GetValue().y);
    s->WriteFloat(c.GetValue().z);
  }
}
