// An independent model of the C run-time generator for tests: predicts the values the product's
// generator will draw from a given state, so a test can say which draw fed which decision.
#pragma once

#include <cstdint>

namespace lumi_test {

struct CrtSequence {
  uint32_t state = 1;

  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
  float Uniform(float a, float b) { return a + static_cast<float>(Next()) / 32767.0f * (b - a); }
  // The first state from start on whose next draw d satisfies pred(d).
  template <class Pred>
  static uint32_t FindState(uint32_t start, Pred pred) {
    for (uint32_t s = start;; ++s) {
      CrtSequence q{s};
      if (pred(q.Next())) return s;
    }
  }
};

}  // namespace lumi_test
