// Frame timing of the demo scene on the device: how long the scene host takes from bring-up to its first
// frame, then the time of each further frame (frame move, render, present) at the window's size, with the
// icon layer drawn over the scene as on every Windows version after 5.
//   frame_timing [frames] [width] [height] [picture position]   defaults: 300 frames, 1920 x 1080, 1 (Fit)
// Prints one line per figure; exits non-zero when the scene host does not come up.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <d3d9.h>

#include "bench_window_win.h"

#include "app/scene_host_win.h"
#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "scene/module_resources_win.h"
#include "scene/scene_document.h"

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Waits until the device has carried out every command given so far: drawing is queued, so a frame's
// calls return before its pixels are made.
void FinishDrawing() {
  IDirect3DDevice9* device = DXUTGetD3DDevice();
  IDirect3DQuery9* query = nullptr;
  if (!device || FAILED(device->CreateQuery(D3DQUERYTYPE_EVENT, &query))) return;
  query->Issue(D3DISSUE_END);
  while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) Sleep(0);
  query->Release();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = bench::Argument(argc, argv, 1, 300, 1);
  const int width = bench::Argument(argc, argv, 2, 1920, 1);
  const int height = bench::Argument(argc, argv, 3, 1080, 1);
  const int position = std::min(2, bench::Argument(argc, argv, 4, 1, 0));
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
  host->StartScene();
  host->SetPicturePosition(position);
  const double sceneStarted = Now();
  DXUTRender3DEnvironment();
  FinishDrawing();
  const double firstFrame = Now();

  std::vector<double> times;
  times.reserve(frames);
  for (int i = 0; i < frames; ++i) {
    bench::PumpMessages();
    const double t0 = Now();
    DXUTRender3DEnvironment();
    times.push_back(Now() - t0);
  }
  FinishDrawing();
  const double total = Now() - firstFrame;
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  const double p95 = times[std::min(times.size() - 1, times.size() * 95 / 100)];

  static const char* const kPositions[] = {"Stretch", "Fit", "Fill"};
  std::printf("size %d x %d, %s, %d frames\n", width, height, kPositions[position], frames);
  std::printf("device up            %8.1f ms\n", (deviceUp - start) * 1000);
  std::printf("scene loaded, started %7.1f ms\n", (sceneStarted - deviceUp) * 1000);
  std::printf("first frame          %8.1f ms\n", (firstFrame - sceneStarted) * 1000);
  std::printf("bring-up to first frame %5.1f ms\n", (firstFrame - start) * 1000);
  // The mean includes the wait for the last frame's drawing; single frames may return before theirs is done.
  std::printf("frame time: mean %.2f ms, median %.2f ms, 95th percentile %.2f ms, fastest %.2f ms\n",
              total / frames * 1000, median * 1000, p95 * 1000, times.front() * 1000);
  host.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return 0;
}
