// Native benchmarks of the 3D objects: one frame move (item clock and every instance's animation) of a
// flock of butterflies and of a fall of leaves over a 1920 x 1080 picture; the per-object time is the
// counter per_object.
#include <benchmark/benchmark.h>

#include <memory>

#include "objects3d/butterfly.h"
#include "objects3d/leaves.h"
#include "platform/noise.h"
#include "scene/screen_mapping.h"

namespace {

void SetPicture() {
  GetScreenMapping()->pictureWidth = 1920;
  GetScreenMapping()->pictureHeight = 1080;
  ResetCrtRand();
}

void Report(benchmark::State& state, int objects) {
  state.counters["per_object"] = benchmark::Counter(static_cast<double>(state.iterations()) * objects,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ButterfliesFrameMove(benchmark::State& state) {
  SetPicture();
  const int n = static_cast<int>(state.range(0));
  DS_ButterflyConstructor item;
  item.count = static_cast<UINT>(n);
  std::unique_ptr<DS_ABObj> flock(item.CreateRenderObject());
  double t = 0;
  for (auto _ : state) {
    t += 0.02;
    flock->Update(t);
  }
  Report(state, n);
}
BENCHMARK(BM_ButterfliesFrameMove)->Arg(200);

void BM_LeavesFrameMove(benchmark::State& state) {
  SetPicture();
  const int n = static_cast<int>(state.range(0));
  DS_3D_in_2D_array_Constructor item;
  item.leafCount = static_cast<UINT>(n);
  item.params.size = 40u;
  item.params.sway = 30u;
  item.params.swayRate = 20u;
  item.params.SetOrientation(270);
  std::unique_ptr<DS_ABObj> leaves(item.CreateRenderObject());
  double t = 0;
  for (auto _ : state) {
    t += 0.02;
    leaves->Update(t);
  }
  Report(state, n);
}
BENCHMARK(BM_LeavesFrameMove)->Arg(500);

}  // namespace
