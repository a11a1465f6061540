// Meshes, quads and the letterbox bars drawn on a real device and read back.
#include <gtest/gtest.h>

#include "dxut/d3d_device.h"
#include "render/mesh.h"
#include "render/particle_geometry.h"
#include "render/projection.h"
#include "render/projection_win.h"
#include "render/quad_builders.h"
#include "render/render_device_win.h"
#include "scene/sprite_prop.h"
#include "support/d3d_fixture_win.h"

namespace {

const DWORD kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

class DrawTest : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    InstallD3D9RenderDevice();
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);
    device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device()->SetRenderState(D3DRS_ZENABLE, FALSE);
  }
  void TearDown() override {
    g_LetterboxProjection = LetterboxProjection();
    lumi_test::D3DFixture::TearDown();
  }
  void Clear(DWORD color) { ASSERT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1, 0), S_OK); }
  ScreenQuad Rect(float l, float t, float r, float b) {
    ScreenQuad q;
    return ScreenQuad::SetRect(ScreenQuad::Init(q), l, t, r, b);
  }
  // Clears to black and draws the first triangles of an indexed PCT mesh in its diffuse colours through
  // the placement's world transform of the identity.
  void DrawDiffuse(const DS_IndexedMesh<DX_V::PCT>& mesh, UINT triangles) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    g_LetterboxProjection.SetWorld(identity);
    Clear(kBlack);
    ASSERT_EQ(device()->BeginScene(), S_OK);
    device()->SetTexture(0, nullptr);
    device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device()->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device()->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device()->SetFVF(DX_V::PCT::FVF);
    device()->SetStreamSource(0, mesh.vertexBuffer, 0, sizeof(DX_V::PCT));
    device()->SetIndices(mesh.indexBuffer);
    EXPECT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, mesh.vertexCount, 0, triangles), S_OK);
    device()->EndScene();
  }
  // A 2 x 2 texture: red, green on the top row; blue, white below.
  IDirect3DTexture9* MakeQuadrantTexture() {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device()->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr))) return nullptr;
    D3DLOCKED_RECT r;
    if (SUCCEEDED(tex->LockRect(0, &r, nullptr, 0))) {
      DWORD* row0 = static_cast<DWORD*>(r.pBits);
      DWORD* row1 = reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + r.Pitch);
      row0[0] = kRed;
      row0[1] = kGreen;
      row1[0] = kBlue;
      row1[1] = kWhite;
      tex->UnlockRect(0);
    }
    return tex;
  }
};

TEST_F(DrawTest, TexturedScreenQuadShowsItsTexture) {
  IDirect3DTexture9* tex = MakeQuadrantTexture();
  ASSERT_NE(tex, nullptr);
  TexQuad quad;
  quad.SetTexture(&tex, Rect(0, 0, 64, 64));
  tex->Release();  // the quad holds its own reference
  ASSERT_NE(quad.vertexBuffer, nullptr);
  ASSERT_NE(quad.texture, nullptr);

  Clear(kBlack);
  ASSERT_EQ(device()->BeginScene(), S_OK);
  device()->SetTexture(0, quad.texture);
  device()->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device()->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device()->SetFVF(DX_V::RHWCT::FVF);
  device()->SetStreamSource(0, quad.vertexBuffer, 0, sizeof(DX_V::RHWCT));
  EXPECT_EQ(device()->DrawPrimitive(quad.primitiveType, 0, quad.primitiveCount), S_OK);
  device()->EndScene();
  device()->SetTexture(0, nullptr);

  lumi_test::Pixels px = BackBuffer();
  EXPECT_EQ(px.at(10, 10), kRed);
  EXPECT_EQ(px.at(50, 10), kGreen);
  EXPECT_EQ(px.at(10, 50), kBlue);
  EXPECT_EQ(px.at(50, 50), kWhite);

  // A new rectangle moves the picture and keeps the texture.
  quad.SetRect(Rect(32, 32, 64, 64));
  Clear(kBlack);
  device()->BeginScene();
  device()->SetTexture(0, quad.texture);
  device()->DrawPrimitive(quad.primitiveType, 0, quad.primitiveCount);
  device()->EndScene();
  device()->SetTexture(0, nullptr);
  px = BackBuffer();
  EXPECT_EQ(px.at(10, 10), kBlack);
  EXPECT_EQ(px.at(38, 38), kRed);
  EXPECT_EQ(px.at(58, 58), kWhite);
}

// Two coloured quads in picture pixels through the placement's transforms and the quad index pattern.
TEST_F(DrawTest, SpriteArrayDrawsItsQuadsThroughThePlacement) {
  g_LetterboxProjection.SetProjection(64, 64, 64, 64, PicturePosition::Fit, false);

  DS_SpriteArrayT<DX_V::PCT> sprites;
  ASSERT_EQ(sprites.CreateQuads(2), 2u);
  DX_V::PCT* v = sprites.LockVertices();
  ASSERT_NE(v, nullptr);
  const float rects[2][4] = {{0, 0, 32, 32}, {32, 32, 64, 64}};
  const DWORD colors[2] = {kRed, kGreen};
  for (int i = 0; i < 2; ++i) {
    const float* r = rects[i];
    const float corners[4][2] = {{r[0], r[3]}, {r[0], r[1]}, {r[2], r[3]}, {r[2], r[1]}};
    for (int k = 0; k < 4; ++k) v[4 * i + k] = DX_V::PCT{corners[k][0], corners[k][1], 0, colors[i], 0, 0};
  }
  sprites.UnlockVertices();

  DrawDiffuse(sprites, sprites.triangleCount);

  lumi_test::Pixels px = BackBuffer();
  EXPECT_EQ(px.at(8, 8), kRed);
  EXPECT_EQ(px.at(24, 24), kRed);
  EXPECT_EQ(px.at(48, 48), kGreen);
  EXPECT_EQ(px.at(48, 8), kBlack);
  EXPECT_EQ(px.at(8, 48), kBlack);
}

// Particles in two corners of the picture, placed by their item's start rule.
class CornerSprites : public DS_BaseSpriteProp {
 public:
  DS_ABObj* CreateRenderObject() override { return nullptr; }
  void InitParticle(Particle* p) override {
    bool second = started++ > 0;
    p->centre = second ? D3DXVECTOR3(48, 48, 0) : D3DXVECTOR3(16, 16, 0);
    p->halfWidth = p->halfHeight = 8;
    p->color = second ? kGreen : kRed;
  }
  int started = 0;
};

TEST_F(DrawTest, ParticleGeometryFillsItsDynamicBufferAnewEachFrameAndItDraws) {
  g_LetterboxProjection.SetProjection(64, 64, 64, 64, PicturePosition::Fit, false);
  CornerSprites item;
  item.count.Raw() = 2;
  ParticleGeomArray geometry;
  geometry.item = &item;
  geometry.BindCountListener(item.count);
  ASSERT_TRUE(geometry.CanDrawIndexed());
  geometry.FillVertices();

  DrawDiffuse(geometry, 2 * geometry.DrawnCount());
  lumi_test::Pixels px = BackBuffer();
  EXPECT_EQ(px.at(16, 16), kRed);
  EXPECT_EQ(px.at(48, 48), kGreen);
  EXPECT_EQ(px.at(48, 16), kBlack);
  EXPECT_EQ(px.at(30, 30), kBlack);

  // The next fill discards the drawn contents: the quads drawn are the new ones only.
  geometry.particles[0]->centre = D3DXVECTOR3(48, 16, 0);
  geometry.FillVertices();
  DrawDiffuse(geometry, 2 * geometry.DrawnCount());
  px = BackBuffer();
  EXPECT_EQ(px.at(48, 16), kRed);
  EXPECT_EQ(px.at(16, 16), kBlack);
  EXPECT_EQ(px.at(48, 48), kGreen);
}

TEST_F(DrawTest, FitModeBarsCoverTheMarginsInOpaqueBlack) {
  g_LetterboxProjection.CreateBars();
  // A picture half as wide as the 64 x 64 back buffer: margins of 16 pixels left and right.
  auto barsOnWhite = [&](int mode) {
    g_LetterboxProjection.SetProjection(64, 64, 32, 64, mode, false);
    Clear(kWhite);
    device()->BeginScene();
    g_LetterboxProjection.DrawBars();
    device()->EndScene();
    return BackBuffer();
  };
  lumi_test::Pixels px = barsOnWhite(PicturePosition::Fit);
  EXPECT_EQ(px.at(4, 30), kBlack);
  EXPECT_EQ(px.at(15, 60), kBlack);
  EXPECT_EQ(px.at(32, 30), kWhite);
  EXPECT_EQ(px.at(60, 2), kBlack);
  DWORD arg = 0;
  device()->GetTextureStageState(0, D3DTSS_COLORARG1, &arg);
  EXPECT_EQ(arg, (DWORD)D3DTA_TEXTURE);

  // Other modes draw no bars.
  for (int mode : {PicturePosition::Stretch, PicturePosition::Fill, PicturePosition::OffscreenStretch})
    EXPECT_EQ(barsOnWhite(mode).at(4, 30), kWhite) << mode;
}

TEST_F(DrawTest, SquareCopiesAreClampedToSizesTheDeviceMakes) {
  IDirect3DTexture9* src = MakeQuadrantTexture();
  ASSERT_NE(src, nullptr);
  D3DCAPS9 caps;
  device()->GetDeviceCaps(&caps);
  UINT largest = 2048;
  while (largest > caps.MaxTextureWidth || largest > caps.MaxTextureHeight) largest >>= 1;
  struct Case {
    int n;
    UINT side;
  } cases[] = {{1, 256}, {2, 512}, {-3, 128}, {40, largest}};
  QuadRenderObject quad;
  quad.info.width = 2;
  quad.info.height = 2;
  for (const Case& c : cases) {
    MakeSquareTextureCopy(c.n, quad, &src);
    ASSERT_NE(quad.info.texture, nullptr) << c.n;
    D3DSURFACE_DESC desc;
    quad.info.texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, c.side) << c.n;
    EXPECT_EQ(desc.Height, c.side) << c.n;
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  }
  EXPECT_EQ(quad.info.width, 2u);  // the picture keeps its source size
  // Only the quad holds the copy.
  quad.info.texture->AddRef();
  EXPECT_EQ(quad.info.texture->Release(), 1u);
  src->Release();
}

TEST_F(DrawTest, PlacementReachesTheDevice) {
  g_LetterboxProjection.SetProjection(64, 64, 32, 64, PicturePosition::Fit, false);
  D3DXMATRIX view, projection;
  device()->GetTransform(D3DTS_VIEW, &view);
  device()->GetTransform(D3DTS_PROJECTION, &projection);
  EXPECT_EQ(view, g_LetterboxProjection.view);
  EXPECT_EQ(projection, g_LetterboxProjection.projection);
  // The back buffer's size comes from the device.
  ScreenQuad q;
  ScreenQuad::FullBackBuffer(ScreenQuad::Init(q));
  EXPECT_EQ(q.Right(), 64);
  EXPECT_EQ(q.Bottom(), 64);
}

}  // namespace
