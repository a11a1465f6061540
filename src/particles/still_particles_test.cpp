#include "particles/still_particles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "scene/particle.h"
#include "particles/particle_objects.h"
#include "support/particle_fixture.h"

namespace {

using lumi_test::Replay;
using lumi_test::ScopedPicture;

TEST(StillObject, DefaultCentreIsThePictureCentreAtConstruction) {
  ScopedPicture picture(801, 601);
  DS_StatObjConstructor still;
  EXPECT_EQ(still.placement.centreX.GetValue(), 400);
  EXPECT_EQ(still.placement.centreY.GetValue(), 300);
}

TEST(StillObject, PlacementRectangleIsTheTurnedSpritesBoundingBox) {
  const struct {
    UINT angle;
    int left, right, top, bottom;
  } cases[] = {{0, 350, 450, 250, 350}, {45, 329, 470, 229, 370}, {90, 350, 450, 250, 350}};
  for (const auto& c : cases) {
    DS_StatObjConstructor still;
    still.size = 100;
    still.placement.centreX.Raw() = 400;
    still.placement.centreY.Raw() = 300;
    still.angle.Raw() = c.angle;
    Particle p;
    p.sizeFactor = 1.0f;
    still.PlaceSprite(&p);
    EXPECT_FLOAT_EQ(p.centre.x, 400) << c.angle;
    EXPECT_EQ(still.placement.left.GetValue(), c.left) << c.angle;
    EXPECT_EQ(still.placement.right.GetValue(), c.right) << c.angle;
    EXPECT_EQ(still.placement.top.GetValue(), c.top) << c.angle;
    EXPECT_EQ(still.placement.bottom.GetValue(), c.bottom) << c.angle;
    // The undo snapshot follows the stored edge.
    EXPECT_EQ(still.placement.left.UndoControl().Snapshot(), c.left);
  }
}

TEST(StillObject, QuadAndHitTestUseThePlacementRectangle) {
  ScopedPicture picture(800, 600);
  DS_StatObjConstructor still;
  still.placement.left.Raw() = 10;
  still.placement.right.Raw() = 30;
  still.placement.top.Raw() = 40;
  still.placement.bottom.Raw() = 80;
  ScreenQuad quad;
  still.GetQuad(&quad);
  EXPECT_FLOAT_EQ(quad.v[0].x, 10);
  EXPECT_FLOAT_EQ(quad.v[0].y, 80);
  EXPECT_FLOAT_EQ(quad.v[1].y, 40);
  EXPECT_FLOAT_EQ(quad.v[3].x, 30);
}

TEST(StillObject, RenderObjectDrawsStillMarkers) {
  ScopedPicture picture(800, 600);
  DS_DischargeConstructor discharge;
  std::unique_ptr<DS_ABObj> object(discharge.CreateRenderObject());
  auto* sprites = dynamic_cast<DS_SpriteArrayObj*>(object.get());
  ASSERT_NE(sprites, nullptr);
  EXPECT_EQ(sprites->markerMode, 1);
  EXPECT_NE(dynamic_cast<DS_DischargeConstructor*>(sprites->Sprites()), nullptr);
  EXPECT_NE(sprites->Sprites(), &discharge);
}

TEST(Flower, SwaysAboutItsBottomPoint) {
  DS_FlowerConstructor flower;
  flower.size = 100;
  flower.placement.centreX.Raw() = 400;
  flower.placement.centreY.Raw() = 300;
  Particle p;
  p.sizeFactor = 1.0f;
  flower.PlaceSprite(&p);
  const D3DXVECTOR3 bottom = p.centre + p.axisY * p.halfHeight;
  float most = 0;
  for (float clock = 0; clock < 7; clock += 0.25f) {
    flower.clock = clock;
    flower.UpdateParticle(&p);
    const D3DXVECTOR3 b = p.centre + p.axisY * p.halfHeight;
    EXPECT_NEAR(b.x, bottom.x, 1e-3) << clock;
    EXPECT_NEAR(b.y, bottom.y, 1e-3) << clock;
    most = std::max(most, std::fabs(p.axisY.x));
  }
  EXPECT_NEAR(most, std::tan(1.5f * D3DX_PI / 180), 1e-4);
}

TEST(Discharge, NextFrameIsAlwaysAnotherFrameAndFrameZeroForOneOrNoFrames) {
  DS_DischargeConstructor discharge;
  discharge.frameCount = 4;
  UINT frame = 0;
  for (int k = 0; k < 200; ++k) {
    const UINT next = discharge.NextFrame(frame);
    ASSERT_LT(next, 4u);
    ASSERT_NE(next, frame);
    frame = next;
  }
  for (UINT frames : {0u, 1u}) {
    discharge.frameCount = frames;
    ResetCrtRand(1);
    EXPECT_EQ(discharge.NextFrame(0), 0u);
    EXPECT_EQ(CrtRand(), 41);  // nothing drawn
  }
}

TEST(Grass, StandsOnTheBottomEdgeAndKeepsItsBaseWhileSwaying) {
  ScopedPicture picture(800, 600);
  DS_GrassConstructor grass;
  grass.y1 = 0.9f;
  Particle p;
  p.halfHeight = 50;
  ResetCrtRand(12);
  grass.InitParticle(&p);
  Replay r(12);
  const float x = r.U(0, 800);
  const float phase = r.U(0, 1) * D3DX_PI / 2;
  const bool mirrored = r.Odd();
  EXPECT_FLOAT_EQ(p.centre.x, x);
  EXPECT_FLOAT_EQ(p.centre.y, 540 - 50);
  EXPECT_FLOAT_EQ(p.velocity.z, x);
  EXPECT_FLOAT_EQ(p.velocity.y, phase);
  EXPECT_FLOAT_EQ(p.axisX.x, mirrored ? -1 : 1);
  // Base x 100, at the top of the wave: the centre leans by tan(3 degrees) x 50.
  p.velocity.z = 100;
  p.centre.x = 100;
  p.velocity.y = D3DX_PI / 2 - 100.0f / 800.0f * 2 * D3DX_PI;
  grass.clock = 0;
  grass.UpdateParticle(&p);
  EXPECT_NEAR(p.centre.x, 97.38f, 1e-2);
  EXPECT_NEAR(p.axisY.x, std::tan(3 * D3DX_PI / 180), 1e-5);
}

}  // namespace
