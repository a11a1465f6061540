// When the main loop and the frame timer draw: a minimum spacing on the application clock, not a fixed
// rate; missed frames are not caught up.
#pragma once

#include "platform/types.h"

// The loop's test: true when now is strictly past nextFrameTime, which then moves one interval past now.
// A stopped clock (paused, or -1 without a high-resolution counter) never passes it.
bool LoopFrameDue(double now, double& nextFrameTime, UINT intervalMs);

// The timer's re-arm: the loop's next frame two intervals ahead, so that it draws only when ticks stay away.
double ArmedNextFrameTime(double now, UINT intervalMs);
