#include "platform/noise.h"

#include <cmath>

#include "platform/x86_convert.h"

namespace {
uint32_t g_crtRandState = 1;
}

double NoiseLattice(int32_t n) {
  // 32-bit two's-complement arithmetic with wrap-around, done unsigned to stay defined.
  const uint32_t un = static_cast<uint32_t>(n);
  const uint32_t m = (un << 13) ^ un;
  const uint32_t h = (m * (m * m * 15731u + 789221u) - 771171059u) & 0x7FFFFFFFu;
  return 1.0 - static_cast<double>(h) / 1073741824.0;
}

double Noise1D(double x) {
  const int32_t i = TruncToInt32(x);  // toward zero, also for negative x
  const double f = x - i;
  const double t = (1.0 - std::cos(f * 3.1415927)) * 0.5;
  return NoiseLattice(i) * (1.0 - t) + NoiseLattice(static_cast<int32_t>(static_cast<uint32_t>(i) + 1u)) * t;
}

double FractalNoise1D(double x, double wavelength, double persistence, int octaves) {
  double sum = 0.0;
  double amplitude = 1.0;
  double frequency = 1.0;
  for (int k = 0; k < octaves; ++k) {
    sum += amplitude * Noise1D(frequency * x / wavelength);
    amplitude *= persistence;
    frequency *= 2.0;
  }
  return sum;
}

int CrtRand() {
  g_crtRandState = g_crtRandState * 214013u + 2531011u;
  return static_cast<int>((g_crtRandState >> 16) & 0x7FFFu);
}

void ResetCrtRand(uint32_t state) { g_crtRandState = state; }

float RandomFloat(float a, float b) {
  const float range = b - a;
  return static_cast<float>(a + CrtRand() / 32767.0 * range);
}
