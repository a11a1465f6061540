// Every particle class's section: written by its save method, read back through the scene-item registry
// byte for byte, and the older layouts the readers still accept.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "particles/effect_particles.h"
#include "particles/flow_particles.h"
#include "particles/light_particles.h"
#include "particles/still_particles.h"
#include "particles/swimmers.h"
#include "support/particle_fixture.h"

namespace {

using lumi_test::ReadItem;
using lumi_test::SavedItem;

// Values no default has, on the sprite base.
void Distinct(DS_BaseSpriteProp& s) {
  s.name = u"item";
  s.count.Raw() = 7;
  s.size.Raw() = 33;
  s.transparency.Change(20);
  s.colour.Raw() = 0x00123456;
  s.phaseRate = 0.4f;
  s.sizeFactorMin = 0.3f;
  s.image.Raw() = DocFileKey(u"sprite.png", 5);
  s.frameCount = 3;
  s.horizontalFlip.Raw() = 1;
  s.x1 = 0.75f;
}

struct RecordCase {
  const char* className;
  std::function<DS_ABObj_Constructor*()> make;
  // A value of the class's own that must survive the round trip.
  std::function<std::string(DS_ABObj_Constructor*)> own;
};

template <class T>
T* As(DS_ABObj_Constructor* o) {
  return dynamic_cast<T*>(o);
}

std::string F(float f) { return std::to_string(f); }

const RecordCase kCases[] = {
    {"DS_FishConstructor", [] { auto* o = new DS_FishConstructor; o->maxSpeedX = 12; o->maxSpeedY = 34; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return F(As<DS_FishConstructor>(o)->maxSpeedX) + F(As<DS_FishConstructor>(o)->maxSpeedY); }},
    {"DS_BirdConstructor", [] { auto* o = new DS_BirdConstructor; o->maxSpeedY = 9; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return F(As<DS_BirdConstructor>(o)->maxSpeedY); }},
    {"DS_GhostConstructor", [] { auto* o = new DS_GhostConstructor; o->maxSpeedX = 8; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return F(As<DS_GhostConstructor>(o)->maxSpeedX); }},
    {"DS_GodRayConstructor", [] { auto* o = new DS_GodRayConstructor; o->angle.Raw() = 316; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return std::to_string(As<DS_GodRayConstructor>(o)->angle.GetValue()); }},
    {"DS_SparkleConstructor", [] { auto* o = new DS_SparkleConstructor; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return std::string(As<DS_SparkleConstructor>(o) ? "sparkle" : ""); }},
    {"DS_LightingConstructor", [] { auto* o = new DS_LightingConstructor; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return std::string(As<DS_LightingConstructor>(o) ? "lightning" : ""); }},
    {"DS_FlowConstructor",
     [] {
       auto* o = new DS_FlowConstructor;
       o->angle.Raw() = 135;
       o->driftSpeed.Raw() = 13;
       o->driftChangeRate.Raw() = 6;
       o->baseSpeed = 94.34f;
       o->orientationMode.Raw() = 3;
       Distinct(*o);
       return o;
     },
     [](DS_ABObj_Constructor* o) {
       auto* f = As<DS_FlowConstructor>(o);
       return std::to_string(f->angle.GetValue()) + std::to_string(f->driftSpeed.GetValue()) +
              std::to_string(f->driftChangeRate.GetValue()) + F(f->baseSpeed) + std::to_string(f->orientationMode.GetValue());
     }},
    {"DS_RainConstructor", [] { auto* o = new DS_RainConstructor; o->orientationMode.Raw() = 2; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return std::to_string(As<DS_RainConstructor>(o)->orientationMode.GetValue()); }},
    {"DS_FogConstructor", [] { auto* o = new DS_FogConstructor; o->maxSpeedX = 3; o->maxSpeedY = 4; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return F(As<DS_FogConstructor>(o)->maxSpeedX) + F(As<DS_FogConstructor>(o)->maxSpeedY); }},
    {"DS_GrassConstructor", [] { auto* o = new DS_GrassConstructor; o->swayAmplitude = 7; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return F(As<DS_GrassConstructor>(o)->swayAmplitude); }},
    {"DS_StatObjConstructor",
     [] {
       auto* o = new DS_StatObjConstructor;
       o->placement.left.Raw() = 1;
       o->placement.bottom.Raw() = 4;
       o->placement.centreX.Raw() = 5;
       o->angle.Raw() = 45;
       Distinct(*o);
       return o;
     },
     [](DS_ABObj_Constructor* o) {
       auto* s = As<DS_StatObjConstructor>(o);
       return std::to_string(s->placement.left.GetValue()) + std::to_string(s->placement.bottom.GetValue()) +
              std::to_string(s->placement.centreX.GetValue()) + std::to_string(s->angle.GetValue());
     }},
    {"DS_FlowerConstructor", [] { auto* o = new DS_FlowerConstructor; o->swayAmplitude = 2.5f; o->angle.Raw() = 10; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return F(As<DS_FlowerConstructor>(o)->swayAmplitude) + std::to_string(As<DS_FlowerConstructor>(o)->angle.GetValue()); }},
    {"DS_DischargeConstructor", [] { auto* o = new DS_DischargeConstructor; o->angle.Raw() = 20; Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return std::to_string(As<DS_DischargeConstructor>(o)->angle.GetValue()); }},
    {"DS_DischargeFXConstructor",
     [] {
       auto* o = new DS_DischargeFXConstructor;
       o->startPoint.Raw() = D3DXVECTOR3(1, 2, 3);
       o->endPoint.Raw() = D3DXVECTOR3(4, 5, 6);
       o->jitter.Change(70);
       o->mainImageChoice.Raw() = 0;
       o->flickerInterval.Change(40);
       o->followSpeed.Change(90);
       o->glowColour.Raw() = 0x00ABCDEF;
       o->glowStrength.Change(150);
       o->effectLink.Raw() = DocFileKey(u"bolt.fx", 9);
       Distinct(*o);
       return o;
     },
     [](DS_ABObj_Constructor* o) {
       auto* b = As<DS_DischargeFXConstructor>(o);
       return F(b->startPoint.GetValue().z) + F(b->endPoint.GetValue().x) + F(b->jitter.GetResult()) +
              std::to_string(b->mainImageChoice.GetValue()) + F(b->flickerInterval.GetResult()) + F(b->followSpeed.GetResult()) +
              std::to_string(b->glowColour.GetValue()) + F(b->glowStrength.GetResult()) + std::to_string(b->effectLink.GetStamp());
     }},
    {"DS_ExplosionConstructor", [] { auto* o = new DS_ExplosionConstructor; o->effectLink.Raw() = DocFileKey(u"boom.fx", 4); Distinct(*o); return o; },
     [](DS_ABObj_Constructor* o) { return std::to_string(As<DS_ExplosionConstructor>(o)->effectLink.GetStamp()); }},
};

TEST(ParticleRecords, EveryClassRoundTripsByteForByteThroughTheRegistry) {
  for (const RecordCase& c : kCases) {
    SCOPED_TRACE(c.className);
    std::unique_ptr<DS_ABObj_Constructor> item(c.make());
    const std::vector<BYTE> bytes = SavedItem(*item);
    size_t left = 99;
    std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(bytes, &left);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(c.own(read.get()), c.own(item.get()));
    EXPECT_EQ(static_cast<DS_BaseSpriteProp*>(read.get())->count.GetValue(), 7u);
    EXPECT_EQ(read->name, u"item");
    EXPECT_EQ(SavedItem(*read), bytes);
    // The class name leads the section.
    DS_IOF_W w;
    DS_IOF_Virtual* s = &w;
    WriteSectionHeader(&s, std::u16string(c.className, c.className + std::char_traits<char>::length(c.className)), 1);
    const std::vector<BYTE> head = w.TakeBytes();
    ASSERT_GE(bytes.size(), head.size());
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + static_cast<long>(head.size() - 4)),
              std::vector<BYTE>(head.begin(), head.end() - 4));
  }
}

// The sprite section of item, as its base writes it.
std::vector<BYTE> SpriteSection(DS_BaseSpriteProp& item) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  item.DS_BaseSpriteProp::SaveBase(&s);
  return w.TakeBytes();
}

void Append(std::vector<BYTE>& to, const std::vector<BYTE>& more) { to.insert(to.end(), more.begin(), more.end()); }

TEST(ParticleRecords, FishSectionIsItsSpeedsThenTheSpriteSection) {
  DS_FishConstructor fish;
  fish.maxSpeedX = 1.5f;
  fish.maxSpeedY = -2.0f;
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_FishConstructor", 1);
  w.WriteFloat(1.5f);
  w.WriteFloat(-2.0f);
  std::vector<BYTE> expected = w.TakeBytes();
  Append(expected, SpriteSection(fish));
  EXPECT_EQ(SavedItem(fish), expected);
}

TEST(ParticleRecords, BoltSectionNestsGlowThenEffectThenSprite) {
  DS_DischargeFXConstructor bolt;
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_DischargeFXConstructor", 1);
  for (float f : {100.0f, 100.0f, 0.0f, -100.0f, -100.0f, 0.0f}) w.WriteFloat(f);  // no picture yet
  w.WriteUInt(50);
  w.WriteInt(1);
  w.WriteUInt(100);
  w.WriteUInt(50);
  WriteSectionHeader(&s, u"DS_GlowEffectCtrl", 1);
  w.WriteDword(0xFF9900);
  w.WriteUInt(100);
  WriteSectionHeader(&s, u"DS_FXParticleSystemCtrl", 1);
  w.WriteString(u"basekit.dll");
  w.WriteInt64(97);
  std::vector<BYTE> expected = w.TakeBytes();
  Append(expected, SpriteSection(bolt));
  EXPECT_EQ(SavedItem(bolt), expected);
}

TEST(ParticleRecords, ExplosionStoresNeitherPositionNorSecondColourNorNoise) {
  lumi_test::ScopedPicture picture(640, 480);
  DS_ExplosionConstructor boom;
  boom.SetPosition(D3DXVECTOR3(5, 6, 0));
  boom.secondColour.Raw() = 0x123456;
  boom.noiseLink.Raw() = DocFileKey(u"n.png", 1);
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_ExplosionConstructor", 1);
  WriteSectionHeader(&s, u"DS_StatBaseFXCtrl", 1);
  WriteSectionHeader(&s, u"DS_BaseFXCtrl", 1);
  WriteSectionHeader(&s, u"DS_FXParticleSystemCtrl", 1);
  w.WriteString(u"basekit.dll");
  w.WriteInt64(99);
  std::vector<BYTE> expected = w.TakeBytes();
  Append(expected, SpriteSection(boom));
  EXPECT_EQ(SavedItem(boom), expected);
  std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(expected);
  auto* e = As<DS_ExplosionConstructor>(read.get());
  ASSERT_NE(e, nullptr);
  EXPECT_FLOAT_EQ(e->position.GetValue().x, 320);
  EXPECT_EQ(e->secondColour.GetValue(), 0u);
  EXPECT_TRUE(e->noiseLink.GetName().empty());
}

// A flow section of the given version, laid out as that version stores it.
std::vector<BYTE> FlowSection(DWORD version, int mode) {
  DS_FlowConstructor flow;
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_FlowConstructor", version);
  w.WriteUInt(140);
  w.WriteUInt(13);
  w.WriteUInt(6);
  w.WriteFloat(94.34f);
  if (version >= 2) w.WriteInt(mode);
  std::vector<BYTE> out = w.TakeBytes();
  Append(out, SpriteSection(flow));
  return out;
}

TEST(ParticleRecords, OlderFlowSectionsGiveTheirOrientationMode) {
  const struct {
    DWORD version;
    int stored, mode;
  } cases[] = {{1, 0, 0}, {2, 5, 1}, {2, 0, 0}, {3, 2, 2}, {4, 3, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    size_t left = 99;
    std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(FlowSection(c.version, c.stored), &left);
    EXPECT_EQ(left, 0u);
    auto* flow = As<DS_FlowConstructor>(read.get());
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->orientationMode.GetValue(), c.mode);
    EXPECT_EQ(flow->angle.GetValue(), 140u);
    // Read raw: the drift's derived value and the direction follow only in a copy.
    EXPECT_FLOAT_EQ(flow->driftSpeed.GetResult(), 0);
    EXPECT_FLOAT_EQ(flow->direction.x, 0);
    std::unique_ptr<DS_FlowConstructor> copy(static_cast<DS_FlowConstructor*>(flow->Clone()));
    EXPECT_FLOAT_EQ(copy->driftSpeed.GetResult(), 39);
    EXPECT_FLOAT_EQ(copy->driftChangeRate.GetResult(), 1.5f);
    EXPECT_LT(copy->direction.x, 0);  // up and to the left
    EXPECT_LT(copy->direction.y, 0);
  }
}

// A version-4 sprite section: it ends before the flips.
std::vector<BYTE> SpriteSectionV4(DS_BaseSpriteProp& item) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_BaseSpriteProp", 4);
  item.SaveFields(&s);
  std::vector<BYTE> out = w.TakeBytes();
  out.resize(out.size() - 12);  // flip vertical, mirror horizontal, refill
  return out;
}

TEST(ParticleRecords, VersionOneStillObjectCarriesTheSpriteFlipsAfterItsAngle) {
  DS_StatObjConstructor still;
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  WriteSectionHeader(&s, u"DS_FlowerConstructor", 1);
  w.WriteFloat(2.0f);
  WriteSectionHeader(&s, u"DS_StatObjConstructer", 1);  // misspelled: nested names are not compared
  still.placement.Write(&s);
  w.WriteUInt(30);
  w.WriteInt(1);  // flip vertical
  w.WriteInt(1);  // mirror horizontal
  std::vector<BYTE> bytes = w.TakeBytes();
  Append(bytes, SpriteSectionV4(still));
  size_t left = 99;
  std::unique_ptr<DS_ABObj_Constructor> read = ReadItem(bytes, &left);
  EXPECT_EQ(left, 0u);
  auto* flower = As<DS_FlowerConstructor>(read.get());
  ASSERT_NE(flower, nullptr);
  EXPECT_FLOAT_EQ(flower->swayAmplitude, 2.0f);
  EXPECT_EQ(flower->angle.GetValue(), 30u);
  EXPECT_EQ(flower->verticalFlip.GetValue(), 1);
  EXPECT_EQ(flower->horizontalFlip.GetValue(), 1);
  // Saved again it is the current layout, which reads back to the same bytes.
  const std::vector<BYTE> again = SavedItem(*flower);
  std::unique_ptr<DS_ABObj_Constructor> reread = ReadItem(again, &left);
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(SavedItem(*reread), again);
  EXPECT_EQ(static_cast<DS_FlowerConstructor*>(reread.get())->horizontalFlip.GetValue(), 1);
}

TEST(ParticleRecords, TheFifteenClassesAreRegistered) {
  RegisterParticleReaders();
  for (const RecordCase& c : kCases) {
    const std::string n(c.className);
    EXPECT_NE(GetConstructorReaderRegistry().Find(ds_string(n.begin(), n.end())), nullptr) << n;
  }
  for (const char16_t* abstract : {u"DS_FXParticleSystemCtrl", u"DS_GlowEffectCtrl", u"DS_BaseFXCtrl", u"DS_StatBaseFXCtrl"})
    EXPECT_EQ(GetConstructorReaderRegistry().Find(abstract), nullptr);
}

}  // namespace
