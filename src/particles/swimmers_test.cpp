#include "particles/swimmers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/particle.h"
#include "support/particle_fixture.h"

namespace {

using lumi_test::Replay;
using lumi_test::ScopedPicture;
using lumi_test::StateWithCoin;

// A particle as the geometry makes it for item: full-alpha colour, then the item places it.
Particle Made(DS_BaseSpriteProp& item) {
  Particle p;
  p.Init(item);
  p.UpdateColor(item);
  item.InitParticle(&p);
  return p;
}

TEST(Fish, InitialDrawsAreSpeedsThenThePoint) {
  ScopedPicture picture(800, 600);
  DS_FishConstructor fish;
  fish.size = 40;
  fish.x0 = 0.5f;
  Particle p;
  p.Init(fish);
  ResetCrtRand(5);
  fish.InitParticle(&p);
  Replay r(5);
  const float vx = r.U(-80, 80), vy = r.U(-50, 50), x = r.U(400, 800), y = r.U(0, 600);
  EXPECT_FLOAT_EQ(p.velocity.x, vx);
  EXPECT_FLOAT_EQ(p.velocity.y, vy);
  EXPECT_FLOAT_EQ(p.centre.x, x);
  EXPECT_FLOAT_EQ(p.centre.y, y);
  EXPECT_FLOAT_EQ(std::fabs(p.halfWidth), 20.0f);
  EXPECT_EQ(p.halfWidth < 0, vx < 0);
}

TEST(Fish, MirroredWhileMovingLeftAndTurnsOnlyWhenWhollyLeftOfTheRectangle) {
  ScopedPicture picture(800, 600);
  DS_FishConstructor fish;
  fish.x0 = 0.25f;  // left 200
  Particle p;
  p.centre = D3DXVECTOR3(195, 300, 0);  // 5 beyond the edge, half width 20
  p.halfWidth = -20;
  p.halfHeight = 10;
  p.velocity = D3DXVECTOR3(-30, 0, 0);
  fish.delta = 0.0f;
  fish.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.velocity.x, -30);
  EXPECT_FLOAT_EQ(p.halfWidth, -20);
  p.centre.x = 179;
  fish.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.velocity.x, 30);
  EXPECT_FLOAT_EQ(p.halfWidth, 20);
}

TEST(Fish, BouncesAtTopAndBottomAndMovesByTheFrameStep) {
  ScopedPicture picture(800, 600);
  DS_FishConstructor fish;
  Particle p;
  p.halfWidth = p.halfHeight = 10;
  p.centre = D3DXVECTOR3(400, 595, 0);
  p.velocity = D3DXVECTOR3(10, 20, 0);
  fish.delta = 0.5f;
  fish.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.centre.x, 405);
  EXPECT_FLOAT_EQ(p.centre.y, 605);
  EXPECT_FLOAT_EQ(p.velocity.y, -20);
  p.centre.y = 12;
  fish.UpdateParticle(&p);  // to 2: crosses the top
  EXPECT_FLOAT_EQ(p.velocity.y, 20);
}

TEST(Fish, SpeedDecisionRunsOnApplicationSecondsEvenWithoutItemTime) {
  ScopedPicture picture(800, 600);
  DS_FishConstructor fish;
  fish.speed = 0;  // item time stands
  Particle p;
  p.halfWidth = p.halfHeight = 10;
  p.centre = D3DXVECTOR3(400, 300, 0);
  p.velocity = D3DXVECTOR3(-30, 10, 0);
  fish.Advance(0.9f);
  fish.UpdateParticle(&p);  // 0.9 s: no decision yet
  EXPECT_FLOAT_EQ(p.lastChangeTime, 0);
  const uint32_t s = StateWithCoin(true);
  ResetCrtRand(s);
  fish.Advance(1.05f);
  fish.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.centre.x, 400);  // did not move
  Replay r(s);
  r.Odd();
  const float vx = r.U(-80, 80), vy = r.U(-50, 50);
  EXPECT_FLOAT_EQ(p.lastChangeTime, 1.05f);
  EXPECT_FLOAT_EQ(p.velocity.x, -std::fabs(vx));  // the old sign kept
  EXPECT_FLOAT_EQ(p.velocity.y, vy);
  // An even coin only records the time.
  const uint32_t even = StateWithCoin(false);
  ResetCrtRand(even);
  fish.Advance(2.1f);
  fish.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.lastChangeTime, 2.1f);
  EXPECT_FLOAT_EQ(p.velocity.y, vy);
}

TEST(Bird, SlowSpeedsAreRaisedAndTheVerticalOneLosesItsSign) {
  ScopedPicture picture(800, 600);
  struct Case {
    float vy, vyAfter;
  } cases[] = {{-10, 30.714285f}, {40, 40}, {-40, -40}, {0, 35}};
  for (const Case& c : cases) {
    DS_BirdConstructor bird;
    Particle p;
    p.halfWidth = p.halfHeight = 5;
    p.centre = D3DXVECTOR3(400, 300, 0);
    p.velocity = D3DXVECTOR3(-70, c.vy, 0);
    bird.UpdateParticle(&p);
    EXPECT_NEAR(p.velocity.y, c.vyAfter, 1e-4) << c.vy;
    EXPECT_FLOAT_EQ(p.velocity.x, -70);
  }
  DS_BirdConstructor bird;
  Particle p;
  p.halfWidth = p.halfHeight = 5;
  p.centre = D3DXVECTOR3(400, 300, 0);
  p.velocity = D3DXVECTOR3(-20, 45, 0);
  ResetCrtRand(3);
  bird.UpdateParticle(&p);
  Replay r(3);
  EXPECT_FLOAT_EQ(p.velocity.x, -r.U(0.7f * 80.0f, 80));
  EXPECT_LE(p.velocity.x, -56);
}

TEST(Ghost, DefaultsThenFishPlacementAndARandomPhase) {
  ScopedPicture picture(800, 600);
  DS_GhostConstructor ghost;
  EXPECT_FLOAT_EQ(ghost.maxSpeedX, 50);
  EXPECT_FLOAT_EQ(ghost.maxSpeedY, 50);
  EXPECT_FLOAT_EQ(ghost.phaseRate, 0.66f);
  EXPECT_EQ(ghost.transparency.GetResult(), 127);
  Particle p;
  p.Init(ghost);
  ResetCrtRand(9);
  ghost.InitParticle(&p);
  Replay r(9);
  for (int k = 0; k < 4; ++k) r.U(0, 0);  // speeds and point
  EXPECT_FLOAT_EQ(p.phase, r.U(0, 1));
}

TEST(Ghost, FadesOutInAboutOneAndAHalfItemSecondsThenIsPlacedAnew) {
  ScopedPicture picture(800, 600);
  DS_GhostConstructor ghost;
  Particle p = Made(ghost);
  p.phase = 1.0f;
  p.phaseRate = -0.66f;
  float t = 0;
  int frames = 0;
  while (p.phaseRate < 0 && frames < 100) {
    t += 0.05f;
    ghost.Advance(t);
    ghost.UpdateParticle(&p);
    ++frames;
  }
  // 1 / 0.66 = 1.52 item seconds, at 0.05 s per frame.
  EXPECT_EQ(frames, 31);
  EXPECT_FLOAT_EQ(p.phase, 0.0f);
  EXPECT_GT(p.phaseRate, 0);
  EXPECT_EQ(p.color >> 24, 0u);
}

}  // namespace
