#include "objects3d/butterfly.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/d3dx_math.h"
#include "platform/noise.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"
#include "support/crt_sequence.h"
#include "support/item_round_trip.h"
#include "support/saved_global.h"

namespace {

using lumi_test::CrtSequence;
using lumi_test::ReadItemBack;
using lumi_test::SavedBytes;

D3DXMATRIX Rot(void (*fn)(float*, float), float degrees) {
  D3DXMATRIX m;
  fn(m, DegToRad(degrees));
  return m;
}
D3DXMATRIX RX(float d) { return Rot(&pmath::MatrixRotationX, d); }
D3DXMATRIX RY(float d) { return Rot(&pmath::MatrixRotationY, d); }
D3DXMATRIX RZ(float d) { return Rot(&pmath::MatrixRotationZ, d); }
D3DXMATRIX T(float x, float y, float z) {
  D3DXMATRIX m;
  pmath::MatrixTranslation(m, x, y, z);
  return m;
}
D3DXMATRIX S(float s) {
  D3DXMATRIX m;
  pmath::MatrixScaling(m, s, s, s);
  return m;
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tolerance = 1e-3f) {
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(static_cast<const float*>(expected)[i], static_cast<const float*>(actual)[i], tolerance)
        << "element " << i;
}

class ButterflyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetScreenMapping()->pictureWidth = 800;
    GetScreenMapping()->pictureHeight = 600;
    ResetCrtRand();
  }
  void TearDown() override {
    ResetCrtRand();
  }

 private:
  lumi_test::SavedGlobal<ScreenMapping> mapping_{*GetScreenMapping()};
};

TEST(ApproachValueTest, StepMovesAtTheRateAndStopsAtTheTarget) {
  struct Case {
    ApproachValue start;
    float dt;
    float value;
  };
  const Case cases[] = {
      {{5, 5, 10}, 1, 5},        // at the target: nothing
      {{0, 10, 4}, 1, 4},        // on the way up
      {{0, 10, 40}, 1, 10},      // passed: clamped
      {{10, 0, -4}, 1, 6},       // on the way down
      {{10, 0, -40}, 1, 0},      // passed downward: clamped
      {{0, 10, -4}, 1, 10},      // a rate pointing away counts as passed: at the target at once
      {{0, 10, 4}, 0, 0},        // no time, no move
  };
  for (const Case& c : cases) {
    ApproachValue a = c.start;
    a.Step(c.dt);
    EXPECT_FLOAT_EQ(c.value, a.value) << c.start.value << " -> " << c.start.target << " at " << c.start.rate;
  }
}

TEST(ApproachValueTest, SetTargetKeepsTheMagnitudeAndPointsTheRateAtTheTarget) {
  struct Case {
    ApproachValue start;
    float target, rate;
    float expectedRate;
  };
  const Case cases[] = {
      {{0, 0, 50}, 25, 0, 50},     // rate 0 keeps the magnitude
      {{0, 0, 50}, -25, 0, -50},   // below the value: negative
      {{0, 0, -50}, 25, 350, 350}, // a new rate replaces the old
      {{0, 0, 50}, -25, 350, -350},
      {{10, 0, 50}, 10, 0, -50},   // a target equal to the value: negative
  };
  for (const Case& c : cases) {
    ApproachValue a = c.start;
    a.SetTarget(c.target, c.rate);
    EXPECT_FLOAT_EQ(c.target, a.target);
    EXPECT_FLOAT_EQ(c.expectedRate, a.rate) << "target " << c.target << " rate " << c.rate;
  }
  ApproachValue same{10, 0, 50};
  same.SetTarget(10, 0);
  same.Step(1);
  EXPECT_FLOAT_EQ(10, same.value);
}

TEST_F(ButterflyTest, ConstructionDrawsThePointThenTheHeading) {
  DS_ButterflyConstructor item;
  item.x0 = 0.25f;
  item.x1 = 0.5f;
  item.y0 = 0.5f;
  item.y1 = 1.0f;
  CrtSequence q;
  const float x = q.Uniform(200, 400);
  const float y = q.Uniform(300, 600);
  const float h = q.Uniform(0, 360);
  AC_Butterfly b(&item);
  EXPECT_NEAR(x, b.position.x, 1e-3);
  EXPECT_NEAR(y, b.position.y, 1e-3);
  EXPECT_FLOAT_EQ(0, b.position.z);
  EXPECT_NEAR(h, b.heading.value, 1e-3);
  EXPECT_NEAR(h, b.heading.target, 1e-3);
  EXPECT_FLOAT_EQ(350, b.heading.rate);
  delete b.wingA;
  delete b.wingB;
}

TEST_F(ButterflyTest, SizeIsAPercentageAndFollowsTheItem) {
  DS_ButterflyConstructor item;
  item.size = 200u;
  AC_Butterfly b(&item);
  ExpectMatrixNear(S(2), b.sizeMatrix);
  item.size.SetValue(50, nullptr);
  ExpectMatrixNear(S(0.5f), b.sizeMatrix);
  delete b.wingA;
  delete b.wingB;
}

TEST_F(ButterflyTest, FlapTurnsAtTheLimits) {
  struct Case {
    float angle, speed, upper, lower, dt;
    float newAngle, newSpeed;
  };
  const Case cases[] = {
      {0, 100, 55, -55, 0.05f, 35, 100},     // rising inside the limits
      {50, 100, 55, -55, 0.01f, 57, -160},   // past the upper limit: down fast
      {-50, -160, 55, -55, 0.01f, -61.2f, 100},  // past the lower limit: up
      {-10, 100, 0, -55, 0.02f, 4, -160},    // gliding: the upper limit is 0
  };
  DS_ButterflyConstructor item;
  for (const Case& c : cases) {
    AC_Butterfly b(&item);
    b.flapAngle = c.angle;
    b.flapSpeed = c.speed;
    b.upperLimit = c.upper;
    b.lowerLimit = c.lower;
    b.Flap(c.dt);
    EXPECT_NEAR(c.newAngle, b.flapAngle, 1e-3);
    EXPECT_FLOAT_EQ(c.newSpeed, b.flapSpeed);
    delete b.wingA;
    delete b.wingB;
  }
}

TEST_F(ButterflyTest, WingFlagsFollowTheSignOfTheFlapAngle) {
  struct Case {
    float angle;
    bool a, b;
  };
  const Case cases[] = {{30, true, false}, {-30, false, true}, {0, false, false}};
  DS_ButterflyConstructor item;
  for (const Case& c : cases) {
    AC_Butterfly b(&item);
    b.flapAngle = c.angle;
    b.SetWings();
    EXPECT_EQ(c.a, b.wingA->frontFace) << c.angle;
    EXPECT_EQ(c.b, b.wingB->frontFace) << c.angle;
    ExpectMatrixNear(RZ(c.angle), b.wingA->wing);
    D3DXMATRIX mirror;
    pmath::MatrixScaling(mirror, -1, 1, 1);
    ExpectMatrixNear(RZ(c.angle) * mirror, b.wingB->wing);
    delete b.wingA;
    delete b.wingB;
  }
}

TEST_F(ButterflyTest, EdgesOfTheViewRectangleSteerItBack) {
  struct Case {
    float x, y;
    int mode;             // requested
    float verticalTarget;
    float headingTarget, headingRate;
    float forwardTarget;
  };
  // Rectangle 200..600 x 150..450 on an 800 x 600 picture; the start state has targets 50, h, 50.
  const float h = 90;
  const Case cases[] = {
      {400, 300, 0, 50, h, 350, 50},     // inside: nothing changes
      {400, 100, 1, 100, h, 350, 50},    // above: glide down
      {400, 500, 0, -190, h, 350, 50},   // below: climb
      {100, 300, 0, 50, 0, -350, 300},   // left: turn back to heading 0 at 350 and speed up
      {700, 300, 0, 50, -180, -350, 300},  // right: turn to -180
      {100, 100, 1, 100, 0, -350, 300},  // above and left at once
  };
  DS_ButterflyConstructor item;
  item.x0 = 0.25f;
  item.x1 = 0.75f;
  item.y0 = 0.25f;
  item.y1 = 0.75f;
  for (const Case& c : cases) {
    AC_Butterfly b(&item);
    b.heading = {h, h, 350};
    b.position = D3DXVECTOR3(c.x, c.y, 0);
    b.BounceAtEdges(800, 600);
    EXPECT_EQ(c.mode, b.requestedMode) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(c.verticalTarget, b.vertical.target) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(c.headingTarget, b.heading.target) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(c.headingRate, b.heading.rate) << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(c.forwardTarget, b.forward.target) << c.x << "," << c.y;
    delete b.wingA;
    delete b.wingB;
  }
}

TEST_F(ButterflyTest, ModeChangesGlideOnceTheWingsCloseAndFlapAtOnce) {
  struct Case {
    int current, requested;
    float flapAngle, flapSpeed, forward;
    int newMode;
    float upper, newSpeed;  // NAN: drawn, checked against the sequence
  };
  const Case cases[] = {
      {0, 1, 10, 100, 50, 0, 0, 100},          // wings still open: only the upper limit drops
      {0, 1, -30, -160, 50, 1, 0, -1.6f},      // below half the lower limit: gliding, slowly
      {1, 0, -30, -1.6f, 10, 0, 55, 160},      // slow: a fixed beat
      {1, 0, -30, -1.6f, 150, 0, 55, NAN},     // fast: a drawn beat
      {0, 0, 10, 100, 50, 0, 55, 100},         // no change requested
  };
  DS_ButterflyConstructor item;
  for (const Case& c : cases) {
    AC_Butterfly b(&item);
    b.currentMode = c.current;
    b.requestedMode = c.requested;
    b.flapAngle = c.flapAngle;
    b.flapSpeed = c.flapSpeed;
    b.forward.value = c.forward;
    if (c.current == 1) b.upperLimit = 0;
    ResetCrtRand(7);
    CrtSequence q{7};
    b.ChangeMode();
    EXPECT_EQ(c.newMode, b.currentMode);
    EXPECT_FLOAT_EQ(c.upper, b.upperLimit);
    const float speed = std::isnan(c.newSpeed) ? q.Uniform(-160, c.forward / 3 - 50) : c.newSpeed;
    EXPECT_NEAR(speed, b.flapSpeed, 1e-3);
    delete b.wingA;
    delete b.wingB;
  }
}

TEST_F(ButterflyTest, DecisionsFollowTheGeneratorsDraws) {
  DS_ButterflyConstructor item;
  for (int r = 0; r < 5; ++r) {
    for (bool even : {true, false}) {
      const uint32_t start = CrtSequence::FindState(1000 + 37 * r, [&](int d) { return d % 5 == r; });
      uint32_t state = start;
      if (r >= 3) {
        // The second draw picks the side of the turn.
        for (;; ++state) {
          CrtSequence q{state};
          if (q.Next() % 5 == r && (q.Next() % 2 == 0) == even) break;
        }
      } else if (!even) {
        continue;
      }
      AC_Butterfly b(&item);
      b.heading = {90, 90, 350};
      b.lastDecision = 1;
      ResetCrtRand(state);
      CrtSequence q{state};
      q.Next();
      b.Decide(1.5f);
      EXPECT_FLOAT_EQ(1.5f, b.lastDecision);
      switch (r) {
        case 0:
          EXPECT_EQ(0, b.requestedMode);
          EXPECT_NEAR(q.Uniform(-190, 0), b.vertical.target, 1e-3);
          break;
        case 1:
          EXPECT_EQ(1, b.requestedMode);
          EXPECT_NEAR(q.Uniform(100, 150), b.vertical.target, 1e-3);
          break;
        case 2:
          EXPECT_EQ(0, b.requestedMode);
          EXPECT_NEAR(q.Uniform(-25, 300), b.forward.target, 1e-3);
          break;
        default: {
          q.Next();
          const float rate = q.Uniform(50, 350);
          const float target = even ? q.Uniform(155, 205) : q.Uniform(-25, 25);
          EXPECT_NEAR(target, b.heading.target, 1e-3) << "r " << r << (even ? " even" : " odd");
          EXPECT_NEAR(target > 90 ? rate : -rate, b.heading.rate, 1e-3);
          break;
        }
      }
      delete b.wingA;
      delete b.wingB;
    }
  }
}

TEST_F(ButterflyTest, NoDecisionTooSoonDuringAModeChangeOrATurnDrawsAsDocumented) {
  DS_ButterflyConstructor item;
  struct Case {
    float t;
    int current, requested;
    float headingTarget;
    int draws;  // how many values the decision takes from the generator
  };
  const uint32_t turnState = CrtSequence::FindState(1, [](int d) { return d % 5 == 3; });
  const Case cases[] = {
      {1.2f, 0, 0, 90, 0},  // 0.2 s after the last decision
      {2.0f, 1, 0, 90, 0},  // a mode change is pending
      {2.0f, 0, 0, 45, 1},  // a turn is under way: the turn is skipped after its one draw
  };
  for (const Case& c : cases) {
    AC_Butterfly b(&item);
    b.heading = {90, c.headingTarget, 350};
    b.currentMode = c.current;
    b.requestedMode = c.requested;
    b.lastDecision = 1;
    ResetCrtRand(turnState);
    b.Decide(c.t);
    CrtSequence q{turnState};
    for (int i = 0; i < c.draws; ++i) q.Next();
    EXPECT_EQ(q.Next(), CrtRand()) << "t " << c.t;
    EXPECT_FLOAT_EQ(c.headingTarget, b.heading.target);
    delete b.wingA;
    delete b.wingB;
  }
}

TEST_F(ButterflyTest, OneStepWritesTheWholeMatrixChain) {
  DS_ButterflyConstructor item;
  item.size = 150u;
  item.delta = 0.1f;
  item.clock = 0.1f;
  std::unique_ptr<DS_Frame> root(item.CreateFrameTree());
  AC_Butterfly& b = *static_cast<AC_Butterfly*>(root->animation);
  b.position = D3DXVECTOR3(400, 300, 0);
  b.heading = {30, 30, 350};
  const uint32_t before = 99;
  ResetCrtRand(before);
  root->UpdateTransform(nullptr);

  // 0.1 s: the wings beat to 70 degrees and turn down; the body moves at 50 along heading 30 and 50 down.
  EXPECT_NEAR(70, b.flapAngle, 1e-3);
  EXPECT_FLOAT_EQ(-160, b.flapSpeed);
  const float x = 400 + 50 * std::cos(DegToRad(30)) * 0.1f;
  const float y = 300 + 50 * 0.1f;
  EXPECT_NEAR(x, b.position.x, 1e-3);
  EXPECT_NEAR(y, b.position.y, 1e-3);
  // Forward 50 pitches up by 7.5 degrees; no bank, no decision yet (the clock is at 0.1 s).
  const D3DXMATRIX expected =
      S(1.5f) * T(0, -3 * 70.0f / 45, 0) * RZ(0) * RX(10) * RX(7.5f) * RY(30) * root->local * T(x, y, 0);
  ExpectMatrixNear(expected, root->world);
  EXPECT_EQ(CrtSequence{before}.Next(), CrtRand()) << "no decision drew from the generator";
  // The wings hang on the body: Scaling(wing scale) x wing matrix x root world.
  D3DXMATRIX mirror;
  pmath::MatrixScaling(mirror, -1, 1, 1);
  ExpectMatrixNear(S(item.wingScale) * RZ(70) * root->world, root->children[0]->world);
  ExpectMatrixNear(S(item.wingScale) * RZ(70) * mirror * root->world, root->children[1]->world);
  EXPECT_EQ(1, root->children[0]->frontFace);
  EXPECT_EQ(0, root->children[1]->frontFace);
  root->DestroyWithChildren();
}

TEST_F(ButterflyTest, PitchOnlyBelowForwardSpeed100AndBankIntoTurns) {
  struct Case {
    float forward;
    float headingValue, headingTarget;
    float pitch;
    float bankTarget;
  };
  const Case cases[] = {
      {100, 30, 30, 0, 0}, {150, 30, 30, 0, 0}, {50, 30, 30, 7.5f, 0}, {0, 30, 30, 15, 0},
      {100, 30, 60, 0, 25},   // turning up: bank 25
      {100, 30, 0, 0, -25},   // turning down: bank -25
      {100, 30, 34, 0, 0},    // within 5 degrees: no bank
  };
  DS_ButterflyConstructor item;
  item.size = 100u;
  for (const Case& c : cases) {
    item.delta = 0;  // no movement, no flap
    item.clock = 0;
    std::unique_ptr<DS_Frame> root(item.CreateFrameTree());
    AC_Butterfly& b = *static_cast<AC_Butterfly*>(root->animation);
    b.position = D3DXVECTOR3(400, 300, 0);
    b.heading = {c.headingValue, c.headingTarget, 350};
    b.forward = {c.forward, c.forward, 350};
    root->UpdateTransform(nullptr);
    D3DXMATRIX pitch;
    pmath::MatrixIdentity(pitch);
    if (c.pitch != 0) pitch = RX(c.pitch);
    ExpectMatrixNear(RX(10) * pitch * RY(c.headingValue) * root->local * T(400, 300, 0), root->world);
    EXPECT_FLOAT_EQ(c.bankTarget, b.bank.target) << c.headingTarget;
    root->DestroyWithChildren();
  }
}

TEST_F(ButterflyTest, FrameTreeAndPartsFollowTheInstances) {
  DS_ButterflyConstructor item;
  item.wingScale = 2;
  std::unique_ptr<DS_Frame> a(item.CreateFrameTree()), b(item.CreateFrameTree());
  D3DXMATRIX ry;
  pmath::MatrixRotationY(ry, D3DX_PI / 2);
  ExpectMatrixNear(S(0.5f) * ry, a->local);
  ASSERT_EQ(2u, a->children.size());
  AC_Butterfly& flight = *static_cast<AC_Butterfly*>(a->animation);
  EXPECT_EQ(flight.wingA, a->children[0]->animation);
  EXPECT_EQ(flight.wingB, a->children[1]->animation);
  ExpectMatrixNear(S(2), a->children[1]->local);

  std::vector<MeshPart> parts(2);
  std::list<DS_Frame*> instances{a.get(), b.get()};
  item.AttachInstances(instances, parts);
  EXPECT_EQ((std::vector<DS_Frame*>{a.get(), b.get()}), parts[0].instances);
  EXPECT_EQ((std::vector<DS_Frame*>{a->children[0], a->children[1], b->children[0], b->children[1]}),
            parts[1].instances);
  a->DestroyWithChildren();
  b->DestroyWithChildren();
}

TEST_F(ButterflyTest, SectionRoundTripsByteForByte) {
  DS_ButterflyConstructor item;
  item.name = u"meadow butterflies";
  item.bodyTexture = DS_ImageFileLink(16, u"other.dll");
  item.bodyMesh = DS_MeshFile(17, u"other.dll");
  item.texture = DS_ImageFileLink(18, kBaseKitModule);
  item.param1.Change(7);
  item.param2.Change(9);
  item.wingScale = 1.25f;
  item.count = 12u;
  item.size = 80u;
  item.x0 = 0.1f;
  item.y1 = 0.6f;
  item.speed = 70u;
  const std::vector<BYTE> bytes = SavedBytes(item);
  std::unique_ptr<DS_ABObj_Constructor> read = ReadItemBack(bytes);
  auto* b = dynamic_cast<DS_ButterflyConstructor*>(read.get());
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(12u, b->count.GetValue());
  EXPECT_FLOAT_EQ(1.25f, b->wingScale);
  EXPECT_FLOAT_EQ(7.0f, b->param1.GetResult()) << "the reader announces the parameters";
  EXPECT_EQ(bytes, SavedBytes(*b));
}

TEST_F(ButterflyTest, VersionOneRecordsKeepWingScaleOne) {
  DS_ButterflyConstructor item;
  item.wingScale = 3;
  item.count = 4u;
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_ButterflyConstructor", 1);
  WriteFileLink(&s, item.bodyTexture);
  WriteFileLink(&s, item.bodyMesh);
  s->WriteUInt(50);
  s->WriteUInt(50);
  item.SaveBase(&s);
  std::unique_ptr<DS_ABObj_Constructor> read = ReadItemBack(w.Bytes());
  auto* b = dynamic_cast<DS_ButterflyConstructor*>(read.get());
  ASSERT_NE(nullptr, b);
  EXPECT_FLOAT_EQ(1.0f, b->wingScale);
  EXPECT_EQ(4u, b->count.GetValue());
}

TEST_F(ButterflyTest, DefaultsNameTheResourceModule) {
  DS_ButterflyConstructor item;
  EXPECT_EQ(DS_ImageFileLink(6, kBaseKitModule).GetKey(), item.bodyTexture.GetKey());
  EXPECT_EQ(DS_MeshFile(68, kBaseKitModule).GetKey(), item.bodyMesh.GetKey());
  EXPECT_EQ(DS_MeshFile(69, kBaseKitModule).GetKey(), item.mesh.GetKey());
  EXPECT_TRUE(item.texture.GetName().empty());
  EXPECT_EQ(100u, item.size.GetValue());
  EXPECT_EQ(1u, item.count.GetValue());
  EXPECT_FLOAT_EQ(50.0f, item.param1.GetResult());
}

}  // namespace
