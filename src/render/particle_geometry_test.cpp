#include "render/particle_geometry.h"

#include <gtest/gtest.h>

#include <vector>

#include "dxut/device_objects.h"
#include "platform/noise.h"
#include "scene/doc_res_manager.h"
#include "scene/sprite_prop.h"
#include "support/fake_geometry.h"
#include "support/recording_render_device.h"
#include "support/saved_global.h"

namespace {

using lumi_test::RecordingRenderDevice;

// A sprite item whose rules record what the geometry asked of them.
class RecordingSprites : public DS_BaseSpriteProp {
 public:
  DS_ABObj* CreateRenderObject() override { return nullptr; }
  void InitParticle(Particle* p) override {
    started.push_back(p);
    p->centre = D3DXVECTOR3(10.0f * (float)started.size(), 0, 0);
  }
  void UpdateParticle(Particle* p) override { updated.push_back(p); }

  std::vector<Particle*> started;
  std::vector<Particle*> updated;
};

class ParticleGeometryTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetCrtRand(); }
  void TearDown() override { ResetCrtRand(); }
  // Binds the geometry to the item (the count listener runs once at once).
  void Bind(UINT count) {
    item.count.Raw() = count;
    geometry.item = &item;
    geometry.BindCountListener(item.count);
  }
  const DX_V::PCT* Vertices() const { return device.lastVertexBuffer()->As<DX_V::PCT>(); }

  RecordingRenderDevice device;
  RecordingSprites item;
  ParticleGeomArray geometry;
};

TEST_F(ParticleGeometryTest, CountChangesKeepParticlesAndDrawOnlyTheCount) {
  Bind(3);
  ASSERT_EQ(geometry.particles.size(), 3u);
  EXPECT_EQ(item.started, geometry.particles);
  EXPECT_EQ(geometry.vertexCount, 12u);
  EXPECT_EQ(geometry.triangleCount, 6u);

  item.count.SetValue(1, nullptr);
  EXPECT_EQ(geometry.particles.size(), 3u);
  EXPECT_EQ(geometry.vertexCount, 4u);
  geometry.Update(0.1f);
  EXPECT_EQ(item.updated, geometry.particles);  // surplus particles still move
  geometry.FillVertices();
  EXPECT_EQ(Vertices()[1].x, 10 - geometry.particles[0]->halfWidth);
  EXPECT_EQ(geometry.DrawnCount(), 1u);

  item.count.SetValue(3, nullptr);
  EXPECT_EQ(item.started.size(), 3u);  // nobody new
  EXPECT_EQ(geometry.vertexCount, 12u);

  // 0 leaves buffers and particles as they were.
  IDirect3DVertexBuffer9* vb = geometry.vertexBuffer;
  item.count.SetValue(0, nullptr);
  EXPECT_EQ(geometry.vertexBuffer, vb);
  EXPECT_EQ(geometry.particles.size(), 3u);
  geometry.FillVertices();  // count and buffers disagree: nothing written
}

TEST_F(ParticleGeometryTest, NewParticlesDrawSizeFactorThenSignInOrder) {
  item.sizeFactorMin = 1;
  item.sizeFactorMax = 3;
  item.phaseRate = 2;
  item.size.Raw() = 10;
  item.colour.Raw() = RGB(0x40, 0x80, 0xFF);
  Bind(2);
  // The generator's first values are 41 (size factor), 18467 (odd: minus), 6334, 26500 (even: plus).
  const Particle& a = *geometry.particles[0];
  const Particle& b = *geometry.particles[1];
  EXPECT_FLOAT_EQ(a.sizeFactor, (float)(1 + 41 / 32767.0 * 2));
  EXPECT_EQ(a.phaseRate, -2);
  EXPECT_FLOAT_EQ(b.sizeFactor, (float)(1 + 6334 / 32767.0 * 2));
  EXPECT_EQ(b.phaseRate, 2);
  EXPECT_EQ(a.phase, 1);
  EXPECT_EQ(a.lastChangeTime, 0);
  EXPECT_EQ(a.color, 0xFF4080FFu);
  EXPECT_EQ(a.axisX, D3DXVECTOR3(1, 0, 0));
  EXPECT_EQ(a.uRange[1], 1);
  EXPECT_FLOAT_EQ(a.halfHeight, a.sizeFactor * 5);
}

TEST(ParticleTest, HalfSizeFollowsTheAspect) {
  struct Case {
    float aspect;
    UINT size;
    float hw, hh;
  } cases[] = {{0.5f, 40, 20, 10}, {2, 40, 10, 20}, {1, 40, 20, 20}, {0, 40, 20, 0}};
  for (const Case& c : cases) {
    Particle p;
    p.sizeFactor = 1;
    p.aspect = c.aspect;
    p.SetHalfSize(c.size);
    EXPECT_FLOAT_EQ(p.halfWidth, c.hw) << c.aspect;
    EXPECT_FLOAT_EQ(p.halfHeight, c.hh) << c.aspect;
  }
}

TEST(ParticleTest, ColourIsTheItemsColourWithPhaseScaledAlpha) {
  RecordingSprites item;
  item.colour.Raw() = RGB(0x40, 0x80, 0xFF);
  Particle p;
  p.phase = 0.5f;
  p.UpdateColor(item);
  EXPECT_EQ(p.color, 0x7F4080FFu);
  p.phase = 0;
  p.UpdateColor(item);
  EXPECT_EQ(p.color, 0x004080FFu);
}

TEST(ParticleTest, InitTakesTheSpriteImagesAspectPerSheetFrame) {
  lumi_test::FakeTexture texture;  // outlives the manager that holds it
  DS_DocResManager manager;
  lumi_test::SavedGlobal<DS_DocResManager*> current(g_DocResManager, &manager);
  RecordingSprites item;
  item.image.Raw() = DocFileKey(u"sheet.png", 7);
  TextureSet& set = manager.Maps().textureSets[item.image.GetKey()];
  set.frames.push_back(ComRef<IDirect3DTexture9>::Shared(&texture));
  set.aspect = 0.25f;
  item.size.Raw() = 40;
  ResetCrtRand();
  Particle p;
  p.Init(item);
  EXPECT_FLOAT_EQ(p.aspect, 0.25f);
  EXPECT_FLOAT_EQ(p.halfWidth, 20);
  EXPECT_FLOAT_EQ(p.halfHeight, 5);
  EXPECT_EQ(p.centre, D3DXVECTOR3(100, 100, 0));
  item.animated = true;
  item.frameCount = 4;
  p.Init(item);
  EXPECT_FLOAT_EQ(p.aspect, 1);
  EXPECT_FLOAT_EQ(p.halfHeight, 20);
}

TEST_F(ParticleGeometryTest, QuadCornersTextureRangesAndFlips) {
  Bind(1);
  Particle& p = *geometry.particles[0];
  p.centre = D3DXVECTOR3(50, 40, 3);
  p.halfWidth = 10;
  p.halfHeight = 5;
  p.color = 0x80112233;
  p.uRange[0] = 0.25f;
  p.uRange[1] = 0.75f;
  struct Case {
    int flipU, flipV;
    float halfWidth;
    float x[4], y[4], u[4], v[4];
  } cases[] = {
      {0, 0, 10, {40, 40, 60, 60}, {45, 35, 45, 35}, {0.25f, 0.25f, 0.75f, 0.75f}, {1, 0, 1, 0}},
      {1, 0, 10, {40, 40, 60, 60}, {45, 35, 45, 35}, {0.75f, 0.75f, 0.25f, 0.25f}, {1, 0, 1, 0}},
      {0, 1, 10, {40, 40, 60, 60}, {45, 35, 45, 35}, {0.25f, 0.25f, 0.75f, 0.75f}, {0, 1, 0, 1}},
      // A negative half width mirrors the quad and keeps the texture coordinates.
      {0, 0, -10, {60, 60, 40, 40}, {45, 35, 45, 35}, {0.25f, 0.25f, 0.75f, 0.75f}, {1, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    item.horizontalFlip.Raw() = c.flipU;
    item.verticalFlip.Raw() = c.flipV;
    p.halfWidth = c.halfWidth;
    geometry.FillVertices();
    const DX_V::PCT* v = Vertices();
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(testing::Message() << "flips " << c.flipU << c.flipV << " hw " << c.halfWidth << " vertex " << k);
      EXPECT_FLOAT_EQ(v[k].x, c.x[k]);
      EXPECT_FLOAT_EQ(v[k].y, c.y[k]);
      EXPECT_FLOAT_EQ(v[k].z, 3);
      EXPECT_FLOAT_EQ(v[k].u, c.u[k]);
      EXPECT_FLOAT_EQ(v[k].v, c.v[k]);
      EXPECT_EQ(v[k].color, 0x80112233u);
    }
  }
  // Turned axes turn the quad.
  item.horizontalFlip.Raw() = 0;
  item.verticalFlip.Raw() = 0;
  p.halfWidth = 10;
  p.axisX = D3DXVECTOR3(0, 1, 0);
  p.axisY = D3DXVECTOR3(-1, 0, 0);
  geometry.FillVertices();
  EXPECT_FLOAT_EQ(Vertices()[1].x, 55);  // corner = centre - 10 * (0, 1) - 5 * (-1, 0)
  EXPECT_FLOAT_EQ(Vertices()[1].y, 30);
  EXPECT_FALSE(device.lastVertexBuffer()->locked);
}

TEST_F(ParticleGeometryTest, SpriteSheetStepsOnceItsIntervalHasStrictlyPassed) {
  item.animated = true;
  item.frameCount = 4;
  item.frameRate = 2;
  Bind(3);
  struct Step {
    float clock;
    float u0, u1;
  } steps[] = {
      {0.5f, 0, 0.25f},       // exactly 1 / rate is not enough
      {0.51f, 0.25f, 0.5f},   // one step, even with three particles
      {1.0f, 0.25f, 0.5f},    // 0.49 since the switch
      {1.02f, 0.5f, 0.75f},
      {1.53f, 0.75f, 1},
      {2.04f, 0, 0.25f},      // wraps around
  };
  for (const Step& s : steps) {
    item.clock = s.clock;
    geometry.FillVertices();
    for (int q = 0; q < 3; ++q) {
      EXPECT_FLOAT_EQ(Vertices()[4 * q + 1].u, s.u0) << s.clock << " quad " << q;
      EXPECT_FLOAT_EQ(Vertices()[4 * q + 2].u, s.u1) << s.clock << " quad " << q;
    }
  }
  // The horizontal flip reverses a sheet frame's range too.
  item.horizontalFlip.Raw() = 1;
  geometry.FillVertices();
  EXPECT_FLOAT_EQ(Vertices()[1].u, 0.25f);
  EXPECT_FLOAT_EQ(Vertices()[2].u, 0);
  // A switch time ahead of the clock (the clock went back) is reset by the first particle's test; the
  // next particle's test then finds the interval passed and steps.
  item.clock = 1;
  geometry.FillVertices();
  EXPECT_EQ(geometry.sheetSwitchTime, 1);
  EXPECT_EQ(geometry.sheetFrame, 1);
}

TEST_F(ParticleGeometryTest, SheetWithoutRateOrFramesNeverStepsAndStaysFinite) {
  item.animated = true;
  item.frameCount = 0;
  item.frameRate = 0;
  Bind(1);
  item.clock = 1000;
  geometry.FillVertices();
  EXPECT_EQ(geometry.sheetFrame, 0);
  EXPECT_FLOAT_EQ(Vertices()[1].u, 0);
  EXPECT_FLOAT_EQ(Vertices()[2].u, 1);
}

TEST_F(ParticleGeometryTest, EmptyOrFailedBuffersAreNeverLocked) {
  Bind(0);  // stored with no particles: no buffers at all
  EXPECT_EQ(geometry.vertexBuffer, nullptr);
  geometry.FillVertices();
  geometry.Update(0.1f);
  EXPECT_EQ(geometry.DrawnCount(), 0u);

  device.failVertexBuffers = true;
  item.count.SetValue(2, nullptr);
  EXPECT_EQ(geometry.vertexBuffer, nullptr);
  EXPECT_EQ(geometry.particles.size(), 2u);
  geometry.FillVertices();
}

TEST_F(ParticleGeometryTest, QuadsLiveInADiscardedDynamicBufferRemadeAndRefilledAtADeviceReset) {
  item.animated = true;
  item.frameCount = 4;
  item.frameRate = 2;
  Bind(2);
  lumi_test::FakeVertexBuffer* before = device.lastVertexBuffer();
  EXPECT_EQ(before->usage, (DWORD)(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY));
  EXPECT_EQ(before->pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(device.lastIndexBuffer()->pool, D3DPOOL_MANAGED);
  item.clock = 0.6f;
  geometry.FillVertices();  // sheet frame 1
  EXPECT_EQ(before->lockFlags, (DWORD)D3DLOCK_DISCARD);
  ASSERT_EQ(geometry.sheetFrame, 1);

  InvalidateAllDeviceObjects();
  EXPECT_EQ(before->refs, 0) << "a default-pool buffer left alive makes the reset fail";
  EXPECT_FALSE(geometry.CanDrawIndexed());
  geometry.FillVertices();  // nothing to lock while the device is lost
  // The particles moved while the device was lost, and the clock passed the next sheet step.
  geometry.particles[0]->centre.x = 70;
  item.clock = 1.3f;

  CreateAllDeviceObjects();
  ASSERT_NE(device.lastVertexBuffer(), before);
  EXPECT_EQ(device.lastVertexBuffer()->pool, D3DPOOL_DEFAULT);
  EXPECT_TRUE(geometry.CanDrawIndexed());
  EXPECT_EQ(geometry.vertexCount, 8u);
  // Refilled at once (an item that refills only on frame changes may not fill again for a while), with
  // the particles where they are and the sheet frame they showed: the step waits for the next fill.
  EXPECT_FLOAT_EQ(Vertices()[1].x, 70 - geometry.particles[0]->halfWidth);
  EXPECT_FLOAT_EQ(Vertices()[1].u, 0.25f);
  EXPECT_EQ(geometry.sheetFrame, 1);
  geometry.FillVertices();
  EXPECT_EQ(geometry.sheetFrame, 2);

  // A count change while the device is lost makes no buffer then; the reset makes it at the new size.
  InvalidateAllDeviceObjects();
  const size_t made = device.vertexBuffers.size();
  item.count.SetValue(3, nullptr);
  EXPECT_EQ(device.vertexBuffers.size(), made);
  EXPECT_EQ(geometry.vertexBuffer, nullptr);
  EXPECT_EQ(geometry.particles.size(), 3u);
  CreateAllDeviceObjects();
  EXPECT_EQ(geometry.vertexCount, 12u);
  EXPECT_EQ(geometry.triangleCount, 6u);
  EXPECT_EQ(device.lastIndexBuffer()->As<WORD>()[17], 11);
}

TEST_F(ParticleGeometryTest, HugeCountsStopAtWhatSixteenBitIndicesReach) {
  Bind(1000000);
  EXPECT_EQ(geometry.particles.size(), kMaxQuads);
  EXPECT_EQ(geometry.vertexCount, 4 * kMaxQuads);
  EXPECT_EQ(geometry.DrawnCount(), kMaxQuads);
  geometry.FillVertices();
  const DX_V::PCT* v = Vertices();
  EXPECT_FLOAT_EQ(v[4 * (kMaxQuads - 1) + 1].x, 10.0f * kMaxQuads - geometry.particles.back()->halfWidth);
}

TEST(ParticleGeometryLifetimeTest, DestroyedGeometryStopsListeningAndReleasesItsBuffers) {
  RecordingRenderDevice device;
  RecordingSprites item;
  item.count.Raw() = 2;
  {
    ParticleGeomArray geometry;
    geometry.item = &item;
    geometry.BindCountListener(item.count);
  }
  item.count.SetValue(5, nullptr);  // nobody listens any more
  EXPECT_EQ(item.started.size(), 2u);
  EXPECT_TRUE(device.AllReleased());
}

class AnimatedTextureTest : public ::testing::Test {
 protected:
  void AddFrames(int n) {
    for (int i = 0; i < n; ++i) {
      anim.textureSet.frames.push_back(ComRef<IDirect3DTexture9>::Shared(&textures[i]));
    }
  }
  lumi_test::FakeTexture textures[3];
  AnimatedTexture<ParticleGeomArray> anim;
};

TEST_F(AnimatedTextureTest, StepsStrictlyAfterTheCurrentFramesDuration) {
  AddFrames(2);
  anim.textureSet.durations = {0.1f, 0.2f};
  anim.currentFrame = 1;
  EXPECT_FALSE(anim.StepFrame(0.2f));
  EXPECT_TRUE(anim.StepFrame(0.21f));
  EXPECT_EQ(anim.currentFrame, 0);
  EXPECT_EQ(anim.switchTime, 0.21f);
  EXPECT_EQ(anim.CurrentTexture(), &textures[0]);
  EXPECT_FALSE(anim.StepFrame(0.3f));
  EXPECT_TRUE(anim.StepFrame(0.32f));
  EXPECT_EQ(anim.CurrentTexture(), &textures[1]);
}

TEST_F(AnimatedTextureTest, StillImagesAndMismatchedSetsStayInsideTheFrames) {
  EXPECT_FALSE(anim.StepFrame(10));  // no frames, no durations
  EXPECT_EQ(anim.CurrentTexture(), nullptr);
  AddFrames(1);
  EXPECT_FALSE(anim.StepFrame(10));  // a still image has no durations
  EXPECT_EQ(anim.CurrentTexture(), &textures[0]);
  // Three durations but one frame: the frame index never leaves the frames that exist.
  anim.textureSet.durations = {0.1f, 0.1f, 0.1f};
  for (float t = 1; t < 2; t += 0.25f) {
    anim.StepFrame(t);
    EXPECT_EQ(anim.currentFrame, 0);
    EXPECT_EQ(anim.CurrentTexture(), &textures[0]);
  }
  // A frame index left beyond a set that shrank starts over.
  anim.currentFrame = 2;
  EXPECT_EQ(anim.CurrentTexture(), nullptr);
  anim.StepFrame(100);
  EXPECT_EQ(anim.currentFrame, 0);
}

}  // namespace
