// Frame timing of the demo scene on the device: how long the scene host takes from bring-up to its first
// frame, then the time of each further frame (frame move, render, present) at the window's size, with the
// icon layer drawn over the scene as on every Windows version after 5.
//   frame_timing [frames] [width] [height] [picture position] [memory interval] [sound] [slide] [soak]
//   defaults: 300 frames, 1920 x 1080, 1 (Fit), no memory lines, sound 1 (0: the scene's tracks are
//   dropped before the scene starts, to tell what the sound costs), every slide (n: only the scene's
//   slide n, counted from 0, shown for good), soak 0 (1: frames are counted from the moment every slide
//   has shown once, and no times are printed)
// The window hands the sound graph's events to the scene host as the manager window does, so the
// playlist moves on and wraps as in the program.
// Prints one line per figure, and with a memory interval the process's memory every that many frames and
// at every slide start (which slide, whether its first start), the growth from the first slide start
// after the first frame to the moment every slide had shown once, then the growth from the moment every
// slide had shown once (the first start after the last slide's first, or for a single slide the end of
// its first cycle) to the last frame; exits non-zero when the scene host does not come up.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "app/reader_list.h"
#include "app/scene_host_win.h"
#include "bench_timing_win.h"
#include "dxut/dxut.h"
#include "lights/audio_graph_win.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "scene/module_resources_win.h"
#include "scene/scene_document.h"

using bench::Now;

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GRAPH_EVENT) {
    if (g_SceneHost) g_SceneHost->HandleGraphEvents();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void PrintGrowth(const bench::Memory& from, const bench::Memory& to) {
  auto d = [](unsigned long long a, unsigned long long b) { return static_cast<long long>(b) - static_cast<long long>(a); };
  std::printf("growth: private %+lld kB, working set %+lld kB, virtual %+lld kB", d(from.privateKb, to.privateKb),
              d(from.workingSetKb, to.workingSetKb), d(from.virtualKb, to.virtualKb));
  if (from.unixSide.anon >= 0 && to.unixSide.anon >= 0)
    std::printf(", unix anon %+lld kB, file %+lld kB, shmem %+lld kB", to.unixSide.anon - from.unixSide.anon,
                to.unixSide.file - from.unixSide.file, to.unixSide.shmem - from.unixSide.shmem);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = bench::Argument(argc, argv, 1, 300, 1);
  const int width = bench::Argument(argc, argv, 2, 1920, 1);
  const int height = bench::Argument(argc, argv, 3, 1080, 1);
  const int position = std::min(2, bench::Argument(argc, argv, 4, 1, 0));
  const int memoryInterval = bench::Argument(argc, argv, 5, 0, 0);
  const bool sound = bench::Argument(argc, argv, 6, 1, 0) != 0;
  const int onlySlide = bench::Argument(argc, argv, 7, -1, -1);
  const bool soak = bench::Argument(argc, argv, 8, 0, 0) != 0;
  SetModuleResources(&Win32ModuleResources());
  RegisterSlideShowReaders();

  const double start = Now();
  HWND window = bench::CreateWindowOfSize(L"LumivaneFrameTiming", L"Lumivane frame timing", width, height, WindowProc);
  if (!window) {
    std::fprintf(stderr, "frame_timing: no window\n");
    return 1;
  }
  std::unique_ptr<SceneHost> host(new SceneHost(true));
  if (!host->InitDevice(window, window)) {
    std::fprintf(stderr, "frame_timing: the device did not come up\n");
    return 1;
  }
  const double deviceUp = Now();
  try {
    host->SetRoot(LoadEmbeddedScene());
  } catch (...) {
    std::fprintf(stderr, "frame_timing: the embedded scene did not load\n");
    return 1;
  }
  const double sceneLoaded = Now();
  if (!sound) host->Root()->audioFiles.clear();
  if (onlySlide >= 0) {
    std::vector<CountedPtr<DS_SlideContainer>>& slides = host->Root()->slides;
    if (static_cast<size_t>(onlySlide) >= slides.size()) {
      std::fprintf(stderr, "frame_timing: the scene has %zu slides\n", slides.size());
      return 1;
    }
    CountedPtr<DS_SlideContainer> kept = slides[static_cast<size_t>(onlySlide)];
    slides.assign(1, kept);
  }
  host->StartScene();
  host->SetPicturePosition(position);
  const double sceneStarted = Now();
  DXUTRender3DEnvironment();
  bench::FinishDrawing(DXUTGetD3DDevice());
  const double firstFrame = Now();

  static const char* const kPositions[] = {"Stretch", "Fit", "Fill"};
  std::printf("size %d x %d, %s, %d frames%s%s", width, height, kPositions[position], frames,
              soak ? " after every slide has shown once" : "", sound ? "" : ", no sound");
  if (onlySlide >= 0) std::printf(", only slide %d", onlySlide);
  std::printf("\n");
  std::printf("device up            %8.1f ms\n", (deviceUp - start) * 1000);
  std::printf("scene loaded         %8.1f ms\n", (sceneLoaded - deviceUp) * 1000);
  std::printf("scene started        %8.1f ms\n", (sceneStarted - sceneLoaded) * 1000);
  std::printf("first frame          %8.1f ms\n", (firstFrame - sceneStarted) * 1000);
  std::printf("bring-up to first frame %5.1f ms\n", (firstFrame - start) * 1000);
  // A slide's start falls into the frame that starts it and, as the drawing is queued, the frame after:
  // both are timed, apart for a slide's first start (its light and items set up, its picture decoded)
  // and its later ones.
  const DS_SlideShow_Light* show = host->Root();
  const DS_SlideContainer* shown = show ? show->current.Get() : nullptr;
  std::set<const DS_SlideContainer*> started = {shown};
  std::vector<double> startFrames[2];  // [first start?] the start frame plus the one after it
  int after = -1;                      // the kind of start the last frame made, -1 for none
  // Every slide has shown once at the first start after the last slide's first one; a single slide at
  // the end of its first cycle, which began at the end of its fade-in.
  const double singleCycleEnd =
      show && show->slides.size() == 1 ? DXUTGetTime() + show->slides[0]->Times().Total() - show->slides[0]->Times().fadeIn
                                       : 0.0;
  int frame = 0;
  int allShownAt = -1;  // the frame by which every slide had shown once
  bench::Memory allShown;
  // At the first slide start after the first frame: the scene, its sound and the first slide are up.
  bench::Memory firstStart;
  bool firstStartTaken = false;
  auto step = [&] {
    const double t0 = Now();
    DXUTRender3DEnvironment();
    const double t = Now() - t0;
    ++frame;
    if (after >= 0) startFrames[after].back() += t;
    after = -1;
    bool cycled = false;
    if (show && show->current.Get() != shown) {
      shown = show->current.Get();
      after = started.insert(shown).second ? 1 : 0;
      cycled = after == 0 && started.size() == show->slides.size();
      startFrames[after].push_back(t);
      if (memoryInterval) {
        const size_t index = static_cast<size_t>(
            std::find_if(show->slides.begin(), show->slides.end(), [&](const CountedPtr<DS_SlideContainer>& s) {
              return s.Get() == shown;
            }) - show->slides.begin());
        char when[64];
        std::snprintf(when, sizeof(when), "at slide %zu's %s start", index, after ? "first" : "next");
        const bench::Memory m = bench::PrintMemoryAt(when);
        if (!firstStartTaken) firstStart = m;
        firstStartTaken = true;
      }
    }
    if (singleCycleEnd > 0 && DXUTGetTime() >= singleCycleEnd) cycled = true;
    if (allShownAt < 0 && cycled && (memoryInterval || soak)) {
      allShownAt = frame;
      char when[80];
      std::snprintf(when, sizeof(when), "when every slide had shown once (frame %d)", frame);
      allShown = bench::PrintMemoryAt(when);
      if (firstStartTaken) {
        std::printf("from the first slide start to when every slide had shown once: ");
        PrintGrowth(firstStart, allShown);
      }
    }
  };
  if (soak) {
    if (memoryInterval) bench::PrintMemory(0);
    while (allShownAt < 0 || frame - allShownAt < frames) {
      bench::PumpMessages();
      step();
      if (memoryInterval && frame % memoryInterval == 0) bench::PrintMemory(frame);
    }
    bench::FinishDrawing(DXUTGetD3DDevice());
  } else {
    bench::TimeFrames(frames, memoryInterval, DXUTGetD3DDevice(), step);
  }
  if (allShownAt >= 0) {
    const bench::Memory end = bench::PrintMemoryAt("at the end");
    std::printf("over the %d frames after every slide had shown once (frames %d to %d): ", frame - allShownAt,
                allShownAt, frame);
    PrintGrowth(allShown, end);
  } else if (memoryInterval || soak) {
    std::printf("not every slide had shown once in %d frames\n", frame);
  }
  for (int first = 1; first >= 0 && !soak; --first) {
    std::vector<double>& v = startFrames[first];
    if (v.empty()) continue;
    std::sort(v.begin(), v.end());
    // Worded so that scripts/bench, which reads the frame time's "median", does not take it for that.
    std::printf("slide starts (%s): %zu, start frame and the next together: middle %.1f ms, slowest %.1f ms\n",
                first ? "first" : "later", v.size(), v[v.size() / 2] * 1000, v.back() * 1000);
  }
  host.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return 0;
}
