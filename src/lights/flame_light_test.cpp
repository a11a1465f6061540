// The flame light: its rules as tables, and a slide's frames on the recording device with effects that
// record into one log.
#include "lights/flame_light.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lights/flame_rules.h"
#include "render/projection.h"
#include "scene/doc_res_manager.h"
#include "scene/screen_mapping.h"
#include "support/effect_doc_device.h"
#include "support/fake_geometry.h"
#include "support/fake_module_resources.h"
#include "support/saved_global.h"

namespace {

using lumi_test::CallLog;
using lumi_test::EffectDocDevice;
using lumi_test::FakeTexture;
using Lines = std::vector<std::string>;

TEST(FlameRules, FireBandCoversTheLowerPartMovedDownByTheOffset) {
  const struct {
    float height;
    UINT offset;
    float top, bottom;
  } cases[] = {
      {768, 0, 268.8f, 768},        // the lower 65 %
      {768, 20, 345.6f, 844.8f},    // 10 % further down, partly below the picture
      {1080, 0, 378, 1080},
      {1000, 200, 1350, 2000},      // wholly below the picture
      {0, 7, 0, 0},                 // a picture without size: an empty band
  };
  for (const auto& c : cases) {
    const FireBand band = FlameFireBand(c.height, c.offset);
    EXPECT_NEAR(band.top, c.top, 1e-3f) << c.height << " " << c.offset;
    EXPECT_NEAR(band.bottom, c.bottom, 1e-3f) << c.height << " " << c.offset;
  }
}

TEST(FlameRules, HazeValuesFromTheResults) {
  const struct {
    float strength, position, bumpScale, aspect;
    float stenght, offset[2], scale[2];
  } cases[] = {
      {0.05f, 0, 0.208f, 0.75f, 0.0025f, {0, 0}, {0.208f, 0.156f}},          // defaults on 4:3
      {0.05f, 0.5f, 0.208f, 1080.0f / 1920, 0.0025f, {0.5f, -0.5f}, {0.208f, 0.117f}},
      {0.2f, 1.25f, 1.0f, 2.0f, 0.01f, {1.25f, -1.25f}, {1.0f, 2.0f}},
  };
  for (const auto& c : cases) {
    const HazeValues v = FlameHazeValues(c.strength, c.position, c.bumpScale, c.aspect);
    EXPECT_NEAR(v.strength, c.stenght, 1e-6f);
    EXPECT_FLOAT_EQ(v.offset[0], c.offset[0]);
    EXPECT_FLOAT_EQ(v.offset[1], c.offset[1]);
    EXPECT_NEAR(v.bumpScale[0], c.scale[0], 1e-5f);
    EXPECT_NEAR(v.bumpScale[1], c.scale[1], 1e-5f);
  }
  // The quad's aspect; one without size is square.
  EXPECT_FLOAT_EQ(FlameHazeAspect(1024, 768), 0.75f);
  EXPECT_FLOAT_EQ(FlameHazeAspect(0, 768), 1.0f);
  EXPECT_FLOAT_EQ(FlameHazeAspect(1024, 0), 1.0f);
  // No effect, no haze; with one the stored switch holds.
  EXPECT_EQ(FlameHazeEnableAfterCreate(1, false), 0);
  EXPECT_EQ(FlameHazeEnableAfterCreate(1, true), 1);
  EXPECT_EQ(FlameHazeEnableAfterCreate(0, true), 0);
  EXPECT_EQ(FlameHazeEnableAfterCreate(2, true), 2);
}

TEST(FlameLightDefaults, ValuesAndLinks) {
  DS_FlameLight light;
  EXPECT_EQ(light.fireEnable.GetValue(), 1);
  EXPECT_EQ(light.hazeEnable.GetValue(), 1);
  EXPECT_TRUE(light.NeedsOffscreen());
  EXPECT_EQ(light.fireOffset.GetValue(), 0u);
  EXPECT_EQ(light.fire.patternLink.GetKey(), DocFileKey(u"basekit.dll", 7));
  EXPECT_EQ(light.fire.noiseLink.GetKey(), DocFileKey(u"basekit.dll", 8));
  EXPECT_EQ(light.fire.effectLink.GetKey(), DocFileKey(u"basekit.dll", 92));
  EXPECT_EQ(light.haze.bumpMap.GetKey(), DocFileKey(u"basekit.dll", 62));
  EXPECT_EQ(light.haze.effectLink.GetKey(), DocFileKey(u"basekit.dll", 63));
  EXPECT_NEAR(light.haze.speed.GetResult(), 0.05f, 1e-6f);
  EXPECT_NEAR(light.haze.strength.GetResult(), 0.05f, 1e-6f);
  EXPECT_NEAR(light.haze.bumpScale.GetResult(), 0.208f, 1e-6f);
  light.hazeEnable = 2;  // only 1 asks for the pass
  EXPECT_FALSE(light.NeedsOffscreen());
}

const DocFileKey kPicture(u"hearth.jpg", 0);

// A 1024 x 768 picture on a 1024 x 768 back buffer; the shared module holds the haze and fire effects
// unless a test leaves one out.
class FlameLightTest : public ::testing::Test {
 protected:
  FlameLightTest() : device(log) { device.size = BackBufferSize{1024, 768}; }
  void SetUp() override {
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    g_LetterboxProjection.mode = PicturePosition::Stretch;
    g_LetterboxProjection.SetZoom(1.0f, 0.0f, 0.0f);
    module_ = modules.AddModule(u"basekit.dll");
    device.pairTextures[0] = &pair[0];
    device.pairTextures[1] = &pair[1];
    device.names[&pair[0]] = "rt0";
    device.names[&pair[1]] = "rt1";
    device.names[&picture] = "picture";
    log.names[&pair[0]] = "rt0";
    log.names[&pair[1]] = "rt1";
    device.shared = &log;
    TextureInfo info;
    info.Assign(&picture, 1024, 768);
    manager_->Maps().textureSets[kPicture].AddFrame(info);
  }
  void TearDown() override {
    for (auto& bar : g_LetterboxProjection.bars) bar.ReleaseVertexBuffer();
    g_LetterboxProjection.mode = PicturePosition::Fit;
    manager_.reset();
  }
  void Effects(bool haze, bool fire) {
    if (haze) modules.Add(module_, 63, ModuleResourceType::kRcData, {'h', 'a', 'z', 'e'});
    if (fire) modules.Add(module_, 92, ModuleResourceType::kRcData, {'f', 'i', 'r', 'e'});
  }
  void Start(DS_FlameLight& light) {
    light.picture.Raw() = kPicture;
    light.OnCreateDevice();
    light.Resize(1024, 768);
    light.OnResetDevice();
    device.ClearLog();
    log.calls.clear();
  }
  // The draw lines and the effect lines of one frame as the slide draws it.
  Lines Frame(DS_FlameLight& light, double t) {
    light.FrameMove(t);
    log.calls.clear();
    if (light.NeedsOffscreen()) light.BeginOffscreen();
    light.RenderBackground();
    light.PostRender();
    return log.calls;
  }
  static bool Has(const Lines& lines, const std::string& line) {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
  static size_t IndexOf(const Lines& lines, const std::string& prefix) {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].compare(0, prefix.size(), prefix) == 0) return i;
    return lines.size();
  }

  CallLog log;
  EffectDocDevice device;  // its effects record into log
  FakeModuleResources modules;
  FakeTexture pair[2];
  FakeTexture picture;
  HMODULE module_ = nullptr;
  std::unique_ptr<DS_DocResManager> manager_;

 private:
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
  lumi_test::SavedGlobal<ScreenMapping> savedMapping_{*GetScreenMapping()};
};

TEST_F(FlameLightTest, FireQuadAndHazeQuadFollowThePicture) {
  Effects(true, true);
  DS_FlameLight light;
  light.fireOffset = 20;
  Start(light);
  const struct {
    UINT offset;
    float top, bottom;
  } cases[] = {{20, 345.6f, 844.8f}, {0, 268.8f, 768}};
  for (const auto& c : cases) {
    light.fireOffset = c.offset;
    light.ReloadImage();
    const DX_V::PT* v = light.fireQuad.LockVertices();
    ASSERT_NE(v, nullptr);
    const float want[4][4] = {{0, c.top, 0, 0}, {1024, c.top, 1, 0}, {0, c.bottom, 0, 0.95f}, {1024, c.bottom, 1, 0.95f}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(v[i].x, want[i][0], 1e-3f) << c.offset << " " << i;
      EXPECT_NEAR(v[i].y, want[i][1], 1e-3f) << c.offset << " " << i;
      EXPECT_FLOAT_EQ(v[i].u, want[i][2]);
      EXPECT_FLOAT_EQ(v[i].v, want[i][3]);
    }
    light.fireQuad.UnlockVertices();
  }
  const DX_V::PT* h = light.haze.quad.LockVertices();
  ASSERT_NE(h, nullptr);
  EXPECT_FLOAT_EQ(h[0].y, 768);
  EXPECT_FLOAT_EQ(h[2].x, 1024);
  EXPECT_FLOAT_EQ(h[2].u, 1);
  EXPECT_FLOAT_EQ(h[2].v, 1);
  light.haze.quad.UnlockVertices();
  EXPECT_FLOAT_EQ(light.haze.aspect, 0.75f);
}

TEST_F(FlameLightTest, HazeValuesMoveWithFrameTimeClampedPerStep) {
  Effects(true, true);
  DS_FlameLight light;
  Start(light);
  ASSERT_TRUE(light.NeedsOffscreen());
  const struct {
    double t;
    const char* offset;
  } frames[] = {
      {0.1, "floats Offset=0.005,-0.005"},
      {0.2, "floats Offset=0.01,-0.01"},
      {5.0, "floats Offset=0.02,-0.02"},  // a long pause moves as 0.2 s
      {4.0, "floats Offset=0.02,-0.02"},  // time going back stands
  };
  for (const auto& f : frames) {
    light.FrameMove(f.t);
    EXPECT_TRUE(Has(log.calls, "float stenght=0.0025")) << f.t;
    EXPECT_TRUE(Has(log.calls, "floats bump_scale=0.208,0.156")) << f.t;
    EXPECT_TRUE(Has(log.calls, f.offset)) << f.t;
    log.calls.clear();
  }
  // The fire's clock runs in real time beside it.
  EXPECT_NEAR(light.fire.clock.GetPosition(), 0.4f, 1e-5f);
}

TEST_F(FlameLightTest, FrameDrawsPictureAndFireOffScreenThenTheHazeAndBars) {
  Effects(true, true);
  DS_FlameLight light;
  Start(light);
  const Lines lines = Frame(light, 1.0);
  const size_t begin = IndexOf(lines, "targets begin rt");
  const size_t picture = IndexOf(lines, "draw 5 0 2 on rt");
  const size_t fire = IndexOf(lines, "technique AsEffect");
  const size_t end = IndexOf(lines, "targets end");
  const size_t haze = IndexOf(lines, "technique BumpmapDistortLow2");
  const size_t bars = IndexOf(lines, "bars mode");
  ASSERT_LT(bars, lines.size());
  EXPECT_LT(begin, picture);
  EXPECT_LT(picture, fire);
  EXPECT_LT(fire, end);
  EXPECT_LT(end, haze);
  EXPECT_LT(haze, bars);
  // The fire's own values before its technique; its draw lands in the pair.
  for (const char* p : {"matrix WorldViewProj", "matrix ViewProj", "texture Noise", "texture Pattern", "floats c11=0,0.26",
                        "floats c12=0,0.42", "floats c13=0,0.46"})  // the first step counts 0.2 s
    EXPECT_LT(IndexOf(lines, p), fire) << p;
  EXPECT_LT(IndexOf(lines, "draw 5 0 2 on rt"), end);
  // The haze samples the composed slide and its bump map, and draws its quad as a PT strip on the back buffer.
  EXPECT_TRUE(Has(lines, "texture SceneTex=rt0") || Has(lines, "texture SceneTex=rt1"));
  EXPECT_LT(IndexOf(lines, "texture Bumpmap="), haze);
  EXPECT_EQ(lines[IndexOf(lines, "texture Bumpmap=")], "texture Bumpmap=?");  // the module's picture 62
  const Lines after(lines.begin() + static_cast<long>(haze), lines.end());
  EXPECT_LT(IndexOf(after, "stream 0x102 20"), IndexOf(after, "draw 5 0 2 on back"));
  EXPECT_EQ(device.RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
}

TEST_F(FlameLightTest, HazeOffDrawsOnTheBackBufferAndOnlyBarsAfter) {
  Effects(true, true);
  DS_FlameLight light;
  light.hazeEnable = 0;
  Start(light);
  EXPECT_FALSE(light.NeedsOffscreen());
  const Lines lines = Frame(light, 1.0);
  EXPECT_EQ(IndexOf(lines, "targets"), lines.size());
  EXPECT_EQ(IndexOf(lines, "technique BumpmapDistortLow2"), lines.size());
  EXPECT_LT(IndexOf(lines, "technique AsEffect"), IndexOf(lines, "bars mode"));
  EXPECT_LT(IndexOf(lines, "draw 5 0 2 on back"), lines.size());
}

TEST_F(FlameLightTest, WithoutAHazeEffectTheHazeIsOffAndItsClockStands) {
  Effects(false, true);
  DS_FlameLight light;
  Start(light);
  EXPECT_EQ(light.hazeEnable.GetValue(), 0);
  EXPECT_FALSE(light.NeedsOffscreen());
  EXPECT_EQ(light.hazeEnable.UndoControl().Snapshot(), 0);
  light.FrameMove(0.1);
  light.FrameMove(0.2);
  EXPECT_FLOAT_EQ(light.haze.speed.GetPosition(), 0.0f);
  light.haze.Draw(&pair[0]);  // nothing to draw with
  const Lines lines = Frame(light, 0.3);
  EXPECT_EQ(IndexOf(lines, "stenght"), lines.size());
  EXPECT_EQ(IndexOf(lines, "targets"), lines.size());
  EXPECT_LT(IndexOf(lines, "technique AsEffect"), lines.size()) << "the fire still burns";
}

// A fire without its effect (or switched off) leaves the picture alone while its clock goes on.
TEST_F(FlameLightTest, FireWithoutEffectOrSwitchedOffDrawsThePictureAlone) {
  const struct {
    const char* name;
    bool fireEffect;
    int fireEnable;
  } cases[] = {{"no fire effect", false, 1}, {"fire off", true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Effects(true, c.fireEffect);
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
    TextureInfo info;
    info.Assign(&picture, 1024, 768);
    manager_->Maps().textureSets[kPicture].AddFrame(info);
    DS_FlameLight light;
    light.fireEnable = c.fireEnable;
    light.hazeEnable = 0;
    Start(light);
    EXPECT_EQ(light.fire.effect != nullptr, c.fireEffect);
    const Lines lines = Frame(light, 0.5);
    EXPECT_EQ(device.Draws().size(), 1u);
    EXPECT_EQ(IndexOf(lines, "technique"), lines.size());
    EXPECT_EQ(IndexOf(lines, "floats c11"), lines.size());
    light.FrameMove(0.6);
    EXPECT_NEAR(light.fire.clock.GetPosition(), 0.3f, 1e-5f);
  }
}

TEST_F(FlameLightTest, ResetLeavesItsOwnStates) {
  Effects(true, true);
  DS_FlameLight light;
  Start(light);
  light.OnResetDevice();
  EXPECT_EQ(device.RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  EXPECT_EQ(device.RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
  EXPECT_EQ(device.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(FALSE));
  EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
  EXPECT_EQ(device.RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
  EXPECT_EQ(device.RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
  for (DWORD s = 0; s < 4; ++s) {
    EXPECT_EQ(device.SamplerState(s, D3DSAMP_MINFILTER), static_cast<DWORD>(D3DTEXF_LINEAR)) << s;
    EXPECT_EQ(device.SamplerState(s, D3DSAMP_MAGFILTER), static_cast<DWORD>(D3DTEXF_LINEAR)) << s;
  }
  EXPECT_EQ(device.SamplerState(0, D3DSAMP_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(device.SamplerState(0, D3DSAMP_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_CLAMP));
  EXPECT_EQ(device.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_SELECTARG1));
  EXPECT_EQ(device.StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
  EXPECT_TRUE(light.renderTargets.Holds(1024, 768));
  EXPECT_TRUE(device.transforms.count(TransformSlot::World));
}

}  // namespace
