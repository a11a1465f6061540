// Scaled parameters (a stored unsigned integer with a derived value offset + scale * value) and the
// compound parameters: a rectangle of four undoable edges with a centre point, and a quad of four corners.
#pragma once

#include "platform/types.h"
#include "platform/x86_convert.h"
#include "scene/media_param.h"

class DS_IOF_Virtual;

namespace scaled_detail {
// result = value * scale + offset in float; the byte form keeps the low 8 bits of the truncated sum.
template <class T>
inline T Derive(UINT value, float scale, float offset);
template <>
inline float Derive<float>(UINT value, float scale, float offset) {
  return static_cast<float>(value) * scale + offset;
}
template <>
inline unsigned char Derive<unsigned char>(UINT value, float scale, float offset) {
  const float sum = static_cast<float>(value) * scale + offset;
  return TruncToByte(sum);
}
}  // namespace scaled_detail

// An unsigned-int parameter that watches itself and keeps result = offset + scale * value.
// Its self-observer is its second observer, after the undo control.
template <class T>
class UINTSclaleTo : public MediaParamT<UINT>, public MediaControlT<MediaParamT<UINT>> {
 public:
  UINTSclaleTo() {
    AttachTo(this);
    OnChanged(nullptr);
  }
  // Scale and offset copied, the value copied and announced so that the snapshot and result follow.
  UINTSclaleTo(const UINTSclaleTo& o) : MediaParamT<UINT>(), scale_(o.scale_), offset_(o.offset_) {
    AttachTo(this);
    this->value_ = o.value_;
    NotifyChanged(nullptr);
  }
  // Scale, offset and value; only this parameter's own observers (undo, result) follow.
  UINTSclaleTo& operator=(const UINTSclaleTo& o) {
    scale_ = o.scale_;
    offset_ = o.offset_;
    MediaParamT<UINT>::operator=(static_cast<const MediaParamT<UINT>&>(o));
    OnChanged(nullptr);
    return *this;
  }
  ~UINTSclaleTo() override { Unhook(); }

  void OnChanged(MediaControl*) override { result_ = scaled_detail::Derive<T>(this->value_, scale_, offset_); }

  // Sets scale and offset and recomputes the result (no one else is told).
  void SetScaling(float scale, float offset) {
    scale_ = scale;
    offset_ = offset;
    OnChanged(nullptr);
  }
  T GetResult() const { return result_; }
  float GetScale() const { return scale_; }
  float GetOffset() const { return offset_; }

 private:
  T result_ = T();
  float scale_ = 1.0f;
  float offset_ = 0.0f;
};

// The float form used for drift parameters; the value is the owner's to assign.
template <class V>
class MediaFloat : public UINTSclaleTo<float> {
  static_assert(sizeof(V) == 4, "an unsigned 32-bit value");
};

// A speed that integrates application time into a position. Time and position are kept in double so that
// a frame still moves the position after weeks of running; users narrow the position to float only where
// they hand it on, reduced by the period of what it drives.
class MediaSpeedParam : public UINTSclaleTo<float> {
 public:
  MediaSpeedParam() = default;
  MediaSpeedParam(const MediaSpeedParam& o) = default;
  MediaSpeedParam& operator=(const MediaSpeedParam& o) = default;

  // position += min(t - last, 0.2) * speed; no step when time went backwards.
  void Advance(double t);

  double GetDelta() const { return delta_; }
  double GetPosition() const { return position_; }
  double GetLast() const { return last_; }
  void SetPosition(double p) { position_ = p; }
  // Step, position and last time of another clock; value and scaling stay.
  void CopyState(const MediaSpeedParam& o) {
    delta_ = o.delta_;
    position_ = o.position_;
    last_ = o.last_;
  }

 private:
  double delta_ = 0.0;
  double position_ = 0.0;
  double last_ = 0.0;
};

// A rectangle in picture pixels (y down) as four undoable edges, plus a centre point.
class MediaRectangle : public MediaParam {
 public:
  MediaParamT<int> left, right, top, bottom;
  MediaParamTB<int> centreX, centreY;

  MediaRectangle();
  MediaRectangle(const MediaRectangle& o);
  MediaRectangle& operator=(const MediaRectangle& o);

  // Six ints: left, right, top, bottom, centre x, centre y; read without notification.
  void Read(DS_IOF_Virtual** stream);
  void Write(DS_IOF_Virtual** stream) const;

  // Whether a window point lies inside the rectangle, edges included, once mapped into picture pixels.
  bool HitTest(float x, float y) const;
};

// Four 3D corners.
class MediaQuad : public MediaParam {
 public:
  MediaParamTB<D3DXVECTOR3> corners[4];

  MediaQuad();

  // Twelve floats: corner 1 x, y, z ... corner 4 x, y, z; read without notification.
  void Read(DS_IOF_Virtual** stream);
  void Write(DS_IOF_Virtual** stream) const;
};
