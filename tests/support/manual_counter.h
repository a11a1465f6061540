// The application clock under a test's hand: one tick a millisecond, moved by the test.
#pragma once

#include "dxut/app_clock.h"

namespace lumi_test {

struct ManualCounter : CounterSource {
  LONGLONG now = 0;
  bool Frequency(LONGLONG* f) override {
    *f = 1000;
    return true;
  }
  LONGLONG Now() override { return now; }
  // Puts the counter at t seconds, to the nearest millisecond.
  void SetSeconds(double t) { now = static_cast<LONGLONG>(t * 1000.0 + 0.5); }
};

}  // namespace lumi_test
