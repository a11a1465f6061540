// Native benchmarks of the particle items: one frame move plus vertex fill of a flow item with 10,000
// particles, in ns per particle beside the time of touching every particle record once (read and write
// of every byte, the memory-bandwidth bound of any rule that reads a record), measured in the same run;
// and 100,000 frame moves of the demo scene's particle slides, which must grow no heap.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <ctime>
#include <memory>
#include <vector>

#include "app/reader_list.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "particles/flow_particles.h"
#include "particles/particle_objects.h"
#include "scene/doc_res_manager.h"
#include "particles/fx_particle_ctrl.h"
#include "scene/scene_document.h"
#include "scene/screen_mapping.h"
#include "support/fake_geometry.h"
#include "support/fake_module_resources.h"
#include "support/recording_render_device.h"

// The demo document's bytes (scene_benchmarks.cpp); null, with the benchmark skipped, when there is none.
const std::vector<BYTE>* DemoDocumentFor(benchmark::State& state);

namespace {

const int kParticles = 10000;

// CPU time of this thread in ns: the machine may be shared, and wall time then counts the others' work.
double ThreadNs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// Reads and writes back every 8 bytes of every particle record once, in list order: what any rule that
// touches the whole record costs at least.
double TouchNsPerParticle(std::vector<Particle*>& particles) {
  static volatile uint64_t zero = 0;
  const uint64_t salt = zero;
  const int rounds = 50;
  const double start = ThreadNs();
  for (int r = 0; r < rounds; ++r) {
    for (Particle* p : particles) {
      auto* words = reinterpret_cast<uint64_t*>(p);
      for (size_t i = 0; i < sizeof(Particle) / sizeof(uint64_t); ++i) words[i] += salt;
    }
    benchmark::ClobberMemory();
  }
  return (ThreadNs() - start) / rounds / static_cast<double>(particles.size());
}

void BM_FlowFrameOf10000Particles(benchmark::State& state) {
  lumi_test::RecordingRenderDevice device;
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

// The ratio of the two, from one run: ns per particle of the frame over the touch bound, both in CPU time.
void BM_FlowFrameOverTouchBound(benchmark::State& state) {
  lumi_test::RecordingRenderDevice device;
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
    const double start = ThreadNs();
    for (int k = 0; k < 20; ++k) object->Update(t += 1.0 / 60);
    frameNs += (ThreadNs() - start) / 20 / kParticles;
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
  const std::vector<BYTE>* document = DemoDocumentFor(state);
  if (!document) return;
  RegisterAllReaders();
  FakeModuleResources modules;
  modules.AddDds(nullptr, kSceneDocumentId, *document);
  std::unique_ptr<DS_SlideShow_Light> show(LoadSceneDocument());
  lumi_test::RecordingRenderDevice device;
  GetScreenMapping()->pictureWidth = 1600;
  GetScreenMapping()->pictureHeight = 1000;
  // The particle items' render objects alone (the slides' pictures stay off the fake device).
  std::vector<std::unique_ptr<DS_ABObj>> objects;
  for (const CountedPtr<DS_SlideContainer>& slide : show->slides)
    for (const auto& item : slide->items)
      if (dynamic_cast<DS_ParticleSystemCtrl*>(item.get())) objects.emplace_back(item->CreateRenderObject());
  double t = 0;
  for (int k = 0; k < 1000; ++k)
    for (const auto& o : objects) o->Update(t += 1.0 / 60);
  long growth = 0;
  for (auto _ : state) {
    const size_t before = mallinfo2().uordblks;
    for (int k = 0; k < 100000; ++k) {
      t += 1.0 / 60;
      for (const auto& o : objects) o->Update(t);
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
