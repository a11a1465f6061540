#include "lights/slide_schedule.h"

float SlideFadeAlpha(const SlideTimes& times, double e) {
  const double in = times.fadeIn, out = times.fadeOut, show = times.show;
  double alpha = 0.0;
  if (e < in)
    alpha = (in - e) / in;  // e < in implies in > 0
  else if (e > in + show && out > 0.0)
    alpha = (e - in - show) / out;
  if (alpha < 0.0) alpha = 0.0;
  if (alpha > 1.0) alpha = 1.0;
  return static_cast<float>(alpha);
}

void SlideSchedule::Begin(double t, const SlideTimes& first) {
  start_ = t - first.fadeIn;
  next_ = 1;
}

int SlideSchedule::Advance(double t, const SlideTimes& current, UINT slideCount, float* alpha) {
  int started = -1;
  if (Ends(t, current)) {
    started = next_ < slideCount ? static_cast<int>(next_) : 0;
    start_ = t;
    next_ = static_cast<UINT>(started) + 1 < slideCount ? static_cast<UINT>(started) + 1 : 0;
  }
  *alpha = SlideFadeAlpha(current, t - start_);
  return started;
}
