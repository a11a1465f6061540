#include "fx/fire_fx.h"

#include <gtest/gtest.h>

#include <memory>

#include "fx/fx_shared.h"
#include "render/grid_indices.h"
#include "scene/readers.h"
#include "scene/stream.h"
#include "support/fake_module_resources.h"
#include "support/fx_fixture.h"

namespace {

using namespace fx_test;

class FireTest : public FxTest {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    modules.AddModule(u"basekit.dll");
  }
  // A fire loaded from the document over the area (x0, y0)-(x1, y1): corners top-left, bottom-left,
  // top-right, bottom-right.
  void Load(DS_FireFX& fire, float x0, float y0, float x1, float y1) {
    fire.area.corners[0].Raw() = D3DXVECTOR3(x0, y0, 0);
    fire.area.corners[1].Raw() = D3DXVECTOR3(x0, y1, 0);
    fire.area.corners[2].Raw() = D3DXVECTOR3(x1, y0, 0);
    fire.area.corners[3].Raw() = D3DXVECTOR3(x1, y1, 0);
    fire.LoadEffect(nullptr);
    log.names[fire.patternTexture] = "pattern";
    log.names[fire.noiseTexture] = "noise";
    log.names[&fire.grid] = "grid";
  }
  const DX_V::PT* Vertices(DS_FireFX& fire) {
    return static_cast<lumi_test::FakeVertexBuffer*>(fire.grid.vertexBuffer.Get())->As<DX_V::PT>();
  }
  FakeModuleResources modules;
};

TEST_F(FireTest, DefaultValuesOfTheEffect) {
  DS_FireFX fire;
  float k1[3], k2[3];
  fire.ColourTerms(k1, k2);
  EXPECT_EQ(std::vector<float>(k1, k1 + 3), (std::vector<float>{1, 0, 0}));
  EXPECT_EQ(std::vector<float>(k2, k2 + 3), (std::vector<float>{0, 1, 0}));
  EXPECT_FLOAT_EQ(fire.density.GetResult(), 0.0f);
  EXPECT_FLOAT_EQ(fire.brightness.GetResult(), 0.3f);
  fire.density.SetValue(150, nullptr);
  EXPECT_FLOAT_EQ(fire.density.GetResult(), 0.5f);
  EXPECT_EQ(fire.patternLink.GetKey(), DocFileKey(u"basekit.dll", 93));
  EXPECT_EQ(fire.noiseLink.GetKey(), DocFileKey(u"basekit.dll", 8));
  for (const auto& c : fire.area.corners) EXPECT_EQ(c.GetValue(), D3DXVECTOR3(0, 0, 0));
}

TEST_F(FireTest, LoadingMakesTheTexturesAndTheGrid) {
  DS_FireFX fire;
  Load(fire, 0, 100, 800, 600);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(fire.patternTexture), "basekit.dll:93");
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(fire.noiseTexture), "basekit.dll:8");
  EXPECT_EQ(fire.grid.columns, 8u);
  EXPECT_EQ(fire.grid.rows, 8u);
  EXPECT_EQ(fire.grid.vertexCount, 81u);
  EXPECT_EQ(fire.grid.triangleCount, 128u);
  EXPECT_EQ(fire.grid.primitiveType, D3DPT_TRIANGLELIST);
  const WORD* indices = static_cast<lumi_test::FakeIndexBuffer*>(fire.grid.indexBuffer.Get())->As<WORD>();
  ASSERT_NE(indices, nullptr);
  // The cell in row 2, column 3: (9*2+3, +1, +9) and (+9, +1, +10).
  const WORD* cell = indices + 6 * (2 * 8 + 3);
  EXPECT_EQ(std::vector<WORD>(cell, cell + 6), (std::vector<WORD>{21, 22, 30, 30, 22, 31}));
  const DX_V::PT* v = Vertices(fire);
  // Row r runs from the first corner towards the second (v 0..1), column i towards the third (u 0..1).
  EXPECT_FLOAT_EQ(v[0].x, 0);
  EXPECT_FLOAT_EQ(v[0].y, 100);
  EXPECT_FLOAT_EQ(v[8].x, 0);
  EXPECT_FLOAT_EQ(v[8].y, 600);
  EXPECT_FLOAT_EQ(v[8].u, 0);
  EXPECT_FLOAT_EQ(v[8].v, 1);
  EXPECT_FLOAT_EQ(v[80].x, 800);
  EXPECT_FLOAT_EQ(v[80].u, 1);
  EXPECT_FLOAT_EQ(v[40].x, 400);
  EXPECT_FLOAT_EQ(v[40].y, 350);
}

TEST_F(FireTest, TextureRepeatStretchesTheGridsU) {
  struct Case {
    UINT repeat;
    float lastU;
  } cases[] = {{100, 1.0f}, {50, 2.0f}, {200, 0.5f}};
  for (const Case& k : cases) {
    DS_FireFX fire;
    fire.textureRepeat.SetValue(k.repeat, nullptr);
    Load(fire, 0, 0, 10, 10);
    EXPECT_FLOAT_EQ(Vertices(fire)[80].u, k.lastU);
    EXPECT_FLOAT_EQ(Vertices(fire)[0].u, 0.0f);
  }
  // The default area is a point: every vertex at the origin.
  DS_FireFX point;
  point.LoadEffect(nullptr);
  for (UINT i = 0; i < 81; ++i) EXPECT_EQ(Vertices(point)[i].x + Vertices(point)[i].y, 0.0f);
}

TEST_F(FireTest, RenderSetsItsParametersInOrderAndDrawsTheGrid) {
  DS_FireFX fire;
  Load(fire, 0, 0, 100, 100);
  Attach(fire);
  g_LetterboxProjection.mode = PicturePosition::OffscreenStretch;
  // The scrolls wrap: a clock that has run for months hands what the same clock reduced by 10 hands.
  for (double position : {1.0, 10000001.0}) {
    fire.clock.SetPosition(position);
    Lines calls = Render(fire);
    ASSERT_EQ(calls.size(), 16u);
    EXPECT_EQ(calls[0].substr(0, 21), "matrix WorldViewProj=");
    EXPECT_EQ(calls[1].substr(0, 16), "matrix ViewProj=");
    const Lines rest(calls.begin() + 2, calls.end());
    const Lines expected = {"texture Noise=noise",      "texture Pattern=pattern",   "floats c11=0,1.3",
                            "floats c12=0,2.1",         "floats c13=0,2.3",          "floats ColorK1=1,0,0",
                            "floats ColorK2=0,1,0",     "floats bg_scale_factor=1,1", "texture Mask=null",
                            "texture Background=source", "float Brightness=0.3",     "float Density=0",
                            "technique Main",           "DrawIndexedWithEffect grid fx"};
    EXPECT_EQ(rest, expected) << position;
  }
}

TEST_F(FireTest, BackgroundScaleIsOneOffScreenAndTheScreenToPictureRatiosOtherwise) {
  g_LetterboxProjection.screenToFitX = 1.4f;  // a screen wider than the picture
  g_LetterboxProjection.screenToFitY = 1.0f;
  for (int mode : {PicturePosition::Stretch, PicturePosition::Fit, PicturePosition::Fill}) {
    g_LetterboxProjection.mode = mode;
    float bg[2];
    DS_FireFX::BackgroundScale(bg);
    EXPECT_FLOAT_EQ(bg[0], 1.4f);
    EXPECT_FLOAT_EQ(bg[1], 1.0f);
  }
  g_LetterboxProjection.mode = PicturePosition::OffscreenStretch;
  float bg[2];
  DS_FireFX::BackgroundScale(bg);
  EXPECT_FLOAT_EQ(bg[0], 1.0f);
  EXPECT_FLOAT_EQ(bg[1], 1.0f);
  g_LetterboxProjection.screenToFitX = 1.0f;
}

TEST_F(FireTest, InMainFxModeTheSceneBehindComesFirst) {
  DS_FireFX fire;
  Load(fire, 0, 0, 100, 100);
  Attach(fire);
  fire.mainFX = 1;
  const Lines calls = Render(fire);
  EXPECT_EQ(calls.front(), "DrawPulsingQuad source");
  EXPECT_EQ(calls.back(), "DrawIndexedWithEffect grid fx");
  EXPECT_EQ(log.With("technique"), Lines{"technique Main"});  // never "MainFX", never "Scale"
  EXPECT_TRUE(log.With("floats Scale").empty());
}

// Without a mask the fire draws with its twin, where the effect has it; both modes keep to "Main" else.
TEST_F(FireTest, WithoutAMaskTheTwinOfMainDrawsTheGrid) {
  struct Case {
    int mainFX;
    bool masked;
    bool offered;
    const char* technique;
  } cases[] = {
      {0, false, true, "MainNoMask"}, {1, false, true, "MainNoMask"}, {0, true, true, "Main"},
      {1, true, true, "Main"},        {0, false, false, "Main"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "MainFX " << k.mainFX << " mask " << k.masked << " offered " << k.offered);
    DS_FireFX fire;
    Load(fire, 0, 0, 100, 100);
    Attach(fire);
    fire.mainFX = k.mainFX;
    if (k.masked) {
      fire.mask.Share(&maskTexture);
    }
    effect.offered = k.offered ? std::vector<std::string>{"MainNoMask"} : std::vector<std::string>{};
    const Lines calls = Render(fire);
    EXPECT_EQ(log.With("technique"), Lines{std::string("technique ") + k.technique});
    EXPECT_EQ(log.With("texture Mask"), Lines{k.masked ? "texture Mask=mask" : "texture Mask=null"});
    EXPECT_EQ(calls.back(), "DrawIndexedWithEffect grid fx");
  }
  effect.offered.clear();
}

TEST_F(FireTest, SetFireParamsNeedsAnEffectAndUsesTheMeshsWorld) {
  DS_FireFX fire;
  DS_Frame frame;
  DS_FireFX::SetFireParams(frame, &fire);  // no effect: nothing, no crash
  DS_FireFX::SetFireParams(frame, nullptr);
  Attach(fire);
  log.calls.clear();
  DS_FireFX::SetFireParams(frame, &fire);
  EXPECT_EQ(log.calls.size(), 7u);
  EXPECT_EQ(log.calls.back(), "floats c13=0,0");
}

TEST_F(FireTest, AVersionOneSectionKeepsTheDefaults) {
  DS_IOF_W w;
  DS_IOF_Virtual* ws = &w;
  WriteSectionHeader(&ws, u"DS_FireFX", 1);
  DS_LightFX base;  // any effect item's base section
  base.clock.SetValue(20, nullptr);
  base.DS_FX_Constructor::SaveBase(&ws);
  RegisterFxReaders();
  ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_ABObj_Constructor> read(DS_ABObj_Constructor::CreateFromStream(&s));
  auto* fire = dynamic_cast<DS_FireFX*>(read.get());
  ASSERT_NE(fire, nullptr);
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_EQ(fire->clock.GetValue(), 20u);
  EXPECT_EQ(fire->endColour.GetValue(), 0x0000FFFFu);
  EXPECT_EQ(fire->patternLink.GetKey(), DocFileKey(u"basekit.dll", 93));
  EXPECT_FLOAT_EQ(fire->textureRepeat.GetResult(), 1.0f);
  EXPECT_EQ(fire->area.corners[3].GetValue(), D3DXVECTOR3(0, 0, 0));
}

TEST_F(FireTest, AssignAndCopyShareTexturesAndGrid) {
  DS_FireFX from;
  Load(from, 0, 0, 50, 50);
  from.startColour = 0x00FF0000;
  from.brightness.SetValue(40, nullptr);
  from.patternLink.Raw() = DocFileKey(u"basekit.dll", 7);
  DS_FireFX to;
  to.Assign(from);
  EXPECT_EQ(to.patternTexture, from.patternTexture);
  EXPECT_EQ(to.grid.vertexBuffer, from.grid.vertexBuffer);
  EXPECT_EQ(to.grid.columns, 8u);
  EXPECT_EQ(to.startColour.GetValue(), 0x00FF0000u);
  EXPECT_FLOAT_EQ(to.brightness.GetResult(), 0.8f);
  EXPECT_EQ(to.patternLink.GetKey(), DocFileKey(u"basekit.dll", 7));
  EXPECT_EQ(to.area.corners[3].GetValue(), D3DXVECTOR3(50, 50, 0));
  std::unique_ptr<DS_FX_Constructor> clone(from.Clone());
  auto* copy = dynamic_cast<DS_FireFX*>(clone.get());
  EXPECT_EQ(copy->noiseTexture, from.noiseTexture);
  EXPECT_EQ(copy->grid.indexBuffer, from.grid.indexBuffer);
  EXPECT_EQ(copy->grid.rows, 8u);
  to.Assign(to);
  EXPECT_EQ(to.patternTexture, from.patternTexture);
}

}  // namespace
