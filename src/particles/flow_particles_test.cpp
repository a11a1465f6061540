#include "particles/flow_particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scene/particle.h"
#include "support/particle_fixture.h"

namespace {

using lumi_test::Replay;
using lumi_test::ScopedPicture;
using lumi_test::StateWithCoin;

// A flow copy (only copies move as their stored values say) with angle, base speed and no drift.
std::unique_ptr<DS_FlowConstructor> Flow(UINT angle, float base) {
  DS_FlowConstructor item;
  item.angle.Raw() = angle;
  item.baseSpeed = base;
  return std::unique_ptr<DS_FlowConstructor>(static_cast<DS_FlowConstructor*>(item.Clone()));
}

Particle At(float x, float y, float hw) {
  Particle p;
  p.centre = D3DXVECTOR3(x, y, 0);
  p.halfWidth = p.halfHeight = hw;
  p.sizeFactor = 1.0f;
  return p;
}

TEST(Flow, DirectionFollowsTheAngleCounterClockwiseOnScreen) {
  const struct {
    UINT angle;
    float dx, dy, sx, sy;
  } cases[] = {{0, 100, 0, 0, 1}, {90, 0, -100, 1, 0}, {270, 0, 100, -1, 0}, {180, -100, 0, 0, -1}};
  for (const auto& c : cases) {
    auto flow = Flow(c.angle, 100);
    EXPECT_NEAR(flow->direction.x, c.dx, 1e-3) << c.angle;
    EXPECT_NEAR(flow->direction.y, c.dy, 1e-3) << c.angle;
    EXPECT_NEAR(flow->side.x, c.sx, 1e-5) << c.angle;
    EXPECT_NEAR(flow->side.y, c.sy, 1e-5) << c.angle;
  }
}

TEST(Flow, WrapsToTheFarSideWhenTheRectangleSpansThePicture) {
  ScopedPicture picture(800, 600);
  auto flow = Flow(0, 100);
  Particle p = At(805, 300, 10);
  flow->delta = 0.04f;  // 4 pixels a frame
  flow->UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.centre.x, 809);  // not yet wholly outside
  ResetCrtRand(8);
  flow->UpdateParticle(&p);  // 813 > 810
  Replay r(8);
  EXPECT_FLOAT_EQ(p.centre.x, 813 - 800 - 20);
  EXPECT_FLOAT_EQ(p.centre.y, r.U(0, 600));
}

TEST(Flow, BouncesOffAnEdgeInsideThePictureThroughTheOffset) {
  ScopedPicture picture(800, 600);
  auto flow = Flow(0, 100);
  flow->x1 = 0.5f;
  Particle p = At(385, 300, 10);
  flow->delta = 0.1f;  // 10 pixels a frame
  flow->UpdateParticle(&p);  // 395 + 10 > 400: bounce
  EXPECT_FLOAT_EQ(p.centre.x, 400 - 10 - 1);
  EXPECT_FLOAT_EQ(p.bounce.x, -200);
  flow->UpdateParticle(&p);  // now -100 per item second
  EXPECT_FLOAT_EQ(p.centre.x, 379);
  EXPECT_FLOAT_EQ(p.bounce.x, -200);  // kept while the drift is unchanged
  p.centre.x = 12;
  flow->UpdateParticle(&p);  // 2 - 10 < 0: back the other way, offset cleared
  EXPECT_FLOAT_EQ(p.centre.x, 11);
  EXPECT_FLOAT_EQ(p.bounce.x, 0);
}

TEST(Flow, AChangedDriftDropsAnOlderBounce) {
  ScopedPicture picture(800, 600);
  auto flow = Flow(0, 100);
  flow->x1 = 0.5f;
  Particle p = At(200, 300, 10);
  p.bounce.x = -150;  // from another drift: 2 * (100 - 150) != -150
  flow->delta = 0.1f;
  flow->UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.bounce.x, 0);
}

TEST(Flow, DriftChangesAtItsRateAndNeverAtRateZero) {
  ScopedPicture picture(800, 600);
  DS_FlowConstructor item;
  item.driftChangeRate.Raw() = 0;
  std::unique_ptr<DS_FlowConstructor> still(static_cast<DS_FlowConstructor*>(item.Clone()));
  item.driftChangeRate.Raw() = 6;  // 1.5 a second: every 2/3 item second
  std::unique_ptr<DS_FlowConstructor> changing(static_cast<DS_FlowConstructor*>(item.Clone()));
  EXPECT_FLOAT_EQ(changing->driftChangeRate.GetResult(), 1.5f);
  const uint32_t odd = StateWithCoin(true);
  for (DS_FlowConstructor* f : {still.get(), changing.get()}) {
    Particle p = At(400, 300, 5);
    p.velocity.z = 0.5f;
    f->clock = 0.6f;
    ResetCrtRand(odd);
    f->UpdateParticle(&p);
    EXPECT_FLOAT_EQ(p.velocity.z, 0.5f);
    f->clock = 0.7f;
    ResetCrtRand(odd);
    f->UpdateParticle(&p);
    if (f == still.get()) {
      EXPECT_FLOAT_EQ(p.velocity.z, 0.5f);
      EXPECT_EQ(p.lastChangeTime, 0.0f);
    } else {
      Replay r(odd);
      r.Odd();
      EXPECT_FLOAT_EQ(p.velocity.z, r.U(-1, 1));
      EXPECT_FLOAT_EQ(p.lastChangeTime, 0.7f);
    }
  }
}

TEST(Flow, SideDriftAndSizeFactorMakeTheEffectiveVelocity) {
  ScopedPicture picture(800, 600);
  DS_FlowConstructor item;
  item.driftSpeed.Raw() = 10;  // 30 pixels a second
  item.baseSpeed = 100;
  std::unique_ptr<DS_FlowConstructor> flow(static_cast<DS_FlowConstructor*>(item.Clone()));
  Particle p = At(400, 300, 5);
  p.velocity.z = 0.5f;
  p.sizeFactor = 2.0f;
  flow->delta = 0.1f;
  flow->UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.centre.x, 420);  // 100 * 2 * 0.1
  EXPECT_FLOAT_EQ(p.centre.y, 303);  // 30 * 0.5 * 2 * 0.1 along the side vector (0, 1)
}

TEST(Flow, OrientationModesSetTheAxes) {
  ScopedPicture picture(800, 600);
  DS_FlowConstructor item;
  item.angle.Raw() = 90;
  item.baseSpeed = 100;
  item.orientationMode.Raw() = 1;
  std::unique_ptr<DS_FlowConstructor> flow(static_cast<DS_FlowConstructor*>(item.Clone()));
  Particle p = At(400, 300, 5);
  flow->OrientParticle(&p);
  EXPECT_NEAR(p.axisX.x, 0, 1e-6);
  EXPECT_NEAR(p.axisX.y, -1, 1e-6);
  flow->orientationMode.Raw() = 3;
  flow->UpdateParticle(&p);  // moving up
  EXPECT_FLOAT_EQ(p.axisX.x, 1);
  EXPECT_FLOAT_EQ(p.axisY.y, -1);
  flow->orientationMode.Raw() = 2;
  flow->angle = 180;
  flow->angle.NotifyChanged();
  flow->UpdateParticle(&p);  // moving left
  EXPECT_FLOAT_EQ(p.axisX.x, -1);
  EXPECT_FLOAT_EQ(p.axisY.y, 1);
}

TEST(Flow, InitialDrawsAreDriftFactorThenPoint) {
  ScopedPicture picture(800, 600);
  auto flow = Flow(0, 100);
  Particle p;
  p.sizeFactor = 1;
  ResetCrtRand(44);
  flow->InitParticle(&p);
  Replay r(44);
  EXPECT_FLOAT_EQ(p.velocity.z, r.U(0, 1) * 2 - 1);
  EXPECT_FLOAT_EQ(p.centre.x, r.U(0, 800));
  EXPECT_FLOAT_EQ(p.centre.y, r.U(0, 600));
}

TEST(Rain, OnlyTheCopyFallsAndItsDropsAreUpright) {
  ScopedPicture picture(800, 600);
  DS_RainConstructor rain;
  EXPECT_FLOAT_EQ(rain.direction.y, 0.0f);  // the item read or made keeps a zero direction
  std::unique_ptr<DS_RainConstructor> copy(static_cast<DS_RainConstructor*>(rain.Clone()));
  EXPECT_NEAR(copy->direction.x, 0, 1e-2);
  EXPECT_NEAR(copy->direction.y, 2000, 1e-2);
  Particle p = At(400, 300, 5);
  ResetCrtRand(2);
  copy->InitParticle(&p);
  Replay r(2);
  r.U(0, 1);                        // drift factor
  r.U(0, 800);                      // point
  r.U(0, 600);
  EXPECT_FLOAT_EQ(p.phase, r.U(0, 1));
  EXPECT_NEAR(p.axisX.x, 1, 1e-5);
  EXPECT_NEAR(p.axisX.y, 0, 1e-5);
  EXPECT_NEAR(p.axisY.x, 0, 1e-5);
  EXPECT_NEAR(p.axisY.y, 1, 1e-5);
  p.centre = D3DXVECTOR3(400, 300, 0);
  p.sizeFactor = 0.5f;
  p.phaseRate = 0;
  copy->delta = 0.01f;
  copy->UpdateParticle(&p);
  EXPECT_NEAR(p.centre.y, 310.0f, 1e-3);  // 2000 x 0.5 x 0.01
}

TEST(Fog, CentreBouncesInsideAndTheAxesTurnEveryFrameWithoutItemTime) {
  ScopedPicture picture(800, 600);
  DS_FogConstructor fog;
  EXPECT_FLOAT_EQ(fog.phaseMin, 0.2f);
  EXPECT_EQ(fog.transparency.GetResult(), 127);
  Particle p = At(400, 599, 50);
  ResetCrtRand(6);
  fog.InitParticle(&p);
  Replay r(6);
  const float x = r.U(0, 800), y = r.U(0, 600), vx = r.U(-40, 40), vy = r.U(-40, 40), phase = r.U(0, 1);
  const float turn = r.U(0, 1) * 0.008f - 0.004f;
  EXPECT_FLOAT_EQ(p.centre.x, x);
  EXPECT_FLOAT_EQ(p.centre.y, y);
  EXPECT_FLOAT_EQ(p.velocity.x, vx);
  EXPECT_FLOAT_EQ(p.velocity.y, vy);
  EXPECT_FLOAT_EQ(p.phase, phase);
  p.centre = D3DXVECTOR3(400, 601, 0);
  p.velocity.y = 30;
  fog.delta = 0.0f;
  fog.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.velocity.y, -30);
  fog.UpdateParticle(&p);
  EXPECT_NEAR(std::atan2(p.axisX.y, p.axisX.x), 2 * turn, 1e-6);
}

TEST(Fog, PhaseSwingsBetweenItsBoundsWithoutRebirth) {
  ScopedPicture picture(800, 600);
  DS_FogConstructor fog;
  Particle p = At(400, 300, 50);
  p.phase = 0.25f;
  p.phaseRate = -1.0f;
  fog.delta = 0.1f;
  fog.UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.phase, 0.2f);
  EXPECT_FLOAT_EQ(p.phaseRate, 1.0f);
  EXPECT_FLOAT_EQ(p.centre.x, 400);  // not placed anew
}

}  // namespace
