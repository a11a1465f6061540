// The matrix code, lake, water ring, glass ball and underwater lights on the recording device: what a frame draws, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dxut/device_objects.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/matrix_code_light.h"
#include "lights/slide.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"
#include "platform/noise.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/screen_mapping.h"
#include "support/fake_geometry.h"
#include "support/recording_effect.h"
#include "support/recording_render_device.h"
#include "support/saved_global.h"

namespace {

using lumi_test::CallLog;
using lumi_test::FakeIndexBuffer;
using lumi_test::FakeVertexBuffer;
using lumi_test::RecordingEffect;
using lumi_test::RecordingRenderDevice;
using Lines = std::vector<std::string>;

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

// A 1920 x 1080 back buffer and a document whose module pictures are 8 x 8.
class AnimatedLightTest : public ::testing::Test {
 protected:
  AnimatedLightTest() : device(1920, 1080) {}
  void SetUp() override {
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    g_LetterboxProjection.mode = PicturePosition::Fit;
    g_LetterboxProjection.SetZoom(1.0f, 0.0f, 0.0f);
    ResetCrtRand();
    device.pairTextures[0] = &pair[0];
    device.pairTextures[1] = &pair[1];
    device.names[&pair[0]] = "rt0";
    device.names[&pair[1]] = "rt1";
  }
  void TearDown() override {
    for (auto& bar : g_LetterboxProjection.bars) bar.ReleaseVertexBuffer();
    g_LetterboxProjection.mode = PicturePosition::Fit;
    manager_.reset();
  }
  void Start(DS_2D_Light& light) {
    light.OnCreateDevice();
    light.Resize(1920, 1080);
    light.OnResetDevice();
    device.names[light.pictureQuad.info.texture] = "picture";
    device.ClearLog();
  }

  // One off-screen frame at time t, the log holding its drawing alone.
  void LoggedFrame(DS_2D_Light& light, double t) {
    light.FrameMove(t);
    device.ClearLog();
    light.BeginOffscreen();
    light.RenderBackground();
    light.PostRender();
  }

  RecordingRenderDevice device;
  lumi_test::FakeTexture pair[2];
  std::unique_ptr<DS_DocResManager> manager_;

 private:
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
  lumi_test::SavedGlobal<ScreenMapping> savedMapping_{*GetScreenMapping()};
};

TEST_F(AnimatedLightTest, MatrixCodeGridCoversThePictureWithOneQuadPerCell) {
  DS_MatrixCodeLight light;
  light.cellSize = 2;
  light.density = 100;
  light.glyphColor = 0x00FF00;
  light.headColor = 0xFFFFFF;
  Start(light);
  // An 8 x 8 picture in cells of 2: 5 x 5 cells; an 8 x 8 sheet has 3 bands.
  ASSERT_TRUE(light.scan);
  EXPECT_EQ(light.scan->grid->columns, 5);
  EXPECT_EQ(light.scan->grid->rows, 5);
  EXPECT_EQ(light.sprites.quadCount, 25);
  EXPECT_EQ(light.settings->glyphCount, 3u);
  EXPECT_EQ(light.settings->density, 100u);

  // Runs start at once at density 100; within a few frames glyphs show.
  int visible = 0;
  for (int frame = 0; frame < 30 && visible == 0; ++frame) {
    light.FrameMove(frame * 0.03);
    light.RenderBackground();
    const auto* v = device.vertexBuffers.back()->As<DX_V::RHWCT>();
    visible = 0;
    for (int q = 0; q < 25; ++q)
      if (v[4 * q].color >> 24) ++visible;
  }
  ASSERT_GT(visible, 0);
  // Glyphs lie on the fitted picture: 1080 x 1080 centred in 1920.
  const ScreenMapping* m = GetScreenMapping();
  const auto* v = device.vertexBuffers.back()->As<DX_V::RHWCT>();
  for (int q = 0; q < 25; ++q) {
    if (!(v[4 * q].color >> 24)) continue;
    EXPECT_GE(v[4 * q].x, m->picture.Left() - 0.5f);
    EXPECT_LE(v[4 * q + 2].x, m->picture.Right() + 0.5f);
    EXPECT_GE(v[4 * q + 1].y, m->picture.Top() - 0.5f);
    EXPECT_LE(v[4 * q].y, m->picture.Bottom() + 0.5f);
    const DWORD rgb = v[4 * q].color & 0xFFFFFF;
    EXPECT_TRUE(rgb == 0x00FF00u || rgb == 0xFFFFFFu) << std::hex << rgb;
  }
}

TEST_F(AnimatedLightTest, MatrixCodeFrameOrderByMode) {
  const struct {
    int mode;
    bool picture, clear;
  } cases[] = {{0, true, false}, {1, false, true}, {2, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    DS_MatrixCodeLight light;
    light.mode = c.mode;
    Start(light);
    light.RenderBackground();
    bool picture = false, clear = false, glyphs = false;
    for (const std::string& line : device.log) {
      picture |= StartsWith(line, "draw 5 0 2");
      clear |= StartsWith(line, "clear 1 0x00000000");
      glyphs |= StartsWith(line, "drawIndexed 4");
    }
    EXPECT_EQ(picture, c.picture);
    EXPECT_EQ(clear, c.clear);
    EXPECT_TRUE(glyphs);
    EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
  }
}

TEST_F(AnimatedLightTest, MatrixCodeWithoutASheetDrawsNoGlyphs) {
  DS_MatrixCodeLight light;
  light.glyphSheet.Raw() = DocFileKey(u"missing.png", 5);
  Start(light);
  EXPECT_EQ(light.settings->glyphCount, 1u);
  for (int i = 0; i < 5; ++i) light.RenderBackground();
  for (const std::string& line : device.log) EXPECT_FALSE(StartsWith(line, "drawIndexed")) << line;
}

// The glyphs are rewritten every frame: dynamic default-pool buffers locked with discard, which a device
// loss must take away (or the reset fails) and the reset must give back before the next frame draws.
TEST_F(AnimatedLightTest, MatrixCodeGlyphBuffersAreDiscardedEachFrameAndRemadeAtAReset) {
  DS_MatrixCodeLight light;
  light.cellSize = 2;
  light.density = 100;
  light.glyphColor = 0x00FF00;
  Start(light);
  ASSERT_EQ(light.sprites.chunks.size(), 1u);
  lumi_test::FakeVertexBuffer* before = device.lastVertexBuffer();
  ASSERT_EQ(static_cast<IDirect3DVertexBuffer9*>(before), light.sprites.chunks[0].vertexBuffer);
  EXPECT_EQ(before->usage, static_cast<DWORD>(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY));
  EXPECT_EQ(before->pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(device.lastIndexBuffer()->pool, D3DPOOL_MANAGED);
  light.FrameMove(0.03);
  light.RenderBackground();
  EXPECT_EQ(before->lockFlags, static_cast<DWORD>(D3DLOCK_DISCARD));

  InvalidateAllDeviceObjects();
  EXPECT_EQ(before->refs, 0) << "a default-pool buffer left alive makes the reset fail";
  // Frames while the device is lost draw no glyphs; a new placement makes no buffers until the reset.
  device.ClearLog();
  light.RenderBackground();
  light.SetPicturePosition(0);
  for (const std::string& line : device.log) EXPECT_FALSE(StartsWith(line, "drawIndexed")) << line;
  EXPECT_EQ(light.sprites.chunks[0].vertexBuffer, nullptr);

  CreateAllDeviceObjects();
  lumi_test::FakeVertexBuffer* after = device.lastVertexBuffer();
  ASSERT_NE(after, before);
  EXPECT_EQ(after->pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(after->data.size(), 25 * 4 * sizeof(DX_V::RHWCT));
  int visible = 0;
  for (int frame = 0; frame < 30 && visible == 0; ++frame) {
    device.ClearLog();
    light.FrameMove(frame * 0.03);
    light.RenderBackground();
    const auto* v = after->As<DX_V::RHWCT>();
    for (int q = 0; q < 25; ++q)
      if (v[4 * q].color >> 24) ++visible;
  }
  EXPECT_GT(visible, 0);
  EXPECT_EQ(device.Lines("drawIndexed 4 0 0 100 0 50").size(), 1u);
}

TEST_F(AnimatedLightTest, LakeDrawsTheMirrorBandThenTintAndHaze) {
  FakeLake2D light;
  Start(light);
  light.FrameMove(0.5);
  light.RenderBackground();
  std::vector<std::string> draws = device.Draws();
  ASSERT_EQ(draws.size(), 4u);  // picture, band, tint, haze
  EXPECT_TRUE(StartsWith(draws[1], "draw 4 0 2")) << draws[1];  // the band: a triangle list of 2
  EXPECT_EQ(device.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_SELECTARG1));
  EXPECT_EQ(device.StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
  // The band over the lower 37.5 % of the 8 x 8 picture, mirroring the strip above it.
  EXPECT_FLOAT_EQ(light.planeVertices[0].y, 5.0f);
  EXPECT_FLOAT_EQ(light.planeVertices[1].y, 8.0f);
  EXPECT_FLOAT_EQ(light.planeVertices[1].pv, 0.25f);

  // At the bottom horizon there is no lake: the picture alone.
  FakeLake2D flat;
  flat.horizon.SetValue(100, nullptr);
  Start(flat);
  flat.RenderBackground();
  EXPECT_EQ(device.Draws().size(), 1u);
}

// The lines of a bump map's making, in order.
Lines BumpMapSteps(const Lines& log) {
  const char* kinds[] = {"exe picture 2", "renderTargetTexture", "textureTarget", "beginScene", "endScene", "draw",
                         "convert",     "normalMap",           "readTexels",    "createTexture"};
  Lines out;
  for (const std::string& line : log)
    for (const char* k : kinds)
      if (StartsWith(line, k)) out.push_back(line.substr(0, line.find(" cull")));
  return out;
}

// A second set-up makes the bump map from the executable's ripple heights: drawn into a texture with the
// grey fade over them, read back, made into normals, and those into signed offsets; every temporary goes.
TEST_F(AnimatedLightTest, LakeMakesItsBumpMapAtASecondSetUp) {
  lumi_test::FakeTexture ripples;
  device.exePictures[2] = &ripples;
  device.names[&ripples] = "ripples";
  device.textureSizes[&ripples] = {2, 2};
  // Normals (red, green): (128, 128), (255, 0) on the top row, (0, 255), (200, 60) below.
  device.normalTexels = {255, 128, 128, 255, 255, 0, 255, 255, 255, 255, 0, 255, 255, 60, 200, 255};
  FakeLake2D light;
  light.bumpAmplitude = 10;
  const size_t madeBefore = device.madeTextures.size();
  Start(light);
  EXPECT_EQ(device.madeTextures.size(), madeBefore) << "the first set-up makes none";
  EXPECT_EQ(light.bumpTexture, nullptr);

  device.expandStates = true;
  light.OnCreateDevice();
  const Lines expected = {"exe picture 2",
                          "renderTargetTexture 2x2",
                          "textureTarget drawn",
                          "beginScene",
                          "draw 5 0 2 on texture tex ripples",
                          "draw 5 0 2 on texture tex ripples",
                          "endScene",
                          "textureTarget end",
                          "convert drawn 2x2 format 21",
                          "normalMap converted 2x2 amplitude 10",
                          "readTexels normals",
                          "createTexture 2x2 format 60"};
  EXPECT_EQ(BumpMapSteps(device.log), expected);
  // The grey is the vertices' own colour and alpha, blended; the states are put back after it.
  const Lines& log = device.log;
  std::vector<size_t> draws;
  for (size_t i = 0; i < log.size(); ++i)
    if (StartsWith(log[i], "draw ")) draws.push_back(i);
  ASSERT_EQ(draws.size(), 2u);
  const Lines between(log.begin() + static_cast<ptrdiff_t>(draws[0]), log.begin() + static_cast<ptrdiff_t>(draws[1]));
  for (const char* state : {"tss 0 2=0", "tss 0 5=0", "tss 0 4=2", "rs 27=1", "rs 19=5", "rs 20=6"})
    EXPECT_NE(std::find(between.begin(), between.end(), state), between.end()) << state;
  EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
  EXPECT_EQ(device.StageState(0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE));

  ASSERT_NE(light.bumpTexture, nullptr);
  const RecordingRenderDevice::Filled& bump = device.filled.at(light.bumpTexture);
  EXPECT_EQ(bump.format, D3DFMT_V8U8);
  const signed char top[4] = {0, 0, 127, -127}, bottom[4] = {-127, 127, 72, -68};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(static_cast<signed char>(bump.bytes[i]), top[i]) << i;
    EXPECT_EQ(static_cast<signed char>(bump.bytes[bump.pitch + i]), bottom[i]) << i;
  }
  for (const auto& t : device.madeTextures) {
    const std::string name = device.names.count(t.get()) ? device.names.at(t.get()) : "";
    if (name == "drawn" || name == "converted" || name == "normals") {
      EXPECT_EQ(t->refs, 0) << name;
    }
  }
  EXPECT_EQ(ripples.refs, 1);
  // The lake draws with it.
  device.names[light.bumpTexture] = "bump";
  device.ClearLog();
  light.RenderBackground();
  EXPECT_FALSE(device.Lines("tex 0 bump").empty());
}

// The document's bump picture under the key still wins over a map made here; a scene that cannot begin
// draws nothing into the texture, which is still read back.
TEST_F(AnimatedLightTest, LakeKeepsTheDocumentsBumpPictureAndSurvivesAFailedScene) {
  lumi_test::FakeTexture ripples;
  device.exePictures[2] = &ripples;
  device.textureSizes[&ripples] = {4, 4};
  device.sceneBegins = false;
  FakeLake2D light;
  Start(light);
  device.madeTextures.emplace_back(new lumi_test::FakeTexture);
  IDirect3DTexture9* stored = device.madeTextures.back().get();
  g_DocResManager->Maps().guidTextures[light.bumpKey].Share(stored);

  light.OnCreateDevice();
  const Lines steps = BumpMapSteps(device.log);
  EXPECT_EQ(std::count_if(steps.begin(), steps.end(), [](const std::string& l) { return StartsWith(l, "draw"); }), 0);
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "endScene"), 0);
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "textureTarget end"), 1);
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "createTexture 4x4 format 60"), 1);
  EXPECT_EQ(light.bumpTexture, stored);
}

TEST_F(AnimatedLightTest, WaterRingDrawsItsSurfaceInEachMode) {
  const struct {
    int mode;
    bool offscreen;
  } cases[] = {{0, false}, {1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    DS_WaterRingLight light;
    light.mode = c.mode;
    light.OnCreateDevice();
    light.Resize(1920, 1080);
    device.ClearLog();
    light.OnResetDevice();
    EXPECT_EQ(device.Lines("light0").size(), 1u);
    EXPECT_EQ(device.Lines("material specular 0.9 power 40").size(), 1u);
    EXPECT_EQ(device.RenderState(D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
    ASSERT_NE(light.surface->vertices, nullptr);
    EXPECT_EQ(light.surface->columns, 128u);  // a square picture: a 30 x 30 surface
    EXPECT_EQ(light.NeedsOffscreen(), c.offscreen);

    device.ClearLog();
    light.FrameMove(0.1);
    light.RenderBackground();
    light.PostRender();
    const std::string strip = "drawIndexed 5 0 0 16384 0 32766";
    std::vector<std::string> draws = device.Draws();
    ASSERT_FALSE(draws.empty());
    if (c.offscreen) {
      EXPECT_TRUE(StartsWith(draws.front(), "draw 5 0 2")) << draws.front();  // the picture, off-screen
      EXPECT_EQ(device.Lines("clear 3 0xff000000").size(), 1u);
      EXPECT_TRUE(StartsWith(draws.back(), strip)) << draws.back();
    } else {
      EXPECT_TRUE(StartsWith(draws.front(), strip)) << draws.front();
      EXPECT_EQ(draws.size(), 1u);
    }

    // The scene host's loss pass takes the surface's buffers; its reset pass makes them again, once, and
    // the light's own reset keeps them for its calm surface; the water draws.
    FakeVertexBuffer* vertices = static_cast<FakeVertexBuffer*>(light.surface->vertices.Get());
    FakeIndexBuffer* indices = static_cast<FakeIndexBuffer*>(light.surface->indices.Get());
    LoseDeviceObjects([&] { light.OnLostDevice(); });
    EXPECT_EQ(light.surface->vertices, nullptr);
    EXPECT_EQ(light.surface->indices, nullptr);
    EXPECT_EQ(vertices->refs, 0);
    EXPECT_EQ(indices->refs, 0);
    light.FrameMove(0.2);  // no buffer: nothing filled, nothing drawn
    const size_t made = device.vertexBuffers.size() + device.indexBuffers.size();
    RestoreDeviceObjects([&] { light.OnResetDevice(); });
    ASSERT_NE(light.surface->vertices, nullptr);
    EXPECT_EQ(device.vertexBuffers.size() + device.indexBuffers.size(), made + 2);
    EXPECT_EQ(light.surface->vertices, device.lastVertexBuffer());
    EXPECT_EQ(light.surface->indices, device.lastIndexBuffer());
    EXPECT_EQ(device.lastVertexBuffer()->pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(device.lastIndexBuffer()->pool, D3DPOOL_DEFAULT);
    device.ClearLog();
    light.RenderBackground();
    light.PostRender();
    EXPECT_FALSE(device.Lines("drawIndexed 5").empty());
  }
}

// Each frame's vertices go into a discarded buffer, whose old contents are undefined: every byte of it is
// written again, and a surface with nothing to fill it with leaves it unlocked.
TEST_F(AnimatedLightTest, WaterRingRewritesTheWholeDiscardedVertexBuffer) {
  DS_WaterRingLight light;
  light.dropRate.SetValue(600, nullptr);
  Start(light);
  auto* vertices = static_cast<FakeVertexBuffer*>(light.surface->vertices.Get());
  ASSERT_NE(vertices, nullptr);
  const D3DXVECTOR3 eye(0, 120, 0);
  std::vector<DX_V::PNCT> want(static_cast<size_t>(light.surface->vertexCount));
  for (double t : {0.5, 1.0}) {
    std::fill(vertices->data.begin(), vertices->data.end(), 0xCD);  // what a renamed buffer may hold
    light.FrameMove(t);
    EXPECT_EQ(vertices->lockFlags, static_cast<DWORD>(D3DLOCK_DISCARD));
    light.surface->FillVertices(eye, want.data());
    ASSERT_EQ(vertices->data.size(), want.size() * sizeof(DX_V::PNCT));
    EXPECT_EQ(std::memcmp(vertices->data.data(), want.data(), vertices->data.size()), 0) << t;
  }
  const int locks = vertices->locks;
  light.surface->refraction = nullptr;
  light.FrameMove(1.5);
  EXPECT_EQ(vertices->locks, locks);
}

TEST_F(AnimatedLightTest, GlassBallGeneratesItsTexturesAndDrawsTheBallInOrder) {
  const struct {
    bool refuse16;
    D3DFORMAT bump;
    int motion;
    size_t draws;  // scroll copies, lens, two overlays, mask
  } cases[] = {{false, D3DFMT_V16U16, 3, 4}, {true, D3DFMT_V8U8, 1, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.motion);
    device.refusedFormats.clear();
    if (c.refuse16) device.refusedFormats.push_back(D3DFMT_V16U16);
    DS_GlassBallLight light;
    light.motionMode = c.motion;
    light.cutPasses = false;  // each pass in one draw (the cut passes: the tests below)
    Start(light);
    ASSERT_NE(light.bumpMap, nullptr);
    EXPECT_EQ(device.filled.at(light.bumpMap).format, c.bump);
    ASSERT_NE(light.discMask, nullptr);
    const auto& mask = device.filled.at(light.discMask);
    EXPECT_EQ(mask.format, D3DFMT_A8);
    EXPECT_EQ(mask.bytes[0], 255);                                     // outside the disc
    EXPECT_EQ(mask.bytes[512 * static_cast<size_t>(mask.pitch) + 512], 0);  // its centre
    EXPECT_EQ(mask.bytes[static_cast<size_t>(mask.pitch) + 0], 255);   // the next row at the pitch
    ASSERT_NE(light.gradient, nullptr);
    EXPECT_TRUE(light.NeedsOffscreen());

    LoggedFrame(light, 1.0);
    const std::vector<std::string> draws = device.Draws();
    // And the picture, off-screen. At this size the lens's square covers the whole back buffer, so none
    // of the background is drawn under it: the mask paints it around the disc.
    EXPECT_EQ(draws.size(), c.draws + 1);
    EXPECT_EQ(device.Lines("scissor").size(), 0u);
    EXPECT_EQ(device.RenderState(D3DRS_SCISSORTESTENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(device.Lines("textureTransform 1").size(), 3u);  // lens, flat, mask
    EXPECT_EQ(device.StageState(1, D3DTSS_TEXCOORDINDEX), static_cast<DWORD>(D3DTSS_TCI_CAMERASPACEPOSITION | 1));
    EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
    // The lens's texture matrix maps camera-space x to u around the middle of the slide.
    const D3DXMATRIX& m = device.textureTransforms.at(1);
    EXPECT_GT(m._11, 0.0f);
    EXPECT_LT(m._22, 0.0f);
  }
}

// A smaller ball leaves the background visible around its square: the background is drawn in the four
// bands around the square's inside, cut there by the scissor rectangle, and nowhere else.
TEST_F(AnimatedLightTest, GlassBallDrawsTheBackgroundOnlyAroundTheLensSquare) {
  DS_GlassBallLight light;
  light.ballSize = 20;
  light.cutPasses = false;  // only the background's bands cut here
  Start(light);
  LoggedFrame(light, 1.0);
  const Lines scissors = device.Lines("scissor");
  ASSERT_EQ(scissors.size(), 4u);
  int l = 0, t = 0, r = 0, b = 0;
  ASSERT_EQ(std::sscanf(scissors[0].c_str(), "scissor 0 0 1920 %d", &t), 1) << scissors[0];
  ASSERT_EQ(std::sscanf(scissors[1].c_str(), "scissor 0 %d 1920 1080", &b), 1) << scissors[1];
  ASSERT_EQ(std::sscanf(scissors[2].c_str(), "scissor 0 %*d %d %*d", &l), 1) << scissors[2];
  ASSERT_EQ(std::sscanf(scissors[3].c_str(), "scissor %d", &r), 1) << scissors[3];
  EXPECT_EQ(scissors[2], "scissor 0 " + std::to_string(t) + " " + std::to_string(l) + " " + std::to_string(b));
  EXPECT_EQ(scissors[3], "scissor " + std::to_string(r) + " " + std::to_string(t) + " 1920 " + std::to_string(b));
  EXPECT_TRUE(0 < l && l < r && r < 1920 && 0 < t && t < b && b < 1080) << l << " " << t << " " << r << " " << b;
  // Each band is one draw of the background quad while the test is on; it is off again for the lens.
  size_t on = 0, off = 0;
  for (size_t i = 0; i < device.log.size(); ++i) {
    if (device.log[i] == "states scissor on") on = i;
    if (device.log[i] == "states scissor off") off = i;
  }
  ASSERT_LT(on, off);
  int draws = 0;
  for (size_t i = on; i < off; ++i) draws += StartsWith(device.log[i], "draw ") ? 1 : 0;
  EXPECT_EQ(draws, 4);
  EXPECT_EQ(device.RenderState(D3DRS_SCISSORTESTENABLE), static_cast<DWORD>(FALSE));
}

// The lens square as the device places it (its corners through the ball camera's transforms): the disc
// mask is clear in its middle and opaque in its corners. The lens and the overlays are drawn in strips that
// keep out of the corners, the mask in strips that keep out of the middle; the scissor is off afterwards.
TEST_F(AnimatedLightTest, GlassBallDrawsTheLensInsideTheDiscAndTheMaskAroundIt) {
  DS_GlassBallLight light;
  light.ballSize = 30;
  Start(light);
  device.names[light.bumpMap] = "bump";
  device.names[light.discMask] = "mask";
  LoggedFrame(light, 1.0);
  D3DXMATRIX a, m;
  D3DXMatrixMultiply(&a, &device.transforms.at(TransformSlot::World), &device.transforms.at(TransformSlot::View));
  D3DXMatrixMultiply(&m, &a, &device.transforms.at(TransformSlot::Projection));
  D3DXVECTOR3 tl(-256, 256, 0), br(256, -256, 0), p, q;
  D3DXVec3TransformCoord(&p, &tl, &m);
  D3DXVec3TransformCoord(&q, &br, &m);
  const float left = (p.x + 1) * 960, top = (1 - p.y) * 540, right = (q.x + 1) * 960, bottom = (1 - q.y) * 540;
  ASSERT_TRUE(0 < left && left < right && right < 1920 && 0 < top && top < bottom && bottom < 1080)
      << left << " " << top << " " << right << " " << bottom;
  const float cx = (left + right) / 2, cy = (top + bottom) / 2, rx = (right - left) / 2, ry = (bottom - top) / 2;
  auto at = [&](float fx, float fy) { return POINT{static_cast<LONG>(cx + fx * rx), static_cast<LONG>(cy + fy * ry)}; };
  const POINT corner = at(-0.9f, -0.9f), centre = at(0, 0), edge = at(-0.97f, 0);  // edge: inside the disc
  auto holds = [](const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; };
  RECT scissor = {0, 0, 0, 0};
  bool on = false, lensSeen = false, maskSeen = false;
  int lensDraws = 0, overlayDraws = 0, maskDraws = 0;
  bool lensAtCentre = false, lensAtEdge = false, maskAtCorner = false;
  for (const std::string& line : device.log) {
    if (line == "states scissor on") on = true;
    if (line == "states scissor off") on = false;
    int l = 0, t = 0, r = 0, b = 0;
    if (std::sscanf(line.c_str(), "scissor %d %d %d %d", &l, &t, &r, &b) == 4) scissor = RECT{l, t, r, b};
    if (!StartsWith(line, "draw ")) continue;
    const bool lens = line.find("tex bump") != std::string::npos, mask = line.find("tex mask") != std::string::npos;
    lensSeen = lensSeen || lens;
    maskSeen = maskSeen || mask;
    if (!lensSeen || line.find("tex shadow") != std::string::npos) continue;  // before the lens: the background
    SCOPED_TRACE(line);
    EXPECT_TRUE(on);
    if (mask) {
      ++maskDraws;
      EXPECT_FALSE(holds(scissor, centre));
      maskAtCorner = maskAtCorner || holds(scissor, corner);
    } else if (!maskSeen) {
      ++(lens ? lensDraws : overlayDraws);
      EXPECT_FALSE(holds(scissor, corner));
      if (lens) lensAtCentre = lensAtCentre || holds(scissor, centre);
      if (lens) lensAtEdge = lensAtEdge || holds(scissor, edge);
    }
  }
  EXPECT_GT(lensDraws, 1);
  EXPECT_EQ(overlayDraws, 2 * lensDraws);
  EXPECT_GT(maskDraws, 1);
  EXPECT_TRUE(lensAtCentre);
  EXPECT_TRUE(lensAtEdge);
  EXPECT_TRUE(maskAtCorner);
  EXPECT_FALSE(on);
  EXPECT_EQ(device.RenderState(D3DRS_SCISSORTESTENABLE), static_cast<DWORD>(FALSE));
}

TEST_F(AnimatedLightTest, GlassBallTargetPassKeepsItsSizeAndMode) {
  DS_GlassBallLight light;
  light.pictureBackground = 1;
  Start(light);
  light.SetPicturePosition(PicturePosition::Fit);
  EXPECT_EQ(light.ballMode, PicturePosition::Fit);
  RenderTargetChain target;
  target.width = 256;
  target.height = 128;
  light.BeginTargetPass(&target, PicturePosition::Stretch);
  EXPECT_EQ(light.targetWidth, 256);
  EXPECT_EQ(light.ballMode, PicturePosition::Stretch);
  light.EndTargetPass();
  EXPECT_EQ(light.targetWidth, 1920);
  EXPECT_EQ(light.targetHeight, 1080);
  EXPECT_EQ(light.ballMode, PicturePosition::Fit);
  EXPECT_FALSE(light.inTargetPass);

  // With the gradient behind it the ball's background fills the target whatever the picture position.
  DS_GlassBallLight gradient;
  Start(gradient);
  gradient.SetPicturePosition(PicturePosition::Fit);
  EXPECT_EQ(gradient.ballMode, 2);
}

// The ball's module pictures (its overlays, its shadow and the picture behind it) are its own: they go when
// its show is over, from the document's cache too, and its next start loads them and draws as before.
TEST_F(AnimatedLightTest, GlassBallLetsGoOfItsModulePicturesAfterItsShowAndDrawsThemAgain) {
  DS_GlassBallLight light;
  light.shadowOn = 1;
  light.pictureBackground = 1;
  light.cutPasses = false;
  Start(light);
  auto held = [&] {
    std::vector<IDirect3DTexture9*> t = {light.overlay1Texture, light.overlay2Texture, light.shadowTexture,
                                         light.backgroundInfo.texture, light.pictureQuad.info.texture};
    for (IDirect3DTexture9* p : t) device.names[p] = RecordingRenderDevice::Text(p);
    return t;
  };
  const std::vector<IDirect3DTexture9*> first = held();
  LoggedFrame(light, 1.0);
  const Lines before = device.Draws();

  light.ReleasePictures();
  for (IDirect3DTexture9* t : first) EXPECT_EQ(RecordingRenderDevice::Refs(t), 0) << RecordingRenderDevice::Text(t);
  EXPECT_EQ(device.LiveTextures(), 0);

  light.RemakePictures();  // as the slide's next start: then its reset
  light.OnResetDevice();
  const std::vector<IDirect3DTexture9*> again = held();
  for (size_t i = 0; i < again.size(); ++i) {
    ASSERT_NE(again[i], nullptr);
    EXPECT_EQ(RecordingRenderDevice::Text(again[i]), RecordingRenderDevice::Text(first[i]));
  }
  LoggedFrame(light, 1.0);
  EXPECT_EQ(device.Draws(), before);
}

// One frame as the slide draws it for a light that asks for the off-screen pass.
void OffscreenFrame(DS_2D_Light& light, double t) {
  light.FrameMove(t);
  ASSERT_TRUE(light.NeedsOffscreen());
  light.BeginOffscreen();
  light.RenderBackground();
  light.PostRender();
}

// The scroll quads move every frame: dynamic default-pool buffers written whole with discard, which the
// device loss takes away and the reset gives back where the quads were.
TEST_F(AnimatedLightTest, GlassBallScrollQuadsAreDiscardedEachFrameAndRemadeAtAReset) {
  DS_GlassBallLight light;
  light.motionMode = 1;
  Start(light);
  auto made = [&](const IDirect3DVertexBuffer9* b) {
    for (const auto& v : device.vertexBuffers)
      if (v.get() == b) return v.get();
    return static_cast<lumi_test::FakeVertexBuffer*>(nullptr);
  };
  lumi_test::FakeVertexBuffer* first = made(light.scroll.quads[0].vertexBuffer);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->usage, static_cast<DWORD>(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY));
  EXPECT_EQ(first->pool, D3DPOOL_DEFAULT);
  OffscreenFrame(light, 1.0);  // the motion's clock is shared by every ball: a second later it has moved
  OffscreenFrame(light, 2.0);
  EXPECT_EQ(first->lockFlags, static_cast<DWORD>(D3DLOCK_DISCARD));
  const DX_V::RHWCT placed = first->As<DX_V::RHWCT>()[1];  // top-left
  EXPECT_GT(placed.x, 0);
  EXPECT_LT(placed.x, 1920);
  EXPECT_EQ(placed.color, 0xFFFFFFFFu);

  InvalidateAllDeviceObjects();
  EXPECT_EQ(first->refs, 0) << "a default-pool buffer left alive makes the reset fail";
  CreateAllDeviceObjects();
  lumi_test::FakeVertexBuffer* again = made(light.scroll.quads[0].vertexBuffer);
  ASSERT_NE(again, nullptr);
  ASSERT_NE(again, first);
  EXPECT_EQ(again->pool, D3DPOOL_DEFAULT);
  EXPECT_FLOAT_EQ(again->As<DX_V::RHWCT>()[1].x, placed.x);
  EXPECT_EQ(again->As<DX_V::RHWCT>()[1].color, 0xFFFFFFFFu);
  EXPECT_EQ(light.scroll.quads[1].primitiveCount, 2u);
}

// The lens reads part of the scrolled copy (with a deep lens, about four fifths of its width and height
// around where the ball stands): the two copies are drawn into the other target only there, cut by the scissor, which
// is off again before the ball is drawn.
TEST_F(AnimatedLightTest, GlassBallCopiesTheSlideOnlyWhereTheLensReadsIt) {
  DS_GlassBallLight light;
  light.motionMode = 1;
  light.refraction = 100;
  Start(light);
  LoggedFrame(light, 1.0);
  bool on = false;
  int copies = 0;
  long area = 0;
  RECT scissor = {0, 0, 0, 0};
  for (const std::string& line : device.log) {
    if (line == "states scissor on") on = true;
    if (line == "states scissor off") {
      on = false;
      if (copies > 0) break;  // the copies are done
      area = 0;               // the picture's scissors, off-screen before them
    }
    int l = 0, t = 0, r = 0, b = 0;
    if (std::sscanf(line.c_str(), "scissor %d %d %d %d", &l, &t, &r, &b) == 4) {
      scissor = RECT{l, t, r, b};
      if (on) area += static_cast<long>(r - l) * (b - t);
    }
    if (StartsWith(line, "draw ") && line.find("tex rt") != std::string::npos) {
      SCOPED_TRACE(line);
      ++copies;
      EXPECT_TRUE(on);
      EXPECT_LT(scissor.left, scissor.right);
      EXPECT_LT(scissor.top, scissor.bottom);
    }
  }
  EXPECT_GE(copies, 2);
  EXPECT_EQ(copies % 2, 0) << "both copies under each scissor";
  EXPECT_GT(area, 1920L * 1080 / 2);
  EXPECT_LT(area, 1920L * 1080);
  EXPECT_FALSE(on);
}

// Off-screen the slide's picture is drawn only over the texels the post pass may read of it, cut by the
// scissor (in the scrolling modes the texels the copies pass on to the lens), and whole where the lens may
// read all of it, where the passes are not cut or where a render object reads the composition too.
TEST_F(AnimatedLightTest, GlassBallDrawsThePictureOffScreenOnlyWhereThePostPassReadsIt) {
  lumi_test::FakeTexture widePicture;
  const DocFileKey wideKey(u"wide.png", 3);
  TextureInfo info;
  info.Assign(&widePicture, 1800, 1000);
  manager_->Maps().textureSets[wideKey].AddFrame(info);
  const struct {
    const char* name;
    int motion;
    bool wide, cut;
    int readers;
    bool whole;  // the picture in one draw over the whole target
  } cases[] = {
      {"swaying", 3, true, true, 0, false},
      {"still", 0, true, true, 0, false},
      {"scrolling", 1, true, true, 0, false},
      {"scrolling the other way", 2, true, true, 0, false},
      {"a square picture, read all across", 3, false, true, 0, true},
      {"passes not cut", 3, true, false, 0, true},
      {"an object reads the composition", 1, true, true, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DS_GlassBallLight light;
    if (c.wide) light.picture.Raw() = wideKey;
    light.motionMode = c.motion;
    light.cutPasses = c.cut;
    Start(light);
    light.compositionReaders = c.readers;
    LoggedFrame(light, 5.0);
    bool on = false;
    int pictures = 0;
    long area = 0;
    RECT scissor = {0, 0, 0, 0};
    for (const std::string& line : device.log) {
      if (line == "targets next" || line == "targets end") break;  // the slide composed
      if (line == "states scissor on") on = true;
      if (line == "states scissor off") on = false;
      int l = 0, t = 0, r = 0, b = 0;
      if (std::sscanf(line.c_str(), "scissor %d %d %d %d", &l, &t, &r, &b) == 4) scissor = RECT{l, t, r, b};
      if (StartsWith(line, "draw ")) {
        SCOPED_TRACE(line);
        ++pictures;
        EXPECT_NE(line.find("on rt"), std::string::npos);
        EXPECT_NE(line.find("tex picture"), std::string::npos);
        EXPECT_EQ(on, !c.whole);
        if (on) {
          EXPECT_TRUE(0 <= scissor.left && scissor.left < scissor.right && scissor.right <= 1920);
          EXPECT_TRUE(0 <= scissor.top && scissor.top < scissor.bottom && scissor.bottom <= 1080);
          area += static_cast<long>(scissor.right - scissor.left) * (scissor.bottom - scissor.top);
        }
      }
    }
    EXPECT_FALSE(on) << "the scissor is off again before the post pass";
    if (c.whole) {
      EXPECT_EQ(pictures, 1);
    } else {
      EXPECT_GE(pictures, 1);
      EXPECT_GT(area, 1920L * 1080 / 4);
      EXPECT_LT(area, 1920L * 1080 * 9 / 10);
    }
  }
  manager_->Maps().textureSets.erase(wideKey);  // the picture goes before the document
}

// An item of the slide that draws nothing of its own.
class SilentObject : public DS_ABObj {
 public:
  SilentObject() : DS_ABObj(nullptr) {}
  void Render(DS_ABRender*) override {}
  void DrawMarkers(DS_ABRender*, int) override {}
  void Update(double) override {}
  void OnScreenResize() override {}
};

// With nothing over the picture the ball's own pass is the only reader of the slide composed off-screen:
// the picture is drawn whole into the pair once and kept there, and drawn again only when what it depends
// on changes: its texture, the pair made anew at a reset, an item drawn over it (and taken away again). In
// the scrolling modes the post pass switches the pair for the copies: the next frame begins again in the
// texture that holds the picture.
TEST_F(AnimatedLightTest, GlassBallKeepsItsPictureOffScreenWhileNothingChangesIt) {
  struct Drawn {
    int pictures = 0;
    bool cut = false;        // a picture draw under the scissor
    std::string begun, on;  // the target the pass began in; the one the picture was drawn on
  };
  for (int motion : {3, 1}) {
    SCOPED_TRACE(motion);
    lumi_test::FakeTexture other;  // outlives the light, which holds it
    DS_SlideContainer slide;
    auto* light = new DS_GlassBallLight;
    light->motionMode = motion;
    slide.picture = CountedPtr<DS_2D_Light>(light);
    Start(*light);
    double t = 1.0;
    auto frame = [&] {
      slide.FrameMove(t += 0.1);
      device.ClearLog();
      slide.Render();
      slide.PostRender();
      Drawn d;
      bool scissor = false;
      for (const std::string& line : device.log) {
        if (line == "targets next" || line == "targets end") break;  // the slide composed
        if (StartsWith(line, "targets begin ")) d.begun = line.substr(14);
        if (line == "states scissor on") scissor = true;
        if (line == "states scissor off") scissor = false;
        if (StartsWith(line, "draw ") && line.find("tex picture") != std::string::npos) {
          ++d.pictures;
          d.cut = d.cut || scissor;
          d.on = line.substr(line.find(" on ") + 4, 3);
        }
      }
      return d;
    };
    const Drawn first = frame();
    EXPECT_EQ(first.pictures, 1);
    EXPECT_FALSE(first.cut) << "kept whole: later frames may read any of it";
    for (int i = 0; i < 3; ++i) {
      const Drawn d = frame();
      EXPECT_EQ(d.pictures, 0) << "frame " << i;
      EXPECT_EQ(d.begun, first.on) << "frame " << i;
    }

    TextureInfo info = light->pictureQuad.info;
    info.Assign(&other, info.width, info.height);
    SetPictureQuadTexture(info, light->pictureQuad);
    device.names[&other] = "picture";
    EXPECT_EQ(frame().pictures, 1) << "another texture";
    EXPECT_EQ(frame().pictures, 0);

    LoseAndResetDevice([&] { light->OnLostDevice(); }, nullptr, [&] { light->OnResetDevice(); });
    EXPECT_EQ(frame().pictures, 1) << "the pair made anew";
    EXPECT_EQ(frame().pictures, 0);

    slide.renderObjects.push_back(CountedPtr<DS_ABObj>(new SilentObject));
    for (int i = 0; i < 2; ++i) EXPECT_GE(frame().pictures, 1) << "an item over the picture, frame " << i;
    slide.renderObjects.clear();
    const Drawn alone = frame();
    EXPECT_EQ(alone.pictures, 1) << "the item gone";
    EXPECT_FALSE(alone.cut);
    EXPECT_EQ(frame().pictures, 0);
  }
}

// Resize runs three times a frame (the frame, and the target pass's start and end): the background quad
// and the ball's bars are locked again only when they move, and then hold the new corners.
TEST_F(AnimatedLightTest, GlassBallRewritesItsBackgroundOnlyWhenItMoves) {
  DS_GlassBallLight light;
  light.pictureBackground = 1;
  Start(light);
  light.SetPicturePosition(PicturePosition::Fit);
  auto made = [&](const IDirect3DVertexBuffer9* b) {
    for (const auto& v : device.vertexBuffers)
      if (v.get() == b) return v.get();
    return static_cast<lumi_test::FakeVertexBuffer*>(nullptr);
  };
  lumi_test::FakeVertexBuffer* background = made(light.backgroundQuad.vertexBuffer);
  lumi_test::FakeVertexBuffer* leftBar = made(light.bars[0].vertexBuffer);
  ASSERT_TRUE(background && leftBar);
  OffscreenFrame(light, 0.1);
  const int backgroundLocks = background->locks, barLocks = leftBar->locks;
  for (int frame = 2; frame < 5; ++frame) OffscreenFrame(light, frame * 0.1);
  EXPECT_EQ(background->locks, backgroundLocks);
  EXPECT_EQ(leftBar->locks, barLocks);
  // The 8 x 8 background fitted into 1920 x 1080, then stretched over it.
  EXPECT_FLOAT_EQ(background->As<DX_V::RHWCT>()[2].x, 1500);
  light.SetPicturePosition(PicturePosition::Stretch);
  OffscreenFrame(light, 0.6);
  EXPECT_GT(background->locks, backgroundLocks);
  EXPECT_FLOAT_EQ(background->As<DX_V::RHWCT>()[2].x, 1920);
  // The bars cover the fitted background's margins, wherever the ball's picture goes.
  EXPECT_EQ(leftBar->locks, barLocks);
  EXPECT_FLOAT_EQ(leftBar->As<DX_V::RHWC>()[2].x, 421);
}

// The slide is drawn off-screen; the post pass ends the pass and draws its image through the wobble
// with the composed image as "Background", then the bars. The wobble's clock runs at 25 times real time.
TEST_F(AnimatedLightTest, UnderwaterPostPassDrawsTheComposedSlideThroughTheWobble) {
  FakeUndervater light;
  Start(light);
  CallLog log;
  log.names[&pair[0]] = "rt0";
  device.shared = &log;
  RecordingEffect effect(log, "wobble");
  light.underwater.effect.Share(&effect);
  light.FrameMove(0.0);
  OffscreenFrame(light, 0.1);
  EXPECT_FLOAT_EQ(light.underwater.clock.GetPosition(), 2.5f);
  EXPECT_EQ(light.sourceTexture, &pair[0]);
  EXPECT_EQ(log.With("texture Background"), (Lines{"texture Background=rt0"}));
  const Lines draws = device.Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_NE(draws[0].find("on rt0 tex picture"), std::string::npos) << draws[0];
  EXPECT_NE(draws[1].find("on back"), std::string::npos) << draws[1];
  EXPECT_EQ(device.Lines("bars"), (Lines{"bars mode 1"}));
  EXPECT_EQ(device.log.back(), "bars mode 1");
  light.underwater.effect = nullptr;
}

// Without an effect (not in the module, or not compiled) the composed slide still reaches the back
// buffer: drawn unchanged over the picture quad, unblended, then the bars.
TEST_F(AnimatedLightTest, UnderwaterWithoutAnEffectDrawsTheComposedSlidePlain) {
  FakeUndervater light;
  Start(light);
  ASSERT_EQ(light.underwater.effect, nullptr);
  OffscreenFrame(light, 0.1);
  const Lines draws = device.Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_NE(draws[0].find("on rt0 tex picture"), std::string::npos) << draws[0];
  EXPECT_NE(draws[1].find("on back tex rt0"), std::string::npos) << draws[1];
  EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(FALSE));
  EXPECT_EQ(device.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_SELECTARG1));
  EXPECT_EQ(device.log.back(), "bars mode 1");

  // Without a render-target pair nothing was drawn off-screen: the picture itself is drawn.
  device.targetsMade = false;
  LoseAndResetDevice([&] { light.OnLostDevice(); }, nullptr, [&] { light.OnResetDevice(); });
  ASSERT_EQ(light.renderTargets.current, nullptr);
  device.ClearLog();
  OffscreenFrame(light, 0.2);
  ASSERT_FALSE(device.Draws().empty());
  EXPECT_NE(device.Draws().back().find("on back tex picture"), std::string::npos) << device.Draws().back();
}

}  // namespace
