// A recording device whose documents' effects record into a call log: each effect made is a recording effect named
// by its source text; an empty text or one that starts with '!' compiles to no effect.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/recording_effect.h"
#include "support/recording_render_device.h"

namespace lumi_test {

class EffectDocDevice : public RecordingRenderDevice {
 public:
  explicit EffectDocDevice(CallLog& log) : log_(log) {}
  ID3DXEffect* CreateEffect(const BYTE* data, INT size) override {
    const std::string text(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    if (text.empty() || text[0] == '!') return nullptr;
    made.emplace_back(new RecordingEffect(log_, text));
    return made.back().get();
  }
  void AddRefEffect(ID3DXEffect* e) override { e->AddRef(); }
  void ReleaseEffect(ID3DXEffect* e) override { e->Release(); }
  void EffectLostDevice(ID3DXEffect*) override {}
  void EffectResetDevice(ID3DXEffect*) override {}
  void UnbindEffectTextures(ID3DXEffect*) override {}

  std::vector<std::unique_ptr<RecordingEffect>> made;

 private:
  CallLog& log_;
};

}  // namespace lumi_test
