// The clock: an analogue clock face with hour and minute hands that show the computer's local time. Each
// instance is a root frame (the face, animated by AC_Static from the item's size and centre) with two hand
// frames animated by AC_ClockArrow; the hands are the face mesh squeezed into bars.
#pragma once

#include "objects3d/object_array.h"
#include "scene/scaled_params.h"

// A local time of day.
struct ClockTime {
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59 (60 on a leap second)
};

// Where the hands read the local time: fills *out and returns true, or returns false when the time
// cannot be converted. The default reads the C run-time's local time.
typedef bool (*LocalTimeSource)(ClockTime* out);
bool ReadLocalTime(ClockTime* out);
// Tests put a source of their own in; null restores the default.
void SetLocalTimeSource(LocalTimeSource source);
LocalTimeSource GetLocalTimeSource();

// Hand angles in degrees clockwise from twelve: hour (hour mod 12 + minute / 60) * 30, minute
// (minute + second / 60) * 6.
float HourHandAngle(const ClockTime& time);
float MinuteHandAngle(const ClockTime& time);

class DS_ClockConstructor : public DS_3D_Obj_Ctrl {
 public:
  static const DWORD kVersion = 1;

  // Picture pixels: the centre places the clock, the edges follow from centre and size.
  MediaRectangle rect;
  DS_ImageFileLink handsTexture;

  // Face mesh 70 (also the hands), face texture 71, hands texture 72 of the resource module; size 400
  // pixels; centred on the current picture.
  DS_ClockConstructor();
  DS_ClockConstructor(const DS_ClockConstructor& o);
  ~DS_ClockConstructor() override {}

  void Save(DS_IOF_Virtual** stream) override;
  static DS_ClockConstructor* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  void ReadFields(DS_IOF_Virtual** stream);

  ScreenQuad* GetQuad(ScreenQuad* out) const override;
  bool HitTest(float x, float y) const override { return rect.HitTest(x, y); }
  // Part 0: the face; part 1: the hands; both blended from both sides. Remembers the parts.
  void BuildMeshParts(std::vector<MeshPart>& parts) override;
  // Part 1 draws at every hand frame, part 0 at every root.
  void AttachInstances(std::list<DS_Frame*>& instances, std::vector<MeshPart>& parts) override;
  DS_Frame* CreateFrameTree() override;
  int GetMarkerMode(int mode) override { return 1; }
  DS_3D_Obj_Ctrl* Clone() const override { return new DS_ClockConstructor(*this); }

  // A new face picture reloads the face part once parts exist.
  void OnFaceImageChanged();

 private:
  void BindFaceListener();

  std::vector<MeshPart>* parts_ = nullptr;  // the render object's, once built
  ListenerHolder holder_;
};

// The face: scaled by the item's size and moved to its centre; keeps the item's edges around the centre.
class AC_Static : public DS_AnimationBase {
 public:
  explicit AC_Static(DS_ClockConstructor* item);
  // world = scale x local x translation.
  void Animate(DS_Frame* frame) override;
  // Edges = centre -/+ size / 2 (undo snapshots refreshed, nobody notified); scale = size.
  void OnSizeChanged(UINT size);
  // The edges again from the centre; translation = the centre.
  void OnRectChanged();

  DS_ClockConstructor* item;  // not owned
  D3DXMATRIX scale;
  D3DXMATRIX translation;

 private:
  void SetEdges(int size);
  ListenerHolder holder_;
};

// A hand: world = local x RotationY(angle). When the local time cannot be read it keeps the last angle
// it showed, so the frame never goes unwritten.
class AC_ClockArrow : public DS_AnimationBase {
 public:
  explicit AC_ClockArrow(bool hourHand) : hourHand(hourHand) {}
  void Animate(DS_Frame* frame) override;

  bool hourHand;
  float angle = 0.0f;  // the last angle shown, degrees
};

void RegisterClockReader();
