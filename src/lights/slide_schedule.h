// When slides change and how dark the fade between them is. A slide's cycle is fade-in seconds coming out
// of black, show seconds fully shown, fade-out seconds going to black; then the next slide starts, and
// after the last one the first again. The first slide after start-up begins fully shown, at the end of its
// fade-in. Times are application seconds, kept in double so that steps stay exact after weeks of uptime.
#pragma once

#include "platform/types.h"

// A slide's timing in whole seconds.
struct SlideTimes {
  UINT fadeIn = 0;
  UINT fadeOut = 0;
  UINT show = 0;

  // fadeIn + fadeOut + show, summed in 32 bits as stored documents expect.
  double Total() const { return static_cast<double>(static_cast<UINT>(fadeIn + fadeOut + show)); }
};

// Opacity of the black fade quad e seconds into a slide's cycle: falling from 1 to 0 over the fade-in,
// 0 while shown, rising from 0 to 1 over the fade-out; kept within 0..1. A zero fade-in or fade-out
// has no ramp (and no division).
float SlideFadeAlpha(const SlideTimes& times, double e);

class SlideSchedule {
 public:
  // The first frame: slide 0 starts at t, already at the end of its fade-in.
  void Begin(double t, const SlideTimes& first);

  // A later frame with the timing of the current slide and the number of slides (two or more). When the
  // current cycle is over (strictly), the next slide starts at t and its index is returned; else -1.
  // *alpha is the fade of this frame, measured with the times given, so that the switch frame is black
  // when the slide that ends has a fade-in.
  int Advance(double t, const SlideTimes& current, UINT slideCount, float* alpha);

  // Whether the cycle of the current slide, with these times, is over at t (Advance then starts the next).
  bool Ends(double t, const SlideTimes& current) const { return t - start_ > current.Total(); }

  double StartTime() const { return start_; }
  // The slide that follows the current one.
  UINT NextIndex() const { return next_; }

 private:
  double start_ = 0.0;
  UINT next_ = 1;
};
