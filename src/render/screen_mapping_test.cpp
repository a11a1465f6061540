#include "scene/screen_mapping.h"

#include <gtest/gtest.h>

#include <cmath>

#include "render/projection.h"
#include "support/recording_render_device.h"

namespace {

using FixedBackBuffer = lumi_test::RecordingRenderDevice;

// Places the picture the way a picture light's resize does: the global projection and the mapping.
class ScreenMappingTest : public ::testing::Test {
 protected:
  void Place(int w, int h, UINT pw, UINT ph, int mode) {
    g_LetterboxProjection.SetProjection(w, h, pw, ph, mode, false);
    ScreenQuad q;
    ScreenQuad::FitImage(q, pw, ph, w, h);
    ScreenQuad::ScaleToBackBuffer(q, w, h);
    SetScreenMapping(q, w, h, (int)pw, (int)ph);
  }
  void TearDown() override {
    g_LetterboxProjection = LetterboxProjection();
    ScreenQuad q;
    SetScreenMapping(ScreenQuad::Init(q), 1, 1, 0, 0);
  }
  FixedBackBuffer backBuffer{1280, 720};
};

TEST(ScreenQuadTest, InitAndRectReadBack) {
  ScreenQuad q;
  ScreenQuad::Init(q);
  const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(q.v[i].x, 0);
    EXPECT_EQ(q.v[i].y, 0);
    EXPECT_EQ(q.v[i].z, 1);
    EXPECT_EQ(q.v[i].u, uv[i][0]);
    EXPECT_EQ(q.v[i].v, uv[i][1]);
  }
  ScreenQuad::SetRect(q, 1, 2, 3, 4);
  EXPECT_EQ(q.v[ScreenQuad::BL].x, 1);
  EXPECT_EQ(q.v[ScreenQuad::BL].y, 4);
  EXPECT_EQ(q.v[ScreenQuad::TR].x, 3);
  EXPECT_EQ(q.v[ScreenQuad::TR].y, 2);
  EXPECT_EQ(q.Left(), 1);
  EXPECT_EQ(q.Top(), 2);
  EXPECT_EQ(q.Right(), 3);
  EXPECT_EQ(q.Bottom(), 4);
}

TEST(ScreenQuadTest, FitImageCentresOnTheFreeAxis) {
  struct Case {
    UINT pw, ph;
    int w, h;
    float l, t, r, b;
  } cases[] = {
      {800, 600, 1280, 720, 160, 0, 1120, 720},   // taller than the target: margins left and right
      {1600, 600, 1280, 720, 0, 120, 1280, 600},  // wider: margins at the top and bottom
      {640, 360, 1280, 720, 0, 0, 1280, 720},     // same aspect
      {0, 600, 1280, 720, 0, 0, 1280, 720},       // unknown size: the target's aspect
  };
  for (const Case& c : cases) {
    ScreenQuad q;
    ScreenQuad::FitImage(q, c.pw, c.ph, c.w, c.h);
    EXPECT_FLOAT_EQ(q.Left(), c.l) << c.pw;
    EXPECT_FLOAT_EQ(q.Top(), c.t) << c.pw;
    EXPECT_FLOAT_EQ(q.Right(), c.r) << c.pw;
    EXPECT_FLOAT_EQ(q.Bottom(), c.b) << c.pw;
    EXPECT_EQ(q.v[0].z, 1);
  }
}

TEST(ScreenQuadTest, BackBufferScaling) {
  FixedBackBuffer bb(1920, 1080);
  ScreenQuad q;
  ScreenQuad::FullBackBuffer(q);
  EXPECT_EQ(q.Right(), 1920);
  EXPECT_EQ(q.Bottom(), 1080);
  ScreenQuad::SetRect(q, 10, 20, 640, 360);
  ScreenQuad::ScaleToBackBuffer(q, 1280, 720);
  EXPECT_FLOAT_EQ(q.Left(), 15);
  EXPECT_FLOAT_EQ(q.Top(), 30);
  EXPECT_FLOAT_EQ(q.Right(), 960);
  EXPECT_FLOAT_EQ(q.Bottom(), 540);
}

TEST_F(ScreenMappingTest, StartsEmptyWithAnInitialisedQuad) {
  ScreenMapping* m = GetScreenMapping();
  EXPECT_EQ(m, GetScreenMapping());
  EXPECT_EQ(m->picture.v[ScreenQuad::BL].v, 1);
  EXPECT_EQ(m->picture.v[ScreenQuad::BL].z, 1);
  // Nothing placed yet: no division by the empty quad.
  D3DXVECTOR3 p = MapScreenPointToPicture(m, 50, 60, 7);
  EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  EXPECT_EQ(p.z, 7);
}

TEST_F(ScreenMappingTest, RecordsScaleQuadAndPictureSize) {
  Place(640, 360, 800, 600, PicturePosition::Fit);
  ScreenMapping* m = GetScreenMapping();
  EXPECT_FLOAT_EQ(m->scaleX, 2);
  EXPECT_FLOAT_EQ(m->scaleY, 2);
  EXPECT_FLOAT_EQ(m->picture.Left(), 160);
  EXPECT_FLOAT_EQ(m->picture.Right(), 1120);
  EXPECT_EQ(m->pictureWidth, 800);
  EXPECT_EQ(m->pictureHeight, 600);
}

TEST_F(ScreenMappingTest, FittedCornersMapToThePictureEdgesOfEachMode) {
  for (int mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    Place(1280, 720, 800, 600, mode);
    const LetterboxProjection& p = g_LetterboxProjection;
    ScreenMapping* m = GetScreenMapping();
    D3DXVECTOR3 tl = MapScreenPointToPicture(m, 160, 0, 0);
    D3DXVECTOR3 br = MapScreenPointToPicture(m, 1120, 720, 0);
    EXPECT_FLOAT_EQ(tl.x, -p.offsetX);
    EXPECT_FLOAT_EQ(tl.y, -p.offsetY);
    EXPECT_FLOAT_EQ(br.x, 800 * p.invScaleX - p.offsetX);
    EXPECT_FLOAT_EQ(br.y, 600 * p.invScaleY - p.offsetY);
  }
  Place(1280, 720, 800, 600, PicturePosition::Fit);
  D3DXVECTOR3 tl = MapScreenPointToPicture(GetScreenMapping(), 160, 0, 0);
  EXPECT_EQ(tl.x, 0);
  EXPECT_EQ(tl.y, 0);
}

// Mapping a screen point back undoes where the world transform put the picture pixel.
TEST_F(ScreenMappingTest, MapsBackWhatThePlacementDrew) {
  const float points[][2] = {{0, 0}, {800, 600}, {123, 456}, {400, 300}};
  for (int mode : {0, 1, 2}) {
    Place(1280, 720, 800, 600, mode);
    D3DXMATRIX identity, world;
    D3DXMatrixIdentity(&identity);
    g_LetterboxProjection.GetWorld(&world, identity);
    for (const auto& pt : points) {
      D3DXVECTOR3 in(pt[0], pt[1], 0), screen;
      D3DXVec3TransformCoord(&screen, &in, &world);
      D3DXVECTOR3 back = MapScreenPointToPicture(GetScreenMapping(), screen.x, screen.y, 0);
      EXPECT_NEAR(back.x, pt[0], 1e-2) << "mode " << mode;
      EXPECT_NEAR(back.y, pt[1], 1e-2) << "mode " << mode;
    }
  }
}

}  // namespace
