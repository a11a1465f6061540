// The application clock: seconds since it was started, minus the spans during which it was stopped.
// Reads a high-resolution counter through a source, so that the arithmetic is tested with a fake counter.
#pragma once

#include "platform/types.h"

class CounterSource {
 public:
  virtual ~CounterSource() {}
  // Ticks per second; false when the machine has no high-resolution counter.
  virtual bool Frequency(LONGLONG* ticksPerSecond) = 0;
  virtual LONGLONG Now() = 0;
};

class AppClock {
 public:
  explicit AppClock(CounterSource* source) : source_(source) {}

  // Time 0 now, running.
  void Reset();
  // Freezes the time at its current value; a second Stop keeps the first value.
  void Stop();
  // Runs on from the frozen value; the stopped span is never counted.
  void Start();
  bool IsStopped() const { return stopped_; }
  // Seconds; -1.0 when there is no high-resolution counter (or before Reset).
  double GetTime();

 private:
  LONGLONG Ticks();

  CounterSource* source_;
  LONGLONG frequency_ = 0;
  LONGLONG base_ = 0;     // counter value at time 0, moved on by every stopped span
  LONGLONG stopAt_ = 0;   // counter value when stopped
  bool stopped_ = false;
};
