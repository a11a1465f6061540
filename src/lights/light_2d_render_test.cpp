// The renderer operations of the picture light on a recording device.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "lights/light_2d.h"
#include "render/projection.h"
#include "support/fake_geometry.h"
#include "support/recording_effect.h"
#include "support/recording_render_device.h"

namespace {

using lumi_test::RecordingRenderDevice;
using lumi_test::FakeTexture;
using Lines = std::vector<std::string>;

const std::string kCCW = std::to_string(D3DCULL_CCW);
const std::string kCW = std::to_string(D3DCULL_CW);

class RendererTest : public ::testing::Test {
 protected:
  RendererTest() : device(1024, 768) {}
  void SetUp() override {
    g_LetterboxProjection.mode = PicturePosition::Fit;
    device.names[&texture] = "tex";
    device.names[&second] = "second";
    light.Resize(1024, 768);
    device.ClearLog();
  }
  void TearDown() override { g_LetterboxProjection.mode = PicturePosition::Fit; }
  bool StatesAfterMeshDraws() const {
    return device.RenderState(D3DRS_ALPHABLENDENABLE) == FALSE && device.RenderState(D3DRS_CULLMODE) == D3DCULL_NONE;
  }

  RecordingRenderDevice device;
  FakeTexture texture, second;
  DS_2D_Light light;
};

TEST_F(RendererTest, TargetPassesNestAndRestore) {
  RenderTargetChain glow;
  glow.width = 512;
  glow.height = 256;
  light.BeginTargetPass(&glow, PicturePosition::OffscreenStretch);
  EXPECT_EQ(light.targetPassMode, PicturePosition::Fit);
  EXPECT_EQ(light.targetWidth, 512);
  EXPECT_EQ(light.targetHeight, 256);
  EXPECT_EQ(g_LetterboxProjection.mode, PicturePosition::OffscreenStretch);

  RenderTargetChain inner;
  inner.width = 64;
  inner.height = 64;
  light.BeginTargetPass(&inner, PicturePosition::OffscreenStretch);
  EXPECT_EQ(light.targetWidth, 64);
  light.EndTargetPass();
  EXPECT_EQ(light.targetWidth, 512);
  EXPECT_EQ(light.targetHeight, 256);
  light.EndTargetPass();
  EXPECT_EQ(light.targetWidth, 1024);
  EXPECT_EQ(light.targetHeight, 768);
  EXPECT_TRUE(light.sizeStack.empty());

  // An end without a begin keeps the size and the placement.
  light.SetPicturePosition(PicturePosition::Fill);
  light.EndTargetPass();
  EXPECT_EQ(light.targetWidth, 1024);
  EXPECT_EQ(light.targetHeight, 768);
  EXPECT_EQ(g_LetterboxProjection.mode, PicturePosition::Fill);
}

TEST_F(RendererTest, EffectDrawsRunEveryPassAndNothingWithoutAnEffect) {
  DS_SimpleMesh<DX_V::PT> quad;
  quad.CreateQuadStripOf<DX_V::PT>();
  DS_IndexedMesh<DX_V::PT> grid;
  grid.CreateBuffers(100, 486);
  DS_IndexedMesh<DX_V::PCT> sprites;
  sprites.CreateBuffers(8, 12);
  int object = 0;
  ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(&object);
  device.names[effect] = "fx";
  ID3DXEffect* none = nullptr;

  struct Case {
    const char* what;
    std::function<void(ID3DXEffect**)> draw;
    std::string call;
  } cases[] = {
      {"indexed", [&](ID3DXEffect** e) { light.DrawIndexedWithEffect(&grid, e); },
       "drawIndexed 4 0 0 100 0 162"},
      {"strip", [&](ID3DXEffect** e) { light.DrawWithEffect(&quad, e); }, "draw 5 0 2"},
      {"sprites", [&](ID3DXEffect** e) { light.DrawSpritesWithEffect(&sprites, e); }, "drawIndexed 4 0 0 8 0 4"},
  };
  device.passes = 2;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    device.ClearLog();
    k.draw(nullptr);
    k.draw(&none);
    EXPECT_TRUE(device.log.empty());

    k.draw(&effect);
    Lines fx;
    for (const std::string& l : device.log)
      if (l.rfind("fx", 0) == 0 || l.rfind("draw", 0) == 0) fx.push_back(l.rfind("draw", 0) == 0 ? l.substr(0, k.call.size()) : l);
    EXPECT_EQ(fx, (Lines{"fx begin fx", "fx pass 0", k.call, "fx endpass", "fx pass 1", k.call, "fx endpass", "fx end"}));
    EXPECT_EQ(device.Lines("stream").size(), 1u);
  }
  // Only the drawing of the picture-pixel quads moves the world; the grid keeps the one it is given.
  device.transforms.clear();
  light.DrawIndexedWithEffect(&grid, &effect);
  EXPECT_EQ(device.transforms.count(TransformSlot::World), 0u);
  light.DrawWithEffect(&quad, &effect);
  EXPECT_EQ(device.transforms.count(TransformSlot::World), 1u);
}

class FakeSprites : public SpriteArraySource {
 public:
  DS_IndexedMesh<DX_V::PCT>* GetSpriteGeometry() override { return &geometry; }
  IDirect3DTexture9* GetFrameTexture() override { return frame; }
  IDirect3DTexture9* GetSecondTexture() override { return secondTexture; }
  int GetBlendMode() override { return blend; }

  DS_SpriteArrayT<DX_V::PCT> geometry;
  IDirect3DTexture9* frame = nullptr;
  IDirect3DTexture9* secondTexture = nullptr;
  int blend = 0;
};

TEST_F(RendererTest, SpriteArrayBlendsByItsModeAndSecondTexture) {
  const std::string inv = std::to_string(D3DBLEND_INVSRCALPHA);
  const std::string one = std::to_string(D3DBLEND_ONE);
  struct Case {
    bool second;
    int blend;
    Lines draws;  // texture and destination blend of each draw
  } cases[] = {
      {false, 0, {"tex tex dest " + inv}},
      {false, 1, {"tex tex dest " + one}},
      {false, 2, {"tex tex dest " + one}},
      {true, 1, {"tex tex dest " + inv, "tex second dest " + one}},
      {true, 0, {"tex tex dest " + inv, "tex second dest " + inv}},
      {true, 2, {"tex tex dest " + inv, "tex second dest " + inv}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.second) + " " + std::to_string(k.blend));
    FakeSprites sprites;
    sprites.geometry.CreateQuads(3);
    sprites.frame = &texture;
    sprites.secondTexture = k.second ? &second : nullptr;
    sprites.blend = k.blend;
    device.ClearLog();
    light.DrawSpriteArray(&sprites);
    Lines draws;
    for (const std::string& l : device.Draws()) {
      EXPECT_EQ(l.rfind("drawIndexed 4 0 0 12 0 6 on back ", 0), 0u) << l;
      draws.push_back(l.substr(l.find("tex "), l.find(" cull") - l.find("tex ")) + l.substr(l.find(" dest")));
    }
    EXPECT_EQ(draws, k.draws);
    if (k.second) {
      // The second texture gives the colour alone.
      const Lines& log = device.log;
      auto at = std::find(log.begin(), log.end(), "tex 0 second");
      ASSERT_NE(at, log.end());
      EXPECT_NE(std::find(log.begin(), at, "states second sprite texture"), at);
    }
    EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), (DWORD)FALSE);
    EXPECT_EQ(device.RenderState(D3DRS_DESTBLEND), (DWORD)D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(device.RenderState(D3DRS_CULLMODE), (DWORD)D3DCULL_NONE);
    EXPECT_EQ(device.StageState(0, D3DTSS_COLOROP), (DWORD)D3DTOP_MODULATE);
    EXPECT_EQ(device.StageState(0, D3DTSS_ALPHAOP), (DWORD)D3DTOP_MODULATE);
    EXPECT_EQ(device.Lines("stream")[0].substr(0, 15), "stream 0x142 24");
  }

  // An array without quads draws nothing and leaves every state.
  FakeSprites empty;
  device.ClearLog();
  light.DrawSpriteArray(&empty);
  light.DrawSpriteArray(nullptr);
  EXPECT_TRUE(device.log.empty());
}

TEST_F(RendererTest, MeshPartCullsByFrontFaceAndBlendedPartsShowBothSides) {
  DS_Frame a, b;
  a.frontFace = 1;
  b.frontFace = 0;
  struct Case {
    BYTE blended;
    Lines culls;
  } cases[] = {
      {0, {kCCW, kCW}},
      {1, {kCCW, kCW, kCW, kCCW}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.blended);
    MeshPart part;
    part.CreateBuffers(24, 36);
    part.SetTexture(&texture);
    part.blended = k.blended;
    part.instances = {&a, nullptr, &b};
    device.ClearLog();
    light.DrawMeshPart(&part);
    Lines culls;
    for (const std::string& l : device.Draws()) {
      EXPECT_EQ(l.rfind("drawIndexed 4 0 0 24 0 12 on back tex tex cull ", 0), 0u) << l;
      culls.push_back(l.substr(l.find("cull ") + 5, 1));
    }
    EXPECT_EQ(culls, k.culls);
    EXPECT_EQ(device.Lines("states blended mesh").size(), k.blended ? 1u : 0u);  // blending on only for those
    EXPECT_TRUE(StatesAfterMeshDraws());
    EXPECT_EQ(device.Lines("stream")[0].substr(0, 15), "stream 0x112 32");
  }
}

TEST_F(RendererTest, TwoSidedMeshDrawsEachChildFromBothSides) {
  TexturedMesh<DX_V::PNT> leaf;
  leaf.CreateBuffers(4, 6);
  leaf.SetTexture(&texture);
  DS_Frame c1, c2;
  leaf.children = {&c1, &c2};
  light.DrawTwoSidedMesh(&leaf);
  Lines culls;
  for (const std::string& l : device.Draws()) culls.push_back(l.substr(l.find("cull ") + 5, 1));
  EXPECT_EQ(culls, (Lines{kCCW, kCW, kCCW, kCW}));
  EXPECT_EQ(device.StageState(0, D3DTSS_COLOROP), (DWORD)D3DTOP_SELECTARG1);
  EXPECT_EQ(device.StageState(0, D3DTSS_ALPHAOP), (DWORD)D3DTOP_SELECTARG1);
  EXPECT_TRUE(StatesAfterMeshDraws());
  leaf.children.clear();

  // A mesh without buffers draws nothing but still leaves the states.
  TexturedMesh<DX_V::PNT> empty;
  DS_Frame c3;
  empty.children = {&c3};
  device.ClearLog();
  light.DrawTwoSidedMesh(&empty);
  MeshPart emptyPart;
  emptyPart.instances = {&c3};
  light.DrawMeshPart(&emptyPart);
  EXPECT_TRUE(device.Draws().empty());
  EXPECT_TRUE(StatesAfterMeshDraws());
  empty.children.clear();
}

TEST_F(RendererTest, QuadWritersSkipBuffersThatAreMissingOrDoNotLock) {
  const DX_V::PT corners[4] = {{0, 2, 0, 0, 1}, {0, 0, 0, 0, 0}, {3, 2, 0, 1, 1}, {3, 0, 0, 1, 0}};
  DS_SimpleMesh<DX_V::PT> quad;
  SetQuadVerticesPT(quad, corners);
  ASSERT_NE(quad.vertexBuffer, nullptr);
  EXPECT_EQ(quad.vertexCount, 4u);
  EXPECT_EQ(quad.primitiveCount, 2u);
  EXPECT_EQ(device.lastVertexBuffer()->refs, 1);  // the quad's reference only
  EXPECT_EQ(device.lastVertexBuffer()->pool, D3DPOOL_MANAGED);
  EXPECT_EQ(device.lastVertexBuffer()->usage, (DWORD)D3DUSAGE_WRITEONLY);
  const DX_V::PT* v = device.lastVertexBuffer()->As<DX_V::PT>();
  EXPECT_EQ(v[2].x, 3.0f);
  EXPECT_EQ(v[0].v, 1.0f);

  // New positions keep the texture coordinates; a buffer that does not lock is left as it was.
  const D3DXVECTOR3 moved[4] = {D3DXVECTOR3(1, 5, 0), D3DXVECTOR3(1, 1, 0), D3DXVECTOR3(4, 5, 0), D3DXVECTOR3(4, 1, 0)};
  SetQuadPositionsPT(quad, moved);
  EXPECT_EQ(v[2].x, 4.0f);
  EXPECT_EQ(v[2].u, 1.0f);
  device.lastVertexBuffer()->failLocks = true;
  const D3DXVECTOR3 again[4] = {};
  SetQuadPositionsPT(quad, again);
  EXPECT_EQ(v[2].x, 4.0f);

  // Without a buffer nothing is written, nothing is counted and nothing is drawn.
  device.failVertexBuffers = true;
  DS_SimpleMesh<DX_V::PT> none;
  SetQuadVerticesPT(none, corners);
  SetQuadPositionsPT(none, moved);
  EXPECT_EQ(none.vertexBuffer, nullptr);
  EXPECT_EQ(none.vertexCount, 0u);
  EXPECT_EQ(none.primitiveCount, 0u);
  int object = 0;
  ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(&object);
  light.DrawWithEffect(&none, &effect);
  EXPECT_TRUE(device.log.empty());
}

TEST_F(RendererTest, EffectSettingsAndDrawsShareOneLog) {
  lumi_test::CallLog calls;
  lumi_test::RecordingEffect effect(calls, "fire");
  device.shared = &calls;
  DS_SimpleMesh<DX_V::PT> quad;
  quad.CreateQuadStripOf<DX_V::PT>();
  ID3DXEffect* e = &effect;
  effect.SetTechnique("AsEffect");
  light.DrawWithEffect(&quad, &e);
  device.shared = nullptr;
  const std::vector<std::string> fx = calls.With("fx");
  ASSERT_FALSE(calls.calls.empty());
  EXPECT_NE(calls.calls.front().find("AsEffect"), std::string::npos);  // set before the passes
  EXPECT_EQ(fx.front(), "fx begin fire");
  EXPECT_EQ(calls.With("draw 5 0 2").size(), 1u);
}

}  // namespace
