// Frame time of the demo's particle slides beside a plain picture slide of the same scene, in one run on
// the device: each slide alone as the scene (no fades), its frames timed after a warm-up.
//   particle_frame_timing [frames] [width] [height]   defaults: 300 frames, 1920 x 1080 (Fit)
// Prints the median and mean frame time of each slide, the ratio of each particle slide to the plain one,
// and each slide's time with its items dropped (its picture alone); exits non-zero when the scene host does
// not come up.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <d3d9.h>

#include "bench_timing_win.h"
#include "bench_window_win.h"

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
  const int frames = bench::Argument(argc, argv, 1, 300, 1);
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
  const char16_t* const slides[] = {u"Bright morning", u"Sky over the lake", u"Rain over the hills", u"Sparks at night"};
  std::vector<Timing> timings;
  std::printf("size %d x %d, Fit, %d frames a slide\n", width, height, frames);
  for (const char16_t* name : slides) {
    Timing t, bare;
    if (!TimeSlide(*host, name, false, frames, &t) || !TimeSlide(*host, name, true, frames, &bare)) {
      std::fprintf(stderr, "particle_frame_timing: the demo scene has no slide '%ls'\n",
                   std::wstring(name, name + std::char_traits<char16_t>::length(name)).c_str());
      return 1;
    }
    timings.push_back(t);
    const std::string n(name, name + std::char_traits<char16_t>::length(name));
    std::printf("%-22s median %7.2f ms, mean %7.2f ms, ratio to the plain slide %.2f; its picture alone %7.2f ms\n",
                n.c_str(), t.median * 1000, t.mean * 1000, t.median / timings[0].median, bare.median * 1000);
  }
  host.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return 0;
}
