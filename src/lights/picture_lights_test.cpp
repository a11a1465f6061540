// The animated picture lights' stored sections and the water ring's rules.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/light_readers.h"
#include "lights/matrix_code_light.h"
#include "lights/underwater_light.h"
#include "lights/water_ring_light.h"
#include "scene/doc_res_manager.h"
#include "scene/guid_text.h"
#include "scene/readers.h"
#include "scene/stream.h"
#include "support/saved_global.h"

namespace {

std::vector<BYTE> Saved(DS_2D_Light& light) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  light.Save(&s);
  return w.TakeBytes();
}

std::unique_ptr<DS_2D_Light> Read(const std::vector<BYTE>& bytes, size_t* left) {
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_2D_Light> light(DS_2D_Light::CreateFromStream(&s));
  *left = buf.Remaining();
  return light;
}

class PictureLightsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterLightReaders();
    manager_.reset(new DS_DocResManager);
    g_DocResManager = manager_.get();
  }
  void TearDown() override {
    manager_.reset();
  }
  std::unique_ptr<DS_DocResManager> manager_;

 private:
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
};

// Every light with values other than its defaults: saved, read by its class name, saved again.
TEST_F(PictureLightsTest, SectionsRoundTripByteForByte) {
  struct Case {
    const char* name;
    std::function<DS_2D_Light*()> make;
    std::function<void(DS_2D_Light&)> check;
  };
  const Case cases[] = {
      {"DS_GlassBallLight",
       [] {
         auto* l = new DS_GlassBallLight;
         l->overlay1.Raw() = DocFileKey(u"ring.png", 11);
         l->background.Raw() = DocFileKey(u"basekit.dll", 77);
         l->motionSpeed.SetValue(40, nullptr);
         l->ballOffset.Raw() = POINT{-30, 12};
         l->ballSize = 80;
         l->refraction = 60;
         l->ballHidden = 1;  // not stored
         l->shadowOn = 1;
         l->pictureBackground = 1;
         l->motionMode = 2;
         l->gradientTop = 0x102030;
         l->gradientBottom = 0x405060;
         l->picture.Raw() = DocFileKey(u"room.jpg", 3);
         return l;
       },
       [](DS_2D_Light& b) {
         auto& l = dynamic_cast<DS_GlassBallLight&>(b);
         EXPECT_FLOAT_EQ(l.motionSpeed.GetResult(), 1.8f);
         EXPECT_EQ(l.ballOffset.GetValue().x, -30);
         EXPECT_EQ(l.ballHidden.GetValue(), 0);
         EXPECT_EQ(l.gradientBottom.GetValue(), 0x405060u);
       }},
      {"DS_MatrixCodeLight",
       [] {
         auto* l = new DS_MatrixCodeLight;
         l->cellSize = 24;
         l->density = 70;
         l->flickerCount = 3;
         l->sparkle = 1;
         l->mode = 1;
         l->startMode = 0;
         l->glyphColor = 0x00FF00;
         l->headColor = 0xFFFFFF;
         l->transparency.SetValue(25, nullptr);
         l->glyphSheet.Raw() = DocFileKey(u"sheet.png", 9);
         return l;
       },
       [](DS_2D_Light& b) {
         auto& l = dynamic_cast<DS_MatrixCodeLight&>(b);
         EXPECT_FLOAT_EQ(l.transparency.GetResult(), 0.75f);
         EXPECT_EQ(l.glyphSheet.GetKey(), DocFileKey(u"sheet.png", 9));
         EXPECT_EQ(l.headColor.GetValue(), 0xFFFFFFu);
       }},
      {"FakeLake2D",
       [] {
         auto* l = new FakeLake2D;
         l->speed.SetValue(10, nullptr);
         l->horizon.SetValue(40, nullptr);
         l->tintAlpha.SetValue(50, nullptr);
         l->bumpAmplitude = 9;
         l->hazeHeight = 12;
         l->copySize = 2;
         l->tintColor = 0x123456;
         l->bumpKey.name = u"bump";
         return l;
       },
       [](DS_2D_Light& b) {
         auto& l = dynamic_cast<FakeLake2D&>(b);
         EXPECT_FLOAT_EQ(l.horizon.GetResult(), 0.3f);
         EXPECT_FLOAT_EQ(l.speed.GetResult(), 0.2f);
         EXPECT_EQ(l.copySize.GetValue(), 2);
         EXPECT_EQ(l.bumpKey.name, u"bump");
       }},
      {"DS_WaterRingLight",
       [] {
         auto* l = new DS_WaterRingLight;
         l->mode = 1;
         l->waveSpeed = 5;
         l->gridDensity = 50;
         l->waveDamping = 80;
         l->dropRate.SetValue(120, nullptr);
         l->shininess.SetValue(10, nullptr);
         return l;
       },
       [](DS_2D_Light& b) {
         auto& l = dynamic_cast<DS_WaterRingLight&>(b);
         EXPECT_TRUE(l.NeedsOffscreen());
         EXPECT_FLOAT_EQ(l.dropRate.GetResult(), 2.0f);
         EXPECT_FLOAT_EQ(l.shininess.GetResult(), 8.0f);
         EXPECT_EQ(l.gridDensity.GetValue(), 50u);
       }},
      {"DS_FlameLight",
       [] {
         auto* l = new DS_FlameLight;
         l->fireEnable = 0;
         l->hazeEnable = 2;
         l->fireOffset = 20;
         l->haze.bumpMap.Raw() = DocFileKey(u"ripple.png", 6);
         l->haze.effectLink.Raw() = DocFileKey(u"basekit.dll", 64);
         l->haze.speed.SetValue(80, nullptr);
         l->haze.strength.SetValue(40, nullptr);
         l->haze.bumpScale.SetValue(50, nullptr);
         l->fire.clock.SetValue(30, nullptr);
         l->fire.brightness.SetValue(20, nullptr);
         l->fire.area.corners[2].Raw() = D3DXVECTOR3(5, 6, 0);
         l->fire.name = u"hearth";
         return l;
       },
       [](DS_2D_Light& b) {
         auto& l = dynamic_cast<DS_FlameLight&>(b);
         EXPECT_EQ(l.fireEnable.GetValue(), 0);
         EXPECT_FALSE(l.NeedsOffscreen());
         EXPECT_EQ(l.fireOffset.GetValue(), 20u);
         EXPECT_EQ(l.haze.bumpMap.GetKey(), DocFileKey(u"ripple.png", 6));
         EXPECT_EQ(l.haze.effectLink.GetKey(), DocFileKey(u"basekit.dll", 64));
         EXPECT_NEAR(l.haze.speed.GetResult(), 0.08f, 1e-6f);
         EXPECT_NEAR(l.haze.strength.GetResult(), 0.08f, 1e-6f);
         EXPECT_NEAR(l.haze.bumpScale.GetResult(), 0.55f, 1e-6f);
         EXPECT_FLOAT_EQ(l.fire.brightness.GetResult(), 0.4f);
         EXPECT_EQ(l.fire.clock.GetValue(), 30u);
         EXPECT_FLOAT_EQ(l.fire.area.corners[2].GetValue().y, 6.0f);
         EXPECT_EQ(l.fire.name, u"hearth");
         EXPECT_EQ(l.fire.patternLink.GetKey(), DocFileKey(u"basekit.dll", 7));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<DS_2D_Light> light(c.make());
    light->camera.enable = 1;
    const std::vector<BYTE> bytes = Saved(*light);
    size_t left = 1;
    std::unique_ptr<DS_2D_Light> back = Read(bytes, &left);
    ASSERT_TRUE(back);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(back->camera.enable.GetValue(), 1);
    c.check(*back);
    EXPECT_EQ(Saved(*back), bytes);
  }
}

TEST_F(PictureLightsTest, OlderSectionsKeepTheirDefaults) {
  // Matrix code version 1: no glyph sheet.
  {
    DS_IOF_W w;
    DS_IOF_Virtual* s = &w;
    WriteSectionHeader(&s, u"DS_MatrixCodeLight", 1);
    for (UINT v : {20u, 30u, 5u}) w.WriteUInt(v);
    for (INT v : {0, 0, 1}) w.WriteInt(v);
    w.WriteDword(0x00FF00);
    w.WriteDword(0xFFFFFF);
    w.WriteUInt(10);
    WriteSectionHeader(&s, u"DS_2D_Light", 1);
    size_t left = 1;
    std::unique_ptr<DS_2D_Light> light = Read(w.Bytes(), &left);
    auto& m = dynamic_cast<DS_MatrixCodeLight&>(*light);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(m.glyphSheet.GetKey(), DocFileKey(u"basekit.dll", 40));
    EXPECT_EQ(m.cellSize.GetValue(), 20u);
    EXPECT_FLOAT_EQ(m.transparency.GetResult(), 0.9f);
  }
  // Lake version 1: the key and the base section only.
  {
    DS_IOF_W w;
    DS_IOF_Virtual* s = &w;
    WriteSectionHeader(&s, u"FakeLake2D", 1);
    GUID g = {};
    g.Data1 = 0x12345678;
    WriteGuid(&s, g);
    w.WriteString(u"");
    w.WriteBool(true);
    WriteSectionHeader(&s, u"DS_2D_Light", 1);
    size_t left = 1;
    std::unique_ptr<DS_2D_Light> light = Read(w.Bytes(), &left);
    auto& l = dynamic_cast<FakeLake2D&>(*light);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(l.bumpKey.guid.Data1, 0x12345678u);
    EXPECT_FLOAT_EQ(l.horizon.GetResult(), 0.375f);
    EXPECT_FLOAT_EQ(l.tintAlpha.GetResult(), 0.248f);
    EXPECT_EQ(l.tintColor.GetValue(), 0x408000u);
  }
  // Water ring version 1: the mode and the base section only.
  {
    DS_IOF_W w;
    DS_IOF_Virtual* s = &w;
    WriteSectionHeader(&s, u"DS_WaterRingLight", 1);
    w.WriteInt(1);
    WriteSectionHeader(&s, u"DS_2D_Light", 1);
    size_t left = 1;
    std::unique_ptr<DS_2D_Light> light = Read(w.Bytes(), &left);
    auto& l = dynamic_cast<DS_WaterRingLight&>(*light);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(l.mode.GetValue(), 1);
    EXPECT_EQ(l.dropStrength.GetValue(), 50u);
    EXPECT_FLOAT_EQ(l.dropRate.GetResult(), 0.5f);
  }
}

// Flame version 1: the fire's speed where the fire section is now, two links more after the haze's
// values, no fire section.
TEST_F(PictureLightsTest, FlameVersionOneKeepsTheFiresDefaultsButItsSpeed) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_FlameLight", 1);
  w.WriteInt(1);
  w.WriteInt(0);
  w.WriteUInt(10);
  w.WriteUInt(25);  // the fire's speed
  w.WriteString(u"bump.png");
  w.WriteInt64(3);
  w.WriteString(u"basekit.dll");
  w.WriteInt64(63);
  for (UINT v : {100u, 50u, 88u}) w.WriteUInt(v);
  for (const char16_t* name : {u"old1.png", u"old2.png"}) {
    w.WriteString(name);
    w.WriteInt64(9);
  }
  WriteSectionHeader(&s, u"DS_2D_Light", 2);
  w.WriteString(u"hearth.jpg");
  w.WriteInt64(0);
  size_t left = 1;
  std::unique_ptr<DS_2D_Light> light = Read(w.Bytes(), &left);
  auto& l = dynamic_cast<DS_FlameLight&>(*light);
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(l.hazeEnable.GetValue(), 0);
  EXPECT_EQ(l.fireOffset.GetValue(), 10u);
  EXPECT_EQ(l.haze.bumpMap.GetKey(), DocFileKey(u"bump.png", 3));
  EXPECT_NEAR(l.haze.speed.GetResult(), 0.1f, 1e-6f);
  EXPECT_NEAR(l.haze.strength.GetResult(), 0.1f, 1e-6f);
  EXPECT_EQ(l.picture.GetKey(), DocFileKey(u"hearth.jpg", 0));
  // The fire: its speed read and announced (half real time now), everything else as made.
  EXPECT_EQ(l.fire.clock.GetValue(), 25u);
  EXPECT_FLOAT_EQ(l.fire.clock.GetResult(), 0.5f);
  const DS_FlameLight fresh;
  EXPECT_EQ(l.fire.patternLink.GetKey(), fresh.fire.patternLink.GetKey());
  EXPECT_EQ(l.fire.noiseLink.GetKey(), fresh.fire.noiseLink.GetKey());
  EXPECT_EQ(l.fire.effectLink.GetKey(), fresh.fire.effectLink.GetKey());
  EXPECT_FLOAT_EQ(l.fire.brightness.GetResult(), 0.3f);
  EXPECT_EQ(l.fire.startColour.GetValue(), 0x0000FFu);
  // Saved again it is a version 2 section that reads back alike.
  DS_IOF_W again;
  DS_IOF_Virtual* a = &again;
  l.Save(&a);
  std::unique_ptr<DS_2D_Light> back = Read(again.Bytes(), &left);
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(dynamic_cast<DS_FlameLight&>(*back).fire.clock.GetValue(), 25u);
}

TEST_F(PictureLightsTest, FreshLakesHaveTheirOwnBumpKeys) {
  FakeLake2D a, b;
  EXPECT_NE(a.bumpKey, b.bumpKey);
  EXPECT_TRUE(a.bumpKey.flag);
  EXPECT_TRUE(a.bumpKey.name.empty());
}

TEST_F(PictureLightsTest, UnderwaterSectionRoundTripsByteForByte) {
  FakeUndervater light;
  light.underwater.amplitude.SetValue(120, nullptr);
  light.underwater.wavelength.SetValue(30, nullptr);
  light.underwater.clock.SetValue(60, nullptr);
  light.underwater.mainFX = 1;
  light.underwater.scale.SetValue(80, nullptr);
  light.underwater.name = u"Deep";
  light.picture.Raw() = DocFileKey(u"sea.jpg", 4);
  light.camera.enable = 1;
  const std::vector<BYTE> first = Saved(light);
  size_t left = 1;
  std::unique_ptr<DS_2D_Light> read = Read(first, &left);
  EXPECT_EQ(left, 0u);
  auto& back = dynamic_cast<FakeUndervater&>(*read);
  EXPECT_FLOAT_EQ(back.underwater.amplitude.GetResult(), 0.015f);
  EXPECT_EQ(back.underwater.wavelength.GetValue(), 30u);
  EXPECT_FLOAT_EQ(back.underwater.clock.GetResult(), 60.0f);
  EXPECT_EQ(back.underwater.mainFX.GetValue(), 1);
  EXPECT_FLOAT_EQ(back.underwater.scale.GetResult(), 1.6f);
  EXPECT_EQ(back.underwater.name, u"Deep");
  EXPECT_EQ(back.underwater.effectLink.GetKey(), DocFileKey(u"basekit.dll", 88));
  EXPECT_EQ(back.picture.GetKey(), DocFileKey(u"sea.jpg", 4));
  EXPECT_EQ(back.camera.enable.GetValue(), 1);
  EXPECT_EQ(Saved(back), first);
}

// Version 1 stores the clock's speed in units of half the present ones: it is stored, then halved.
TEST_F(PictureLightsTest, UnderwaterVersionOneHalvesTheStoredSpeed) {
  const struct {
    UINT stored, speed;
  } cases[] = {{50, 25}, {51, 25}, {1, 0}, {0, 0}, {0xFFFFFFFF, 0x7FFFFFFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    DS_IOF_W w;
    DS_IOF_Virtual* s = &w;
    WriteSectionHeader(&s, u"FakeUndervater", 1);
    w.WriteUInt(c.stored);
    WriteSectionHeader(&s, u"DS_2D_Light", 1);
    size_t left = 1;
    std::unique_ptr<DS_2D_Light> read = Read(w.Bytes(), &left);
    auto& light = dynamic_cast<FakeUndervater&>(*read);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(light.underwater.clock.GetValue(), c.speed);
    EXPECT_FLOAT_EQ(light.underwater.clock.GetResult(), static_cast<float>(c.speed));  // derived speed follows
    EXPECT_FLOAT_EQ(light.underwater.amplitude.GetResult(), 0.00625f);
    EXPECT_EQ(light.picture.GetKey(), DocFileKey(u"basekit.dll", 5));
  }
}

TEST(WaterRingRules, DampingProjectionAndDrops) {
  const struct {
    UINT value;
    float damping;
  } damping[] = {{0, 0.9f}, {49, 0.98820f}, {50, 0.99f}, {100, 0.999f}, {106, 0.999f}, {1000, 0.999f}};
  for (const auto& d : damping) EXPECT_NEAR(WaterDamping(d.value), d.damping, 1e-5f) << d.value;

  const struct {
    float aspect, targetAspect, f, e;
  } extents[] = {{0.75f, 1920.0f / 1080, 26.6667f, 15}, {0.75f, 4.0f / 3, 20, 15}, {0.75f, 1.0f, 20, 20},
                 {0, 1.0f, 15, 15}};
  for (const auto& x : extents) {
    float f = 0, e = 0;
    WaterProjectionExtents(x.aspect, x.targetAspect, &f, &e);
    EXPECT_NEAR(f, x.f, 1e-3f) << x.aspect << " " << x.targetAspect;
    EXPECT_NEAR(e, x.e, 1e-3f) << x.aspect << " " << x.targetAspect;
  }

  const struct {
    float t, last, rate;
    bool due;
  } drops[] = {{2.0f, 0.0f, 0.5f, false}, {2.01f, 0.0f, 0.5f, true}, {100.0f, 0.0f, 0.0f, false},
               {1.0f, 0.5f, 60.0f, true}};
  for (const auto& d : drops) EXPECT_EQ(WaterDropDue(d.t, d.last, d.rate), d.due) << d.t << " " << d.rate;
}

TEST(WaterRingRules, SurfaceFollowsTheLightsValues) {
  DS_WaterRingLight light;
  light.ApplySurfaceParams();
  EXPECT_FLOAT_EQ(light.surface->stepScale, 1.0f);
  EXPECT_NEAR(light.surface->dropSize, 0.45f, 1e-6f);
  EXPECT_FLOAT_EQ(light.surface->damping, 0.99f);
  EXPECT_FLOAT_EQ(light.surface->depth, 0.2f);
  EXPECT_FLOAT_EQ(light.specularLevel.GetResult(), 0.9f);
  EXPECT_NEAR(light.shininess.GetResult(), 40.0f, 1e-4f);
  light.pictureQuad.info.width = 800;
  light.pictureQuad.info.height = 600;
  light.CreateSurface();
  EXPECT_FLOAT_EQ(light.surface->sizeX, 40.0f);
  EXPECT_EQ(light.surface->columns, 128u);
  EXPECT_EQ(light.surface->rows, 96u);
  // A drop every two seconds at the defaults, at most one a frame.
  light.FrameMove(1.0);
  light.FrameMove(2.5);
  EXPECT_FLOAT_EQ(light.lastDropTime, 2.5f);
  light.FrameMove(4.0);
  EXPECT_FLOAT_EQ(light.lastDropTime, 2.5f);
  light.FrameMove(1.0);  // the clock went back
  EXPECT_FLOAT_EQ(light.lastDropTime, 1.0f);
  light.Resize(0, 1080);
  EXPECT_EQ(light.savedWidth, 0);
  EXPECT_EQ(light.targetWidth, 0);
}

}  // namespace
