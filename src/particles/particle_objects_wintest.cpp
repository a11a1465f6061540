#include "particles/particle_objects.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dxut/d3d_device.h"
#include "platform/noise.h"
#include "render/render_device_win.h"
#include "support/d3d_fixture_win.h"
#include "support/fake_geometry.h"
#include "support/recording_effect.h"
#include "support/recording_renderer.h"
#include "support/render_test_items.h"

namespace {

using lumi_test::CallLog;
using lumi_test::FakeTexture;
using lumi_test::RecordingEffect;
using lumi_test::RecordingRenderer;
using namespace render_test;

const DWORD kOpaqueRed = 0xFFFF0000;

// Records, at each sprite draw, which texture level 0 is the device's render target.
class TargetWatchingRenderer : public RecordingRenderer {
 public:
  explicit TargetWatchingRenderer(CallLog& log) : RecordingRenderer(log) {}
  void DrawSpritesWithEffect(DS_IndexedMesh<DX_V::PCT>* mesh, ID3DXEffect** effect) override {
    IDirect3DSurface9* target = nullptr;
    g_D3DDevice->GetRenderTarget(0, &target);
    spriteTargets.push_back(target);
    if (target) target->Release();
    RecordingRenderer::DrawSpritesWithEffect(mesh, effect);
  }
  std::vector<IDirect3DSurface9*> spriteTargets;
};

class RenderObjectsDeviceTest : public lumi_test::D3DFixture {
 protected:
  void SetUp() override {
    lumi_test::D3DFixture::SetUp();
    InstallD3D9RenderDevice();
    ResetCrtRand();
    g_log = &log;
  }
  void TearDown() override {
    g_log = nullptr;
    lumi_test::D3DFixture::TearDown();
  }
  IDirect3DSurface9* Level0(IDirect3DTexture9* tex) {
    IDirect3DSurface9* s = nullptr;
    if (tex) tex->GetSurfaceLevel(0, &s);
    if (s) s->Release();  // the texture keeps it alive
    return s;
  }
  IDirect3DSurface9* CurrentTarget() {
    IDirect3DSurface9* s = nullptr;
    device()->GetRenderTarget(0, &s);
    if (s) s->Release();
    return s;
  }
  void Fill(IDirect3DTexture9* tex, DWORD colour) {
    IDirect3DSurface9* saved = nullptr;
    device()->GetRenderTarget(0, &saved);
    device()->SetRenderTarget(0, Level0(tex));
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
    device()->SetRenderTarget(0, saved);
    saved->Release();
  }
  DWORD Pixel(IDirect3DTexture9* tex, UINT x, UINT y) {
    lumi_test::Pixels px;
    EXPECT_TRUE(lumi_test::ReadRenderTargetTexture(device(), tex, px));
    return px.argb.empty() ? 0xDEADBEEF : px.at(x, y);
  }
  // A glow item with a recording effect; the object made from it.
  std::unique_ptr<DS_GlowingObj> MakeGlow() {
    TestGlow item;
    item.count.Raw() = 4;
    item.glowColour.Raw() = 0x000000FF;
    item.glowStrength.SetValue(50, nullptr);
    item.effect.Share(&effect);
    item.glowTexture.Share(&glowTexture);
    item.mainTexture.Share(&mainTexture);
    std::unique_ptr<DS_GlowingObj> glow(static_cast<DS_GlowingObj*>(item.CreateRenderObject()));
    log.calls.clear();
    return glow;
  }

  CallLog log;
  RecordingEffect effect{log, "glow fx"};
  FakeTexture glowTexture, mainTexture, scene;
};

TEST_F(RenderObjectsDeviceTest, GlowDrawsIntoItsOwnClearedTargetAndPutsTheSceneTargetBack) {
  std::unique_ptr<DS_GlowingObj> glow = MakeGlow();
  ASSERT_TRUE(glow->glowTarget.Ready());
  D3DSURFACE_DESC desc;
  glow->glowTarget.Texture()->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 512u);
  EXPECT_EQ(desc.Height, 512u);
  EXPECT_EQ(glow->NeedsSourceTexture(), 0) << "it blends over the current target";

  Fill(glow->glowTarget.Texture(), kOpaqueRed);
  IDirect3DSurface9* backBuffer = CurrentTarget();
  TargetWatchingRenderer renderer(log);
  renderer.sourceTexture = &scene;
  glow->Update(0.1f);
  log.calls.clear();
  device()->BeginScene();
  glow->Render(&renderer);
  device()->EndScene();

  ASSERT_EQ(renderer.targets.size(), 1u);
  EXPECT_EQ(renderer.targets[0], glow->glowTarget.Chain());
  // The glow pass drew into the glow target, cleared to transparent black; the particles on top went to
  // the target that was current before.
  ASSERT_EQ(renderer.spriteTargets.size(), 2u);
  EXPECT_EQ(renderer.spriteTargets[0], Level0(glow->glowTarget.Texture()));
  EXPECT_EQ(renderer.spriteTargets[1], backBuffer);
  EXPECT_EQ(CurrentTarget(), backBuffer);
  EXPECT_EQ(Pixel(glow->glowTarget.Texture(), 7, 7), 0x00000000u);
  EXPECT_EQ(Pixel(glow->glowTarget.Texture(), 511, 511), 0x00000000u);
}

TEST_F(RenderObjectsDeviceTest, SpriteArrayFillsItsDeviceBufferWithOneQuadPerParticle) {
  TestSprites item;
  item.count.Raw() = 3;
  item.size.Raw() = 10;
  std::unique_ptr<DS_SpriteArrayObj> sprites(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
  ASSERT_NE(sprites->vertexBuffer, nullptr);
  ASSERT_NE(sprites->indexBuffer, nullptr);
  D3DVERTEXBUFFER_DESC desc;
  sprites->vertexBuffer->GetDesc(&desc);
  EXPECT_EQ(desc.Size, 3u * 4u * sizeof(DX_V::PCT));
  EXPECT_EQ(desc.FVF, (DWORD)DX_V::PCT::FVF);
  EXPECT_EQ(sprites->triangleCount, 6u);

  sprites->Update(0.1f);
  void* data = nullptr;
  ASSERT_EQ(sprites->vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  const DX_V::PCT* v = static_cast<const DX_V::PCT*>(data);
  for (UINT i = 0; i < 3; ++i) {
    const Particle& p = *sprites->particles[i];
    SCOPED_TRACE(i);
    // Vertex 1 of each quad is the sprite's corner; every vertex carries the particle's colour.
    EXPECT_FLOAT_EQ(v[4 * i + 1].x, p.centre.x - p.halfWidth);
    EXPECT_FLOAT_EQ(v[4 * i + 1].y, p.centre.y - p.halfHeight);
    EXPECT_EQ(v[4 * i + 3].color, p.color);
  }
  sprites->vertexBuffer->Unlock();
}

}  // namespace
