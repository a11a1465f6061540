#include "particles/light_particles.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/particle.h"
#include "support/particle_fixture.h"

namespace {

using lumi_test::Replay;
using lumi_test::ScopedPicture;
using lumi_test::StateWithCoin;

TEST(GodRay, PlacedHalfTheRectangleHeightFromThePictureTopAsTallAsThePicture) {
  ScopedPicture picture(1000, 600);
  DS_GodRayConstructor ray;
  ray.size = 30;
  ray.y0 = 0.2f;
  ray.x0 = 0.1f;
  Particle p;
  p.Init(ray);
  ResetCrtRand(21);
  ray.InitParticle(&p);
  Replay r(21);
  const float x = r.U(100, 1000);
  const float vx = r.U(0, 1) * 20 - 10;
  const float phase = r.U(0, 1);
  EXPECT_FLOAT_EQ(p.centre.x, x);
  EXPECT_FLOAT_EQ(p.velocity.x, vx);
  EXPECT_FLOAT_EQ(p.centre.y, 240);  // not 360, the rectangle's middle
  EXPECT_FLOAT_EQ(p.halfHeight, 300);
  EXPECT_FLOAT_EQ(p.halfWidth, 15);
  EXPECT_FLOAT_EQ(p.phase, phase);
}

TEST(GodRay, SlantFollowsTheAngle) {
  ScopedPicture picture(800, 600);
  const struct {
    UINT angle;
    float s;
  } cases[] = {{80, -0.17633f}, {90, 0.0f}, {270, 0.0f}, {100, 0.17633f}, {316, 1.03553f}, {318, 1.11061f}};
  for (const auto& c : cases) {
    DS_GodRayConstructor ray;
    ray.angle = c.angle;
    Particle p;
    ray.SetRayShape(&p);
    EXPECT_NEAR(p.axisY.x, c.s, 1e-4) << c.angle;
    EXPECT_FLOAT_EQ(p.axisY.y, 1.0f);
    EXPECT_FLOAT_EQ(p.axisX.x, 1.0f);
  }
}

TEST(GodRay, DriftMayChangeEveryQuarterItemSecondAndRebirthReplacesThePhase) {
  ScopedPicture picture(800, 600);
  DS_GodRayConstructor ray;
  Particle p;
  p.velocity.x = 4;
  p.phase = 0.5f;
  p.phaseRate = 0.1f;
  ray.Advance(0.2f);  // clock 0.2
  ray.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.velocity.x, 4);
  EXPECT_NEAR(p.centre.x, 100.8f, 1e-4);
  const uint32_t s = StateWithCoin(true);
  ResetCrtRand(s);
  ray.Advance(0.3f);  // clock 0.3
  ray.UpdateParticle(&p);
  Replay r(s);
  r.Odd();
  EXPECT_FLOAT_EQ(p.velocity.x, r.U(-10, 10));
  EXPECT_FLOAT_EQ(p.lastChangeTime, ray.clock);
  // Fading below the minimum places the ray anew, at the minimum with a rising phase.
  p.phase = 0.001f;
  p.phaseRate = -1.0f;
  ray.Advance(0.4f);
  ray.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.phase, 0.0f);
  EXPECT_FLOAT_EQ(p.phaseRate, 1.0f);
  EXPECT_FLOAT_EQ(p.halfHeight, 300);
}

TEST(Sparkle, SquareSizeFollowsThePhase) {
  ScopedPicture picture(800, 600);
  DS_SparkleConstructor sparkle;
  EXPECT_TRUE(sparkle.flag);
  sparkle.size = 40;
  Particle p;
  p.aspect = 2.0f;
  p.sizeFactor = 1.0f;
  p.phase = 0.5f;
  sparkle.UpdateParticle(&p);  // no item time: the phase stays
  EXPECT_FLOAT_EQ(p.halfWidth, 15);
  EXPECT_FLOAT_EQ(p.halfHeight, 15);
  p.phase = 1.0f;
  sparkle.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.halfWidth, 20);
}

TEST(Sparkle, InitialDrawsAreVelocityThenPointThenPhase) {
  ScopedPicture picture(800, 600);
  DS_SparkleConstructor sparkle;
  Particle p;
  ResetCrtRand(77);
  sparkle.InitParticle(&p);
  Replay r(77);
  EXPECT_FLOAT_EQ(p.velocity.x, r.U(0, 1) * 50 - 25);
  EXPECT_FLOAT_EQ(p.velocity.y, r.U(0, 1) * 50 - 25);
  EXPECT_FLOAT_EQ(p.centre.x, r.U(0, 800));
  EXPECT_FLOAT_EQ(p.centre.y, r.U(0, 600));
  EXPECT_FLOAT_EQ(p.phase, r.U(0, 1));
}

TEST(Lightning, PlacedInsideTiltedMirroredByACoinAndDark) {
  ScopedPicture picture(800, 600);
  DS_LightingConstructor bolt;
  EXPECT_EQ(bolt.blendMode.GetValue(), 1);
  bolt.size = 100;
  Particle p;
  p.sizeFactor = 1.0f;
  ResetCrtRand(31);
  bolt.InitParticle(&p);
  Replay r(31);
  const float x = r.U(50, 750), y = r.U(50, 550);
  const float tilt = r.U(0, 1) * D3DX_PI / 4 - D3DX_PI / 8;
  const float s = r.Odd() ? -1.0f : 1.0f;
  EXPECT_FLOAT_EQ(p.centre.x, x);
  EXPECT_FLOAT_EQ(p.centre.y, y);
  EXPECT_NEAR(p.axisX.x, s * std::cos(tilt), 1e-5);
  EXPECT_NEAR(p.axisX.y, s * std::sin(tilt), 1e-5);
  EXPECT_NEAR(p.axisY.x, -std::sin(tilt), 1e-5);
  EXPECT_NEAR(p.axisY.y, std::cos(tilt), 1e-5);
  EXPECT_EQ(p.phase, 0.0f);
}

TEST(Lightning, AFlashDecaysAtSixPerSecondAndTheDarkPauseLastsOverASecond) {
  ScopedPicture picture(800, 600);
  DS_LightingConstructor bolt;
  Particle p;
  p.phase = 1.0f;
  // Even coins throughout: no renewal, no new flash.
  const uint32_t even = StateWithCoin(false);
  float t = 0;
  const float expected[] = {0.7f, 0.4f, 0.1f, 0.0f};
  for (float e : expected) {
    t += 0.05f;
    bolt.Advance(t);
    ResetCrtRand(even);
    bolt.UpdateParticle(&p);
    EXPECT_NEAR(p.phase, e, 1e-5);
  }
  const float darkSince = p.lastChangeTime;
  EXPECT_FLOAT_EQ(darkSince, bolt.clock);
  // Dark: no try until more than one item second has passed, then an odd coin flashes elsewhere.
  const uint32_t odd = StateWithCoin(true);
  while (bolt.clock - darkSince <= 1.0f) {
    t += 0.05f;
    bolt.Advance(t);
    ResetCrtRand(odd);
    bolt.UpdateParticle(&p);
    if (bolt.clock - darkSince <= 1.0f) {
      EXPECT_EQ(p.phase, 0.0f) << bolt.clock;
    }
  }
  EXPECT_EQ(p.phase, 1.0f);
}

TEST(Lightning, AnOddCoinOnceMoreThan015ItemSecondsPassedRenewsTheFlash) {
  ScopedPicture picture(800, 600);
  DS_LightingConstructor bolt;
  Particle p;
  p.phase = 1.0f;
  const uint32_t odd = StateWithCoin(true);
  float t = 0;
  int frames = 0;
  while (p.lastChangeTime == 0.0f && frames < 10) {
    t += 0.05f;
    bolt.Advance(t);
    ResetCrtRand(odd);
    bolt.UpdateParticle(&p);
    ++frames;
    if (p.lastChangeTime == 0.0f) {
      EXPECT_LT(p.phase, 1.0f);
      EXPECT_LE(bolt.clock, 0.15f + 1e-6f);
    }
  }
  EXPECT_GT(bolt.clock, 0.15f);
  EXPECT_EQ(p.phase, 1.0f);
}

}  // namespace
