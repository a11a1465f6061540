#include "platform/noise.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(NoiseTest, LatticeValuesAtZeroAndOne) {
  EXPECT_DOUBLE_EQ(NoiseLattice(0), 1.0 - 1376312589.0 / 1073741824.0);  // (-771171059) & 0x7FFFFFFF
  EXPECT_NEAR(NoiseLattice(0), -0.28179, 1e-5);
  EXPECT_NEAR(NoiseLattice(1), -0.22637, 1e-5);
}

TEST(NoiseTest, IntegersGiveLatticeValuesAndHalvesTheMean) {
  for (int n : {-1000, -7, -1, 0, 1, 2, 13, 123456}) {
    SCOPED_TRACE(n);
    EXPECT_DOUBLE_EQ(Noise1D(n), NoiseLattice(n));
    // Truncation toward zero: below zero, n + 0.5 lies between lattice points n + 1 and n + 2.
    const int lo = n >= 0 ? n : n + 1;
    EXPECT_NEAR(Noise1D(n + 0.5), (NoiseLattice(lo) + NoiseLattice(lo + 1)) / 2, 1e-7);
  }
}

TEST(NoiseTest, NegativeFractionsMirrorPositiveOnes) {
  // Truncation toward zero: -x and x in (0, 1) both interpolate between lattice points 0 and 1.
  for (double x : {0.1, 0.25, 0.5, 0.9}) EXPECT_DOUBLE_EQ(Noise1D(-x), Noise1D(x)) << x;
  // Below -1 the lattice points are i and i + 1 with i = trunc(x): x = -1.5 uses -1 and 0.
  const double t = (1.0 - std::cos(-0.5 * 3.1415927)) * 0.5;
  EXPECT_DOUBLE_EQ(Noise1D(-1.5), NoiseLattice(-1) * (1 - t) + NoiseLattice(0) * t);
}

TEST(NoiseTest, LatticeStaysInRangeAndWrapsAtTheEnds) {
  for (int32_t n : {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX - 1, INT32_MAX}) {
    const double v = NoiseLattice(n);
    EXPECT_GT(v, -1.0) << n;
    EXPECT_LE(v, 1.0) << n;
  }
  EXPECT_TRUE(std::isfinite(Noise1D(1e300)));
  EXPECT_TRUE(std::isfinite(Noise1D(-1e300)));
}

TEST(NoiseTest, FractalSumsOctaves) {
  const double x = 37.25;
  EXPECT_DOUBLE_EQ(FractalNoise1D(x, 75, 0.5, 1), Noise1D(x / 75));
  EXPECT_DOUBLE_EQ(FractalNoise1D(x, 75, 0.5, 2), Noise1D(x / 75) + 0.5 * Noise1D(2 * x / 75));
  EXPECT_DOUBLE_EQ(FractalNoise1D(x, 75, 0.5, 0), 0.0);
  EXPECT_DOUBLE_EQ(FractalNoise1D(x, 75, 0.5, -3), 0.0);
}

TEST(RandomTest, GeneratorStartsAtOneAndReplays) {
  ResetCrtRand();
  EXPECT_EQ(CrtRand(), 41);
  EXPECT_EQ(CrtRand(), 18467);
  EXPECT_EQ(CrtRand(), 6334);
  ResetCrtRand();
  EXPECT_EQ(CrtRand(), 41);
}

TEST(RandomTest, RandomFloatEnds) {
  EXPECT_EQ(RandomFloat(3.5f, 3.5f), 3.5f);
  // State 0 advances to 2531011, whose top bits give 38 - find states that give 0 and 32767 directly.
  // state' = state * 214013 + 2531011; result = (state' >> 16) & 0x7FFF. Choose state' then solve back.
  auto stateBefore = [](uint32_t next) {
    // 214013 is odd, so it has an inverse modulo 2^32.
    uint32_t inv = 1;
    for (int i = 0; i < 5; ++i) inv *= 2 - 214013u * inv;
    return (next - 2531011u) * inv;
  };
  ResetCrtRand(stateBefore(0x00000000u));
  EXPECT_EQ(RandomFloat(-10.0f, 10.0f), -10.0f);
  ResetCrtRand(stateBefore(0x7FFF0000u));
  EXPECT_EQ(RandomFloat(-10.0f, 10.0f), 10.0f);
  ResetCrtRand();
  EXPECT_FLOAT_EQ(RandomFloat(0.0f, 1.0f), static_cast<float>(41 / 32767.0));
  ResetCrtRand();
}
