#include "fx/fx_constructor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <typeinfo>

#include "fx/fx_shared.h"
#include "scene/guid_text.h"
#include "scene/readers.h"
#include "scene/stream.h"
#include "support/fake_module_resources.h"
#include "support/fx_fixture.h"

namespace {

using namespace fx_test;

ds_string Utf16(const char* text) { return ds_string(text, text + std::strlen(text)); }

// ---- defaults and clock -----------------------------------------------------------------------------

TEST_F(FxTest, EveryClassStartsWithItsEffectClockAndScale) {
  struct Case {
    const char* name;
    int effectId;
    UINT speedValue;
    float speedScale;
    float derivedSpeed;
    UINT scaleValue;
    float derivedScale;
  } cases[] = {
      {"DS_PatternBrush", 78, 50, 0.02f, 1.0f, 50, 1.0f},   {"DS_PatternBrushC", 78, 50, 0.02f, 1.0f, 50, 1.0f},
      {"DS_BackgroundCopy", 75, 0, 1.0f, 0.0f, 50, 1.0f},   {"DS_WavesFX", 77, 25, 1.0f, 25.0f, 50, 1.0f},
      {"DS_LightFX", 76, 40, 1.0f, 40.0f, 50, 1.0f},        {"DS_UnderwaterFX", 88, 25, 1.0f, 25.0f, 50, 1.0f},
      {"DS_WaterFX", 90, 50, 0.02f, 1.0f, 30, 0.6f},        {"DS_MoveFX", 91, 50, 0.02f, 1.0f, 50, 1.0f},
      {"DS_FireFX", 92, 50, 0.02f, 1.0f, 50, 1.0f},
  };
  const std::vector<FxClass> classes = AllClasses();
  ASSERT_EQ(classes.size(), sizeof(cases) / sizeof(cases[0]));
  for (size_t i = 0; i < classes.size(); ++i) {
    const Case& k = cases[i];
    SCOPED_TRACE(k.name);
    ASSERT_STREQ(classes[i].name, k.name);
    std::unique_ptr<DS_FX_Constructor> item(classes[i].make());
    EXPECT_EQ(item->effectLink.GetKey(), DocFileKey(u"basekit.dll", k.effectId));
    EXPECT_EQ(item->clock.GetValue(), k.speedValue);
    EXPECT_FLOAT_EQ(item->clock.GetScale(), k.speedScale);
    EXPECT_FLOAT_EQ(item->clock.GetResult(), k.derivedSpeed);
    EXPECT_EQ(item->scale.GetValue(), k.scaleValue);
    EXPECT_FLOAT_EQ(item->scale.GetResult(), k.derivedScale);
    EXPECT_EQ(item->mainFX.GetValue(), 0);
    EXPECT_TRUE(item->maskKey.flag);
    EXPECT_TRUE(item->maskKey.name.empty());
    EXPECT_EQ(item->mask, nullptr);
    EXPECT_EQ(item->effect, nullptr);
    EXPECT_EQ(item->GetMask(), item->mask.Slot());
  }
}

TEST_F(FxTest, TwoItemsGetDifferentMaskKeys) {
  DS_LightFX a, b;
  EXPECT_NE(a.maskKey, b.maskKey);
}

TEST_F(FxTest, ClockStepsAreCappedAndNeverRunBackwards) {
  struct Case {
    const char* what;
    UINT speed;
    float t1, t2;
    float position;
  } cases[] = {
      {"a step of 1 s counts 0.2 s", 50, 1.0f, 1.0f, 0.2f},
      {"a small step counts whole", 50, 0.05f, 0.1f, 0.1f},
      {"time going back adds nothing", 50, 1.0f, 0.5f, 0.2f},
      {"speed value 0 stands", 0, 0.1f, 0.2f, 0.0f},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    DS_PatternBrush item;
    item.clock.SetValue(k.speed, nullptr);
    item.Update(k.t1);
    item.Update(k.t2);
    EXPECT_NEAR(item.clock.GetPosition(), k.position, 1e-6);
  }
  // The same stored speed value: real time for the pattern brush, 50 times for the waves.
  DS_PatternBrush brush;
  DS_WavesFX waves;
  waves.clock.SetValue(50, nullptr);
  brush.Update(0.1f);
  waves.Update(0.1f);
  EXPECT_NEAR(brush.clock.GetPosition(), 0.1f, 1e-6);
  EXPECT_NEAR(waves.clock.GetPosition(), 5.0f, 1e-5);
}

// ---- common parameters ------------------------------------------------------------------------------

TEST_F(FxTest, CommonParametersFollowTheScaleAndThePictureSize) {
  struct Case {
    UINT w, h, scaleValue;
    float x, y;
  } cases[] = {
      {1024, 768, 50, 1024.0f / 768.0f, 1.0f},
      {1024, 768, 100, 1024.0f / 768.0f / 2.0f, 0.5f},
      {1024, 768, 30, 1024.0f / 768.0f / 0.6f, 1.0f / 0.6f},
      {1024, 0, 50, 1.0f, 1.0f},  // a picture without size: square, never infinite
      {0, 0, 100, 0.5f, 0.5f},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.w << "x" << k.h << " scale " << k.scaleValue);
    DS_BackgroundCopy item;
    item.scale.SetValue(k.scaleValue, nullptr);
    float s[2];
    DS_FX_Constructor::CommonScale(k.w, k.h, item.scale.GetResult(), s);
    EXPECT_FLOAT_EQ(s[0], k.x);
    EXPECT_FLOAT_EQ(s[1], k.y);
    EXPECT_TRUE(std::isfinite(s[0]) && std::isfinite(s[1]));
  }
}

TEST_F(FxTest, TechniqueFollowsTheMainFxFlagAndTheDrawComesLast) {
  struct Case {
    int mainFX;
    const char* technique;
  } cases[] = {{0, "Main"}, {1, "MainFX"}, {7, "MainFX"}, {-1, "MainFX"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mainFX);
    DS_LightFX item;
    Attach(item);
    item.mainFX = k.mainFX;
    item.maskKey.name = u"m";
    item.mask.Share(&maskTexture);
    renderer.imageWidth = 800;
    renderer.imageHeight = 400;
    const Lines calls = Render(item);
    const Lines expected = {"float multiplier=0.2",
                            std::string("technique ") + k.technique,
                            "floats Scale=2,1",
                            "texture Mask=mask",
                            "texture Background=source",
                            "DrawWithEffect background fx"};
    EXPECT_EQ(calls, expected);
  }
}

TEST_F(FxTest, TwinTechniquesAreSetWhereTheyDrawTheSameAndTheEffectOffersThem) {
  struct Case {
    bool water;
    int mainFX;
    bool masked;
    UINT shadows;
    bool offered;
    const char* technique;
  } cases[] = {
      {false, 0, false, 0, true, "MainNoMask"},   {false, 1, false, 0, true, "MainFXNoMask"},
      {false, 0, true, 0, true, "Main"},          {false, 1, true, 0, true, "MainFX"},
      {false, 0, false, 0, false, "Main"},        {false, 1, false, 0, false, "MainFX"},
      {true, 1, false, 0, true, "MainFXNoMask"},  {true, 0, false, 0, true, "MainNoMask"},
      {true, 1, false, 50, true, "MainFX"},  // the water's twins leave the shadows out
      // Masked water without shadows: the twins that leave out only the shadows.
      {true, 1, true, 0, true, "MainFXUnlit"},  {true, 0, true, 0, true, "MainUnlit"},
      {true, 1, true, 50, true, "MainFX"},      {true, 1, true, 0, false, "MainFX"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << (k.water ? "water" : "light") << " MainFX " << k.mainFX << " mask " << k.masked
                                    << " shadows " << k.shadows << " offered " << k.offered);
    std::unique_ptr<DS_FX_Constructor> item;
    if (k.water) {
      auto* water = new DS_WaterFX;
      water->shadows.SetValue(k.shadows, nullptr);
      item.reset(water);
    } else {
      item.reset(new DS_LightFX);
    }
    Attach(*item);
    item->mainFX = k.mainFX;
    if (k.masked) {
      item->mask.Share(&maskTexture);
    }
    effect.offered = k.offered ? std::vector<std::string>{"MainNoMask", "MainFXNoMask", "MainUnlit", "MainFXUnlit"}
                               : std::vector<std::string>{};
    const Lines calls = Render(*item);
    EXPECT_EQ(log.With("technique"), Lines{std::string("technique ") + k.technique});
    EXPECT_EQ(calls.back(), "DrawWithEffect background fx");
  }
  effect.offered.clear();
}

TEST_F(FxTest, NoEffectDrawsNothingButKeepsTheSceneBehindInMainFxMode) {
  for (const FxClass& c : AllClasses()) {
    for (int mainFX : {0, 1}) {
      SCOPED_TRACE(testing::Message() << c.name << " MainFX " << mainFX);
      std::unique_ptr<DS_FX_Constructor> item(c.make());
      item->mainFX = mainFX;
      item->Update(0.5f);
      const Lines calls = Render(*item);
      // Main: the picture is already on the target. MainFX: the chain cleared this item's target.
      const Lines expected = mainFX ? Lines{"DrawPulsingQuad source"} : Lines{};
      EXPECT_EQ(calls, expected);
    }
  }
}

// ---- mask, effect, clone ----------------------------------------------------------------------------

TEST_F(FxTest, SetMaskTakesItsOwnReferenceFirst) {
  DS_LightFX item;
  IDirect3DTexture9* slot = &maskTexture;
  item.SetMask(&slot);
  EXPECT_EQ(item.mask, &maskTexture);
  EXPECT_EQ(maskTexture.refs, 2);
  // The same texture again: taken before it is let go, so it is never released to nothing.
  item.SetMask(&slot);
  EXPECT_EQ(maskTexture.refs, 2);
  // The item's own field changes nothing.
  item.SetMask(item.GetMask());
  EXPECT_EQ(item.mask, &maskTexture);
  EXPECT_EQ(maskTexture.refs, 2);
  // An empty entry and no entry at all both mean no mask.
  IDirect3DTexture9* none = nullptr;
  item.SetMask(&none);
  EXPECT_EQ(item.mask, nullptr);
  EXPECT_EQ(maskTexture.refs, 1);
  item.SetMask(&slot);
  item.SetMask(nullptr);
  EXPECT_EQ(item.mask, nullptr);
  EXPECT_EQ(maskTexture.refs, 1);
}

TEST_F(FxTest, CloneSharesMaskKeyMaskAndEffect) {
  DS_WavesFX item;
  Attach(item);
  IDirect3DTexture9* slot = &maskTexture;
  item.SetMask(&slot);
  item.name = u"waves";
  item.mainFX = 1;
  item.scale.SetValue(80, nullptr);
  item.Update(0.1f);
  std::unique_ptr<DS_FX_Constructor> clone(item.Clone());
  EXPECT_EQ(clone->maskKey, item.maskKey);
  EXPECT_EQ(clone->mask, &maskTexture);
  EXPECT_EQ(clone->effect, &effect);
  EXPECT_EQ(maskTexture.refs, 3);
  EXPECT_EQ(effect.refs, 3);
  EXPECT_EQ(clone->name, u"waves");
  EXPECT_EQ(clone->mainFX.GetValue(), 1);
  EXPECT_FLOAT_EQ(clone->scale.GetResult(), 1.6f);
  EXPECT_FLOAT_EQ(clone->clock.GetPosition(), item.clock.GetPosition());
  EXPECT_FLOAT_EQ(clone->clock.GetResult(), 25.0f);
  clone.reset();
  EXPECT_EQ(maskTexture.refs, 2);
  EXPECT_EQ(effect.refs, 2);
  // A clone of the stored-under-its-own-name brush is a plain pattern brush.
  DS_PatternBrushC c;
  std::unique_ptr<DS_FX_Constructor> brush(c.Clone());
  EXPECT_EQ(Saved(*brush)[3], 15);  // the length of "DS_PatternBrush", not of the wrapper's name
  EXPECT_EQ(dynamic_cast<DS_PatternBrushC*>(brush.get()), nullptr);
  EXPECT_NE(dynamic_cast<DS_PatternBrush*>(brush.get()), nullptr);
}

TEST_F(FxTest, RenewIdentityDropsTheMaskAndTakesANewKey) {
  DS_LightFX item;
  IDirect3DTexture9* slot = &maskTexture;
  item.SetMask(&slot);
  item.maskKey.name = u"old";
  item.maskKey.flag = false;
  const DocGuidKey before = item.maskKey;
  item.RenewIdentity();
  EXPECT_EQ(item.mask, nullptr);
  EXPECT_EQ(maskTexture.refs, 1);
  EXPECT_NE(item.maskKey, before);
  EXPECT_TRUE(item.maskKey.name.empty());
  EXPECT_TRUE(item.maskKey.flag);
}

TEST_F(FxTest, RenderObjectLoadsTheDocumentsEffectAndMaskAndReportsMainFx) {
  FakeModuleResources modules;
  modules.Add(modules.AddModule(u"basekit.dll"), 76, ModuleResourceType::kRcData, {'l', 'i', 'g', 'h', 't'});
  DS_LightFX item;
  item.mainFX = 1;
  manager->Maps().SetGuidTexture(item.maskKey, &maskTexture);
  std::unique_ptr<DS_ABObj> object(item.CreateRenderObject());
  auto* brush = dynamic_cast<DS_BrushObj*>(object.get());
  ASSERT_NE(brush, nullptr);
  ASSERT_NE(brush->effectItem, &item);
  ASSERT_NE(brush->effectItem->effect, nullptr);
  EXPECT_EQ(log.Name(brush->effectItem->effect), "light");
  EXPECT_EQ(brush->effectItem->mask, &maskTexture);
  EXPECT_EQ(item.effect, nullptr);  // the document item itself never loads
  EXPECT_EQ(brush->NeedsSourceTexture(), 1);
  // A missing effect resource leaves the effect null; the item draws nothing.
  DS_WavesFX waves;
  std::unique_ptr<DS_ABObj> other(waves.CreateRenderObject());
  EXPECT_EQ(dynamic_cast<DS_BrushObj*>(other.get())->effectItem->effect, nullptr);
  EXPECT_EQ(dynamic_cast<DS_BrushObj*>(other.get())->NeedsSourceTexture(), 0);
  EXPECT_EQ(manager->Maps().guidTextures.count(waves.maskKey), 1u);  // an empty entry was made
  object.reset();
  other.reset();
  EXPECT_EQ(maskTexture.refs, 2);  // the map's own
}

// An effect item that logs what its render object asks of it and counts its destructions.
class LoggingBrush : public DS_FX_Constructor {
 public:
  LoggingBrush(CallLog& log, int& deleted) : log_(log), deleted_(deleted) {}
  LoggingBrush(const LoggingBrush& o) : DS_FX_Constructor(o), log_(o.log_), deleted_(o.deleted_) {}
  ~LoggingBrush() override { ++deleted_; }
  DS_FX_Constructor* Clone() const override { return new LoggingBrush(*this); }
  void LoadEffect(IDirect3DTexture9** maskSlot) override {
    log_.Add("LoadEffect");
    loadedMask = maskSlot;
  }
  void DrawMarkers(DS_ABRender* renderer) override { log_.Add("item DrawMarkers"); }
  void Update(double t) override { log_.Add("item Update " + std::to_string(t)); }
  void Render(DS_ABRender* renderer) override { log_.Add(std::string("item Render ") + (renderer ? "renderer" : "none")); }

  IDirect3DTexture9** loadedMask = nullptr;

 private:
  CallLog& log_;
  int& deleted_;
};

TEST_F(FxTest, RenderObjectOwnsItsCloneAndForwardsEveryCallWithTheDocumentsMaskEntry) {
  int deleted = 0;
  LoggingBrush item(log, deleted);
  item.maskKey = DocGuidKey(GUID{0x1234, 1, 2, {3, 3, 3, 3, 3, 3, 3, 3}});
  ASSERT_EQ(manager->Maps().guidTextures.count(item.maskKey), 0u);
  std::unique_ptr<DS_ABObj> object(item.CreateRenderObject());
  auto* clone = static_cast<LoggingBrush*>(object->item);
  EXPECT_NE(clone, &item);

  // The missing key gets an empty entry, whose address the item keeps.
  ASSERT_EQ(manager->Maps().guidTextures.count(item.maskKey), 1u);
  EXPECT_EQ(clone->loadedMask, manager->Maps().guidTextures[item.maskKey].Slot());
  EXPECT_EQ(*clone->loadedMask, nullptr);

  object->Update(0.25f);
  object->Render(&renderer);
  object->DrawMarkers(&renderer, 0);
  POINT p = {3, 4};
  EXPECT_FALSE(object->HitTest(p));
  EXPECT_EQ(log.calls, (Lines{"LoadEffect", "item Update 0.250000", "item Render renderer", "item DrawMarkers"}));
  EXPECT_EQ(deleted, 0);
  object.reset();
  EXPECT_EQ(deleted, 1);  // the clone, once

  // Without a loaded document the item gets no mask entry.
  g_DocResManager = nullptr;
  std::unique_ptr<DS_ABObj> orphan(item.CreateRenderObject());
  EXPECT_EQ(static_cast<LoggingBrush*>(orphan->item)->loadedMask, nullptr);
}

TEST_F(FxTest, LoadEffectReplacesTheEffectHeldBefore) {
  FakeModuleResources modules;
  modules.Add(modules.AddModule(u"basekit.dll"), 75, ModuleResourceType::kRcData, {'c', 'o', 'p', 'y'});
  DS_BackgroundCopy item;
  Attach(item);
  item.LoadEffect(nullptr);
  EXPECT_EQ(effect.refs, 1);
  ASSERT_NE(item.effect, nullptr);
  RecordingEffect* loaded = docDevice.made.at(0).get();
  EXPECT_EQ(item.effect, loaded);
  EXPECT_EQ(loaded->refs, 2);  // the manager's and the item's
  // Loading again takes the manager's same effect without losing it on the way.
  item.LoadEffect(nullptr);
  EXPECT_EQ(loaded->refs, 2);
}

// ---- saving and reading -----------------------------------------------------------------------------

// Items with values away from every default, for each class.
std::vector<std::unique_ptr<DS_FX_Constructor>> UnusualItems() {
  std::vector<std::unique_ptr<DS_FX_Constructor>> out;
  for (const FxClass& c : AllClasses()) {
    if (std::string(c.name) == "DS_UnderwaterFX") continue;  // no registry names it
    std::unique_ptr<DS_FX_Constructor> item(c.make());
    item->name = u"item " + Utf16(c.name);
    item->clock.SetValue(33, nullptr);
    item->mainFX = 2;
    item->maskKey.name = u"mask name";
    item->maskKey.flag = false;
    item->effectLink.Raw() = DocFileKey(u"other.fx", -5);
    item->scale.SetValue(70, nullptr);
    if (auto* p = dynamic_cast<DS_PatternBrush*>(item.get())) {
      p->patternLink.Raw() = DocFileKey(u"tiles.png", 12);
      p->verticalFlip = 1;
      p->horizontalFlip = -3;
      p->angle = 370u;
      p->patternScale.SetValue(250, nullptr);
      p->offsetX.SetValue(10, nullptr);
      p->offsetY.SetValue(20, nullptr);
    } else if (auto* b = dynamic_cast<DS_BackgroundCopy*>(item.get())) {
      b->rectangle.left = 1;
      b->rectangle.right = 2;
      b->rectangle.top = 3;
      b->rectangle.bottom = 4;
      b->rectangle.centreX.Raw() = 512;
      b->rectangle.centreY.Raw() = -6;
      b->yShift = 1;
      b->xShift = 9;
    } else if (auto* w = dynamic_cast<DS_WavesFX*>(item.get())) {
      w->amplitude.SetValue(7, nullptr);
      w->wavelength.SetValue(8, nullptr);
      w->angle.SetValue(90, nullptr);
      w->vertical.SetValue(1, nullptr);
    } else if (auto* l = dynamic_cast<DS_LightFX*>(item.get())) {
      l->level.SetValue(75, nullptr);
      l->mode = 2;
    } else if (auto* wa = dynamic_cast<DS_WaterFX*>(item.get())) {
      wa->pFactor.SetValue(1, nullptr);
      wa->bumpAmplitude.SetValue(2, nullptr);
      wa->waveAmplitude.SetValue(3, nullptr);
      wa->wavelength.SetValue(4, nullptr);
      wa->angle.SetValue(5, nullptr);
      wa->shadows.SetValue(6, nullptr);
      wa->halfVectorZ.SetValue(7, nullptr);
      wa->colour = 0x00123456;
      wa->bumpLink.Raw() = DocFileKey(u"bump.png", 99);
    } else if (auto* m = dynamic_cast<DS_MoveFX*>(item.get())) {
      m->mode = 1;
      m->amplitude.SetValue(11, nullptr);
      m->angle.SetValue(200, nullptr);
    } else if (auto* f = dynamic_cast<DS_FireFX*>(item.get())) {
      for (int i = 0; i < 4; ++i) f->area.corners[i].Raw() = D3DXVECTOR3(i + 0.5f, 10.0f * i, -1.0f);
      f->endColour = 0x00010203;
      f->startColour = 0x00040506;
      f->firstInt = -7;
      f->patternLink.Raw() = DocFileKey(u"flame.png", 1);
      f->noiseLink.Raw() = DocFileKey(u"basekit.dll", 8);
      f->secondInt.Raw() = 8;
      f->density.SetValue(150, nullptr);
      f->brightness.SetValue(1, nullptr);
      f->textureRepeat.SetValue(50, nullptr);
    }
    out.push_back(std::move(item));
  }
  return out;
}

TEST_F(FxTest, EveryRegisteredClassRoundTripsByteForByteThroughTheRegistry) {
  RegisterFxReaders();
  for (const auto& item : UnusualItems()) {
    const std::vector<BYTE> bytes = Saved(*item);
    ResourceBuffer buf(bytes.data(), bytes.size());
    DS_IOF_R<ResourceBuffer> r(&buf);
    DS_IOF_Virtual* s = &r;
    std::unique_ptr<DS_ABObj_Constructor> back(DS_ABObj_Constructor::CreateFromStream(&s));
    ASSERT_TRUE(back);
    SCOPED_TRACE(std::string(typeid(*back).name()));
    EXPECT_EQ(typeid(*back), typeid(*item));
    EXPECT_EQ(buf.Remaining(), 0u);
    EXPECT_EQ(Saved(*back), bytes);
    auto* fx = dynamic_cast<DS_FX_Constructor*>(back.get());
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(fx->maskKey, item->maskKey);
    EXPECT_EQ(fx->maskKey.name, u"mask name");
    EXPECT_FALSE(fx->maskKey.flag);
    EXPECT_FLOAT_EQ(fx->scale.GetResult(), 1.4f);
    EXPECT_EQ(fx->mainFX.GetValue(), 2);
    EXPECT_FLOAT_EQ(fx->clock.GetResult(), item->clock.GetResult());
    EXPECT_EQ(fx->effect, nullptr);  // reading loads nothing
  }
}

TEST_F(FxTest, TheUnderwaterWobbleRoundTripsThroughItsOwnReader) {
  DS_UnderwaterFX item;
  item.amplitude.SetValue(9, nullptr);
  item.wavelength.SetValue(10, nullptr);
  item.clock.SetValue(12, nullptr);
  const std::vector<BYTE> bytes = Saved(item);
  ResourceBuffer buf(bytes.data(), bytes.size());
  DS_IOF_R<ResourceBuffer> r(&buf);
  DS_IOF_Virtual* s = &r;
  std::unique_ptr<DS_UnderwaterFX> back(DS_UnderwaterFX::CreateFromStream(&s));
  EXPECT_EQ(buf.Remaining(), 0u);
  EXPECT_EQ(Saved(*back), bytes);
  EXPECT_FLOAT_EQ(back->amplitude.GetResult(), 9 * 0.000125f);
  EXPECT_FLOAT_EQ(back->clock.GetResult(), 12.0f);
  RegisterFxReaders();
  EXPECT_EQ(GetConstructorReaderRegistry().Find(u"DS_UnderwaterFX"), nullptr);
  EXPECT_EQ(GetConstructorReaderRegistry().Find(u"DS_DirectionBased"), nullptr);
}

TEST_F(FxTest, ABaseSectionOfVersionOneKeepsTheClassScale) {
  for (const FxClass& c : AllClasses()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<DS_FX_Constructor> item(c.make());
    const float scale = item->scale.GetResult();
    DS_IOF_W w;
    DS_IOF_Virtual* ws = &w;
    WriteSectionHeader(&ws, u"DS_FX_Constructor", 1);
    w.WriteUInt(50);
    w.WriteInt(1);
    WriteGuid(&ws, GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}});
    w.WriteString(u"n");
    w.WriteBool(true);
    w.WriteString(u"basekit.dll");
    w.WriteInt64(75);
    WriteSectionHeader(&ws, u"DS_ABObj_Constructor", 1);
    w.WriteString(u"named");
    ResourceBuffer buf(w.Bytes().data(), w.Bytes().size());
    DS_IOF_R<ResourceBuffer> r(&buf);
    DS_IOF_Virtual* s = &r;
    item->ReadBase(&s);
    EXPECT_EQ(buf.Remaining(), 0u);
    EXPECT_FLOAT_EQ(item->scale.GetResult(), scale);
    EXPECT_EQ(item->clock.GetValue(), 50u);
    EXPECT_FLOAT_EQ(item->clock.GetResult(), 50.0f * item->clock.GetScale());
    EXPECT_EQ(item->name, u"named");
    EXPECT_EQ(item->maskKey.guid.Data1, 1u);
  }
}

TEST_F(FxTest, SavingPutsTheMaskIntoTheDocumentBeforeTheKeyIsWritten) {
  // A mask the document device can encode.
  const TextureInfo mask = docDevice.LoadTextureFromMemory(reinterpret_cast<const BYTE*>("\x08\x08mask"), 6);
  ASSERT_NE(mask.texture, nullptr);
  DS_LightFX item;
  IDirect3DTexture9* slot = mask.texture;
  item.SetMask(&slot);
  Saved(item);
  // Natively the copy is the mask itself; on Windows a 512 x 512 A8 copy.
  EXPECT_EQ(manager->Maps().guidTextures[item.maskKey], mask.texture);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Refs(mask.texture), 3);  // the test's, the item's and the map's
  EXPECT_GT(manager->Maps().savedGuidPictures[item.maskKey].Size(), 0);
  // An item without a mask (as every document item is: only render objects load masks) keeps the
  // document's picture for its key, and it is saved all the same.
  DS_LightFX bare;
  const TextureInfo kept = docDevice.LoadTextureFromMemory(reinterpret_cast<const BYTE*>("\x08\x08kept"), 6);
  manager->Maps().SetGuidTexture(bare.maskKey, kept.texture);
  Saved(bare);
  EXPECT_EQ(manager->Maps().guidTextures[bare.maskKey], kept.texture);
  EXPECT_EQ(lumi_test::RecordingRenderDevice::Text(kept.texture), "\x08\x08kept");
  EXPECT_GT(manager->Maps().savedGuidPictures[bare.maskKey].Size(), 0);
}

TEST_F(FxTest, AssignCopiesValuesAndReferences) {
  DS_UnderwaterFX from;
  Attach(from);
  IDirect3DTexture9* slot = &maskTexture;
  from.SetMask(&slot);
  from.name = u"wobble";
  from.clock.SetValue(60, nullptr);
  from.Update(0.1f);
  from.mainFX = 1;
  from.scale.SetValue(25, nullptr);
  from.amplitude.SetValue(80, nullptr);
  from.wavelength.SetValue(5, nullptr);
  DS_UnderwaterFX to;
  int notified = 0;
  struct Count : MediaControl {
    int* n;
    explicit Count(int* c) : n(c) {}
    void OnChanged(MediaControl*) override { ++*n; }
  } counter(&notified);
  to.amplitude.AddObserver(&counter);
  to.Assign(from);
  to.amplitude.RemoveObserver(&counter);
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(to.name, u"wobble");
  EXPECT_FLOAT_EQ(to.clock.GetResult(), 60.0f);
  EXPECT_FLOAT_EQ(to.clock.GetPosition(), from.clock.GetPosition());
  EXPECT_EQ(to.mainFX.GetValue(), 1);
  EXPECT_FLOAT_EQ(to.scale.GetResult(), 0.5f);
  EXPECT_FLOAT_EQ(to.amplitude.GetResult(), 0.01f);
  EXPECT_FLOAT_EQ(to.wavelength.GetResult(), 0.011f);
  EXPECT_EQ(to.maskKey, from.maskKey);
  EXPECT_EQ(to.mask, &maskTexture);
  EXPECT_EQ(to.effect, &effect);
  EXPECT_EQ(maskTexture.refs, 3);
  to.Assign(to);  // onto itself: the references stay as they are
  EXPECT_EQ(maskTexture.refs, 3);
  EXPECT_EQ(effect.refs, 3);
}

}  // namespace
