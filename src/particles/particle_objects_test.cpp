#include "particles/particle_objects.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/noise.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/file_link.h"
#include "particles/fx_particle_ctrl.h"
#include "scene/screen_mapping.h"
#include "scene/sprite_prop.h"
#include "scene/stream.h"
#include "support/fake_geometry.h"
#include "support/fake_module_resources.h"
#include "support/recording_effect.h"
#include "support/recording_render_device.h"
#include "support/recording_renderer.h"
#include "support/render_test_items.h"

namespace {

using lumi_test::CallLog;
using lumi_test::FakeTexture;
using lumi_test::RecordingEffect;
using lumi_test::RecordingRenderDevice;
using lumi_test::RecordingRenderer;
typedef std::vector<std::string> Lines;
using namespace render_test;

class RenderObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetCrtRand();
    g_itemsDeleted = 0;
    g_log = &log;
    manager.reset(new DS_DocResManager);
    g_DocResManager = manager.get();
  }
  void TearDown() override {
    g_DocResManager = nullptr;
    manager.reset();
    g_log = nullptr;
    ResetCrtRand();
  }

  // A texture set under key with one fake frame per duration given (one frame for a still image).
  void AddSet(const DocFileKey& key, std::vector<FakeTexture*> frames, std::vector<float> durations = {}) {
    TextureSet& set = manager->Maps().textureSets[key];
    set.ClearFrames();
    for (FakeTexture* f : frames) set.frames.push_back(ComRef<IDirect3DTexture9>::Shared(f));
    set.durations = durations;
    set.width = 16;
    set.height = 8;
    set.aspect = 0.5f;
  }
  FakeTexture* Texture(const std::string& name) {
    textures.emplace_back(new FakeTexture);
    log.names[textures.back().get()] = name;
    return textures.back().get();
  }

  CallLog log;
  RecordingRenderDevice device;
  std::unique_ptr<DS_DocResManager> manager;
  RecordingRenderer renderer{log};
  std::vector<std::unique_ptr<FakeTexture>> textures;
};

const DocFileKey kSprite(u"c:\\pics\\sprite.gif", 1);
const DocFileKey kSecond(u"c:\\pics\\second.png", 2);

TEST_F(RenderObjectsTest, DestroyingDeletesTheCloneOnceAndReleasesTheBuffers) {
  struct Case {
    const char* kind;
    std::function<DS_ABObj*()> make;
  };
  const Case cases[] = {
      {"sprite array", [] {
         TestSprites item;
         item.count.Raw() = 3;
         return item.CreateRenderObject();
       }},
      {"glow", [] {
         TestGlow item;
         item.count.Raw() = 3;
         return item.CreateRenderObject();
       }},
      {"effect particles", [] {
         TestFX item;
         item.count.Raw() = 3;
         return item.CreateRenderObject();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    g_itemsDeleted = 0;
    DS_ABObj* object = c.make();
    EXPECT_EQ(g_itemsDeleted, 1);  // the item the clone was made from
    ASSERT_NE(object->item, nullptr);
    object->Update(0.1f);
    delete object;
    EXPECT_EQ(g_itemsDeleted, 2);
    EXPECT_TRUE(device.AllReleased());
  }
}

TEST_F(RenderObjectsTest, ParticleObjectsReadNoSourceTexture) {
  TestSprites sprites;
  TestFX fx;
  RecordingEffect effect(log, "fx");
  fx.effect.Share(&effect);
  TestGlow glow;  // blends over the target: it reads nothing
  glow.effect.Share(&effect);
  struct Case {
    const char* kind;
    DS_ABObj_Constructor* item;
    int expected;
  };
  const Case cases[] = {
      {"sprite array", &sprites, 0},
      {"effect particles", &fx, 0},
      {"glow", &glow, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    std::unique_ptr<DS_ABObj> object(c.item->CreateRenderObject());
    EXPECT_EQ(object->NeedsSourceTexture(), c.expected);
  }
  glow.effect = nullptr;
  fx.effect = nullptr;
  EXPECT_EQ(effect.refs, 1);  // every clone let go of its reference
}

TEST_F(RenderObjectsTest, SpriteArrayTakesItsImageSetAndTheFirstFrameOfTheSecondImage) {
  FakeTexture* f0 = Texture("frame0");
  FakeTexture* f1 = Texture("frame1");
  FakeTexture* s0 = Texture("second0");
  FakeTexture* s1 = Texture("second1");
  AddSet(kSprite, {f0, f1}, {0.5f, 0.5f});
  AddSet(kSecond, {s0, s1});
  TestSprites item;
  item.count.Raw() = 2;
  item.blendMode.Raw() = 1;
  item.image.Raw() = kSprite;
  item.secondImage.Raw() = kSecond;
  {
    std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
    const std::vector<IDirect3DTexture9*> frames(object->textureSet.frames.begin(), object->textureSet.frames.end());
    EXPECT_EQ(frames, (std::vector<IDirect3DTexture9*>{f0, f1}));
    EXPECT_EQ(object->textureSet.durations, (std::vector<float>{0.5f, 0.5f}));
    EXPECT_EQ(object->textureSet.aspect, 0.5f);
    EXPECT_EQ(f0->refs, 3);  // ours, the document's, the object's
    EXPECT_EQ(object->secondTexture.Get(), s0);
    EXPECT_EQ(s0->refs, 3);
    EXPECT_EQ(s1->refs, 2);
    EXPECT_EQ(object->particles.size(), 2u);  // made by the count listener at once
    EXPECT_EQ(object->markerMode, 0);

    {
      ComRef<IDirect3DTexture9> shared = object->ShareSecondTexture();
      EXPECT_EQ(shared.Get(), s0);
      EXPECT_EQ(s0->refs, 4);
      EXPECT_EQ(object->GetSecondTexture(), s0);
      EXPECT_EQ(s0->refs, 4) << "borrowed: no reference added";
    }
    EXPECT_EQ(s0->refs, 3);

    object->Render(&renderer);
    ASSERT_EQ(renderer.spriteDraws.size(), 1u);
    const RecordingRenderer::SpriteDraw& d = renderer.spriteDraws[0];
    EXPECT_EQ(d.geometry, static_cast<DS_IndexedMesh<DX_V::PCT>*>(object.get()));
    EXPECT_EQ(d.frameTexture, f0);
    EXPECT_EQ(d.secondTexture, s0);
    EXPECT_EQ(d.blendMode, 1);
  }
  EXPECT_EQ(f0->refs, 2);
  EXPECT_EQ(s0->refs, 2);
  EXPECT_EQ(g_itemsDeleted, 1);
}

TEST_F(RenderObjectsTest, SpriteArrayAsksForAModuleImageSetOnlyWhenTheItemSaysSo) {
  FakeModuleResources modules;
  DS_IOF_W set;
  set.WriteDword(2);
  set.WriteFloat(0.1f);
  set.WriteFloat(0.2f);
  set.WriteDword(2);
  for (const char* frame : {"\x02\x02" "a", "\x04\x02" "b"}) {
    DocResourceRecord r;
    r.blob.SetBytes(3, frame);
    set.WriteResourceRecord(r);
  }
  modules.AddDds(modules.AddModule(u"basekit.dll"), 40, set.TakeBytes());
  struct Case {
    int moduleImageSet;
    std::vector<std::string> frames;
    std::vector<float> durations;
  };
  const Case cases[] = {
      {1, {"\x02\x02" "a", "\x04\x02" "b"}, {0.1f, 0.2f}},
      {0, {"basekit.dll:40"}, {}},  // the module's resource as one picture
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moduleImageSet);
    manager.reset(new DS_DocResManager);
    g_DocResManager = manager.get();
    TestSprites item;
    item.count.Raw() = 1;
    item.moduleImageSet = c.moduleImageSet;
    item.image = DS_ImageFileLink(DS_FileLink3(40, u"basekit.dll"));
    std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
    std::vector<std::string> frames;
    for (IDirect3DTexture9* t : object->textureSet.frames) frames.push_back(RecordingRenderDevice::Text(t));
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(object->textureSet.durations, c.durations);
  }
}

TEST_F(RenderObjectsTest, SpriteArrayWithoutImagesDrawsWithNullTextures) {
  // No set under the image key, and a named second image whose set is empty.
  TestSprites item;
  item.count.Raw() = 1;
  item.image.Raw() = kSprite;
  item.secondImage.Raw() = kSecond;
  std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
  EXPECT_TRUE(object->textureSet.frames.empty());
  EXPECT_EQ(object->secondTexture.Get(), nullptr);
  for (float t : {0.1f, 0.2f, 0.3f}) object->Update(t);
  object->Render(&renderer);
  ASSERT_EQ(renderer.spriteDraws.size(), 1u);
  EXPECT_EQ(renderer.spriteDraws[0].frameTexture, nullptr);
  EXPECT_EQ(renderer.spriteDraws[0].secondTexture, nullptr);

  // Without a document the object still draws its particles.
  g_DocResManager = nullptr;
  std::unique_ptr<DS_SpriteArrayObj> orphan(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
  EXPECT_EQ(orphan->particles.size(), 1u);
  EXPECT_EQ(orphan->secondTexture.Get(), nullptr);
}

TEST_F(RenderObjectsTest, SpriteArrayRefillsOnFrameChangeOnlyWhenTheImageSetSteps) {
  // Frame steps at item-clock times past 0.25 s per frame (the item clock follows real time at the default
  // speed); updates every 0.1 s.
  struct Case {
    const char* what;
    int refill;
    int frames;
    std::vector<bool> fills;  // whether the vertex buffer is written at each update
    std::vector<int> currentFrame;
  };
  const Case cases[] = {
      {"refill every frame", 0, 2, {true, true, true, true, true, true}, {0, 0, 1, 1, 1, 0}},
      {"refill on frame change", 1, 2, {false, false, true, false, false, true}, {0, 0, 1, 1, 1, 0}},
      {"still image never refills", 1, 1, {false, false, false, false, false, false}, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<FakeTexture*> frames;
    for (int i = 0; i < c.frames; ++i) frames.push_back(Texture("f" + std::to_string(i)));
    AddSet(kSprite, frames, c.frames > 1 ? std::vector<float>(c.frames, 0.25f) : std::vector<float>());
    TestSprites item;
    item.count.Raw() = 2;
    item.image.Raw() = kSprite;
    item.refillOnFrameChange.Raw() = c.refill;
    std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
    lumi_test::FakeVertexBuffer* vb = device.lastVertexBuffer();
    ASSERT_NE(vb, nullptr);
    for (size_t i = 0; i < c.fills.size(); ++i) {
      SCOPED_TRACE(i);
      int locks = vb->locks;
      object->Update(0.1f * static_cast<float>(i + 1));
      EXPECT_EQ(vb->locks - locks, c.fills[i] ? 1 : 0);
      EXPECT_EQ(object->currentFrame, c.currentFrame[i]);
    }
  }
}

TEST_F(RenderObjectsTest, SpriteArrayEditingHooksGoToTheItem) {
  GetScreenMapping()->pictureWidth = 200;
  GetScreenMapping()->pictureHeight = 100;
  TestSprites item;
  item.count.Raw() = 1;
  item.x0 = 0.25f;
  item.x1 = 0.5f;
  item.y0 = 0.1f;
  item.y1 = 0.9f;
  std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
  object->markerMode = 1;
  object->OnScreenResize();
  EXPECT_EQ(object->Sprites()->rectangle.left.GetValue(), 50);
  EXPECT_EQ(object->Sprites()->rectangle.bottom.GetValue(), 90);

  POINT hit = {3, 4}, miss = {4, 3};
  EXPECT_TRUE(object->HitTest(hit));
  EXPECT_FALSE(object->HitTest(miss));

  object->DrawMarkers(&renderer, 2);
  ASSERT_EQ(renderer.markerDraws.size(), 1u);
  const RecordingRenderer::MarkerDraw& m = renderer.markerDraws[0];
  EXPECT_EQ(m.mode, 2);
  EXPECT_TRUE(m.steady);
  ASSERT_EQ(m.corners.size(), 4u);
  // Strip order: bottom-left, top-left, bottom-right, top-right.
  const float expected[4][2] = {{50, 90}, {50, 10}, {100, 90}, {100, 10}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(m.corners[k].x, expected[k][0]) << k;
    EXPECT_FLOAT_EQ(m.corners[k].y, expected[k][1]) << k;
  }
  GetScreenMapping()->pictureWidth = 0;
  GetScreenMapping()->pictureHeight = 0;
}

TEST(GlowBlendColorTest, RedIsTheColoursLowByte) {
  struct Case {
    DWORD colour;
    float strength;
    float expected[4];
  };
  const Case cases[] = {
      {0x000000FF, 1.0f, {1, 0, 0, 1}},
      {0x0000FF00, 0.5f, {0, 1, 0, 0.5f}},
      {0x00FF0000, 2.0f, {0, 0, 1, 2}},
      {0xFF336699, 0.0f, {0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f, 0}},  // the top byte is not a channel
  };
  for (const Case& c : cases) {
    float out[4];
    GlowBlendColor(c.colour, c.strength, out);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(out[i], c.expected[i]) << std::hex << c.colour << " " << i;
  }
}

// A device whose render-target calls are logged with the renderer's and make fake textures; it takes over
// from the fixture's device while it lives.
class FakeGlowDevice : public RecordingRenderDevice {
 public:
  bool CreateTargets(RenderTargetChain& chain, int width, int height) override {
    Log("target create " + std::to_string(width) + "x" + std::to_string(height));
    if (fail) return false;
    for (int i = 0; i < 2; ++i) chain.textures[i].Share(&textures[i]);
    chain.current.Share(&textures[0]);
    chain.width = width;
    chain.height = height;
    return true;
  }
  void BeginTargets(RenderTargetChain&, IDirect3DTexture9**) override { Log("target begin"); }
  void Clear(DWORD, D3DCOLOR, float, DWORD) override { Log("target clear"); }
  void EndTargets(RenderTargetChain&) override { Log("target end"); }

  bool fail = false;
  FakeTexture textures[2];
};

// A glow item whose quads sit where the test puts them.
class PlacedGlow : public TestGlow {
 public:
  PlacedGlow() = default;
  PlacedGlow(const PlacedGlow& o) : TestGlow(o), centres(o.centres), half(o.half), next(o.next) {}
  DS_ABObj* CreateRenderObject() override { return new DS_GlowingObj(new PlacedGlow(*this)); }
  DS_ParticleSystemCtrl* Clone() const override { return new PlacedGlow(*this); }
  void InitParticle(Particle* p) override {
    p->centre = centres[next++ % centres.size()];
    p->axisX = D3DXVECTOR3(1, 0, 0);
    p->axisY = D3DXVECTOR3(0, 1, 0);
    p->halfWidth = p->halfHeight = half;
  }
  std::vector<D3DXVECTOR3> centres{D3DXVECTOR3(400, 300, 0)};
  float half = 10;
  size_t next = 0;
};

// A renderer whose target passes place the picture on the pass's target, as the picture light does.
class PlacingRenderer : public RecordingRenderer {
 public:
  using RecordingRenderer::RecordingRenderer;
  void BeginTargetPass(RenderTargetChain* target, int mode) override {
    RecordingRenderer::BeginTargetPass(target, mode);
    saved_ = g_LetterboxProjection;
    g_LetterboxProjection.SetProjection(target->width, target->height, imageWidth, imageHeight, mode, true);
  }
  void EndTargetPass() override {
    RecordingRenderer::EndTargetPass();
    g_LetterboxProjection = saved_;
  }

 private:
  LetterboxProjection saved_;
};

class GlowObjectTest : public RenderObjectsTest {
 protected:
  void SetUp() override {
    RenderObjectsTest::SetUp();
    // An 800 x 600 picture over an 800 x 600 target: picture pixels are target pixels.
    glowDevice.size = BackBufferSize{800, 600};
    g_LetterboxProjection = LetterboxProjection();
    g_LetterboxProjection.SetProjection(800, 600, 800, 600, PicturePosition::Fit, true);
  }
  void TearDown() override {
    g_LetterboxProjection = LetterboxProjection();
    RenderObjectsTest::TearDown();
  }

  // A glow item drawn through a recording effect, and the object made from it.
  std::unique_ptr<DS_GlowingObj> MakeGlow(int blendMode = 0, PlacedGlow item = PlacedGlow()) {
    item.count.Raw() = static_cast<UINT>(item.centres.size());
    item.blendMode.Raw() = blendMode;
    item.glowColour.Raw() = 0x000000FF;
    item.glowStrength.SetValue(50, nullptr);
    item.effect.Share(&effect);
    item.glowTexture.Share(glowImage);
    item.mainTexture.Share(mainImage);
    std::unique_ptr<DS_GlowingObj> glow(static_cast<DS_GlowingObj*>(item.CreateRenderObject()));
    log.names[static_cast<DS_IndexedMesh<DX_V::PCT>*>(glow.get())] = "particles";
    return glow;
  }

  FakeGlowDevice glowDevice;
  RecordingEffect effect{log, "glow fx"};
  FakeTexture* glowImage = Texture("glow image");
  FakeTexture* mainImage = Texture("main image");
  PlacingRenderer placing{log};
};

TEST_F(GlowObjectTest, GlowStepsItsItemBeforeTheClockAndFillsEveryFrame) {
  TestGlow item;
  item.count.Raw() = 1;
  EXPECT_FLOAT_EQ(item.glowStrength.GetResult(), 1.0f);
  std::unique_ptr<DS_GlowingObj> object(static_cast<DS_GlowingObj*>(item.CreateRenderObject()));
  EXPECT_EQ(object->glowItem, object->DS_ABObj::item);
  lumi_test::FakeVertexBuffer* vb = glowDevice.lastVertexBuffer();
  ASSERT_NE(vb, nullptr);
  object->Update(0.1f);
  object->Update(0.2f);
  EXPECT_EQ(log.calls, (Lines{"LoadEffect", "target create 512x512", "UpdateEffect clock 0.000000",
                              "UpdateParticle clock 0.100000", "UpdateEffect clock 0.100000",
                              "UpdateParticle clock 0.200000"}));
  EXPECT_EQ(vb->locks, 2);
}

TEST_F(GlowObjectTest, GlowPassDrawsIntoItsTargetThenBlendsOverTheSceneWhereItReachesThenDrawsTheParticles) {
  log.names[&glowDevice.textures[0]] = "glow target";
  std::unique_ptr<DS_GlowingObj> glow = MakeGlow();
  EXPECT_EQ(glow->NeedsSourceTexture(), 0) << "it blends over the target: no off-screen pass for it";
  glow->Update(0.1f);
  glowDevice.shared = &log;
  log.calls.clear();
  glow->Render(&placing);
  EXPECT_EQ(log.calls, (Lines{"texture Texture1=glow image", "technique Blend_Max", "target begin",
                              "BeginTargetPass 3", "target clear", "DrawSpritesWithEffect particles glow fx",
                              "target end", "EndTargetPass", "technique Blend_Normal", "floats BlendColor=1,0,0,0.5",
                              "texture Texture2=glow target", "scissor 386 287 414 313", "states scissor on",
                              "DrawWithEffect background glow fx", "states scissor off", "technique Common",
                              "texture Texture1=main image", "DrawSpritesWithEffect particles glow fx"}));
  ASSERT_EQ(placing.targets.size(), 1u);
  EXPECT_EQ(placing.targets[0], glow->glowTarget.Chain());
}

// The quad 390..410 of the 800-pixel picture covers glow texels 249.6..262.4 of 512; a bilinear sample
// reaches a texel further (1.5 with slack), which is 2.34 picture pixels: 387.66..412.34, whole pixels
// and one more on each side: 386..414 (likewise 287..313 down).
TEST(GlowReachTest, ReachOfTheGlowOnTheTarget) {
  lumi_test::RecordingRenderDevice device(1920, 1080);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  QuadBounds bounds;
  struct Case {
    const char* what;
    D3DXVECTOR3 low, high;
    int mode;
    UINT width, height;  // the target the picture is placed on
    float zoom;
    bool reaches;
    RECT expected;
  };
  const Case cases[] = {
      {"inside, pixels one to one", {390, 290, 0}, {410, 310, 0}, PicturePosition::Fit, 800, 600, 1, true,
       {386, 287, 414, 313}},
      {"over the picture's corner: cut at the target", {-20, -20, 0}, {10, 10, 0}, PicturePosition::Fit, 800, 600, 1,
       true, {0, 0, 14, 13}},
      {"wholly outside the picture", {900, 100, 0}, {950, 150, 0}, PicturePosition::Fit, 800, 600, 1, false, {}},
      // Fit on a wider target: the picture is 1440 x 1080 from x 240; picture pixels are 1.8 target pixels.
      {"fitted between bars", {390, 290, 0}, {410, 310, 0}, PicturePosition::Fit, 1920, 1080, 1, true,
       {936, 517, 984, 563}},
      // Zoomed twice about the centre: the glow's reach on the target doubles around it.
      {"zoomed", {390, 290, 0}, {410, 310, 0}, PicturePosition::Fit, 800, 600, 2, true, {374, 275, 426, 325}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bounds = QuadBounds();
    bounds.Add(c.low);
    bounds.Add(c.high);
    g_LetterboxProjection = LetterboxProjection();
    g_LetterboxProjection.SetProjection(512, 512, 800, 600, PicturePosition::OffscreenStretch, true);
    float uv[4];
    const bool glowing = GlowUvRect(bounds, identity, 512, uv);
    // The projection's units need not be the target's pixels.
    g_LetterboxProjection.SetProjection(c.width / 2, c.height / 2, 800, 600, c.mode, true);
    g_LetterboxProjection.SetZoom(c.zoom, 0, 0);
    RECT r{};
    const bool reaches = glowing && PictureUvOnTarget(identity, uv, c.width, c.height, &r);
    EXPECT_EQ(reaches, c.reaches);
    if (!c.reaches) continue;
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
  g_LetterboxProjection = LetterboxProjection();
}

TEST_F(GlowObjectTest, GlowThatShowsNothingSkipsItsPassesAndStillDrawsTheParticles) {
  const struct {
    const char* what;
    int blendMode;
    DWORD colour;
    UINT strength;
    bool passes;
  } cases[] = {
      {"no strength", 0, 0x0000FF, 0, false},
      {"screen of black", 1, 0x000000, 100, false},
      {"normal blend of black darkens", 0, 0x000000, 100, true},
      {"screen of a colour", 1, 0x010000, 100, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<DS_GlowingObj> glow = MakeGlow(c.blendMode);
    glow->glowItem->glowColour.Raw() = c.colour;
    glow->glowItem->glowStrength.SetValue(c.strength, nullptr);
    glow->Update(0.1f);
    log.calls.clear();
    glow->Render(&placing);
    EXPECT_EQ(log.With("technique "), c.passes ? (Lines{"technique Blend_Max", c.blendMode == 1 ? "technique Blend_Screen"
                                                                                                   : "technique Blend_Normal",
                                                        "technique Common"})
                                               : (Lines{"technique Common"}));
    EXPECT_EQ(log.With("DrawSpritesWithEffect").size(), c.passes ? 2u : 1u);
  }
}

TEST_F(GlowObjectTest, GlowWithoutQuadsDrawsNothing) {
  std::unique_ptr<DS_GlowingObj> glow = MakeGlow();  // no update yet: nothing written
  log.calls.clear();
  glow->Render(&placing);
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(GlowObjectTest, GlowBlendTechniqueFollowsTheBlendMode) {
  const struct {
    int blendMode;
    const char* technique;
  } cases[] = {{0, "technique Blend_Normal"}, {1, "technique Blend_Screen"}, {2, "technique Blend_Normal"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.blendMode);
    std::unique_ptr<DS_GlowingObj> glow = MakeGlow(c.blendMode);
    glow->Update(0.1f);
    log.calls.clear();
    glow->Render(&placing);
    EXPECT_EQ(log.With("technique "), (Lines{"technique Blend_Max", c.technique, "technique Common"}));
  }
}

TEST_F(GlowObjectTest, GlowWithoutTargetDrawsOnlyItsParticlesAndWithoutEffectNothing) {
  // The target could not be made: not tried again every frame.
  glowDevice.fail = true;
  std::unique_ptr<DS_GlowingObj> noTarget = MakeGlow();
  glowDevice.fail = false;
  noTarget->Update(0.1f);
  log.calls.clear();
  noTarget->Render(&placing);
  EXPECT_EQ(log.calls, (Lines{"technique Common", "texture Texture1=main image",
                              "DrawSpritesWithEffect particles glow fx"}));

  std::unique_ptr<DS_GlowingObj> noEffect = MakeGlow();
  noEffect->glowItem->effect.Reset();
  noEffect->Update(0.1f);
  log.calls.clear();
  noEffect->Render(&placing);
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(GlowObjectTest, DeviceLossReleasesEveryGlowTarget) {
  std::unique_ptr<DS_GlowingObj> first = MakeGlow();
  std::unique_ptr<DS_GlowingObj> second = MakeGlow();
  glowDevice.fail = true;
  std::unique_ptr<DS_GlowingObj> failed = MakeGlow();
  glowDevice.fail = false;
  EXPECT_EQ(glowDevice.textures[0].refs, 5);  // ours, two pairs' first texture and current texture

  InvalidateAllDeviceObjects();
  EXPECT_FALSE(first->glowTarget.Ready());
  EXPECT_FALSE(second->glowTarget.Ready());
  EXPECT_EQ(glowDevice.textures[0].refs, 1);
  EXPECT_EQ(glowDevice.textures[1].refs, 1);
  // Lost, the objects draw nothing: their quads went with the device.
  log.calls.clear();
  first->Update(0.1f);
  first->Render(&placing);
  EXPECT_TRUE(log.With("target").empty());
  EXPECT_TRUE(log.With("Draw").empty());
  second.reset();
  failed.reset();
  InvalidateAllDeviceObjects();  // a destroyed target is no longer reached
  EXPECT_EQ(glowDevice.textures[0].refs, 1);
}

TEST_F(GlowObjectTest, ResetMakesTheTargetsReleasedAtTheLossAgainAndLeavesTheOthers) {
  std::unique_ptr<DS_GlowingObj> made = MakeGlow();
  glowDevice.fail = true;
  std::unique_ptr<DS_GlowingObj> failed = MakeGlow();
  glowDevice.fail = false;

  InvalidateAllDeviceObjects();
  log.calls.clear();
  CreateAllDeviceObjects();
  EXPECT_EQ(log.calls, (Lines{"target create 512x512"})) << "only the target released at the loss";
  EXPECT_TRUE(made->glowTarget.Ready());
  EXPECT_FALSE(failed->glowTarget.Ready());
  made->Update(0.1f);
  log.calls.clear();
  made->Render(&placing);
  EXPECT_TRUE(log.With("target create").empty()) << "made at the reset, not again at its use";
  EXPECT_EQ(log.With("technique Blend_Max").size(), 1u);
  CreateAllDeviceObjects();  // a second reset without a loss makes nothing
  EXPECT_TRUE(log.With("target create").empty());
}

TEST_F(RenderObjectsTest, EffectParticlesSetTheirParametersRightBeforeTheDraw) {
  RecordingEffect effect(log, "explosion");
  TestFX item;
  item.count.Raw() = 2;
  std::unique_ptr<DS_FXObj> object(static_cast<DS_FXObj*>(item.CreateRenderObject()));
  log.names[static_cast<DS_IndexedMesh<DX_V::PCT>*>(object.get())] = "particles";
  lumi_test::FakeVertexBuffer* vb = device.lastVertexBuffer();
  ASSERT_NE(vb, nullptr);

  object->Update(0.1f);
  EXPECT_EQ(vb->locks, 1);
  // An effect that could not be made: no parameters, no draw.
  object->Render(&renderer);
  EXPECT_EQ(log.calls, (Lines{"LoadEffect", "UpdateParticle", "UpdateParticle"}));

  log.calls.clear();
  object->effectItem->effect.Share(&effect);
  object->Render(&renderer);
  EXPECT_EQ(log.calls, (Lines{"ApplyEffectParams", "technique Explode", "DrawSpritesWithEffect particles explosion"}));
  object.reset();
  EXPECT_EQ(effect.refs, 1);
}

TEST_F(RenderObjectsTest, OwnerNotificationReachesTheItem) {
  struct NotifiedSprites : TestSprites {
    NotifiedSprites() = default;
    NotifiedSprites(const NotifiedSprites& o) : TestSprites(o) {}
    DS_ABObj* CreateRenderObject() override { return new DS_SpriteArrayObj(new NotifiedSprites(*this)); }
    int OnRenderObjectNotify(void* context) override {
      notified = context;
      return 0;
    }
    void* notified = nullptr;
  };
  NotifiedSprites item;
  std::unique_ptr<DS_ABObj> object(item.CreateRenderObject());
  object->NotifyOwner();
  EXPECT_EQ(static_cast<NotifiedSprites*>(object->item)->notified, object.get());
}

}  // namespace
