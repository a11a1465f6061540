#include "objects3d/leaves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "objects3d/object_array.h"
#include "platform/d3dx_math.h"
#include "platform/noise.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "support/crt_sequence.h"
#include "support/item_round_trip.h"
#include "support/recording_renderer.h"
#include "support/saved_global.h"

namespace {

using lumi_test::CrtSequence;

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tolerance = 1e-3f) {
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(static_cast<const float*>(expected)[i], static_cast<const float*>(actual)[i], tolerance) << i;
}

class LeavesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetScreenMapping()->pictureWidth = 800;
    GetScreenMapping()->pictureHeight = 600;
    ResetCrtRand();
    g_LeafTime = 0;
  }
  void TearDown() override {
    ResetCrtRand();
  }
  // A leaf at (x, y) with sway factor and speed factor set.
  static std::unique_ptr<DS_LeafFallAnim> Leaf(LeafFallParams& params, float x, float y, float k = 0.1f) {
    std::unique_ptr<DS_LeafFallAnim> a(new DS_LeafFallAnim(&params));
    D3DXMatrixTranslation(&a->position, x, y, 0);
    a->speedFactor = k;
    return a;
  }

 private:
  lumi_test::SavedGlobal<ScreenMapping> mapping_{*GetScreenMapping()};
};

TEST(LeafOrientation, AxesTurnCounterClockwiseOnScreen) {
  struct Case {
    UINT degrees;
    float dx, dy, sx, sy;
  };
  const Case cases[] = {
      {0, 1, 0, 0, -1}, {90, 0, -1, -1, 0}, {180, -1, 0, 0, 1}, {270, 0, 1, 1, 0}, {45, 0.7071f, -0.7071f, -0.7071f, -0.7071f},
  };
  for (const Case& c : cases) {
    LeafFallParams p;
    p.SetOrientation(c.degrees);
    EXPECT_EQ(c.degrees, p.angle);
    EXPECT_NEAR(c.dx, p.driftAxis.x, 1e-4) << c.degrees;
    EXPECT_NEAR(c.dy, p.driftAxis.y, 1e-4) << c.degrees;
    EXPECT_NEAR(c.sx, p.swayAxis.x, 1e-4) << c.degrees;
    EXPECT_NEAR(c.sy, p.swayAxis.y, 1e-4) << c.degrees;
  }
}

TEST(LeafScaleRule, DiameterBecomesTheSizeAndEmptyMeshesScaleToNothing) {
  struct Case {
    UINT size;
    float radius;
    float scale;
  };
  const Case cases[] = {
      {100, 25, 2},
      {0, 25, 0},
      {100, 0, 0},                                         // empty mesh: no division by zero
      {100, -1, 0},
      {100, std::numeric_limits<float>::infinity(), 0},
      {100, std::numeric_limits<float>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(c.scale, LeafScale(c.size, c.radius)) << c.size << " " << c.radius;
}

TEST_F(LeavesTest, ConstructionDrawsInTheDocumentedOrder) {
  LeafFallParams params;
  CrtSequence q;
  const float x = q.Uniform(0, 800), y = q.Uniform(0, 600), sway = q.Uniform(-1, 1), k = q.Uniform(0.07f, 0.13f);
  float tumble[3], swing[2];
  for (float& t : tumble) {
    const float s = (q.Next() & 1) ? -1.0f : 1.0f;
    t = s * q.Uniform(7, 10);
  }
  for (float& t : swing) {
    const float z = (q.Next() & 1) ? 1.0f : 0.0f;
    const float s = (q.Next() & 1) ? -1.0f : 1.0f;
    t = z * s * q.Uniform(3, 7);
  }
  DS_LeafFallAnim leaf(&params);
  EXPECT_NEAR(x, leaf.position._41, 1e-3);
  EXPECT_NEAR(y, leaf.position._42, 1e-3);
  EXPECT_NEAR(sway, leaf.swayFactor, 1e-5);
  EXPECT_NEAR(k, leaf.speedFactor, 1e-5);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(tumble[i], leaf.turns[i].rate, 1e-4) << i;
    EXPECT_FLOAT_EQ(leaf.turns[i].rate, leaf.turns[i].angle);
    EXPECT_GE(std::fabs(leaf.turns[i].rate), 7.0f);
  }
  for (int i = 0; i < 2; ++i) EXPECT_NEAR(swing[i], leaf.turns[3 + i].rate, 1e-4) << i;
  EXPECT_EQ(q.Next(), CrtRand()) << "no further draws";
}

TEST_F(LeavesTest, DriftStepsAndReentersAtTheOppositeEdge) {
  struct Case {
    UINT angle;
    float x, y;
    bool reenters;
    float newX, newY;  // NAN: drawn uniformly over the picture's side
  };
  // size 40 (half 20), speed 50, k 0.1, dt 0.1: a step of 25 pixels.
  const Case cases[] = {
      {270, 100, 300, false, 100, 325},   // falling
      {270, 100, 621, true, NAN, -20},    // half a size below the bottom: back at the top
      {270, 100, 619, false, 100, 644},   // not yet
      {90, 100, -21, true, NAN, 620},     // rising past the top
      {0, 821, 300, true, -20, NAN},      // drifting right past the right edge
      {180, -21, 300, true, 820, NAN},    // drifting left past the left edge
      {180, 300, -50, false, 275, -50},   // off the top while drifting sideways: no vertical re-entry
  };
  for (const Case& c : cases) {
    LeafFallParams params;
    params.size = 40u;
    params.SetOrientation(c.angle);
    auto leaf = Leaf(params, c.x, c.y);
    g_LeafTime = 0.1f;
    ResetCrtRand(5);
    CrtSequence q{5};
    DS_Frame frame;
    leaf->DS_SreamAnim::Animate(&frame);
    const float drawn = q.Uniform(0, std::isnan(c.newX) ? 800.0f : 600.0f);
    EXPECT_NEAR(std::isnan(c.newX) ? drawn : c.newX, leaf->position._41, 1e-2) << c.angle << " " << c.x << "," << c.y;
    EXPECT_NEAR(std::isnan(c.newY) ? drawn : c.newY, leaf->position._42, 1e-2) << c.angle << " " << c.x << "," << c.y;
    EXPECT_FLOAT_EQ(0.1f, leaf->dt);
  }
}

TEST_F(LeavesTest, StepsAreClampedAndCountBackwardTimeByItsSize) {
  struct Case {
    float last, now;
    float dt;
  };
  const Case cases[] = {{0, 0.05f, 0.05f}, {0, 1.0f, 0.2f}, {1.0f, 0.9f, 0.1f}, {5, 0, 0.2f}};
  for (const Case& c : cases) {
    LeafFallParams params;
    params.SetOrientation(270);
    auto leaf = Leaf(params, 100, 100, 0.1f);
    leaf->lastStep = c.last;
    g_LeafTime = c.now;
    DS_Frame frame;
    leaf->DS_SreamAnim::Animate(&frame);
    EXPECT_NEAR(c.dt, leaf->dt, 1e-5) << c.last << " -> " << c.now;
    EXPECT_NEAR(100 + c.dt * 0.1f * 50 * 50, leaf->position._42, 1e-3);
    EXPECT_FLOAT_EQ(c.now, leaf->lastStep);
  }
}

TEST_F(LeavesTest, SwayAddsAlongTheSwayAxis) {
  LeafFallParams params;
  params.SetOrientation(270);  // down; sway axis to the right
  params.sway = 50u;
  auto leaf = Leaf(params, 100, 100, 0.1f);
  leaf->swayFactor = 0.5f;
  g_LeafTime = 0.1f;
  DS_Frame frame;
  leaf->DS_SreamAnim::Animate(&frame);
  // J = 0.5 x 50 x 0.02 = 0.5; F = 0.1 x 0.1 x 50 x 50 = 25.
  EXPECT_NEAR(100 + 12.5f, leaf->position._41, 1e-3);
  EXPECT_NEAR(125, leaf->position._42, 1e-3);
}

TEST_F(LeavesTest, SwayChangesOnlyWhenItsRateAllowsAndTheGeneratorSaysOdd) {
  struct Case {
    UINT rate;
    float now;
    bool odd;
    bool changes;
    bool draws;
  };
  // speed 50: (now - last) x 5 > 100 / rate.
  const Case cases[] = {
      {0, 1000, true, false, false},  // rate 0: never, and no integer division by zero
      {10, 1.0f, true, false, false}, // 5 is not above 10
      {10, 2.5f, true, true, true},   // 12.5 > 10, odd: a new factor
      {10, 2.5f, false, false, true}, // even: kept
      {1000, 0.05f, true, true, true},
  };
  for (const Case& c : cases) {
    LeafFallParams params;
    params.swayRate = c.rate;
    auto leaf = Leaf(params, 100, 100);
    leaf->swayFactor = 0.25f;
    leaf->lastStep = c.now;
    g_LeafTime = c.now;
    const uint32_t state = CrtSequence::FindState(11, [&](int d) { return ((d & 1) != 0) == c.odd; });
    ResetCrtRand(state);
    CrtSequence q{state};
    DS_Frame frame;
    leaf->DS_SreamAnim::Animate(&frame);
    if (c.draws) q.Next();
    const float expected = c.changes ? q.Uniform(-1, 1) : 0.25f;
    EXPECT_NEAR(expected, leaf->swayFactor, 1e-5) << c.rate << " at " << c.now;
    EXPECT_FLOAT_EQ(c.draws ? c.now : 0.0f, leaf->lastSwayChange);
    EXPECT_EQ(q.Next(), CrtRand()) << "draws for rate " << c.rate;
  }
}

TEST_F(LeavesTest, TheWorldMatrixTumblesSwingsAndPlacesTheLeaf) {
  LeafFallParams params;
  params.size = 60u;
  params.spin = 100u;
  params.sway = 10u;
  params.SetOrientation(270);
  params.speed = 0u;  // stays in place
  auto leaf = Leaf(params, 300, 200);
  for (int i = 0; i < 5; ++i) leaf->turns[i] = {static_cast<float>(i + 1), static_cast<float>(10 * i)};
  DS_Frame frame;
  frame.radius = 15;
  pmath::MatrixTranslation(frame.local, -1, -2, -3);
  g_LeafTime = 0.1f;
  leaf->Animate(&frame);
  float a[5];
  for (int i = 0; i < 3; ++i) a[i] = 10.0f * i + (i + 1) * 0.1f * 100 * 0.4f;
  for (int i = 3; i < 5; ++i) a[i] = 10.0f * i + (i + 1) * 0.1f * 10 * 0.4f;
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(a[i], leaf->turns[i].angle, 1e-4) << i;
  D3DXMATRIX s, rx0, rz2, ry1, out, ry3, rx4, pos;
  pmath::MatrixScaling(s, 2, 2, 2);  // diameter 60 over radius 15
  pmath::MatrixRotationX(rx0, DegToRad(a[0]));
  pmath::MatrixRotationZ(rz2, DegToRad(a[2]));
  pmath::MatrixRotationY(ry1, DegToRad(a[1]));
  pmath::MatrixTranslation(out, 0, 0, 50);
  pmath::MatrixRotationY(ry3, DegToRad(a[3]));
  pmath::MatrixRotationX(rx4, DegToRad(a[4]));
  pmath::MatrixTranslation(pos, 300, 200, 0);
  ExpectMatrixNear(frame.local * s * rx0 * rz2 * ry1 * out * ry3 * rx4 * pos, frame.world);

  // A mesh without a radius scales the leaf to nothing rather than to infinity.
  frame.radius = 0;
  leaf->Animate(&frame);
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(static_cast<const float*>(frame.world)[i])) << i;
}

TEST_F(LeavesTest, TheRenderObjectKeepsOneAnimatedLeafPerCountAndDrawsTheNode) {
  struct Case {
    UINT count;
  };
  for (const Case& c : {Case{0}, Case{1}, Case{25}}) {
    DS_3D_in_2D_array_Constructor item;
    item.leafCount = c.count;
    item.params.size = 10u;
    item.params.SetOrientation(270);
    std::unique_ptr<DS_ABObj> obj(item.CreateRenderObject());
    auto* leaves = static_cast<DS_3D_in_2D_array*>(obj.get());
    ASSERT_EQ(c.count, leaves->node.children.size());
    for (DS_Frame* leaf : leaves->node.children) {
      ASSERT_NE(nullptr, dynamic_cast<DS_LeafFallAnim*>(leaf->animation));
      EXPECT_EQ(&leaves->leaves->params, static_cast<DS_LeafFallAnim*>(leaf->animation)->params)
          << "leaves read the render object's own copy";
    }
    obj->Update(0.5);
    EXPECT_FLOAT_EQ(0.5f, g_LeafTime);
    lumi_test::CallLog log;
    lumi_test::RecordingRenderer renderer(log);
    log.names[&leaves->node] = "leaves";
    obj->Render(&renderer);
    EXPECT_EQ(std::vector<std::string>{"DrawTwoSidedMesh leaves"}, log.calls);
  }
}

TEST_F(LeavesTest, SectionRoundTripsByteForByteAndReadsTheOrientation) {
  DS_3D_in_2D_array_Constructor item;
  item.name = u"autumn leaves";
  item.leafCount = 30u;
  item.meshRecord = DocResourceRecord(0, u"");
  item.meshRecord.blob.name = u"leaf.x";
  const BYTE xof[] = {'x', 'o', 'f', ' '};
  item.meshRecord.blob.SetBytes(4, xof);
  item.textureRecord = DocResourceRecord(40, u"basekit.dll");
  item.params.size = 64u;
  item.params.speed = 30u;
  item.params.sway = 20u;
  item.params.swayRate = 5u;
  item.params.spin = 80u;
  item.params.SetOrientation(250);
  const std::vector<BYTE> bytes = lumi_test::SavedBytes(item);
  std::unique_ptr<DS_ABObj_Constructor> read = lumi_test::ReadItemBack(bytes);
  auto* l = dynamic_cast<DS_3D_in_2D_array_Constructor*>(read.get());
  ASSERT_NE(nullptr, l);
  EXPECT_EQ(250u, l->params.angle);
  EXPECT_NEAR(item.params.driftAxis.x, l->params.driftAxis.x, 1e-6);
  EXPECT_NEAR(item.params.swayAxis.y, l->params.swayAxis.y, 1e-6);
  EXPECT_EQ(4, l->meshRecord.blob.Size());
  EXPECT_EQ(bytes, lumi_test::SavedBytes(*l));
}

}  // namespace
