// Frame time of each animated picture light of the demo scene beside the plain picture light, in one run on
// the device: every slide of the demo whose light is not the plain one is timed as the scene (no fades), and
// the same slide with a plain light over the same picture, the two in turn for several rounds so that they
// share the machine's load. A light added to the demo scene is timed without a change here.
//   light_frame_timing [frames] [width] [height] [rounds] [parts of slides' names, comma-separated]
//   defaults: 60 frames a case and round, 1920 x 1080 (Fit), 3 rounds, every such slide in the demo's order;
//   with names, the slides holding them in the order the names are given (a light's frame time may depend
//   on what the process drew before it)
// Prints each round's median frame times, then the median frame time of each light and of its plain slide
// over all rounds and their ratio, then the largest ratio; exits non-zero when the scene host does not come
// up or the demo scene has no animated light.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/reader_list.h"
#include "app/scene_host_win.h"
#include "bench_timing_win.h"
#include "bench_window_win.h"
#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "scene/module_resources_win.h"
#include "scene/readers.h"
#include "scene/scene_document.h"

namespace {

struct LightCase {
  CountedPtr<DS_SlideContainer> slide;
  CountedPtr<DS_2D_Light> light, plain;  // the slide's own light; the plain light over its picture
  std::string label;                     // slide name and light class
  std::vector<double> lightTimes, plainTimes;
  bool lightMade = false, plainMade = false;  // each light's device objects made once
};

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// The class name of a light object, from its type's (possibly mangled) name.
std::string ClassName(const DS_2D_Light& light) {
  std::string name = typeid(light).name();
  size_t i = 0;
  while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) ++i;
  return name.substr(i);
}

// Frame times in ms of `frames` frames of the slide with the given light as the scene (no fades), after a
// warm-up, each frame waited for. The document is read once: every case shares its resources.
void TimeSlide(SceneHost& host, LightCase& c, bool plain, int frames) {
  host.SetRoot(nullptr);
  c.slide->picture = plain ? c.plain : c.light;
  auto* show = new DS_SlideShow_Light;
  show->slides.push_back(c.slide);
  host.SetRoot(show);
  // A slide sets up its objects once, at its first start, with the light it has then: the other light,
  // swapped in later, is set up here as that start would.
  bool& made = plain ? c.plainMade : c.lightMade;
  if (!made && c.slide->ObjectsCreated()) {
    c.slide->picture->OnCreateDevice();
    c.slide->picture->Resize(1, 1);
  }
  made = true;
  host.StartScene();
  host.SetPicturePosition(1);
  for (int i = 0; i < 10; ++i) DXUTRender3DEnvironment();  // textures, effects and targets made
  bench::FinishDrawing(DXUTGetD3DDevice());
  std::vector<double>& out = plain ? c.plainTimes : c.lightTimes;
  for (int i = 0; i < frames; ++i) {
    bench::PumpMessages();
    const double t0 = bench::Now();
    DXUTRender3DEnvironment();
    bench::FinishDrawing(DXUTGetD3DDevice());
    out.push_back((bench::Now() - t0) * 1000);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = bench::Argument(argc, argv, 1, 60, 1);
  const int width = bench::Argument(argc, argv, 2, 1920, 1);
  const int height = bench::Argument(argc, argv, 3, 1080, 1);
  const int rounds = bench::Argument(argc, argv, 4, 3, 1);
  std::vector<std::string> names;
  for (std::string list = argc > 5 ? argv[5] : "";;) {
    const size_t comma = list.find(',');
    names.push_back(list.substr(0, comma));
    if (comma == std::string::npos) break;
    list.erase(0, comma + 1);
  }
  SetModuleResources(&Win32ModuleResources());
  RegisterAllReaders();
  HWND window = bench::CreateWindowOfSize(L"LumivaneLightTiming", L"Lumivane light timing", width, height);
  std::unique_ptr<SceneHost> host(new SceneHost(true));
  if (!window || !host->InitDevice(window, window)) {
    std::fprintf(stderr, "light_frame_timing: the device did not come up\n");
    return 1;
  }

  // Every slide whose light is an animated one.
  std::unique_ptr<DS_SlideShow_Light> document(LoadSceneDocument());
  std::vector<LightCase> cases;
  for (const std::string& name : names)
    for (const CountedPtr<DS_SlideContainer>& s : document->slides) {
      if (!s->picture || typeid(*s->picture) == typeid(DS_2D_Light)) continue;
      if (Narrow(s->name.GetValue()).find(name) == std::string::npos) continue;
      // A slide two names hold is timed once.
      if (std::any_of(cases.begin(), cases.end(), [&](const LightCase& c) { return c.slide.Get() == s.Get(); }))
        continue;
      LightCase c;
      c.slide = s;
      c.light = s->picture;
      auto* plain = new DS_2D_Light;
      plain->picture.Raw() = s->picture->picture.GetKey();
      c.plain = CountedPtr<DS_2D_Light>(plain);
      c.label = Narrow(s->name.GetValue()) + " (" + ClassName(*s->picture) + ")";
      s->fadeIn.Raw() = 0;
      s->fadeOut.Raw() = 0;
      s->show.Raw() = 100000;
      cases.push_back(c);
    }

  if (cases.empty()) {
    std::fprintf(stderr, "light_frame_timing: the demo scene has no animated light\n");
    return 1;
  }

  std::printf("each round's median frame times: plain ms, light ms\n");
  for (int round = 0; round < rounds; ++round)
    for (LightCase& c : cases) {
      TimeSlide(*host, c, true, frames);
      TimeSlide(*host, c, false, frames);
      const std::vector<double> plain(c.plainTimes.end() - frames, c.plainTimes.end());
      const std::vector<double> light(c.lightTimes.end() - frames, c.lightTimes.end());
      std::printf("round %d: %-48s %8.2f %8.2f\n", round, c.label.c_str(), Median(plain), Median(light));
    }

  std::printf("picture lights: size %d x %d, Fit, %d rounds of %d frames a case, median frame times\n", width,
              height, rounds, frames);
  std::printf("%-48s %10s %10s %7s\n", "slide (light)", "plain ms", "light ms", "ratio");
  double worst = 0;
  std::string worstLabel;
  for (const LightCase& c : cases) {
    const double plain = Median(c.plainTimes), light = Median(c.lightTimes), ratio = light / plain;
    std::printf("%-48s %10.2f %10.2f %7.2f\n", c.label.c_str(), plain, light, ratio);
    if (ratio > worst) {
      worst = ratio;
      worstLabel = c.label;
    }
  }
  std::printf("largest ratio %.2f: %s\n", worst, worstLabel.c_str());
  host.reset();
  cases.clear();
  document.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return 0;
}
