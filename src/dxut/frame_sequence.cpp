#include "dxut/frame_sequence.h"

void PauseCounts::Pause(bool pauseTime, bool pauseRendering) {
  time_ = pauseTime ? time_ + 1 : (time_ > 0 ? time_ - 1 : 0);
  rendering_ = pauseRendering ? rendering_ + 1 : (rendering_ > 0 ? rendering_ - 1 : 0);
}

bool FrameSequence::DeviceMade(FrameCallbacks& callbacks) {
  hasDevice_ = false;
  windowGone_ = false;
  lost_ = false;
  objectsReset_ = false;
  if (!callbacks.DeviceCreated()) return false;
  if (!callbacks.DeviceReset()) {
    callbacks.DeviceLost();
    return false;
  }
  hasDevice_ = true;
  objectsReset_ = true;
  moved_ = false;
  return true;
}

void FrameSequence::DeviceGone() {
  hasDevice_ = false;
  windowGone_ = false;
  lost_ = false;
  objectsReset_ = false;
}

bool FrameSequence::Recover(FrameDevice& device, FrameCallbacks& callbacks) {
  switch (device.TestCooperativeLevel()) {
    case CooperativeLevel::kLost:
    case CooperativeLevel::kFailed:
      return false;
    case CooperativeLevel::kOk:
    case CooperativeLevel::kNotReset:
      break;
  }
  if (objectsReset_) {
    callbacks.DeviceLost();
    objectsReset_ = false;
  }
  if (!device.Reset()) return false;  // device-lost already ran: the next frame only retries the reset
  if (!callbacks.DeviceReset()) {
    callbacks.DeviceLost();
    return false;
  }
  objectsReset_ = true;
  lost_ = false;
  return true;
}

void FrameSequence::RenderFrame(FrameDevice& device, FrameCallbacks& callbacks) {
  if (!hasDevice_ || windowGone_) return;
  // A window that is gone does not come back: a handle of the same value would be another window.
  if (!device.WindowExists()) {
    windowGone_ = true;
    return;
  }
  const bool renderingPaused = pauses_.RenderingPaused();
  if (lost_ || renderingPaused) device.Sleep(kIdleSleepMs);
  if (lost_ && (renderingPaused || !Recover(device, callbacks))) return;

  const double time = clock_ ? clock_->GetTime() : -1.0;
  const float elapsed = moved_ ? static_cast<float>(time - lastTime_) : 0.0f;
  lastTime_ = time;
  moved_ = true;
  callbacks.FrameMove(time, elapsed);
  if (renderingPaused) return;
  callbacks.FrameRender(time, elapsed);
  if (device.Present() == PresentResult::kLost) lost_ = true;
}

void FrameSequence::Pause(bool pauseTime, bool pauseRendering) {
  const bool wasPaused = pauses_.TimePaused();
  pauses_.Pause(pauseTime, pauseRendering);
  if (!clock_) return;
  if (!wasPaused && pauses_.TimePaused()) clock_->Stop();
  if (wasPaused && !pauses_.TimePaused()) clock_->Start();
}
