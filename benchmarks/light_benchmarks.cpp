// Native benchmarks of the animated picture lights: one frame's work of each light for a 1920 x 1080
// picture, beside the plain picture light's frame move, in one run. Buffers are the in-memory stand-ins
// of the tests, so the figures are the lights' own arithmetic and vertex writing.
#include <benchmark/benchmark.h>

#include <memory>

#include "lights/flame_light.h"
#include "lights/glass_ball_light.h"
#include "lights/lake_light.h"
#include "lights/matrix_code_light.h"
#include "lights/water_ring_light.h"
#include "platform/noise.h"
#include "render/projection.h"
#include "support/recording_render_device.h"

namespace {

// A light whose picture is 1920 x 1080, placed on a 1920 x 1080 back buffer.
struct Stage {
  lumi_test::RecordingRenderDevice device{1920, 1080};
  // The projection's bars outlive the stage: they let go of its buffers with it.
  ~Stage() {
    for (auto& bar : g_LetterboxProjection.bars) bar.ReleaseVertexBuffer();
  }
  template <class L>
  void Place(L& light) {
    light.pictureQuad.info.width = 1920;
    light.pictureQuad.info.height = 1080;
    light.Resize(1920, 1080);
  }
};

// Frame moves at 60 a second.
template <class L>
void FrameMoves(benchmark::State& state, L& light) {
  double t = 0;
  for (auto _ : state) {
    light.FrameMove(t);
    t += 1.0 / 60;
  }
}

void BM_PlainLightFrameMove(benchmark::State& state) {
  Stage stage;
  DS_2D_Light light;
  stage.Place(light);
  FrameMoves(state, light);
}
BENCHMARK(BM_PlainLightFrameMove);

// The grid step, spawning, the walk over every cell and the quads of the frame.
void BM_MatrixCodeFrame(benchmark::State& state) {
  Stage stage;
  ResetCrtRand();
  DS_MatrixCodeLight light;
  stage.Place(light);
  light.settings->cellSize = static_cast<UINT>(state.range(0));
  light.settings->density = 40;
  light.settings->glyphCount = 12;
  light.settings->flickerCount = 50;
  light.RebuildGrid();
  light.ResizeSprites();
  double t = 0;
  for (int i = 0; i < 200; ++i) light.UpdateGlyphs(t += 1.0 / 60);  // a screen full of runs
  for (auto _ : state) {
    light.FrameMove(t);
    light.UpdateGlyphs(t);
    t += 1.0 / 60;
  }
  state.counters["quads"] = light.sprites.quadCount;
}
BENCHMARK(BM_MatrixCodeFrame)->Arg(16)->Arg(8)->Unit(benchmark::kMicrosecond);

// Four simulation passes and the vertex fill of a 16:9 picture's surface.
void BM_WaterRingFrameMove(benchmark::State& state) {
  Stage stage;
  ResetCrtRand();
  DS_WaterRingLight light;
  stage.Place(light);
  light.OnCreateDevice();
  stage.Place(light);
  light.CreateSurface();
  FrameMoves(state, light);
  state.counters["vertices"] = light.surface->vertexCount;
}
BENCHMARK(BM_WaterRingFrameMove)->Unit(benchmark::kMicrosecond);

void BM_LakeFrameMove(benchmark::State& state) {
  Stage stage;
  FakeLake2D light;
  stage.Place(light);
  FrameMoves(state, light);
}
BENCHMARK(BM_LakeFrameMove);

void BM_GlassBallFrameMove(benchmark::State& state) {
  Stage stage;
  DS_GlassBallLight light;
  stage.Place(light);
  FrameMoves(state, light);
}
BENCHMARK(BM_GlassBallFrameMove);

// An effect that takes every value and draws nothing: what the flame's haze costs on its own side.
struct QuietEffect : ID3DXEffect {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  // Every technique asked for is there.
  D3DXHANDLE STDMETHODCALLTYPE GetTechniqueByName(const char* name) override { return name; }
  HRESULT STDMETHODCALLTYPE SetTechnique(D3DXHANDLE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetValue(D3DXHANDLE, const void*, UINT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetBool(D3DXHANDLE, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetInt(D3DXHANDLE, INT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetFloat(D3DXHANDLE, FLOAT f) override {
    benchmark::DoNotOptimize(f);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetFloatArray(D3DXHANDLE, const FLOAT* f, UINT) override {
    benchmark::DoNotOptimize(f[0]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetVector(D3DXHANDLE, const D3DXVECTOR4*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMatrix(D3DXHANDLE, const D3DXMATRIX*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetTexture(D3DXHANDLE, IDirect3DBaseTexture9*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Begin(UINT* passes, DWORD) override {
    *passes = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BeginPass(UINT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE CommitChanges() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EndPass() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE End() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnLostDevice() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnResetDevice() override { return S_OK; }
  ULONG refs = 1;
};

// The fire's clock, the camera and the haze's scroll and values on its effect.
void BM_FlameFrameMove(benchmark::State& state) {
  Stage stage;
  QuietEffect effect;
  DS_FlameLight light;
  stage.Place(light);
  light.haze.SetQuadSize(1920, 1080);
  light.haze.effect.Share(&effect);
  FrameMoves(state, light);
  light.haze.effect.Reset();
}
BENCHMARK(BM_FlameFrameMove);

}  // namespace
