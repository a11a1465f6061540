// Native benchmarks of the particle items: one frame move plus vertex fill of a flow item with 10,000
// particles, in ns per particle beside the time of touching every particle record once (read and write
// of every byte, the memory-bandwidth bound of any rule that reads a record), measured in the same run;
// and 100,000 frame moves of the demo scene's particle slides, which must grow no heap.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <memory>
#include <vector>

#include "lights/slide.h"
#include "lights/slide_show.h"
#include "particles/flow_particles.h"
#include "render/render_objects.h"
#include "scene/doc_res_manager.h"
#include "scene/fx_particle_ctrl.h"
#include "scene/screen_mapping.h"
#include "support/fake_geometry.h"

// The demo scene, loaded from its document (scene_benchmarks.cpp); null, with the benchmark skipped,
// when there is none.
std::unique_ptr<DS_SlideShow_Light> LoadDemoForBenchmark(benchmark::State& state);

namespace {

const int kParticles = 10000;

// Reads and writes every byte of every record once.
double TouchNsPerParticle(std::vector<Particle*>& particles) {
  const int rounds = 50;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r)
    for (Particle* p : particles) {
      auto* bytes = reinterpret_cast<volatile unsigned char*>(p);
      for (size_t i = 0; i < sizeof(Particle); i += sizeof(unsigned char)) bytes[i] = static_cast<unsigned char>(bytes[i] + 0);
    }
  const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  return ns / rounds / static_cast<double>(particles.size());
}

void BM_FlowFrameOf10000Particles(benchmark::State& state) {
  lumi_test::FakeGeometryDevice geometry;
  GetScreenMapping()->pictureWidth = 1920;
  GetScreenMapping()->pictureHeight = 1080;
  DS_FlowConstructor item;
  item.angle.Raw() = 135;
  item.driftSpeed.Raw() = 13;
  item.driftChangeRate.Raw() = 6;
  item.baseSpeed = 94.34f;
  item.size.Raw() = 12;
  item.count.Raw() = kParticles;
  std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
  double t = 0;
  for (auto _ : state) {
    t += 1.0 / 60;
    object->Update(t);  // the item clock, every particle's rule, then the quads into the vertex buffer
  }
  const double bound = TouchNsPerParticle(object->particles);
  state.SetItemsProcessed(state.iterations() * kParticles);
  state.counters["ns_per_particle"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kParticles, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["touch_ns_per_particle"] = bound;
  state.counters["record_bytes"] = sizeof(Particle);
  GetScreenMapping()->pictureWidth = GetScreenMapping()->pictureHeight = 0;
}
BENCHMARK(BM_FlowFrameOf10000Particles)->Unit(benchmark::kMicrosecond);

// The ratio of the two, from one run: ns per particle of the frame over the touch bound.
void BM_FlowFrameOverTouchBound(benchmark::State& state) {
  lumi_test::FakeGeometryDevice geometry;
  GetScreenMapping()->pictureWidth = 1920;
  GetScreenMapping()->pictureHeight = 1080;
  DS_FlowConstructor item;
  item.angle.Raw() = 135;
  item.baseSpeed = 94.34f;
  item.size.Raw() = 12;
  item.count.Raw() = kParticles;
  std::unique_ptr<DS_SpriteArrayObj> object(static_cast<DS_SpriteArrayObj*>(item.CreateRenderObject()));
  double t = 0, frameNs = 0, touchNs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < 20; ++k) object->Update(t += 1.0 / 60);
    frameNs += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / 20 / kParticles;
    touchNs += TouchNsPerParticle(object->particles);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["frame_ns_per_particle"] = frameNs / n;
  state.counters["touch_ns_per_particle"] = touchNs / n;
  state.counters["ratio"] = frameNs / touchNs;
  GetScreenMapping()->pictureWidth = GetScreenMapping()->pictureHeight = 0;
}
BENCHMARK(BM_FlowFrameOverTouchBound)->Unit(benchmark::kMillisecond)->Iterations(20);

// 100,000 frame moves of every particle slide's render objects, at 60 a second: the heap in use must not
// grow (reported as heap_growth_bytes; the benchmark fails when it does).
void BM_ParticleSlidesGrowNothing(benchmark::State& state) {
  std::unique_ptr<DS_SlideShow_Light> show = LoadDemoForBenchmark(state);
  if (!show) return;
  lumi_test::FakeGeometryDevice geometry;
  GetScreenMapping()->pictureWidth = 1600;
  GetScreenMapping()->pictureHeight = 1000;
  std::vector<CountedPtr<DS_ABObj>> objects;
  for (const CountedPtr<DS_SlideContainer>& slide : show->slides) {
    slide->CreateObjects();
    for (const CountedPtr<DS_ABObj>& o : slide->renderObjects)
      if (dynamic_cast<DS_ParticleSystemCtrl*>(o->item)) objects.push_back(o);
  }
  double t = 0;
  for (int k = 0; k < 1000; ++k)
    for (const CountedPtr<DS_ABObj>& o : objects) o->Update(t += 1.0 / 60);
  long growth = 0;
  for (auto _ : state) {
    const size_t before = mallinfo2().uordblks;
    for (int k = 0; k < 100000; ++k) {
      t += 1.0 / 60;
      for (const CountedPtr<DS_ABObj>& o : objects) o->Update(t);
    }
    growth = static_cast<long>(mallinfo2().uordblks) - static_cast<long>(before);
  }
  state.counters["particle_objects"] = static_cast<double>(objects.size());
  state.counters["heap_growth_bytes"] = static_cast<double>(growth);
  if (growth > 0) state.SkipWithError("the heap grew over 100,000 frame moves");
  objects.clear();
  show.reset();
  delete g_DocResManager;
  g_DocResManager = nullptr;
  GetScreenMapping()->pictureWidth = GetScreenMapping()->pictureHeight = 0;
}
BENCHMARK(BM_ParticleSlidesGrowNothing)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
