// The operations every particle item shares: edge tests, phase advance, colour from phase, and the order
// in which a new particle is made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "particles/fx_particle_ctrl.h"
#include "scene/particle.h"
#include "render/particle_geometry.h"
#include "support/particle_fixture.h"

namespace {

using lumi_test::Replay;
using lumi_test::ScopedPicture;

// An item that records each placement and puts its particles somewhere known.
class PlacingItem : public DS_ParticleSystemCtrl {
 public:
  DS_ParticleSystemCtrl* Clone() const override { return new PlacingItem(*this); }
  void InitParticle(Particle* p) override {
    placed.push_back(p->color);
    p->phase = 0.3f;  // what a rule may leave; rebirth replaces it
  }
  std::vector<D3DCOLOR> placed;
};

struct EdgeCase {
  const char* name;
  float x, y, hw, hh;
  bool left, right, above, below, crossLeft, crossRight, crossTop, crossBottom;
};

TEST(ParticleEdges, WhollyOutsideUsesAbsoluteHalfSizesAndCrossingUsesSignedOnes) {
  ScopedPicture picture(800, 600);
  PlacingItem item;
  item.x0 = 0.25f;  // left 200
  item.x1 = 0.75f;  // right 600
  item.y0 = 0.5f;   // top 300
  item.y1 = 1.0f;   // bottom 600
  const EdgeCase cases[] = {
      {"inside", 400, 450, 20, 20, false, false, false, false, false, false, false, false},
      {"5 beyond left, half width 20", 195, 450, 20, 20, false, false, false, false, true, false, false, false},
      {"wholly left", 179, 450, 20, 20, true, false, false, false, true, false, false, false},
      {"on the left edge exactly", 180, 450, 20, 20, false, false, false, false, true, false, false, false},
      // Mirrored: wholly left as its twin; its left side (x + 20) is beyond the edge only when all of it is.
      {"mirrored wholly left", 179, 450, -20, 20, true, false, false, false, true, false, false, false},
      {"mirrored 5 beyond left", 195, 450, -20, 20, false, false, false, false, false, false, false, false},
      {"wholly right", 621, 450, 20, 20, false, true, false, false, false, true, false, false},
      {"mirrored crossing right", 590, 450, -20, 20, false, false, false, false, false, false, false, false},
      {"wholly above", 400, 279, 20, 20, false, false, true, false, false, false, true, false},
      {"crossing bottom", 400, 590, 20, 20, false, false, false, false, false, false, false, true},
      {"wholly below, flipped", 400, 621, 20, -20, false, false, false, true, false, false, false, true},
  };
  for (const EdgeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Particle p;
    p.centre = D3DXVECTOR3(c.x, c.y, 0);
    p.halfWidth = c.hw;
    p.halfHeight = c.hh;
    EXPECT_EQ(p.IsLeftOfRect(item), c.left);
    EXPECT_EQ(p.IsRightOfRect(item), c.right);
    EXPECT_EQ(p.IsAboveRect(item), c.above);
    EXPECT_EQ(p.IsBelowRect(item), c.below);
    EXPECT_EQ(p.CrossesLeftEdge(item), c.crossLeft);
    EXPECT_EQ(p.CrossesRightEdge(item), c.crossRight);
    EXPECT_EQ(p.CrossesTopEdge(item), c.crossTop);
    EXPECT_EQ(p.CrossesBottomEdge(item), c.crossBottom);
  }
}

TEST(ParticleEdges, CornerIsCentreLessBothHalfAxes) {
  Particle p;
  p.centre = D3DXVECTOR3(100, 50, 2);
  p.halfWidth = -10;
  p.halfHeight = 4;
  p.axisX = D3DXVECTOR3(0, 1, 0);
  p.axisY = D3DXVECTOR3(1, 0, 1);
  const D3DXVECTOR3 c = p.GetCorner();
  EXPECT_FLOAT_EQ(c.x, 96);
  EXPECT_FLOAT_EQ(c.y, 60);
  EXPECT_FLOAT_EQ(c.z, -2);
}

struct PhaseCase {
  const char* name;
  float phase, rate, step;
  bool rebirth;
  float phaseAfter, rateAfter;
  size_t placements;
};

TEST(ParticlePhase, AdvanceTurnsAtTheBoundsAndRebirthRestartsAtTheMinimum) {
  const PhaseCase cases[] = {
      {"below the minimum, reborn", 0.1f, -1, 0.2f, true, 0.0f, 1, 1},
      {"below the minimum, no rebirth", 0.1f, -1, 0.2f, false, 0.0f, 1, 0},
      {"lands on the minimum: no turn", 0.2f, -1, 0.2f, true, 0.0f, -1, 0},
      {"above the maximum", 0.9f, 1, 0.2f, true, 1.0f, -1, 0},
      {"lands on the maximum: no turn", 0.8f, 1, 0.2f, true, 1.0f, 1, 0},
      {"between the bounds", 0.5f, 0.5f, 0.2f, true, 0.6f, 0.5f, 0},
  };
  for (const PhaseCase& c : cases) {
    SCOPED_TRACE(c.name);
    PlacingItem item;
    item.phaseMin = 0.0f;
    item.phaseMax = 1.0f;
    item.delta = c.step;
    Particle p;
    p.phase = c.phase;
    p.phaseRate = c.rate;
    p.AdvancePhase(item, c.rebirth);
    EXPECT_NEAR(p.phase, c.phaseAfter, 1e-6);
    EXPECT_FLOAT_EQ(p.phaseRate, c.rateAfter);
    EXPECT_EQ(item.placed.size(), c.placements);
  }
}

TEST(ParticleColour, AlphaScalesWithThePhaseAndRedMovesToTheThirdByte) {
  PlacingItem item;
  item.colour = 0x00FF8040;  // red 0x40, green 0x80, blue 0xFF
  item.transparency.Change(0);  // alpha byte 255
  Particle p;
  p.phase = 0.5f;
  p.UpdateColor(item);
  EXPECT_EQ(p.color, 0x7F4080FFu);
  p.phase = 0.0f;
  p.UpdateColor(item);
  EXPECT_EQ(p.color, 0x004080FFu);
  item.transparency.Change(50);  // alpha byte 127
  p.phase = 1.0f;
  p.UpdateColor(item);
  EXPECT_EQ(p.color >> 24, 127u);
}

TEST(ParticleCreation, ACountOfThreeMakesThreeParticlesPlacedAfterTheirFullAlphaColour) {
  ScopedPicture picture(800, 600);
  PlacingItem item;
  item.colour = 0x00102030;
  item.count = 3;
  ParticleGeomArray geometry;
  geometry.item = &item;
  geometry.BindCountListener(item.count);
  ASSERT_EQ(geometry.particles.size(), 3u);
  ASSERT_EQ(item.placed.size(), 3u);
  for (D3DCOLOR c : item.placed) EXPECT_EQ(c, 0xFF302010u);
}

TEST(ParticleCreation, SizeFactorThenSignCoinThenThePlacement) {
  ScopedPicture picture(800, 600);
  PlacingItem item;
  item.sizeFactorMin = 0.5f;
  item.sizeFactorMax = 1.5f;
  item.phaseRate = 0.25f;
  ParticleGeomArray geometry;
  geometry.item = &item;
  ResetCrtRand(11);
  geometry.SetCount(1);
  Replay r(11);
  const float sf = r.U(0.5f, 1.5f);
  const bool odd = r.Odd();
  ASSERT_EQ(geometry.particles.size(), 1u);
  EXPECT_FLOAT_EQ(geometry.particles[0]->sizeFactor, sf);
  EXPECT_FLOAT_EQ(geometry.particles[0]->phaseRate, odd ? -0.25f : 0.25f);
}

}  // namespace
