// What the effect item tests share: a document and a renderer and effect that record into one log.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "fx/wave_fx.h"
#include "fx/fire_fx.h"
#include "render/projection.h"
#include "fx/underwater_fx.h"
#include "scene/doc_res_manager.h"
#include "fx/fx_constructor.h"
#include "support/effect_doc_device.h"
#include "support/fake_geometry.h"
#include "support/recording_effect.h"
#include "support/recording_render_device.h"
#include "support/recording_renderer.h"
#include "support/saved_global.h"

namespace fx_test {

using lumi_test::CallLog;
using lumi_test::FakeTexture;
using lumi_test::RecordingEffect;
using lumi_test::RecordingRenderer;
using Lines = std::vector<std::string>;

using lumi_test::EffectDocDevice;

class FxTest : public ::testing::Test {
 protected:
  FxTest() : renderer(log), effect(log, "fx"), docDevice(log) {}
  void SetUp() override {
    manager.reset(new DS_DocResManager);
    g_DocResManager = manager.get();
    log.names[&source] = "source";
    log.names[&maskTexture] = "mask";
    renderer.sourceTexture = &source;
    renderer.imageWidth = 1024;
    renderer.imageHeight = 768;
  }
  void TearDown() override { manager.reset(); }
  // The item draws with the recording effect (a reference of its own).
  void Attach(DS_FX_Constructor& item) {
    item.effect.Share(&effect);
  }
  Lines Render(DS_FX_Constructor& item) {
    log.calls.clear();
    item.Render(&renderer);
    return log.calls;
  }

  CallLog log;
  RecordingRenderer renderer;
  RecordingEffect effect;
  FakeTexture source;
  FakeTexture maskTexture;
  EffectDocDevice docDevice;
  std::unique_ptr<DS_DocResManager> manager;

 private:
  lumi_test::SavedGlobal<DS_DocResManager*> savedManager_{g_DocResManager};
  lumi_test::SavedGlobal<int> savedMode_{g_LetterboxProjection.mode};
};

// Every concrete class that documents name, plus the underwater wobble, by a factory of default items.
struct FxClass {
  const char* name;
  std::function<DS_FX_Constructor*()> make;
};
inline std::vector<FxClass> AllClasses() {
  return {
      {"DS_PatternBrush", [] { return new DS_PatternBrush; }},
      {"DS_PatternBrushC", [] { return new DS_PatternBrushC; }},
      {"DS_BackgroundCopy", [] { return new DS_BackgroundCopy; }},
      {"DS_WavesFX", [] { return new DS_WavesFX; }},
      {"DS_LightFX", [] { return new DS_LightFX; }},
      {"DS_UnderwaterFX", [] { return new DS_UnderwaterFX; }},
      {"DS_WaterFX", [] { return new DS_WaterFX; }},
      {"DS_MoveFX", [] { return new DS_MoveFX; }},
      {"DS_FireFX", [] { return new DS_FireFX; }},
  };
}

// The bytes of an item's save.
inline std::vector<BYTE> Saved(DS_IOF_Item& item) {
  DS_IOF_W w;
  DS_IOF_Virtual* s = &w;
  item.Save(&s);
  return w.TakeBytes();
}

}  // namespace fx_test
