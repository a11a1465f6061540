#include "render/projection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "scene/screen_mapping.h"
#include "support/fake_geometry.h"
#include "support/recording_render_device.h"

namespace {

using lumi_test::RecordingRenderDevice;

D3DXVECTOR3 Transform(const D3DXMATRIX& m, float x, float y) {
  D3DXVECTOR3 in(x, y, 0), out;
  D3DXVec3TransformCoord(&out, &in, &m);
  return out;
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

void ExpectRect(const ScreenQuad& q, float l, float t, float r, float b) {
  EXPECT_FLOAT_EQ(q.Left(), l);
  EXPECT_FLOAT_EQ(q.Top(), t);
  EXPECT_FLOAT_EQ(q.Right(), r);
  EXPECT_FLOAT_EQ(q.Bottom(), b);
}

class ProjectionTest : public ::testing::Test {
 protected:
  RecordingRenderDevice device{1280, 720};
  LetterboxProjection p;
};

// An 800 x 600 picture on a 1280 x 720 back buffer: fitted 960 wide, 160 pixel margins left and right.
TEST_F(ProjectionTest, WorkedExamplePlacementIsTheSameInEveryMode) {
  for (int mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    p.SetProjection(1280, 720, 800, 600, mode, false);
    EXPECT_EQ(p.mode, mode);
    EXPECT_FLOAT_EQ(p.picturePixelRatio, 600.0f / 720.0f);
    D3DXMATRIX expected, s, t;
    D3DXMatrixScaling(&s, 1.2f, 1.2f, 1);
    D3DXMatrixTranslation(&t, 160, 0, 0);
    D3DXMatrixMultiply(&expected, &s, &t);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(((const float*)p.picture)[i], ((const float*)expected)[i], 1e-5);
    EXPECT_FLOAT_EQ(p.screenToFitX, 1280.0f / 960.0f);
    EXPECT_FLOAT_EQ(p.screenToFitY, 1.0f);
    // The fixed transforms reach the device.
    EXPECT_EQ(device.transforms[TransformSlot::World], Identity());
    EXPECT_EQ(device.transforms[TransformSlot::View], p.view);
    EXPECT_EQ(device.transforms[TransformSlot::Projection], p.projection);
  }
}

TEST_F(ProjectionTest, WorkedExampleModeTransforms) {
  struct Case {
    int mode;
    float kx, ky, offX, offY;
    float x0, y0, x1, y1;  // where picture pixels (0, 0) and (800, 600) land on the target
  } cases[] = {
      {PicturePosition::Fit, 1, 1, 0, 0, 160, 0, 1120, 720},
      {PicturePosition::Stretch, 4.0f / 3, 1, -100, 0, 0, 0, 1280, 720},
      {PicturePosition::Fill, 4.0f / 3, 4.0f / 3, -100, -75, 0, -120, 1280, 840},
      {PicturePosition::OffscreenStretch, 4.0f / 3, 1, -100, 0, 0, 0, 1280, 720},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    p.SetProjection(1280, 720, 800, 600, c.mode, false);
    EXPECT_NEAR(p.modeScale._11, c.kx, 1e-5);
    EXPECT_NEAR(p.modeScale._22, c.ky, 1e-5);
    EXPECT_NEAR(p.invScaleX, 1 / c.kx, 1e-5);
    EXPECT_NEAR(p.invScaleY, 1 / c.ky, 1e-5);
    EXPECT_NEAR(p.offsetX, c.offX, 1e-3);
    EXPECT_NEAR(p.offsetY, c.offY, 1e-3);
    EXPECT_NEAR(p.modeOffset._41, c.offX, 1e-3);
    EXPECT_NEAR(p.modeOffset._42, c.offY, 1e-3);
    D3DXMATRIX w;
    p.GetWorld(&w, Identity());
    D3DXVECTOR3 a = Transform(w, 0, 0), b = Transform(w, 800, 600);
    EXPECT_NEAR(a.x, c.x0, 1e-2);
    EXPECT_NEAR(a.y, c.y0, 1e-2);
    EXPECT_NEAR(b.x, c.x1, 1e-2);
    EXPECT_NEAR(b.y, c.y1, 1e-2);
    // Through view and projection the same points land in clip space of the 1280 x 720 target.
    D3DXMATRIX wvp;
    p.GetWorldViewProj(&wvp, Identity());
    D3DXVECTOR3 clip = Transform(wvp, 800, 600);
    EXPECT_NEAR(clip.x, c.x1 / 640 - 1, 1e-4);
    EXPECT_NEAR(clip.y, 1 - c.y1 / 360, 1e-4);
  }
}

TEST_F(ProjectionTest, FitBarsCoverTheMarginsAndOnePixelMore) {
  p.SetProjection(1280, 720, 800, 600, PicturePosition::Fit, false);
  ExpectRect(p.BarQuad(LetterboxProjection::LeftBar), 0, 0, 161, 720);
  ExpectRect(p.BarQuad(LetterboxProjection::RightBar), 1120, 0, 1281, 720);
  ExpectRect(p.BarQuad(LetterboxProjection::TopBar), 0, 0, 960, 0);
  ExpectRect(p.BarQuad(LetterboxProjection::BottomBar), 0, 720, 960, 720);
  // A wide picture gets bars at the top and bottom instead.
  p.SetProjection(1280, 720, 1600, 600, PicturePosition::Fit, false);
  ExpectRect(p.BarQuad(LetterboxProjection::TopBar), 0, 0, 1280, 121);
  ExpectRect(p.BarQuad(LetterboxProjection::BottomBar), 0, 600, 1280, 721);
  ExpectRect(p.BarQuad(LetterboxProjection::LeftBar), 0, 0, 0, 480);
}

TEST_F(ProjectionTest, BarMeshesStartBlackOverTheBackBufferAndFollowThePlacement) {
  p.CreateBars();
  ASSERT_EQ(device.vertexBuffers.size(), 4u);
  for (int bar = 0; bar < LetterboxProjection::BarCount; ++bar) {
    const DX_V::RHWC* v = device.vertexBuffers[bar]->As<DX_V::RHWC>();
    EXPECT_EQ(p.bars[bar].primitiveType, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(p.bars[bar].primitiveCount, 2u);
    EXPECT_EQ(v[0].color, 0xFF000000u);
    EXPECT_EQ(v[2].x, 1280);
    EXPECT_EQ(v[2].y, 720);
  }
  p.SetProjection(1280, 720, 800, 600, PicturePosition::Fit, false);
  const DX_V::RHWC* right = device.vertexBuffers[LetterboxProjection::RightBar]->As<DX_V::RHWC>();
  EXPECT_EQ(right[1].x, 1120);  // top-left
  EXPECT_EQ(right[1].y, 0);
  EXPECT_EQ(right[2].x, 1281);  // bottom-right
  EXPECT_EQ(right[2].y, 720);
  EXPECT_EQ(right[2].rhw, 1);
  EXPECT_EQ(right[2].color, 0xFF000000u);

  // Placed again where they are (the projection is set several times a frame), the bars are not locked
  // again; a new placement rewrites them, and so do new buffers where the bars stay.
  lumi_test::FakeVertexBuffer* rightBar = device.vertexBuffers[LetterboxProjection::RightBar].get();
  const int locks = rightBar->locks;
  p.SetProjection(1280, 720, 800, 600, PicturePosition::Fit, false);
  EXPECT_EQ(rightBar->locks, locks);
  p.SetProjection(1280, 720, 600, 600, PicturePosition::Fit, false);
  EXPECT_EQ(rightBar->locks, locks + 1);
  EXPECT_EQ(right[1].x, 1000);
  p.CreateBars();
  ASSERT_EQ(device.vertexBuffers.size(), 8u);
  p.SetProjection(1280, 720, 600, 600, PicturePosition::Fit, false);
  EXPECT_EQ(device.vertexBuffers[4 + LetterboxProjection::RightBar]->As<DX_V::RHWC>()[1].x, 1000);
  p = LetterboxProjection();
  EXPECT_TRUE(device.AllReleased());
}

TEST_F(ProjectionTest, PictureOfTheTargetsAspectNeedsNoModeScaleOrBars) {
  for (int mode : {0, 1, 2, 3}) {
    SCOPED_TRACE(mode);
    p.SetProjection(1280, 720, 640, 360, mode, false);
    EXPECT_FLOAT_EQ(p.modeScale._11, 1);
    EXPECT_FLOAT_EQ(p.modeScale._22, 1);
    EXPECT_FLOAT_EQ(p.offsetX, 0);
    EXPECT_FLOAT_EQ(p.offsetY, 0);
    for (int bar = 0; bar < LetterboxProjection::BarCount; ++bar) {
      const ScreenQuad& q = p.BarQuad(bar);
      EXPECT_TRUE(q.Left() == q.Right() || q.Top() == q.Bottom()) << bar;
    }
  }
}

TEST_F(ProjectionTest, KeepSizeMeasuresInTargetUnitsWhateverTheBackBuffer) {
  p.SetProjection(512, 512, 800, 600, PicturePosition::Fit, true);
  // Fitted 512 x 384 with 64-unit margins at the top and bottom.
  EXPECT_FLOAT_EQ(p.screenToFitX, 1);
  EXPECT_FLOAT_EQ(p.screenToFitY, 512.0f / 384.0f);
  ExpectRect(p.BarQuad(LetterboxProjection::TopBar), 0, 0, 512, 65);
  ExpectRect(p.BarQuad(LetterboxProjection::BottomBar), 0, 448, 512, 513);
  D3DXMATRIX w;
  p.GetWorld(&w, Identity());
  D3DXVECTOR3 a = Transform(w, 0, 0), b = Transform(w, 800, 600);
  EXPECT_NEAR(a.x, 0, 1e-3);
  EXPECT_NEAR(a.y, 64, 1e-3);
  EXPECT_NEAR(b.x, 512, 1e-3);
  EXPECT_NEAR(b.y, 448, 1e-3);
}

TEST_F(ProjectionTest, PictureOfUnknownSizeIsPlacedLikeTheTarget) {
  p.SetProjection(1280, 720, 0, 0, PicturePosition::Fill, false);
  for (float f : {p.picturePixelRatio, p.screenToFitX, p.screenToFitY, p.invScaleX, p.offsetX, p.picture._11})
    EXPECT_TRUE(std::isfinite(f));
  EXPECT_FLOAT_EQ(p.picture._11, 1);
}

TEST_F(ProjectionTest, ZoomKeepsTheChosenPointInPlace) {
  p.SetProjection(1280, 720, 800, 600, PicturePosition::Fit, false);
  struct Case {
    float x, y, fixedX, fixedY;
  } cases[] = {{0, 0, 400, 300}, {-1, -1, 0, 0}, {1, 1, 800, 600}, {-1, 1, 0, 600}};
  for (const Case& c : cases) {
    p.SetZoom(1.5f, c.x, c.y);
    D3DXVECTOR3 v = Transform(p.zoom, c.fixedX, c.fixedY);
    EXPECT_NEAR(v.x, c.fixedX, 1e-3) << c.x;
    EXPECT_NEAR(v.y, c.fixedY, 1e-3) << c.y;
  }
  for (float x : {-1.0f, 0.3f, 1.0f}) {
    p.SetZoom(1, x, -x);
    EXPECT_EQ(p.zoom, Identity());
  }
}

TEST_F(ProjectionTest, ZoomSurvivesPlacementAndIsLeftOutOffscreenOnly) {
  p.SetProjection(1280, 720, 800, 600, PicturePosition::Stretch, false);
  p.SetZoom(2, 0, 0);
  p.SetProjection(1280, 720, 800, 600, PicturePosition::OffscreenStretch, false);
  EXPECT_NE(p.zoom, Identity());
  // Mode 3 leaves the zoom out of the world and moves the mode matrices into view-projection.
  D3DXMATRIX w, expected;
  p.GetWorld(&w, Identity());
  D3DXMatrixMultiply(&expected, &p.modeOffset, &p.modeScale);
  D3DXMatrixMultiply(&expected, &expected, &p.picture);
  EXPECT_EQ(w, expected);
  D3DXMATRIX vp, wvpIdentity;
  p.GetViewProj(&vp);
  p.GetWorldViewProj(&wvpIdentity, Identity());
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(((const float*)vp)[i], ((const float*)wvpIdentity)[i], 1e-6);
  // Other modes: view-projection is the picture matrix alone, and the world carries the zoom.
  p.SetProjection(1280, 720, 800, 600, PicturePosition::Stretch, false);
  p.GetViewProj(&vp);
  D3DXMatrixMultiply(&expected, &p.picture, &p.view);
  D3DXMatrixMultiply(&expected, &expected, &p.projection);
  EXPECT_EQ(vp, expected);
  p.GetWorld(&w, Identity());
  D3DXVECTOR3 centre = Transform(w, 400, 300), corner = Transform(w, 0, 0);
  EXPECT_NEAR(centre.x, 640, 1e-2);
  EXPECT_NEAR(corner.x, 640 - 2 * 640, 1e-2);
  // The glass ball and the matrix code read the combined offset in picture pixels.
  EXPECT_NEAR(p.GetZoomOffsetX(), (400 * (1 - 2 * 4.0f / 3)) / (2 * 4.0f / 3), 1e-2);
  EXPECT_NEAR(p.GetZoomOffsetY(), (300 * (1 - 2.0f)) / 2, 1e-2);
}

TEST_F(ProjectionTest, SetWorldSendsTheProductToTheDevice) {
  p.SetProjection(1280, 720, 800, 600, PicturePosition::Fill, false);
  D3DXMATRIX m, expected;
  D3DXMatrixTranslation(&m, 10, 20, 0);
  p.SetWorld(m);
  EXPECT_EQ(device.transforms[TransformSlot::World], *p.GetWorld(&expected, m));
}

}  // namespace
