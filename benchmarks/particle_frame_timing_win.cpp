// Frame time of the demo's particle slides beside a plain picture slide of the same scene, in one run on
// the device: each slide alone as the scene (no fades), its frames timed after a warm-up, the slides in
// turns over several rounds so that a change of the machine's load falls on all of them alike.
//   particle_frame_timing [frames] [width] [height] [rounds]   defaults: 100 frames, 1920 x 1080 (Fit), 3
// Each round times every slide for that many frames, then with its items dropped (its picture alone).
// Prints each round's medians, then per slide the median over the rounds, its ratio to the plain slide
// and to its own picture alone; exits non-zero when the scene host does not come up.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <d3d9.h>

#include "bench_timing_win.h"
#include "bench_window_win.h"

#include "app/reader_list.h"
#include "app/scene_host_win.h"
#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "scene/module_resources_win.h"
#include "scene/readers.h"
#include "scene/scene_document.h"

namespace {

struct Timing {
  double median = 0, mean = 0;
};

// The embedded scene reduced to the named slide, shown without fades for as long as the run lasts.
DS_SlideShow_Light* SceneOf(const std::u16string& name) {
  DS_SlideShow_Light* show = LoadSceneDocument();
  std::vector<CountedPtr<DS_SlideContainer>> kept;
  for (const CountedPtr<DS_SlideContainer>& s : show->slides)
    if (s->name.GetValue() == name) kept.push_back(s);
  show->slides = kept;
  for (const CountedPtr<DS_SlideContainer>& s : show->slides) {
    s->fadeIn.Raw() = 0;
    s->fadeOut.Raw() = 0;
    s->show.Raw() = 100000;
  }
  return show;
}

// bare: the slide's render objects are dropped once made, leaving its picture alone.
bool TimeSlide(SceneHost& host, const std::u16string& name, bool bare, int frames, Timing* out) {
  DS_SlideShow_Light* show = SceneOf(name);
  if (show->slides.empty()) return false;
  host.SetRoot(show);
  host.StartScene();
  if (bare) {
    show->slides[0]->CreateObjects();  // as the slide's start would, so that they can be dropped
    show->slides[0]->renderObjects.clear();
  }
  host.SetPicturePosition(1);
  for (int i = 0; i < 30; ++i) DXUTRender3DEnvironment();  // warm-up: textures, effects, targets made
  bench::FinishDrawing(DXUTGetD3DDevice());
  std::vector<double> times;
  const double start = bench::Now();
  for (int i = 0; i < frames; ++i) {
    bench::PumpMessages();
    const double t0 = bench::Now();
    DXUTRender3DEnvironment();
    times.push_back(bench::Now() - t0);
  }
  bench::FinishDrawing(DXUTGetD3DDevice());
  out->mean = (bench::Now() - start) / frames;
  std::sort(times.begin(), times.end());
  out->median = times[times.size() / 2];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = bench::Argument(argc, argv, 1, 100, 1);
  const int width = bench::Argument(argc, argv, 2, 1920, 1);
  const int height = bench::Argument(argc, argv, 3, 1080, 1);
  SetModuleResources(&Win32ModuleResources());
  RegisterAllReaders();
  HWND window = bench::CreateWindowOfSize(L"LumivaneParticleTiming", L"Lumivane particle timing", width, height);
  std::unique_ptr<SceneHost> host(new SceneHost(true));
  if (!window || !host->InitDevice(window, window)) {
    std::fprintf(stderr, "particle_frame_timing: the device did not come up\n");
    return 1;
  }
  const int rounds = bench::Argument(argc, argv, 4, 3, 1);
  const char16_t* const slides[] = {u"Bright morning", u"Sky over the lake", u"Rain over the hills", u"Sparks at night"};
  const size_t n = sizeof(slides) / sizeof(slides[0]);
  std::vector<std::vector<double>> full(n), bare(n);
  std::printf("size %d x %d, Fit, %d rounds of %d frames a slide\n", width, height, rounds, frames);
  for (int r = 0; r < rounds; ++r) {
    std::printf("round %d:", r + 1);
    for (size_t i = 0; i < n; ++i) {
      Timing t, alone;
      if (!TimeSlide(*host, slides[i], false, frames, &t) || !TimeSlide(*host, slides[i], true, frames, &alone)) {
        const std::u16string name(slides[i]);
        std::fprintf(stderr, "particle_frame_timing: the demo scene has no slide '%s'\n",
                     std::string(name.begin(), name.end()).c_str());
        return 1;
      }
      full[i].push_back(t.median);
      bare[i].push_back(alone.median);
      std::printf(" %.2f/%.2f ms", t.median * 1000, alone.median * 1000);
    }
    std::printf("  (each slide / its picture alone)\n");
    std::fflush(stdout);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  };
  const double plain = median(full[0]);
  for (size_t i = 0; i < n; ++i) {
    const std::u16string name(slides[i]);
    const double m = median(full[i]), alone = median(bare[i]);
    std::printf("%-22s median %7.2f ms, ratio to the plain slide %.2f; its picture alone %7.2f ms, ratio to it %.2f\n",
                std::string(name.begin(), name.end()).c_str(), m * 1000, m / plain, alone * 1000, m / alone);
  }
  host.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return 0;
}
