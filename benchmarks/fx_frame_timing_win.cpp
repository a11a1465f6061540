// Frame time of the full-screen effect items on the device, in one run: a slide of the module's default
// picture drawn by the scene host in Fit mode, plain, with each effect item alone, and with all eight at
// once, the cases taken in turn for several rounds so that they share the machine's load. The waves and
// the water are timed once more under a mask that covers everything: the same frame through their masked
// techniques.
//   fx_frame_timing [frames] [width] [height] [rounds] [case...]
//   defaults: 60 frames a case and round, 1920 x 1080, 3 rounds, every case (cases named time only those
//   beside the plain slide, for profiling them)
// Prints the median frame time of each case and its ratio to the plain slide; exits non-zero when the
// scene host does not come up.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/reader_list.h"
#include "app/scene_host_win.h"
#include "bench_timing_win.h"
#include "bench_window_win.h"
#include "dxut/dxut.h"
#include "fx/light_water_fx.h"
#include "fx/pattern_brush.h"
#include "fx/wave_fx.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "fx/fire_fx.h"
#include "fx/fx_constructor.h"
#include "fx/underwater_fx.h"
#include "scene/doc_res_manager.h"
#include "scene/module_resources_win.h"
#include "scene/readers.h"

using bench::Now;

namespace {

struct Case {
  const char* name;
  std::vector<std::function<DS_FX_Constructor*()>> items;
};

DS_FX_Constructor* Fire() {
  auto* fire = new DS_FireFX;
  const D3DXVECTOR3 corners[4] = {{0, 400, 0}, {0, 1000, 0}, {1600, 400, 0}, {1600, 1000, 0}};
  for (int i = 0; i < 4; ++i) fire->area.corners[i].Raw() = corners[i];
  return fire;
}

IDirect3DTexture9* everywhere = nullptr;  // made at the first masked case

// An 8 x 8 opaque white mask for the item, through the document as a loaded mask would come.
template <class Item>
DS_FX_Constructor* Masked(Item* item) {
  IDirect3DDevice9* device = DXUTGetD3DDevice();
  if (!everywhere && device && SUCCEEDED(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                               &everywhere, nullptr))) {
    D3DLOCKED_RECT r;
    if (SUCCEEDED(everywhere->LockRect(0, &r, nullptr, 0))) {
      for (UINT y = 0; y < 8; ++y) std::fill_n(reinterpret_cast<DWORD*>(static_cast<BYTE*>(r.pBits) + y * r.Pitch), 8, 0xFFFFFFFFu);
      everywhere->UnlockRect(0);
    }
  }
  if (everywhere && g_DocResManager) g_DocResManager->Maps().SetGuidTexture(item->maskKey, everywhere);
  return item;
}

// The pattern brush tiles the module's fire pattern (a module link names an image set, which the module
// does not carry: the frames are given to the render object's clone instead).
void GivePattern(DS_ABObj* object) {
  auto* brush = dynamic_cast<DS_BrushObj*>(object);
  auto* item = brush ? dynamic_cast<DS_PatternBrush*>(brush->effectItem) : nullptr;
  if (!item || !g_DocResManager) return;
  item->pattern = g_DocResManager->GetTextureSet(DS_ImageFileLink(93, u"basekit.dll"));
}

DS_SlideShow_Light* SlideShow(const Case& c) {
  auto* show = new DS_SlideShow_Light;
  auto* slide = new DS_SlideContainer;
  slide->show = 100000u;
  slide->fadeIn = 0u;
  slide->picture = CountedPtr<DS_2D_Light>(new DS_2D_Light);
  for (const auto& make : c.items) slide->items.emplace_back(make());
  show->slides.emplace_back(slide);
  return show;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = bench::Argument(argc, argv, 1, 60, 1);
  const int width = bench::Argument(argc, argv, 2, 1920, 1);
  const int height = bench::Argument(argc, argv, 3, 1080, 1);
  const int rounds = bench::Argument(argc, argv, 4, 3, 1);
  const std::vector<std::string> only(argv + std::min(argc, 5), argv + argc);
  SetModuleResources(&Win32ModuleResources());
  RegisterAllReaders();

  std::vector<Case> cases = {
      {"plain picture", {}},
      {"pattern brush", {[] { return new DS_PatternBrush; }}},
      {"background copy", {[] { auto* c = new DS_BackgroundCopy; c->rectangle.centreX.Raw() = 400; return c; }}},
      {"waves", {[] { return new DS_WavesFX; }}},
      {"underwater", {[] { return new DS_UnderwaterFX; }}},
      {"movement", {[] { return new DS_MoveFX; }}},
      {"light", {[] { return new DS_LightFX; }}},
      {"water (MainFX)", {[] { auto* w = new DS_WaterFX; w->mainFX = 1; return w; }}},
      {"fire", {Fire}},
      {"waves, masked", {[] { return Masked(new DS_WavesFX); }}},
      {"water, masked", {[] { auto* w = new DS_WaterFX; w->mainFX = 1; return Masked(w); }}},
      {"all eight", {[] { return new DS_PatternBrush; }, [] { return new DS_BackgroundCopy; },
                     [] { return new DS_WavesFX; }, [] { return new DS_UnderwaterFX; }, [] { return new DS_MoveFX; },
                     [] { return new DS_LightFX; }, [] { auto* w = new DS_WaterFX; w->mainFX = 1; return w; }, Fire}},
  };

  if (!only.empty()) {
    cases.erase(std::remove_if(cases.begin() + 1, cases.end(),
                               [&](const Case& c) { return std::find(only.begin(), only.end(), c.name) == only.end(); }),
                cases.end());
  }

  HWND window = bench::CreateWindowOfSize(L"LumivaneFxFrameTiming", L"Lumivane effect timing", width, height);
  if (!window) {
    std::fprintf(stderr, "fx_frame_timing: no window\n");
    return 1;
  }
  std::unique_ptr<SceneHost> host(new SceneHost(true));
  if (!host->InitDevice(window, window)) {
    std::fprintf(stderr, "fx_frame_timing: the device did not come up\n");
    return 1;
  }
  if (!g_DocResManager) g_DocResManager = new DS_DocResManager;

  std::vector<std::vector<double>> times(cases.size());
  for (int round = 0; round < rounds; ++round) {
    for (size_t i = 0; i < cases.size(); ++i) {
      host->SetRoot(SlideShow(cases[i]));
      host->StartScene();
      host->SetPicturePosition(1);
      host->Root()->slides[0]->CreateObjects();  // made at the slide's start otherwise, too late for the pattern
      for (auto& object : host->Root()->slides[0]->renderObjects) GivePattern(object.Get());
      for (int f = 0; f < 5; ++f) DXUTRender3DEnvironment();
      bench::FinishDrawing(DXUTGetD3DDevice());
      for (int f = 0; f < frames; ++f) {
        bench::PumpMessages();
        const double start = Now();
        DXUTRender3DEnvironment();
        bench::FinishDrawing(DXUTGetD3DDevice());
        times[i].push_back((Now() - start) * 1000);
      }
    }
  }

  std::printf("effect items: size %d x %d, Fit, %d rounds of %d frames a case, median frame times\n", width, height,
              rounds, frames);
  std::vector<double> medians;
  for (auto& t : times) {
    std::sort(t.begin(), t.end());
    medians.push_back(t[t.size() / 2]);
  }
  for (size_t i = 0; i < cases.size(); ++i)
    std::printf("%-18s %8.2f ms a frame   ratio to plain %5.2f\n", cases[i].name, medians[i], medians[i] / medians[0]);
  if (everywhere) everywhere->Release();
  host.reset();
  DXUTShutdown();
  DestroyWindow(window);
  return 0;
}
