#include "objects3d/clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/d3dx_math.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"
#include "support/counting_observer.h"
#include "support/item_round_trip.h"
#include "support/saved_global.h"

namespace {

D3DXMATRIX RY(float degrees) {
  D3DXMATRIX m;
  pmath::MatrixRotationY(m, DegToRad(degrees));
  return m;
}

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual) {
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(static_cast<const float*>(expected)[i], static_cast<const float*>(actual)[i], 1e-3f) << i;
}

// The time the hands read, under the test's control.
ClockTime g_now;
bool g_timeReadable = true;
bool TestTime(ClockTime* out) {
  if (!g_timeReadable) return false;
  *out = g_now;
  return true;
}

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetScreenMapping()->pictureWidth = 1000;
    GetScreenMapping()->pictureHeight = 600;
    SetLocalTimeSource(&TestTime);
    g_timeReadable = true;
  }
  void TearDown() override {
    SetLocalTimeSource(nullptr);
  }

 private:
  lumi_test::SavedGlobal<ScreenMapping> mapping_{*GetScreenMapping()};
};

TEST(ClockAngles, HandsFromTheTimeOfDay) {
  struct Case {
    ClockTime time;
    float hour, minute;
  };
  const Case cases[] = {
      {{15, 30, 0}, 105, 180}, {{0, 0, 0}, 0, 0},    {{12, 59, 30}, 29.5f, 357},
      {{23, 59, 59}, 359.5f, 359.9f}, {{6, 0, 30}, 180, 3}, {{12, 0, 0}, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(c.hour, HourHandAngle(c.time), 1e-3) << c.time.hour << ":" << c.time.minute << ":" << c.time.second;
    EXPECT_NEAR(c.minute, MinuteHandAngle(c.time), 1e-3) << c.time.hour << ":" << c.time.minute << ":" << c.time.second;
  }
}

TEST(ClockAngles, TheRunTimeGivesATimeOfDay) {
  ClockTime now;
  ASSERT_TRUE(ReadLocalTime(&now));
  EXPECT_GE(now.hour, 0);
  EXPECT_LT(now.hour, 24);
  EXPECT_GE(now.minute, 0);
  EXPECT_LT(now.minute, 60);
}

TEST_F(ClockTest, HandsTurnAboutTheFaceAxisByTheTime) {
  DS_ClockConstructor item;
  std::unique_ptr<DS_Frame> root(item.CreateFrameTree());
  g_now = {15, 30, 0};
  root->UpdateTransform(nullptr);
  ExpectMatrixNear(root->children[0]->local * RY(105) * root->world, root->children[0]->world);
  ExpectMatrixNear(root->children[1]->local * RY(180) * root->world, root->children[1]->world);
  root->DestroyWithChildren();
}

TEST_F(ClockTest, AnUnreadableTimeKeepsTheLastAngleInsteadOfCompoundingTheMatrix) {
  DS_ClockConstructor item;
  std::unique_ptr<DS_Frame> root(item.CreateFrameTree());
  g_now = {3, 0, 0};
  root->UpdateTransform(nullptr);
  const D3DXMATRIX shown = root->children[0]->world;
  g_timeReadable = false;
  for (int i = 0; i < 3; ++i) root->UpdateTransform(nullptr);
  ExpectMatrixNear(shown, root->children[0]->world);

  // Never readable: the hands stand at twelve.
  std::unique_ptr<DS_Frame> fresh(item.CreateFrameTree());
  fresh->UpdateTransform(nullptr);
  fresh->UpdateTransform(nullptr);
  ExpectMatrixNear(fresh->children[1]->local * fresh->world, fresh->children[1]->world);
  root->DestroyWithChildren();
  fresh->DestroyWithChildren();
}

TEST_F(ClockTest, FaceIsSizedAndCentredInPicturePixels) {
  DS_ClockConstructor item;
  EXPECT_EQ(500, item.rect.centreX.GetValue());
  EXPECT_EQ(300, item.rect.centreY.GetValue());
  std::unique_ptr<DS_Frame> root(item.CreateFrameTree());
  root->UpdateTransform(nullptr);
  // The face mesh spans -50..50 in x and z: at size 400 it covers 400 pixels around the centre, mesh +z up.
  D3DXVECTOR3 corner(50, 0, 50), out;
  pmath::Vec3TransformCoord(out, corner, root->world);
  EXPECT_NEAR(700, out.x, 1e-3);
  EXPECT_NEAR(100, out.y, 1e-3);
  // The hour hand at 3 o'clock points right of the centre.
  g_now = {3, 0, 0};
  root->UpdateTransform(nullptr);
  D3DXVECTOR3 tip(0, 0, 50);
  pmath::Vec3TransformCoord(out, tip, root->children[0]->world);
  EXPECT_NEAR(500 + 0.25f * 400, out.x, 1e-2);
  EXPECT_NEAR(300, out.y, 1e-2);
  root->DestroyWithChildren();
}

TEST_F(ClockTest, SizeSetsTheEdgesAroundTheCentreWithoutNotifying) {
  struct Case {
    UINT size;
    int left, right, top, bottom;
  };
  const Case cases[] = {{200, 400, 600, 200, 400}, {401, 300, 700, 100, 500}, {0, 500, 500, 300, 300}};
  for (const Case& c : cases) {
    DS_ClockConstructor item;
    CountingObserver leftObserver;
    item.rect.left.AddObserver(&leftObserver);
    AC_Static face(&item);
    item.size.SetValue(c.size, nullptr);
    EXPECT_EQ(c.left, item.rect.left.GetValue()) << c.size;
    EXPECT_EQ(c.right, item.rect.right.GetValue());
    EXPECT_EQ(c.top, item.rect.top.GetValue());
    EXPECT_EQ(c.bottom, item.rect.bottom.GetValue());
    EXPECT_EQ(c.left, item.rect.left.UndoControl().Snapshot()) << "the undo snapshot follows";
    EXPECT_EQ(0, leftObserver.calls) << "edge observers hear nothing";
    D3DXMATRIX s;
    const float f = static_cast<float>(c.size);
    pmath::MatrixScaling(s, f, f, f);
    ExpectMatrixNear(s, face.scale);
    item.rect.left.RemoveObserver(&leftObserver);
  }
}

TEST_F(ClockTest, AMovedCentreMovesTheFaceAndItsEdges) {
  DS_ClockConstructor item;
  AC_Static face(&item);
  item.rect.centreX.Raw() = 100;
  item.rect.centreY.Raw() = 80;
  item.rect.NotifyChanged(nullptr);
  EXPECT_EQ(-100, item.rect.left.GetValue());
  EXPECT_EQ(280, item.rect.bottom.GetValue());
  EXPECT_FLOAT_EQ(100, face.translation._41);
  EXPECT_FLOAT_EQ(80, face.translation._42);
}

TEST_F(ClockTest, CountTwoThenOneLeavesThePartsWithTheRemainingInstance) {
  DS_ClockConstructor item;
  item.count = 2u;
  DS_3DObjArray array(item.Clone());
  ASSERT_EQ(2u, array.parts.size());
  EXPECT_EQ(1, array.parts[0].blended);
  EXPECT_EQ(1, array.parts[1].blended);
  array.obj->count.SetValue(1, nullptr);
  ASSERT_EQ(1u, array.instances.size());
  DS_Frame* root = array.instances.front();
  EXPECT_EQ(std::vector<DS_Frame*>{root}, array.parts[0].instances);
  EXPECT_EQ(root->children, array.parts[1].instances);
}

TEST_F(ClockTest, AFaceChangeBeforeAnyPartsReloadsNothing) {
  DS_ClockConstructor item;
  item.texture.SetKey(DS_ImageFileLink(5, kBaseKitModule).GetKey(), nullptr);  // must not crash
  DS_3DObjArray array(item.Clone());
  array.obj->texture.SetKey(DS_ImageFileLink(9, kBaseKitModule).GetKey(), nullptr);
  EXPECT_EQ(2u, array.parts.size());
}

TEST_F(ClockTest, SectionRoundTripsByteForByte) {
  DS_ClockConstructor item;
  item.name = u"town clock";
  item.rect.left = 1;
  item.rect.right = 2;
  item.rect.top = -3;
  item.rect.bottom = 4;
  item.rect.centreX.Raw() = 5;
  item.rect.centreY.Raw() = 6;
  item.handsTexture = DS_ImageFileLink(99, u"other.dll");
  item.size = 250u;
  item.count = 2u;
  item.x1 = 0.5f;
  const std::vector<BYTE> bytes = lumi_test::SavedBytes(item);
  std::unique_ptr<DS_ABObj_Constructor> read = lumi_test::ReadItemBack(bytes);
  auto* c = dynamic_cast<DS_ClockConstructor*>(read.get());
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(-3, c->rect.top.GetValue());
  EXPECT_EQ(250u, c->size.GetValue());
  EXPECT_EQ(bytes, lumi_test::SavedBytes(*c));
}

TEST_F(ClockTest, DefaultsNameTheResourceModule) {
  DS_ClockConstructor item;
  EXPECT_EQ(DS_MeshFile(70, kBaseKitModule).GetKey(), item.mesh.GetKey());
  EXPECT_EQ(DS_ImageFileLink(71, kBaseKitModule).GetKey(), item.texture.GetKey());
  EXPECT_EQ(DS_ImageFileLink(72, kBaseKitModule).GetKey(), item.handsTexture.GetKey());
  EXPECT_EQ(400u, item.size.GetValue());
  EXPECT_EQ(1, item.GetMarkerMode(0));
}

}  // namespace
