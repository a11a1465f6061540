// Camera shake: the picture of a slide zoomed in by a constant factor while the fixed point of the zoom
// drifts between random targets, easing in and out of each move and resting now and then. The camera's
// clock is kept in double so that it still steps smoothly after weeks of running.
#pragma once

#include "platform/types.h"
#include "scene/iof_item.h"
#include "scene/media_param.h"
#include "scene/scaled_params.h"

class DS_IOF_Virtual;
class LetterboxProjection;

// What the camera hands to the projection for one frame: scale and fixed point in -1..1.
struct CameraZoom {
  float zoom;
  float x;
  float y;
};

class DSM_Camera : public DS_IOF_Item {
 public:
  DSM_Camera();
  DSM_Camera(const DSM_Camera&) = delete;
  DSM_Camera& operator=(const DSM_Camera&) = delete;

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  void SaveBase(DS_IOF_Virtual** stream) const;
  // A new camera (owned by the caller) from a complete section; the name and version are not used.
  static DSM_Camera* CreateFromStream(DS_IOF_Virtual** stream);
  // The section body: enable raw, then amplitude and speed stored with notification when they differ.
  static bool ReadFields(DS_IOF_Virtual** stream, DSM_Camera* camera);
  // Every value of source: parameters, clock, shake mode and segment.
  void Assign(const DSM_Camera& source);

  // Shake mode on and the segment back to the centre; the clock runs on. Returns whether the camera
  // was shaking already.
  bool StartShake();
  bool IsShaking() const { return shakeMode.GetValue() == 1; }

  // Advances the clock to application time t (seconds) and hands this frame's zoom to projection.
  CameraZoom Update(double t, LetterboxProjection& projection);
  // The same on the program's projection.
  CameraZoom Update(double t);
  // Starts a segment at clock position p from the previous target: a rest of 0.5 or a move of 5 to 7.
  void PickNextShake(double p);

  double GetClock() const { return clock_; }
  double GetLastTime() const { return lastTime_; }
  void SetClock(double position, double lastTime) {
    clock_ = position;
    lastTime_ = lastTime;
  }

  MediaParamT<int> enable;          // non-zero: shake
  UINTSclaleTo<float> amplitude;    // zoom factor while shaking (120 x 0.01)
  MediaSpeedParam speed;            // clock units per second (50 x 0.02); its own position is not used
  MediaParamTB<int> shakeMode;      // 1: shaking; not stored
  float fromX, toX;
  float fromY, toY;
  double start, end;                // clock positions of the current segment

 private:
  double clock_ = 0.0;
  double lastTime_ = 0.0;
};
