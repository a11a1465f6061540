#include "app/frame_pacing.h"

bool LoopFrameDue(double now, double& nextFrameTime, UINT intervalMs) {
  if (!(now > nextFrameTime)) return false;
  nextFrameTime = now + intervalMs * 0.001;
  return true;
}

double ArmedNextFrameTime(double now, UINT intervalMs) { return now + intervalMs * 0.002; }
