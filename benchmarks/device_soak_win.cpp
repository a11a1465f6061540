// Device-loss soak of the demo scene: while the scene plays, the device is made lost and reset again and
// again (the framework's forced loss: device-lost, the device's own Reset, device-reset), a few frames
// are drawn after each reset and the last of them is read back, and the process's memory is taken after
// every cycle. A long-running background meets device losses at every screen lock, resolution change or
// driver update; none of them may leak or leave the scene undrawn.
//   device_soak [cycles] [width] [height] [frames per cycle]   defaults: 100, 1280 x 720, 10
// Prints its figures; exits non-zero when a reset is missing, a frame cannot be read back, no frame after
// a reset shows the scene, or the memory after the last cycle is above the first cycle's by more than
// the slack.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <d3d9.h>

#include "bench_timing_win.h"

#include "app/reader_list.h"
#include "app/scene_host_win.h"
#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "scene/module_resources_win.h"
#include "scene/scene_document.h"

namespace {

// Allocator and driver caches may settle a little after the first cycle; a leak of one cycle's device
// objects (textures of the scene's pictures, the icon layer) is far above this.
const SIZE_T kSlackBytes = 1 << 20;

int g_resets = 0;
bool g_readBack = false;      // the next frame render reads the back buffer
bool g_readOk = false;        // it could
double g_litFraction = 0.0;   // the share of its pixels that are not black

// One system-memory copy for every read-back, made at the first: a copy made and freed per cycle would
// show in the memory figures as it comes and goes.
IDirect3DSurface9* g_copy = nullptr;

// Reads the back buffer just drawn and measures how much of it is lit.
void ReadBack(IDirect3DDevice9* device) {
  g_readOk = false;
  IDirect3DSurface9* back = nullptr;
  D3DSURFACE_DESC desc = {};
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return;
  back->GetDesc(&desc);
  if (!g_copy && FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                            &g_copy, nullptr)))
    g_copy = nullptr;
  IDirect3DSurface9* copy = g_copy;
  if (copy && SUCCEEDED(device->GetRenderTargetData(back, copy))) {
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
      size_t lit = 0;
      for (UINT y = 0; y < desc.Height; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < desc.Width; ++x) lit += (row[x] & 0x00FFFFFF) != 0;
      }
      copy->UnlockRect();
      g_litFraction = static_cast<double>(lit) / (static_cast<double>(desc.Width) * desc.Height);
      g_readOk = true;
    }
  }
  back->Release();
}

void RenderAndMaybeReadBack(IDirect3DDevice9* device, double time, float elapsed) {
  OnD3D9FrameRender(device, time, elapsed);
  if (g_readBack) ReadBack(device);
  g_readBack = false;
}

HRESULT CountedReset(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer) {
  ++g_resets;
  return OnD3D9ResetDevice(device, backBuffer);
}

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
  const int cycles = bench::Argument(argc, argv, 1, 100, 1);
  const int width = bench::Argument(argc, argv, 2, 1280, 1);
  const int height = bench::Argument(argc, argv, 3, 720, 1);
  const int framesPerCycle = bench::Argument(argc, argv, 4, 10, 1);
  SetModuleResources(&Win32ModuleResources());
  RegisterSlideShowReaders();

  HWND window = bench::CreateWindowOfSize(L"LumivaneDeviceSoak", L"Lumivane device soak", width, height);
  if (!window) {
    std::fprintf(stderr, "device_soak: no window\n");
    return 1;
  }
  std::unique_ptr<SceneHost> host(new SceneHost(true));
  if (!host->InitDevice(window, window)) {
    std::fprintf(stderr, "device_soak: the device did not come up\n");
    return 1;
  }
  try {
    host->SetRoot(LoadEmbeddedScene());
  } catch (...) {
    std::fprintf(stderr, "device_soak: the embedded scene did not load\n");
    return 1;
  }
  host->StartScene();
  DXUTSetCallbackFrameRender(RenderAndMaybeReadBack);
  DXUTSetCallbackDeviceReset(CountedReset);
  g_readBack = true;
  DXUTRender3DEnvironment();
  const SIZE_T started = bench::PrivateBytes();

  std::vector<SIZE_T> memory, workingSets;
  int readFailures = 0, lit = 0;
  double leastLit = 1.0, mostLit = 0.0;
  const DWORD start = GetTickCount();
  for (int c = 0; c < cycles; ++c) {
    DXUTTestForceDeviceReset();
    for (int f = 0; f < framesPerCycle; ++f) {
      bench::PumpMessages();
      g_readBack = f == framesPerCycle - 1;
      DXUTRender3DEnvironment();
    }
    if (!g_readOk) ++readFailures;
    if (g_readOk && g_litFraction > 0.0) ++lit;
    leastLit = std::min(leastLit, g_litFraction);
    mostLit = std::max(mostLit, g_litFraction);
    memory.push_back(bench::PrivateBytes());
    workingSets.push_back(bench::WorkingSet());
  }
  const double seconds = (GetTickCount() - start) / 1000.0;

  const SIZE_T first = memory.front();
  const SIZE_T last = memory.back();
  const SIZE_T most = *std::max_element(memory.begin(), memory.end());
  std::printf("size %d x %d, %d cycles of a forced loss and reset and %d frames, %.1f s\n", width, height, cycles,
              framesPerCycle, seconds);
  std::printf("resets %d of %d, frames read back %d of %d, showing the scene %d (lit share %.2f to %.2f)\n",
              g_resets, cycles, cycles - readFailures, cycles, lit, leastLit, mostLit);
  std::printf("private memory: started %.1f MiB, after cycle 1 %.1f MiB, most %.1f MiB, after the last %.1f MiB "
              "(%+.2f MiB from cycle 1)\n",
              MiB(started), MiB(first), MiB(most), MiB(last),
              (static_cast<double>(last) - static_cast<double>(first)) / (1024.0 * 1024.0));
  // The working set also holds what the driver allocates outside the program's own heap and its caches
  // as they fill: shown by quarters, so that a settling cache and a steady leak tell apart.
  std::printf("working set after cycle");
  for (int q = 0; q <= 4; ++q) {
    const size_t c = std::max<size_t>(1, workingSets.size() * q / 4);
    std::printf(" %zu: %.1f MiB%s", c, MiB(workingSets[c - 1]), q < 4 ? "," : "\n");
  }

  bool ok = true;
  if (g_resets != cycles) {
    std::fprintf(stderr, "device_soak: %d resets for %d losses\n", g_resets, cycles);
    ok = false;
  }
  if (readFailures > 0 || lit == 0) {
    std::fprintf(stderr, "device_soak: frames not read back or never showing the scene\n");
    ok = false;
  }
  if (last > first + kSlackBytes) {
    std::fprintf(stderr, "device_soak: memory grew beyond the first cycle's\n");
    ok = false;
  }
  if (g_copy) g_copy->Release();
  host.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return ok ? 0 : 1;
}
