#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "fx/fx_shared.h"
#include "platform/noise.h"
#include "scene/readers.h"
#include "scene/stream.h"
#include "support/fake_module_resources.h"
#include "support/fx_fixture.h"

namespace {

using namespace fx_test;

const float kPi = 3.14159265f;

// The floats a "floats NAME=a,b,..." line of the log carries.
std::vector<float> Floats(const Lines& calls, const std::string& name) {
  const std::string prefix = "floats " + name + "=";
  for (const std::string& c : calls) {
    if (c.compare(0, prefix.size(), prefix) != 0) continue;
    std::vector<float> out;
    std::stringstream ss(c.substr(prefix.size()));
    std::string part;
    while (std::getline(ss, part, ',')) out.push_back(std::stof(part));
    return out;
  }
  return {};
}
float Float(const Lines& calls, const std::string& name) {
  const std::string prefix = "float " + name + "=";
  for (const std::string& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) return std::stof(c.substr(prefix.size()));
  return NAN;
}
void ExpectNear(const std::vector<float>& got, const std::vector<float>& want, float tolerance) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], tolerance) << "component " << i;
}

// ---- pattern brush ----------------------------------------------------------------------------------

class PatternTest : public FxTest {
 protected:
  // A pattern of w x h pixels with the given frames (named f0, f1, ...) and durations.
  void Pattern(DS_PatternBrush& item, INT w, INT h, size_t frames, std::vector<float> durations) {
    item.pattern.ClearFrames();
    for (size_t i = 0; i < frames; ++i) {
      textures_.emplace_back(new FakeTexture);
      log.names[textures_.back().get()] = "f" + std::to_string(i);
      item.pattern.frames.push_back(ComRef<IDirect3DTexture9>::Shared(textures_.back().get()));
    }
    item.pattern.durations = std::move(durations);
    item.pattern.width = w;
    item.pattern.height = h;
  }
  std::vector<std::unique_ptr<FakeTexture>> textures_;
};

TEST_F(PatternTest, RepeatCountsFlipsAndAngleMakeTheCoordinateTransform) {
  struct Case {
    const char* what;
    int hflip, vflip;
    UINT scaleValue, angle;
    INT w, h;
    std::vector<float> transform;
  } cases[] = {
      {"plain", 0, 0, 100, 0, 64, 32, {16, 0, 0, 24}},
      {"horizontal flip", 1, 0, 100, 0, 64, 32, {-16, 0, 0, 24}},
      {"vertical flip", 0, 5, 100, 0, 64, 32, {16, 0, 0, -24}},
      {"twice the tile size", 0, 0, 200, 0, 64, 32, {8, 0, 0, 12}},
      {"a quarter turn of one tile", 0, 0, 100, 90, 1024, 768, {0, 1, -1, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    DS_PatternBrush item;
    Attach(item);
    Pattern(item, k.w, k.h, 1, {});
    item.horizontalFlip = k.hflip;
    item.verticalFlip = k.vflip;
    item.patternScale.SetValue(k.scaleValue, nullptr);
    item.angle = k.angle;
    const Lines calls = Render(item);
    ExpectNear(Floats(calls, "coord_transf"), k.transform, 1e-5f);
    ExpectNear(Floats(calls, "scale"), {static_cast<float>(k.w) / k.h, 1.0f}, 1e-5f);
  }
}

TEST_F(PatternTest, RenderSetsPatternScaleOffsetThenTheCommonParameters) {
  DS_PatternBrush item;
  Attach(item);
  Pattern(item, 64, 32, 2, {1.0f, 1.0f});
  item.offsetX.SetValue(10, nullptr);
  item.offsetY.SetValue(10, nullptr);
  item.frameIndex = 1;
  const Lines expected = {"texture Pattern=f1",      "floats scale=2,1",     "floats offset=-0.1,0.1",
                          "floats coord_transf=16,0,0,24", "technique Main", "floats Scale=1.33333,1",
                          "texture Mask=null",       "texture Background=source", "DrawWithEffect background fx"};
  EXPECT_EQ(Render(item), expected);
}

TEST_F(PatternTest, WithoutAPatternNothingIsDrawnAndTheSceneBehindIsKept) {
  DS_PatternBrush item;
  Attach(item);
  EXPECT_EQ(Render(item), Lines{});
  item.mainFX = 1;
  EXPECT_EQ(Render(item), Lines{"DrawPulsingQuad source"});
}

TEST_F(PatternTest, AnimatedPatternStepsOneFrameAtATimeOnTheClock) {
  DS_PatternBrush item;
  Pattern(item, 8, 8, 3, {0.1f, 0.1f, 0.1f});
  std::vector<UINT> seen;
  for (int i = 1; i <= 12; ++i) {
    item.Update(i * 0.06f);
    seen.push_back(item.frameIndex);
  }
  // Each duration is passed after two steps of 0.06 s.
  EXPECT_EQ(seen, (std::vector<UINT>{0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0}));
  // A clock that stands never changes frame.
  DS_PatternBrush still;
  Pattern(still, 8, 8, 3, {0.1f, 0.1f, 0.1f});
  still.clock.SetValue(0, nullptr);
  for (int i = 1; i <= 10; ++i) still.Update(i * 0.1f);
  EXPECT_EQ(still.frameIndex, 0u);
}

TEST_F(PatternTest, MoreDurationsThanFramesNeverIndexPastTheFrames) {
  DS_PatternBrush item;
  Attach(item);
  Pattern(item, 8, 8, 2, {0.01f, 0.01f, 0.01f, 0.01f});
  for (int i = 1; i <= 20; ++i) {
    item.Update(i * 0.05f);
    ASSERT_LT(item.frameIndex, 2u);
    const Lines calls = Render(item);
    EXPECT_EQ(calls.front(), "texture Pattern=f" + std::to_string(item.frameIndex));
  }
  // Fewer durations than frames: only the frames that have one take part.
  Pattern(item, 8, 8, 3, {0.01f});
  item.frameIndex = 2;
  item.Update(5.0f);
  EXPECT_EQ(item.frameIndex, 0u);
}

TEST_F(PatternTest, ADllLinkInAnyCaseIsAModuleImageSet) {
  FakeModuleResources modules;
  // An image set of two frames of 0.5 s, both the module's picture 40.
  DS_IOF_W set;
  set.WriteDword(2);
  set.WriteFloat(0.5f);
  set.WriteFloat(0.5f);
  set.WriteDword(2);
  for (int i = 0; i < 2; ++i) set.WriteResourceRecord(DocResourceRecord(40, u"basekit.dll"));
  HMODULE kit = modules.AddModule(u"BASEKIT.DLL");
  modules.AddDds(kit, 93, set.Bytes());
  DS_PatternBrush item;
  item.patternLink.Raw() = DocFileKey(u"BASEKIT.DLL", 93);
  item.LoadPattern();
  EXPECT_EQ(item.pattern.frames.size(), 2u);
  EXPECT_EQ(item.pattern.durations, (std::vector<float>{0.5f, 0.5f}));
  EXPECT_EQ(item.pattern.width, 8);
  // A picture of the document is its image.
  DS_PatternBrush plain;
  plain.patternLink.Raw() = DocFileKey(u"tiles.png", 3);
  plain.LoadPattern();
  EXPECT_TRUE(plain.pattern.frames.empty());
  EXPECT_EQ(plain.pattern.height, 0);
}

// ---- background copy --------------------------------------------------------------------------------

TEST_F(FxTest, BackgroundCopyOffsetIsTheCentreOverThePictureSize) {
  struct Case {
    int cx, cy, xShift, yShift;
    UINT w, h;
    float x, y;
  } cases[] = {
      {512, 0, 0, 0, 1024, 768, 0.5f, 0.0f},
      {512, 0, 1, 0, 1024, 768, 1.5f, 0.0f},
      {0, 384, 0, 1, 1024, 768, 0.0f, 1.5f},
      {512, 384, 1, 1, 0, 0, 1.0f, 1.0f},  // a picture without size: no shift but the flags
  };
  for (const Case& k : cases) {
    DS_BackgroundCopy item;
    item.rectangle.centreX.Raw() = k.cx;
    item.rectangle.centreY.Raw() = k.cy;
    item.xShift = k.xShift;
    item.yShift = k.yShift;
    float o[2];
    item.Offset(k.w, k.h, o);
    EXPECT_FLOAT_EQ(o[0], k.x);
    EXPECT_FLOAT_EQ(o[1], k.y);
  }
  DS_BackgroundCopy item;
  Attach(item);
  item.rectangle.centreX.Raw() = 512;
  EXPECT_EQ(Render(item).front(), "floats offset=0.5,0");
}

// ---- waves, underwater, movement --------------------------------------------------------------------

TEST_F(FxTest, WavesDirectionAndNormalFollowAngleAndVerticalFlag) {
  struct Case {
    UINT angle;
    int vertical;
    std::vector<float> direction, normal;
  } cases[] = {
      {0, 0, {-1, 0}, {0, 1}},
      {0, 1, {-1, 0}, {-1, 0}},
      {90, 0, {0, 1}, {1, 0}},
      {180, 0, {1, 0}, {0, -1}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.angle);
    DS_WavesFX item;
    Attach(item);
    item.angle.SetValue(k.angle, nullptr);  // through the parameter: recomputed at once
    item.vertical.SetValue(k.vertical, nullptr);
    const Lines calls = Render(item);
    ExpectNear(Floats(calls, "direction"), k.direction, 1e-6f);
    ExpectNear(Floats(calls, "direction_n"), k.normal, 1e-6f);
  }
}

TEST_F(FxTest, WavesValuesAndTime) {
  DS_WavesFX item;
  Attach(item);
  item.Update(0.1f);  // 2.5 clock seconds
  const Lines calls = Render(item);
  EXPECT_NEAR(Float(calls, "frequency"), 1.0f / 0.026f, 1e-3f);
  EXPECT_FLOAT_EQ(Float(calls, "amplitude"), 0.0125f);
  EXPECT_NEAR(Float(calls, "time"), 0.2f, 1e-6f);
  Lines names;
  for (const std::string& c : calls) names.push_back(c.substr(0, c.find('=')));
  const Lines order = {"floats direction", "floats direction_n", "float frequency", "float amplitude", "float time",
                       "technique Main"};
  EXPECT_EQ(Lines(names.begin(), names.begin() + 6), order);
}

TEST_F(FxTest, AStoredAngleTurnsOnlyTheClone) {
  RegisterFxReaders();
  DS_WavesFX saved;
  saved.angle.SetValue(90, nullptr);
  const std::vector<BYTE> bytes = Saved(saved);
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_ABObj_Constructor> read(DS_ABObj_Constructor::CreateFromStream(&s));
  auto* waves = dynamic_cast<DS_WavesFX*>(read.get());
  ASSERT_NE(waves, nullptr);
  EXPECT_NEAR(waves->direction.y, 0.0f, 1e-6f);  // still the default angle's
  std::unique_ptr<DS_FX_Constructor> clone(waves->Clone());
  EXPECT_NEAR(dynamic_cast<DS_WavesFX*>(clone.get())->direction.y, -1.0f, 1e-6f);
}

TEST_F(FxTest, UnderwaterFrequencyCorrectsForTheAspect) {
  DS_UnderwaterFX item;
  Attach(item);
  item.Update(0.05f);
  const Lines calls = Render(item);
  ExpectNear(Floats(calls, "frequency"), {13.2013f, 9.90099f}, 1e-3f);
  EXPECT_FLOAT_EQ(Float(calls, "amplitude"), 0.00625f);
  EXPECT_NEAR(Float(calls, "time"), 0.1f, 1e-6f);
  float f[2];
  item.Frequency(1024, 0, f);
  EXPECT_FLOAT_EQ(f[0], f[1]);
}

TEST_F(FxTest, MovementOffsetFollowsSineOrNoiseAlongTheAngle) {
  DS_MoveFX fresh;
  EXPECT_EQ(fresh.offset[0], 0.0f);
  EXPECT_EQ(fresh.offset[1], 0.0f);
  struct Case {
    UINT angle;
    int mode;
    float dx, dy;
  } cases[] = {{0, 0, 1, 0}, {90, 0, 0, -1}, {0, 2, 1, 0}, {0, 1, 1, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.angle << " mode " << k.mode);
    DS_MoveFX item;
    Attach(item);
    item.angle.SetValue(k.angle, nullptr);
    item.mode = k.mode;
    item.Update(0.15f);
    item.Update(0.3f);
    const float c = item.clock.GetPosition();
    const float w = k.mode == 1 ? static_cast<float>(FractalNoise1D(c * 50.0, 75, 0.5, 1)) : std::sin(c);
    ExpectNear(Floats(Render(item), "Direction"), {0.01f * w * k.dx, 0.01f * w * k.dy}, 1e-6f);
  }
}

// ---- light and water --------------------------------------------------------------------------------

TEST_F(FxTest, LightCurvePulsesBlinksAndFlickers) {
  const float quarter = 2.5f * kPi;  // a quarter period of the pulse in clock seconds
  struct Case {
    int mode;
    float c, a;
  } cases[] = {
      {0, 0, 0.5f},        {0, quarter, 1.0f},     {0, 3 * quarter, 0.0f}, {-1, quarter, 1.0f},
      {1, 0, 0.0f},        {1, quarter, 1.0f},     {1, 3 * quarter, 0.0f}, {1, 0.5f * quarter, 1.0f},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << k.mode << " clock " << k.c);
    EXPECT_NEAR(DS_LightFX::Curve(k.mode, k.c), k.a, 1e-5f);
  }
  for (float c : {0.0f, 1.3f, 7.0f}) {
    EXPECT_EQ(DS_LightFX::Curve(5, c), DS_LightFX::Curve(2, c));
    EXPECT_NEAR(DS_LightFX::Curve(2, c), (FractalNoise1D(c * 10.0, 75, 0.5, 2) + 1) * 0.5, 1e-6);
  }
  // Blink is never in between.
  for (int i = 0; i < 50; ++i) {
    const float a = DS_LightFX::Curve(1, i * 0.37f);
    EXPECT_TRUE(a == 0.0f || a == 1.0f);
  }
  DS_LightFX item;
  Attach(item);
  EXPECT_EQ(Render(item).front(), "float multiplier=0.2");
}

TEST_F(FxTest, WaterDefaultsGiveTheDocumentedValuesInOrder) {
  DS_WaterFX item;
  Attach(item);
  log.names[&maskTexture] = "bump";
  item.bumpTexture.Share(&maskTexture);
  item.Update(0.0f);
  const Lines calls = Render(item);
  ExpectNear(Floats(calls, "Direction1"), {-34.82f, -29.22f}, 0.01f);
  ExpectNear(Floats(calls, "Direction2"), {-0.001915f, -0.001607f}, 1e-6f);
  ExpectNear(Floats(calls, "P1"), {-0.998f, -1, -0.998f}, 1e-6f);
  ExpectNear(Floats(calls, "P2"), {1, 1.0327f, 1}, 1e-4f);
  ExpectNear(Floats(calls, "Vhalf"), {0.4472f, 0.8944f, 0}, 1e-4f);
  ExpectNear(Floats(calls, "Color"), {1, 1, 1}, 0);
  ExpectNear(Floats(calls, "BampTrans"), {0.02f, 0, 0, 0.02f}, 1e-7f);
  ExpectNear(Floats(calls, "Scale"), {1024.0f / 768 / 0.6f, 1 / 0.6f}, 1e-5f);
  EXPECT_EQ(Float(calls, "Shadows"), 0.0f);
  Lines names;
  for (const std::string& c : calls) names.push_back(c.substr(0, c.find('=')));
  const Lines order = {"texture BumpMap", "floats BampTrans", "floats P1", "floats P2", "float Time",
                       "floats Direction1", "floats Direction2", "float Shadows", "floats Vhalf", "floats Color",
                       "technique Main", "floats Scale", "texture Mask", "texture Background",
                       "DrawWithEffect background fx"};
  EXPECT_EQ(names, order);
  EXPECT_EQ(calls[0], "texture BumpMap=bump");
}

TEST_F(FxTest, WaterBumpTurnsWithTheClockAndTimeIsTwiceIt) {
  DS_WaterFX item;
  Attach(item);
  for (float t : {0.1f, 0.2f, kPi / 9}) item.Update(t);  // clock pi / 9 in steps under 0.2 s
  ASSERT_NEAR(item.clock.GetPosition(), kPi / 9, 1e-6f);
  const Lines calls = Render(item);
  ExpectNear(Floats(calls, "BampTrans"), {0, -0.02f, 0.02f, 0}, 1e-6f);
  EXPECT_NEAR(Float(calls, "Time"), 2 * kPi / 9, 1e-5f);
}

TEST_F(FxTest, WaterDirectionFollowsTheAngleAsStored) {
  DS_WaterFX item;
  item.angle.SetValue(90, nullptr);
  EXPECT_NEAR(item.direction.x, 0.0f, 1e-6f);
  EXPECT_NEAR(item.direction.y, 1.0f, 1e-6f);  // the other way round from the waves
}

TEST_F(FxTest, WaterPerspectiveStaysFiniteAtTheEndsOfThePFactor) {
  for (UINT v : {0u, 1u, 9999u, 10000u, 60000u}) {
    SCOPED_TRACE(v);
    DS_WaterFX item;
    item.pFactor.SetValue(v, nullptr);
    const DS_WaterFX::Values values = item.ComputeValues();
    for (float p : values.p2) EXPECT_TRUE(std::isfinite(p));
  }
  DS_WaterFX inRange;
  inRange.pFactor.SetValue(5000, nullptr);  // B = 3: Q = (sqrt 3 + 3) / 2
  EXPECT_NEAR(inRange.ComputeValues().p2[1], (std::sqrt(3.0f) + 3) / 2, 1e-5f);
}

TEST_F(FxTest, WaterCloneLoadsItsOwnBump) {
  FakeModuleResources modules;
  modules.AddModule(u"basekit.dll");
  DS_WaterFX item;
  item.LoadEffect(nullptr);
  ASSERT_NE(item.bumpTexture, nullptr);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(item.bumpTexture), "basekit.dll:89");
  std::unique_ptr<DS_FX_Constructor> clone(item.Clone());
  EXPECT_EQ(dynamic_cast<DS_WaterFX*>(clone.get())->bumpTexture, nullptr);
  // A document link to data the document does not carry yields no bump, and drawing goes on.
  DS_WaterFX missing;
  missing.bumpLink.Raw() = DocFileKey(u"absent.png", 4);
  missing.LoadEffect(nullptr);
  EXPECT_EQ(missing.bumpTexture, nullptr);
  Attach(missing);
  EXPECT_EQ(Render(missing).front(), "texture BumpMap=null");
}

}  // namespace
