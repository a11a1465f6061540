// The device framework's state and call order, apart from the device itself: device-created then
// device-reset after creation; per frame the recovery of a lost device (device-lost, the device's
// reset, device-reset), frame move, frame render and present; the pause counts and the clock they stop.
// The device calls go through FrameDevice and the program's callbacks through FrameCallbacks, so the
// order is tested with fakes.
#pragma once

#include "dxut/app_clock.h"
#include "platform/types.h"

enum class CooperativeLevel {
  kOk,
  kLost,      // lost and cannot be reset yet
  kNotReset,  // lost and can be reset now
  kFailed,    // any other error: try again at the next frame
};

enum class PresentResult { kOk, kLost, kFailed };

class FrameDevice {
 public:
  virtual ~FrameDevice() {}
  virtual CooperativeLevel TestCooperativeLevel() = 0;
  // Resets the device with the present parameters of its creation; false on failure.
  virtual bool Reset() = 0;
  virtual PresentResult Present() = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
  // False once the window the device presents into no longer exists.
  virtual bool WindowExists() = 0;
};

class FrameCallbacks {
 public:
  virtual ~FrameCallbacks() {}
  virtual bool DeviceCreated() = 0;  // false: the callback failed
  virtual bool DeviceReset() = 0;
  virtual void DeviceLost() = 0;
  virtual void FrameMove(double time, float elapsed) = 0;
  virtual void FrameRender(double time, float elapsed) = 0;
};

// Two counts, each raised by a true and lowered by a false argument, never below 0.
class PauseCounts {
 public:
  void Pause(bool pauseTime, bool pauseRendering);
  bool TimePaused() const { return time_ > 0; }
  bool RenderingPaused() const { return rendering_ > 0; }

 private:
  int time_ = 0;
  int rendering_ = 0;
};

class FrameSequence {
 public:
  // How long one frame call sleeps while the device is lost or rendering is paused.
  static const DWORD kIdleSleepMs = 100;

  explicit FrameSequence(AppClock* clock) : clock_(clock) {}

  // The device has just been created: device-created, then device-reset. False when either callback
  // fails (a failed reset is undone with device-lost); the sequence then holds no device.
  bool DeviceMade(FrameCallbacks& callbacks);
  // The device was released: frame calls return at once again.
  void DeviceGone();
  bool HasDevice() const { return hasDevice_; }
  // The device window was found gone: no frame call touches the device or the program again.
  bool WindowGone() const { return windowGone_; }
  bool IsLost() const { return lost_; }
  bool ObjectsReset() const { return objectsReset_; }

  // One frame. Without a device, or once its window is gone, nothing happens. A lost device is restored
  // first; while it stays lost no frame is moved or drawn, so nothing creates device objects on a lost
  // device. Frame move runs also while rendering is paused (with the clock as it stands); render and
  // present do not.
  void RenderFrame(FrameDevice& device, FrameCallbacks& callbacks);

  // Counts the pause and stops or starts the clock when time pausing begins or ends.
  void Pause(bool pauseTime, bool pauseRendering);
  const PauseCounts& Pauses() const { return pauses_; }

  // Tests only: marks the device lost, so that the next frame runs the recovery path on a device
  // that is in fact fine.
  void MarkLost() {
    if (hasDevice_) lost_ = true;
  }

 private:
  bool Recover(FrameDevice& device, FrameCallbacks& callbacks);

  AppClock* clock_;
  PauseCounts pauses_;
  bool hasDevice_ = false;
  bool windowGone_ = false;
  bool lost_ = false;
  bool objectsReset_ = false;  // the device objects of the last reset exist (device-lost not yet called)
  bool moved_ = false;         // a frame has been moved: elapsed counts from it
  double lastTime_ = 0.0;
};
