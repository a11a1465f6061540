// Reducing a value that grows with time by the period of what it drives (a sine's 2 pi, a texture scroll's
// 1), so that what is narrowed to float and handed on stays small and exact however long the program runs.
#pragma once

#include <cmath>

// A full turn in radians, exact to double: a period taken from a float pi would drift from the true one by
// a turn every few million turns.
const double kTwoPi = 6.283185307179586476925;

// x reduced into [0, period); period > 0.
inline double ReduceModulo(double x, double period) {
  const double r = x - period * std::floor(x / period);
  return r < period ? r : 0.0;  // x just below a multiple can round up to the period itself
}

// The same narrowed to float.
inline float ReducedFloat(double x, double period) { return static_cast<float>(ReduceModulo(x, period)); }
