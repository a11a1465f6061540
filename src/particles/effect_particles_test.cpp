#include "particles/effect_particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "particles/particle_objects.h"
#include "scene/doc_res_manager.h"
#include "scene/particle.h"
#include "support/fake_geometry.h"
#include "support/particle_fixture.h"
#include "support/recording_effect.h"
#include "support/recording_render_device.h"

namespace {

using lumi_test::CallLog;
using lumi_test::FakeTexture;
using lumi_test::RecordingEffect;
using lumi_test::Replay;
using lumi_test::ScopedPicture;
using lumi_test::StateWithCoin;
typedef std::vector<std::string> Lines;

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// A bolt copy with count segments between two points.
std::unique_ptr<DS_DischargeFXConstructor> Bolt(UINT count, D3DXVECTOR3 s, D3DXVECTOR3 e) {
  DS_DischargeFXConstructor bolt;
  bolt.count.Raw() = count;
  bolt.startPoint.Raw() = s;
  bolt.endPoint.Raw() = e;
  std::unique_ptr<DS_DischargeFXConstructor> copy(static_cast<DS_DischargeFXConstructor*>(bolt.Clone()));
  copy->previousPath.resize(count);
  copy->currentPath.resize(count);
  return copy;
}

TEST(Bolt, DefaultsAndTheEndPointFromThePictureAtConstruction) {
  ScopedPicture picture(800, 600);
  DS_DischargeFXConstructor bolt;
  EXPECT_EQ(bolt.size.GetValue(), 50u);
  EXPECT_EQ(bolt.blendMode.GetValue(), 1);
  EXPECT_EQ(bolt.colour.GetValue(), 0xFFFFCCu);
  EXPECT_EQ(bolt.glowColour.GetValue(), 0xFF9900u);
  EXPECT_EQ(bolt.effectLink.GetName(), u"basekit.dll");
  EXPECT_EQ(bolt.effectLink.GetStamp(), 97);
  EXPECT_FLOAT_EQ(bolt.endPoint.GetValue().x, 700);
  EXPECT_FLOAT_EQ(bolt.endPoint.GetValue().y, 500);
  EXPECT_FLOAT_EQ(bolt.jitter.GetResult(), 0.5f);
  EXPECT_NEAR(bolt.flickerInterval.GetResult(), 0.0f, 1e-6);
  EXPECT_FLOAT_EQ(bolt.followSpeed.GetResult(), 5.0f);
}

TEST(Bolt, OneSegmentGoesStraightFromStartToEnd) {
  auto bolt = Bolt(1, D3DXVECTOR3(100, 100, 0), D3DXVECTOR3(400, 500, 0));
  ResetCrtRand(4);
  bolt->BuildBoltPath(bolt->currentPath);
  const int next = CrtRand();
  Replay r(4);
  EXPECT_EQ(next, CrtRand());  // no skew drawn
  const BoltPoint& p = bolt->currentPath[0];
  EXPECT_FLOAT_EQ(p.length, 500);
  EXPECT_FLOAT_EQ(p.position.x, 250);
  EXPECT_FLOAT_EQ(p.position.y, 300);
  EXPECT_NEAR(p.direction.x, 0.6f, 1e-6);
  EXPECT_NEAR(p.direction.y, 0.8f, 1e-6);
}

TEST(Bolt, SegmentsAreSkewedByTwoDrawsEachExceptTheLastWhichEndsAtTheEnd) {
  auto bolt = Bolt(4, D3DXVECTOR3(100, 100, 0), D3DXVECTOR3(500, 100, 0));
  ResetCrtRand(17);
  bolt->BuildBoltPath(bolt->currentPath);
  Replay r(17);
  D3DXVECTOR3 p(100, 100, 0);
  const D3DXVECTOR3 e(500, 100, 0);
  for (int g = 0; g < 4; ++g) {
    SCOPED_TRACE(g);
    const BoltPoint& point = bolt->currentPath[static_cast<size_t>(g)];
    const D3DXVECTOR3 d = e - p;
    D3DXVECTOR3 w = d;
    if (g < 3) {
      const float r1 = r.U(-0.5f, 0.5f), r2 = r.U(-0.5f, 0.5f);
      w = D3DXVECTOR3(d.x + r1 * d.y, d.y + r2 * d.x, 2 * d.z);
    }
    const float step = Length(d) / static_cast<float>(4 - g);
    EXPECT_NEAR(point.direction.x, w.x / Length(w), 1e-5);
    EXPECT_NEAR(point.direction.y, w.y / Length(w), 1e-5);
    EXPECT_NEAR(point.length, step, 1e-3);
    EXPECT_FLOAT_EQ(point.side.x, 0);
    EXPECT_FLOAT_EQ(point.side.y, -1);
    const D3DXVECTOR3 q = p + point.direction * step;
    EXPECT_NEAR(point.position.x, (p.x + q.x) / 2, 1e-3);
    p = q;
  }
  EXPECT_NEAR(p.x, 500, 1e-3);
  EXPECT_NEAR(p.y, 100, 1e-3);
}

TEST(Bolt, ParticlesFollowTheNewPathUnclampedWithEndCapsAtBothEnds) {
  auto bolt = Bolt(3, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(300, 0, 0));
  bolt->followSpeed.Change(100);  // 10 per item second
  for (int g = 0; g < 3; ++g) {
    bolt->previousPath[g] = BoltPoint{D3DXVECTOR3(50.0f + 100 * g, 0, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, -1, 0), 100};
    bolt->currentPath[g] = BoltPoint{D3DXVECTOR3(50.0f + 100 * g, 20, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, -1, 0), 120};
  }
  bolt->lastRebuildTime = 1.0f;
  bolt->clock = 1.12f;  // t = 1.2: beyond the current path
  bolt->pointCounter = 0;
  const struct {
    float u0, u1;
  } caps[] = {{0, 0.805f}, {0.195f, 0.805f}, {0.195f, 1}};
  std::vector<Particle> ps(3);
  for (int g = 0; g < 3; ++g) {
    bolt->UpdateParticle(&ps[static_cast<size_t>(g)]);
    const Particle& p = ps[static_cast<size_t>(g)];
    EXPECT_NEAR(p.centre.y, 24, 1e-4);
    EXPECT_NEAR(p.halfWidth, 62, 1e-4);
    EXPECT_FLOAT_EQ(p.halfHeight, 25);
    EXPECT_FLOAT_EQ(p.axisY.y, -1);
    EXPECT_FLOAT_EQ(p.uRange[0], caps[g].u0);
    EXPECT_FLOAT_EQ(p.uRange[1], caps[g].u1);
  }
  EXPECT_EQ(bolt->pointCounter, 3);
  auto single = Bolt(1, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(300, 0, 0));
  Particle p;
  single->UpdateParticle(&p);
  EXPECT_FLOAT_EQ(p.uRange[0], 0);
  EXPECT_FLOAT_EQ(p.uRange[1], 1);
}

TEST(Bolt, PathRebuildsEveryTenthOfAnItemSecondKeepingTheOldOneAsPrevious) {
  auto bolt = Bolt(2, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(300, 0, 0));
  bolt->BuildBoltPath(bolt->currentPath);
  const float firstX = bolt->currentPath[0].position.x;
  bolt->clock = 0.1f;
  bolt->pointCounter = 5;
  bolt->UpdateEffect();
  EXPECT_EQ(bolt->pointCounter, 0);
  EXPECT_EQ(bolt->lastRebuildTime, 0.0f);  // 0.1 is not more than 0.1
  bolt->clock = 0.11f;
  bolt->UpdateEffect();
  EXPECT_FLOAT_EQ(bolt->lastRebuildTime, 0.11f);
  EXPECT_FLOAT_EQ(bolt->previousPath[0].position.x, firstX);
}

TEST(Bolt, FlickerPicksAVariantWheneverApplicationTimeAdvancedPastTheInterval) {
  auto bolt = Bolt(1, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(300, 0, 0));
  Particle p;
  bolt->UpdateParticle(&p);  // no application time yet: the full range stays
  EXPECT_FLOAT_EQ(p.vRange[0], 0);
  EXPECT_FLOAT_EQ(p.vRange[1], 1);
  bolt->Advance(0.02f);
  ResetCrtRand(29);
  bolt->pointCounter = 0;
  bolt->UpdateParticle(&p);
  Replay r(29);
  float v[2] = {0.5f, 1.0f};
  if (r.Odd()) v[0] = 0, v[1] = 0.5f;
  if (r.Odd()) std::swap(v[0], v[1]);
  EXPECT_FLOAT_EQ(p.vRange[0], v[0]);
  EXPECT_FLOAT_EQ(p.vRange[1], v[1]);
  EXPECT_FLOAT_EQ(p.lastChangeTime, 0.02f);
}

TEST(Bolt, ParticlesBeyondTheSegmentsAreLeftAlone) {
  auto bolt = Bolt(2, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(300, 0, 0));
  bolt->BuildBoltPath(bolt->previousPath);
  bolt->BuildBoltPath(bolt->currentPath);
  bolt->count.Raw() = 1;  // the list keeps a surplus particle
  Particle ps[3];
  for (Particle& p : ps) bolt->UpdateParticle(&p);
  EXPECT_EQ(bolt->pointCounter, 3);
  EXPECT_FLOAT_EQ(ps[2].centre.x, 100);  // untouched
  EXPECT_NE(ps[1].centre.x, 100);
}

TEST(Bolt, ParticlesMadeByTheGeometrySizeBothPaths) {
  ScopedPicture picture(800, 600);
  DS_DischargeFXConstructor item;
  item.count.Raw() = 5;
  std::unique_ptr<DS_ABObj> object(item.CreateRenderObject());
  auto* glow = dynamic_cast<DS_GlowingObj*>(object.get());
  ASSERT_NE(glow, nullptr);
  auto* bolt = static_cast<DS_DischargeFXConstructor*>(glow->glowItem);
  EXPECT_EQ(bolt->currentPath.size(), 5u);
  EXPECT_EQ(bolt->previousPath.size(), 5u);
  EXPECT_EQ(bolt->effect, nullptr);  // no document: no effect, and nothing to draw
  EXPECT_EQ(glow->NeedsSourceTexture(), 0);
  glow->Update(0.05);
  // The last segment ends at the end point (both paths do; a quarter of the way between them the blend
  // of their directions is not quite a unit vector).
  const Particle& last = *glow->particles[4];
  EXPECT_NEAR(last.centre.x + last.halfWidth * last.axisX.x, 700, 0.5);
  EXPECT_NEAR(last.centre.y + last.halfWidth * last.axisX.y, 500, 0.5);
}

class ExplosionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager.reset(new DS_DocResManager);
    g_DocResManager = manager.get();
  }
  void TearDown() override {
    g_DocResManager = nullptr;
    manager.reset();
  }
  FakeTexture* Picture(const DocFileKey& key, const std::string& name) {
    textures.emplace_back(new FakeTexture);
    FakeTexture* t = textures.back().get();
    log.names[t] = name;
    manager->Maps().textureSets[key].frames.push_back(ComRef<IDirect3DTexture9>::Shared(t));
    return t;
  }

  CallLog log;
  lumi_test::RecordingRenderDevice docDevice;
  std::unique_ptr<DS_DocResManager> manager;
  std::vector<std::unique_ptr<FakeTexture>> textures;
};

TEST_F(ExplosionTest, ParametersOfOneDrawAndTheNoiseSwapOncePerWholeSecond) {
  DS_ExplosionConstructor item;
  item.colour = 0x0000FF;  // pure red
  item.secondColour = 0x804000;
  item.image.Raw() = DocFileKey(u"gradient.png", 1);
  item.secondImage.Raw() = DocFileKey(u"noise.png", 2);
  Picture(item.image.GetKey(), "gradient");
  Picture(item.secondImage.GetKey(), "noise");
  item.noiseLink.Raw() = DocFileKey(u"noise2.png", 3);
  Picture(item.noiseLink.GetKey(), "noise2");
  item.LoadEffect();
  RecordingEffect effect(log, "explosion");
  item.effect.Share(&effect);
  item.clock = 3.4f;
  item.lastWholeSecond = 3;
  item.ApplyEffectParams();
  EXPECT_EQ(log.calls, (Lines{"technique Main", "texture GradientTex=gradient", "texture NoiseTex1=noise",
                              "texture NoiseTex2=noise2", "floats color1=1,0,0", "floats color2=0,0.25098,0.501961",
                              "floats noise_shift1=0,0", "floats noise_shift2=0,0", "float time=0.7"}));
  log.calls.clear();
  item.clock = 4.05f;
  ResetCrtRand(13);
  item.ApplyEffectParams();
  Replay r(13);
  const float sx = r.U(0, 1), sy = r.U(0, 1);
  EXPECT_EQ(item.lastWholeSecond, 4);
  EXPECT_EQ(log.With("texture NoiseTex"), (Lines{"texture NoiseTex1=noise2", "texture NoiseTex2=noise"}));
  EXPECT_FLOAT_EQ(item.noiseShift2[0], sx);
  EXPECT_FLOAT_EQ(item.noiseShift2[1], sy);
  EXPECT_EQ(log.With("floats noise_shift1"), (Lines{"floats noise_shift1=0,0"}));
  // The next second the newer shift becomes the older one.
  log.calls.clear();
  item.clock = 5.0f;
  item.ApplyEffectParams();
  EXPECT_FLOAT_EQ(item.noiseShift1[0], sx);
  EXPECT_FLOAT_EQ(item.noiseShift1[1], sy);
  item.effect = nullptr;
  EXPECT_EQ(effect.refs, 1);
}

TEST_F(ExplosionTest, MissingPicturesGiveNullTexturesAndTheUnstoredNoiseTakesTheFirstNoise) {
  DS_ExplosionConstructor item;
  item.secondImage.Raw() = DocFileKey(u"noise.png", 2);
  FakeTexture* noise = Picture(item.secondImage.GetKey(), "noise");
  item.LoadEffect();  // the module effect is not there: no effect
  EXPECT_EQ(item.effect, nullptr);
  EXPECT_EQ(item.gradientTexture, nullptr);
  EXPECT_EQ(item.noiseTexture1, noise);
  EXPECT_EQ(item.noiseTexture2, noise);
  item.clock = 2.5f;
  item.ApplyEffectParams();  // without an effect: no call, no crash
  {
    std::unique_ptr<DS_ExplosionConstructor> copy(static_cast<DS_ExplosionConstructor*>(item.Clone()));
    EXPECT_EQ(copy->noiseTexture1, noise);
  }
  EXPECT_EQ(noise->refs, 4);  // ours, the set's and the item's two
}

TEST(Explosion, TheRenderObjectsCloneSitsAtThePictureCentreOnceThePictureIsPlaced) {
  DS_ExplosionConstructor item;  // read before any picture: the document item keeps (0, 0)
  EXPECT_FLOAT_EQ(item.position.GetValue().x, 0);
  ScopedPicture picture(800, 600);
  std::unique_ptr<DS_ABObj> object(item.CreateRenderObject());
  auto* fx = dynamic_cast<DS_FXObj*>(object.get());
  ASSERT_NE(fx, nullptr);
  auto* clone = static_cast<DS_ExplosionConstructor*>(fx->effectItem);
  EXPECT_FLOAT_EQ(clone->position.GetValue().x, 400);
  EXPECT_FLOAT_EQ(clone->position.GetValue().y, 300);
  EXPECT_FLOAT_EQ(item.position.GetValue().x, 0);
  fx->Update(0.1);
  EXPECT_FLOAT_EQ(fx->particles[0]->centre.x, 400);
  EXPECT_FLOAT_EQ(fx->particles[0]->halfWidth, 125);
  // A set position is kept by copies.
  item.SetPosition(D3DXVECTOR3(10, 20, 0));
  std::unique_ptr<DS_ABObj> placed(item.CreateRenderObject());
  EXPECT_FLOAT_EQ(static_cast<DS_ExplosionConstructor*>(placed->item)->position.GetValue().x, 10);
}

}  // namespace
