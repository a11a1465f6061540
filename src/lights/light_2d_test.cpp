#include "lights/light_2d.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dxut/device_objects.h"
#include "platform/noise.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/readers.h"
#include "scene/screen_mapping.h"
#include "scene/stream.h"
#include "support/fake_geometry.h"
#include "support/recording_render_device.h"
#include "support/saved_global.h"

namespace {

using lumi_test::RecordingRenderDevice;
using lumi_test::FakeTexture;
using Lines = std::vector<std::string>;

std::string S(long v) { return std::to_string(v); }

// Devices for a light without Direct3D: buffers, placement on a 1920 x 1080 back buffer, recorded device
// calls and a document whose module pictures are 8 x 8.
class LightTest : public ::testing::Test {
 protected:
  LightTest() : device(1920, 1080) {}
  void SetUp() override {
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    g_LetterboxProjection.mode = PicturePosition::Fit;
    g_LetterboxProjection.SetZoom(1.0f, 0.0f, 0.0f);
    device.names[&pair[0]] = "rt0";
    device.names[&pair[1]] = "rt1";
    device.pairTextures[0] = &pair[0];
    device.pairTextures[1] = &pair[1];
  }
  void TearDown() override {
    for (auto& bar : g_LetterboxProjection.bars) bar.ReleaseVertexBuffer();
    g_LetterboxProjection.mode = PicturePosition::Fit;
    manager_.reset();
  }
  // A light brought up as at scene start and slide start.
  void Start(DS_2D_Light& light) {
    light.OnCreateDevice();
    light.Resize(1, 1);
    light.Resize(1920, 1080);
    light.StartCameraShake();
    light.OnResetDevice();
    device.names[light.pictureQuad.info.texture] = "picture";
    device.names[light.pictureQuad.quad.vertexBuffer] = "pictureVB";
    device.ClearLog();
  }
  DocResourceMaps& Maps() { return manager_->Maps(); }

  RecordingRenderDevice device;
  FakeTexture pair[2];
  std::unique_ptr<DS_DocResManager> manager_;

 private:
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
  lumi_test::SavedGlobal<ScreenMapping> savedMapping_{*GetScreenMapping()};
};

// ---- defaults, reading and saving -------------------------------------------------------------------

TEST_F(LightTest, DefaultsAndConstantOperations) {
  DS_2D_Light light;
  EXPECT_EQ(light.picture.GetKey(), DocFileKey(u"basekit.dll", 5));
  EXPECT_EQ(light.picturePosition, 1);
  EXPECT_EQ(light.sourceTexture, nullptr);
  EXPECT_EQ(light.Reserved24(1, 2, 3), 0);
  EXPECT_EQ(light.Reserved25(9), 0);
  EXPECT_FALSE(light.Reserved26());
  EXPECT_TRUE(light.Reserved27());
  EXPECT_FALSE(light.NeedsOffscreen());
  EXPECT_FALSE(light.IsCameraShaking());
  EXPECT_FALSE(light.StartCameraShake());
  EXPECT_TRUE(light.IsCameraShaking());
  EXPECT_EQ(light.GetTargetTexture(), light.sourceTexture.Slot());
  EXPECT_EQ(light.GetBackgroundQuad(), &light.pictureQuad.quad);
}

std::vector<BYTE> Saved(DS_2D_Light& light) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  light.Save(&s);
  return w.TakeBytes();
}

TEST_F(LightTest, SectionRoundTripThroughTheRegistry) {
  RegisterPictureLightReader();
  DS_2D_Light light;
  light.picture.Raw() = DocFileKey(u"c:\\pics\\lake.jpg", 1234567890123LL);
  light.camera.enable = 1;
  light.camera.amplitude.SetValue(140, nullptr);
  light.camera.speed.SetValue(10, nullptr);
  const std::vector<BYTE> bytes = Saved(light);
  EXPECT_EQ(Maps().savedImages.count(light.picture.GetKey()), 1u);  // the picture is kept for saving

  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_2D_Light> back(DS_2D_Light::CreateFromStream(&s));
  ASSERT_TRUE(back);
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_EQ(back->picture.GetKey(), light.picture.GetKey());
  EXPECT_EQ(back->camera.enable.GetValue(), 1);
  EXPECT_FLOAT_EQ(back->camera.amplitude.GetResult(), 1.4f);
  EXPECT_FLOAT_EQ(back->camera.speed.GetResult(), 0.2f);
  EXPECT_EQ(back->pictureQuad.info.texture, nullptr);  // reading loads nothing
  EXPECT_EQ(Saved(*back), bytes);

  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteSectionHeader(&ws, u"NoSuchLight", 3);
  ResourceBuffer b2(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r2(&b2);
  DS_IOF_Virtual* s2 = &r2;
  EXPECT_THROW(DS_2D_Light::CreateFromStream(&s2), DocFormatError);
}

TEST_F(LightTest, OlderSectionsKeepTheDefaults) {
  struct Case {
    DWORD version;
    bool picture;
    bool camera;
  } cases[] = {{1, false, false}, {2, true, false}, {3, true, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.version);
    DS_IOF_W w;
    DS_IOF_Virtual* ws = &w;
    WriteSectionHeader(&ws, u"DS_2D_Light", k.version);
    if (k.picture) {
      w.WriteString(u"sky.png");
      w.WriteInt64(77);
    }
    if (k.camera) {
      WriteSectionHeader(&ws, u"DSM_Camera", 1);
      w.WriteInt(1);
      w.WriteUInt(200);
      w.WriteUInt(50);
    }
    w.WriteInt(0x5A5A);  // whatever follows
    ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
    DS_IOF_R<ResourceBuffer> r(&buf);
    DS_IOF_Virtual* s = &r;
    // As a derived light reads its base section.
    DS_2D_Light light;
    DS_2D_Light::ReadBase(&s, &light);
    EXPECT_EQ(buf.Remaining(), 4u);
    EXPECT_EQ(light.picture.GetKey(), k.picture ? DocFileKey(u"sky.png", 77) : DocFileKey(u"basekit.dll", 5));
    EXPECT_EQ(light.camera.enable.GetValue(), k.camera ? 1 : 0);
    EXPECT_FLOAT_EQ(light.camera.amplitude.GetResult(), k.camera ? 2.0f : 1.2f);
  }
}

// ---- picture ----------------------------------------------------------------------------------------

class CountingLight : public DS_2D_Light {
 public:
  void ReloadImage() override {
    ++reloads;
    DS_2D_Light::ReloadImage();
  }
  int reloads = 0;
};

TEST_F(LightTest, PictureQuadCoversThePictureInPicturePixels) {
  DS_2D_Light light;
  Start(light);
  ASSERT_NE(light.pictureQuad.info.texture, nullptr);
  EXPECT_EQ(light.GetImageWidth(), 8u);
  EXPECT_EQ(light.GetImageHeight(), 8u);
  EXPECT_EQ(RecordingRenderDevice::Text(light.pictureQuad.quad.texture), "basekit.dll:5");
  const DX_V::PT* v = device.vertexBuffers.front()->As<DX_V::PT>();
  const float expected[4][5] = {{0, 8, 0, 0, 1}, {0, 0, 0, 0, 0}, {8, 8, 0, 1, 1}, {8, 0, 0, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].x, expected[i][0]) << i;
    EXPECT_EQ(v[i].y, expected[i][1]) << i;
    EXPECT_EQ(v[i].z, expected[i][2]) << i;
    EXPECT_EQ(v[i].u, expected[i][3]) << i;
    EXPECT_EQ(v[i].v, expected[i][4]) << i;
  }
  EXPECT_EQ(light.pictureQuad.quad.primitiveType, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(light.pictureQuad.quad.primitiveCount, 2u);
  EXPECT_EQ(device.vertexBuffers.front()->format, (DWORD)0x102);
}

// A document picture whose size its header tells is decoded when it is first shown: creating the device
// objects takes only its size and places the picture by it; the decode follows when the slide starts
// (or at the latest with the first background draw). A picture whose data does not match its header is
// placed again by what the decode gives.
TEST_F(LightTest, DocumentPictureIsDecodedWhenFirstShownAndKeepsItsSize) {
  device.tellSizes = true;
  const DocFileKey good(u"good.png", 1), bad(u"bad.png", 2), drawn(u"drawn.png", 3);
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  w.WriteString(u"DS_DocResManager");
  w.WriteDword(3);
  w.WriteDword(3);
  for (const auto& entry : {std::make_pair(good, std::string("\x40\x20good")), std::make_pair(bad, std::string("?\x09" "bad")),
                            std::make_pair(drawn, std::string("\x40\x20" "drawn"))}) {
    w.WriteString(entry.first.name);
    w.WriteInt64(entry.first.stamp);
    DocResourceRecord record;
    record.blob.name = entry.first.name;
    record.blob.SetBytes(static_cast<INT>(entry.second.size()), entry.second.data());
    WriteRecordVector(&s, {record});
  }
  for (int i = 0; i < 3; ++i) w.WriteDword(0);
  std::vector<BYTE> bytes = w.TakeBytes();
  ResourceBuffer buffer(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buffer);
  DS_IOF_Virtual* in = &r;
  manager_.reset(DS_DocResManager::CreateFromStream(&in));
  g_DocResManager = manager_.get();

  struct Case {
    DocFileKey key;
    UINT headerWidth, headerHeight, width, height;
    bool firstDraw;  // decoded by the first background draw rather than at the slide start
  } cases[] = {{good, 64, 32, 64, 32, false}, {bad, 5, 5, 63, 9, false}, {drawn, 64, 32, 64, 32, true}};
  for (const Case& c : cases) {
    DS_2D_Light light;
    light.picture.Raw() = c.key;
    const size_t decodes = device.calls.size();
    light.OnCreateDevice();
    light.Resize(1920, 1080);
    EXPECT_EQ(device.calls.size(), decodes) << "nothing decoded at scene start";
    EXPECT_TRUE(light.PicturePending());
    EXPECT_EQ(light.pictureQuad.info.texture, nullptr);
    EXPECT_EQ(light.GetImageWidth(), c.headerWidth);
    EXPECT_EQ(light.GetImageHeight(), c.headerHeight);
    EXPECT_EQ(GetScreenMapping()->pictureWidth, static_cast<int>(c.headerWidth)) << "placed by the header's size";

    if (c.firstDraw)
      light.RenderBackground();
    else
      light.LoadPendingPicture();
    EXPECT_FALSE(light.PicturePending());
    ASSERT_NE(light.pictureQuad.info.texture, nullptr);
    EXPECT_EQ(light.pictureQuad.quad.texture, light.pictureQuad.info.texture);
    EXPECT_EQ(light.GetImageWidth(), c.width);
    EXPECT_EQ(light.GetImageHeight(), c.height);
    EXPECT_EQ(GetScreenMapping()->pictureWidth, static_cast<int>(c.width)) << "placed by the decoded size";
    EXPECT_EQ(GetScreenMapping()->pictureHeight, static_cast<int>(c.height));
    const size_t after = device.calls.size();
    light.LoadPendingPicture();
    EXPECT_EQ(device.calls.size(), after) << "decoded once";
  }
}

TEST_F(LightTest, MarkerPicturesAreAskedForAndStayNull) {
  std::unique_ptr<DS_2D_Light> light(new DS_2D_Light);
  light->OnCreateDevice();
  EXPECT_EQ(device.Lines("exe picture"),
            (Lines{"exe picture 54", "exe picture 55", "exe picture 56", "exe picture 57", "exe picture 61"}));
  for (IDirect3DTexture9* t : light->markerTextures) EXPECT_EQ(t, nullptr);

  FakeTexture marker;
  device.exePictures[55] = &marker;
  light->OnCreateDevice();
  light->OnCreateDevice();  // replaces the one held before
  EXPECT_EQ(light->markerTextures[1], &marker);
  EXPECT_EQ(marker.refs, 2);
  light.reset();
  EXPECT_EQ(marker.refs, 1);
}

TEST_F(LightTest, LinkChangeReloadsThePictureOfTheMostDerivedLight) {
  CountingLight light;
  Start(light);
  Maps().textureSets[DocFileKey(u"wide.png", 3)];  // a set with no frames: the picture is missing
  light.picture.Change(DocFileKey(u"wide.png", 3));
  EXPECT_EQ(light.reloads, 1);
  EXPECT_EQ(light.pictureQuad.info.texture, nullptr);
  EXPECT_EQ(light.pictureQuad.quad.texture, nullptr);
  // A picture without size measures as one pixel and draws nothing.
  EXPECT_EQ(GetScreenMapping()->pictureWidth, 1);
  EXPECT_EQ(GetScreenMapping()->pictureHeight, 1);
  device.ClearLog();
  light.RenderBackground();
  EXPECT_TRUE(device.Draws().empty());

  light.picture.Change(DocFileKey(u"basekit.dll", 5));
  EXPECT_EQ(light.reloads, 2);
  EXPECT_EQ(GetScreenMapping()->pictureWidth, 8);
}

TEST_F(LightTest, SetPicturePositionPlacesForTheTargetSize) {
  DS_2D_Light light;
  Start(light);
  light.SetPicturePosition(PicturePosition::Fill);
  EXPECT_EQ(light.picturePosition, 2);
  EXPECT_EQ(g_LetterboxProjection.mode, 2);
  EXPECT_EQ(light.targetWidth, 1920);
  EXPECT_EQ(light.targetHeight, 1080);
  EXPECT_EQ(GetScreenMapping()->pictureWidth, 8);
  EXPECT_EQ(GetScreenMapping()->pictureHeight, 8);
  // The fitted picture, in back-buffer pixels: a square centred on the 1920 x 1080 back buffer.
  EXPECT_FLOAT_EQ(GetScreenMapping()->picture.Top(), 0.0f);
  EXPECT_FLOAT_EQ(GetScreenMapping()->picture.Bottom(), 1080.0f);
  EXPECT_FLOAT_EQ(GetScreenMapping()->picture.Left(), 420.0f);
  EXPECT_FLOAT_EQ(GetScreenMapping()->picture.Right(), 1500.0f);
}

// ---- device and frame -------------------------------------------------------------------------------

TEST_F(LightTest, ResetLeavesTheSlideBaseline) {
  DS_2D_Light light;
  light.OnCreateDevice();
  light.OnResetDevice();
  EXPECT_EQ(device.RenderState(D3DRS_ZENABLE), (DWORD)FALSE);
  EXPECT_EQ(device.RenderState(D3DRS_ZWRITEENABLE), (DWORD)FALSE);
  EXPECT_EQ(device.RenderState(D3DRS_LIGHTING), (DWORD)FALSE);
  EXPECT_EQ(device.RenderState(D3DRS_SRCBLEND), (DWORD)D3DBLEND_SRCALPHA);
  EXPECT_EQ(device.RenderState(D3DRS_DESTBLEND), (DWORD)D3DBLEND_INVSRCALPHA);
  EXPECT_FALSE(device.HasRenderState(D3DRS_ALPHABLENDENABLE));  // blending stays as it was
  EXPECT_EQ(device.SamplerState(0, D3DSAMP_MINFILTER), (DWORD)D3DTEXF_LINEAR);
  EXPECT_EQ(device.SamplerState(0, D3DSAMP_MAGFILTER), (DWORD)D3DTEXF_LINEAR);
  EXPECT_EQ(device.SamplerState(0, D3DSAMP_ADDRESSU), (DWORD)D3DTADDRESS_MIRROR);
  EXPECT_EQ(device.SamplerState(0, D3DSAMP_ADDRESSV), (DWORD)D3DTADDRESS_MIRROR);
  EXPECT_EQ(device.StageState(0, D3DTSS_COLOROP), (DWORD)D3DTOP_SELECTARG1);
  EXPECT_EQ(device.StageState(0, D3DTSS_COLORARG1), (DWORD)D3DTA_TEXTURE);
  EXPECT_EQ(device.StageState(0, D3DTSS_COLORARG2), (DWORD)D3DTA_DIFFUSE);
  EXPECT_EQ(device.StageState(0, D3DTSS_TEXCOORDINDEX), 0u);
  EXPECT_EQ(device.StageState(1, D3DTSS_TEXCOORDINDEX), 1u);
  EXPECT_EQ(device.StageState(1, D3DTSS_COLOROP), (DWORD)D3DTOP_DISABLE);
  EXPECT_EQ(device.Lines("targets"), (Lines{"targets 1920x1080"}));
  EXPECT_EQ(light.renderTargets.current, &pair[0]);
}

TEST_F(LightTest, BackgroundIsTheFirstDraw) {
  DS_2D_Light light;
  Start(light);
  light.RenderBackground();
  EXPECT_EQ(device.log, (Lines{"tex 0 picture", "stream 0x102 20 pictureVB", "draw 5 0 2 on back tex picture cull 4294967295"}));
  EXPECT_EQ(device.transforms.count(TransformSlot::World), 1u);
  EXPECT_EQ(device.transforms.count(TransformSlot::Projection), 1u);
}

TEST_F(LightTest, PostPassDrawsTheBarsOfTheCurrentMode) {
  DS_2D_Light light;
  Start(light);
  light.PostRender();
  light.SetPicturePosition(PicturePosition::Stretch);
  light.PostRender();
  EXPECT_EQ(device.Lines("bars"), (Lines{"bars mode 1", "bars mode 0"}));
}

TEST_F(LightTest, FrameMoveShakesThePicture) {
  DS_2D_Light light;
  Start(light);
  light.camera.enable = 1;
  ResetCrtRand(1);
  light.FrameMove(0.1);
  LetterboxProjection shaken;
  shaken.SetZoom(1.2f, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(g_LetterboxProjection.zoom._11, shaken.zoom._11);
  for (double t = 0.2; t < 3.0; t += 0.1) light.FrameMove(t);
  EXPECT_NE(g_LetterboxProjection.zoom._41, shaken.zoom._41);  // the fixed point has moved
}

// A render object that records where it drew and what it read.
struct FakeObject {
  int needs;
  std::string name;
  RecordingRenderDevice* device;
  Lines* log;
  int NeedsSourceTexture() { return needs; }
  void Render(DS_ABRender* r) {
    IDirect3DTexture9* source = *r->GetTargetTexture();
    auto it = device->names.find(source);
    log->push_back(name + " on " + device->target + " reads " + (it == device->names.end() ? "?" : it->second));
  }
};

TEST_F(LightTest, LostDeviceReleasesTargetsAndSource) {
  DS_2D_Light light;
  Start(light);
  std::vector<std::unique_ptr<FakeObject>> none;
  DS_2D_Light::ApplyEffectChain(&light, none, 0);
  IDirect3DTexture9* picture = light.pictureQuad.info.texture;
  EXPECT_EQ(light.sourceTexture, picture);
  const int pictureRefs = RecordingRenderDevice::Refs(picture);
  LoseDeviceObjects([&] { light.OnLostDevice(); });
  EXPECT_EQ(light.sourceTexture, nullptr);
  EXPECT_EQ(RecordingRenderDevice::Refs(picture), pictureRefs - 1);
  EXPECT_EQ(light.renderTargets.current, nullptr);
  EXPECT_EQ(light.renderTargets.textures[0], nullptr);
  EXPECT_EQ(pair[0].refs, 1);
  EXPECT_EQ(pair[1].refs, 1);
  // The reset makes the pair once, at the back buffer's new size, and the light draws again.
  device.size = BackBufferSize{1280, 720};
  device.ClearLog();
  RestoreDeviceObjects([&] { light.OnResetDevice(); });
  EXPECT_EQ(device.Lines("targets"), (Lines{"targets 1280x720"}));
  EXPECT_EQ(light.renderTargets.current, &pair[0]);
  device.ClearLog();
  light.RenderBackground();
  EXPECT_EQ(device.Draws().size(), 1u);
  // A later start finds the pair made.
  light.OnResetDevice();
  EXPECT_TRUE(device.Lines("targets").empty());
}

TEST_F(LightTest, ScreenQuadsOfTheSlideShow) {
  DS_2D_Light light;
  Start(light);
  DS_SimpleMesh<DX_V::RHWC> fade;
  fade.CreateQuadStripOf<DX_V::RHWC>();
  light.DrawColorQuadRHW(&fade);
  EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), (DWORD)TRUE);  // stays on
  EXPECT_EQ(device.StageState(0, D3DTSS_COLORARG1), (DWORD)D3DTA_TEXTURE);
  EXPECT_EQ(device.StageState(0, D3DTSS_ALPHAARG1), (DWORD)D3DTA_TEXTURE);
  EXPECT_EQ(device.Lines("stream")[0].substr(0, 14), "stream 0x044 2");
  ASSERT_EQ(device.Draws().size(), 1u);
  EXPECT_EQ(device.log[0], "states diffuse quad");  // drawn with the diffuse colour selected
  EXPECT_EQ(device.log[1].substr(0, 6), "stream");

  device.ClearLog();
  DS_SimpleMesh<DX_V::PC> tint;
  tint.CreateQuadStripOf<DX_V::PC>();
  light.DrawColorQuad(&tint);
  EXPECT_EQ(device.Lines("stream")[0].substr(0, 15), "stream 0x042 16");

  device.ClearLog();
  FakeTexture iconTexture;
  TexQuad icons;
  icons.CreateQuadStripOf<DX_V::RHWCT>();
  device.names[&iconTexture] = "icons";
  icons.texture.Share(&iconTexture);
  light.DrawTexturedQuadRHW(&icons);
  EXPECT_EQ(device.Draws(), (Lines{"draw 5 0 2 on back tex icons cull 4294967295"}));
  EXPECT_EQ(device.RenderState(D3DRS_ZENABLE), (DWORD)FALSE);
  EXPECT_EQ(device.RenderState(D3DRS_SRCBLEND), (DWORD)D3DBLEND_SRCALPHA);
  EXPECT_EQ(device.RenderState(D3DRS_DESTBLEND), (DWORD)D3DBLEND_INVSRCALPHA);
  EXPECT_EQ(device.StageState(0, D3DTSS_ALPHAOP), (DWORD)D3DTOP_SELECTARG1);
  EXPECT_EQ(device.Lines("stream")[0].substr(0, 15), "stream 0x144 28");

  // Quads without buffers set and restore the states but draw nothing.
  device.ClearLog();
  DS_SimpleMesh<DX_V::RHWC> empty;
  light.DrawColorQuadRHW(&empty);
  light.DrawColorQuadRHW(nullptr);
  EXPECT_TRUE(device.Draws().empty());
}

// ---- off-screen pass and effect chain ---------------------------------------------------------------

TEST_F(LightTest, OffscreenPassStretchesAndRestoresThePlacement) {
  DS_2D_Light light;
  Start(light);
  light.SetPicturePosition(PicturePosition::Fill);
  device.ClearLog();
  light.BeginOffscreen();
  EXPECT_EQ(g_LetterboxProjection.mode, PicturePosition::OffscreenStretch);
  EXPECT_EQ(light.picturePosition, PicturePosition::Fill);
  light.RenderBackground();
  RenderTargetChain* chain = light.EndOffscreen(true);
  EXPECT_EQ(chain, &light.renderTargets);
  EXPECT_EQ(g_LetterboxProjection.mode, PicturePosition::Fill);
  EXPECT_EQ(device.log.front(), "targets begin rt0");
  EXPECT_EQ(device.Draws(), (Lines{"draw 5 0 2 on rt0 tex picture cull 4294967295"}));
  EXPECT_EQ(device.log.back(), "clear 3 0xff000000 on back");
}

TEST_F(LightTest, EffectChainSwitchesTargetsBeforeObjectsThatReadTheScene) {
  struct Case {
    const char* what;
    std::vector<int> needs;  // in list order; drawn from the last
    bool lightPass;
    Lines drawn;
    int nexts;
  } cases[] = {
      {"no reader", {0, 0, 0}, false, {"o2 on back reads picture", "o1 on back reads picture", "o0 on back reads picture"}, 0},
      {"one reader in the middle",
       {0, 1, 0},
       false,
       {"o2 on rt0 reads picture", "o1 on back reads rt0", "o0 on back reads picture"},
       0},
      {"light pass and two readers",
       {1, 0, 1},
       true,
       {"o2 on rt1 reads rt0", "o1 on rt1 reads picture", "o0 on rt0 reads rt1"},
       2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    DS_2D_Light light;
    Start(light);
    Lines drawn;
    std::vector<std::unique_ptr<FakeObject>> objects;
    int n = k.lightPass ? 1 : 0;
    for (size_t i = 0; i < k.needs.size(); ++i) {
      objects.emplace_back(new FakeObject{k.needs[i], "o" + S((long)i), &device, &drawn});
      if (k.needs[i]) ++n;
    }
    if (n > 0) light.BeginOffscreen();
    light.RenderBackground();
    DS_2D_Light::ApplyEffectChain(&light, objects, n);
    EXPECT_EQ(drawn, k.drawn);
    EXPECT_EQ(device.Lines("targets next").size(), (size_t)k.nexts);
    EXPECT_EQ(device.Lines("targets end").size(), (!k.lightPass && n > 0) ? 1u : 0u);
    EXPECT_EQ(device.Draws()[0].substr(11, 7), n > 0 ? "on rt0 " : "on back");
    EXPECT_EQ(light.sourceTexture, light.pictureQuad.info.texture);  // back to the picture afterwards
    if (k.lightPass) EXPECT_EQ(g_LetterboxProjection.mode, PicturePosition::OffscreenStretch);
    else EXPECT_EQ(g_LetterboxProjection.mode, PicturePosition::Fit);
  }
}

TEST_F(LightTest, EffectChainWithoutTargetsReadsThePicture) {
  device.targetsMade = false;
  DS_2D_Light light;
  Start(light);
  Lines drawn;
  std::vector<std::unique_ptr<FakeObject>> objects;
  objects.emplace_back(new FakeObject{1, "a", &device, &drawn});
  objects.emplace_back(new FakeObject{1, "b", &device, &drawn});
  light.BeginOffscreen();
  light.RenderBackground();
  DS_2D_Light::ApplyEffectChain(&light, objects, 2);
  EXPECT_EQ(drawn, (Lines{"b on back reads picture", "a on back reads picture"}));
}

}  // namespace
