// Frame timing of the demo scene on the device: how long the scene host takes from bring-up to its first
// frame, then the time of each further frame (frame move, render, present) at the window's size, with the
// icon layer drawn over the scene as on every Windows version after 5.
//   frame_timing [frames] [width] [height] [picture position] [memory interval]
//   defaults: 300 frames, 1920 x 1080, 1 (Fit), no memory lines
// Prints one line per figure, and with a memory interval the process's memory every that many frames;
// exits non-zero when the scene host does not come up.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/scene_host_win.h"
#include "bench_timing_win.h"
#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "scene/module_resources_win.h"
#include "scene/scene_document.h"

using bench::Now;

int main(int argc, char** argv) {
  const int frames = bench::Argument(argc, argv, 1, 300, 1);
  const int width = bench::Argument(argc, argv, 2, 1920, 1);
  const int height = bench::Argument(argc, argv, 3, 1080, 1);
  const int position = std::min(2, bench::Argument(argc, argv, 4, 1, 0));
  const int memoryInterval = bench::Argument(argc, argv, 5, 0, 0);
  SetModuleResources(&Win32ModuleResources());
  RegisterSlideShowReaders();

  const double start = Now();
  HWND window = bench::CreateWindowOfSize(L"LumivaneFrameTiming", L"Lumivane frame timing", width, height);
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
    host->SetRoot(LoadSceneDocument());
  } catch (...) {
    std::fprintf(stderr, "frame_timing: the embedded scene did not load\n");
    return 1;
  }
  const double sceneLoaded = Now();
  host->StartScene();
  host->SetPicturePosition(position);
  const double sceneStarted = Now();
  DXUTRender3DEnvironment();
  bench::FinishDrawing(DXUTGetD3DDevice());
  const double firstFrame = Now();

  static const char* const kPositions[] = {"Stretch", "Fit", "Fill"};
  std::printf("size %d x %d, %s, %d frames\n", width, height, kPositions[position], frames);
  std::printf("device up            %8.1f ms\n", (deviceUp - start) * 1000);
  std::printf("scene loaded         %8.1f ms\n", (sceneLoaded - deviceUp) * 1000);
  std::printf("scene started        %8.1f ms\n", (sceneStarted - sceneLoaded) * 1000);
  std::printf("first frame          %8.1f ms\n", (firstFrame - sceneStarted) * 1000);
  std::printf("bring-up to first frame %5.1f ms\n", (firstFrame - start) * 1000);
  // A slide's start (its picture decoded, its light and items set up when it first shows) falls into the
  // frame that starts it and, as the drawing is queued, the frame after: both are timed apart.
  const DS_SlideShow_Light* show = host->Root();
  const DS_SlideContainer* shown = show ? show->current.Get() : nullptr;
  std::vector<double> changeFrames, afterChangeFrames;
  bool changed = false;
  bench::TimeFrames(frames, memoryInterval, DXUTGetD3DDevice(), [&] {
    const double t0 = Now();
    DXUTRender3DEnvironment();
    const double t = Now() - t0;
    if (changed) afterChangeFrames.push_back(t);
    changed = show && show->current.Get() != shown;
    if (changed) {
      shown = show->current.Get();
      changeFrames.push_back(t);
    }
  });
  if (!changeFrames.empty()) {
    const auto slowest = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); };
    std::printf("slide changes: %zu, frame at a change slowest %.2f ms, frame after it slowest %.2f ms\n",
                changeFrames.size(), slowest(changeFrames) * 1000, slowest(afterChangeFrames) * 1000);
  }
  host.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return 0;
}
