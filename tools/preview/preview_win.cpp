// preview: plays a scene with the scene host in a top-level window, whose Direct3D output reaches the
// X screen under Wine (the product's child window inside the desktop view does not). A development tool
// beside the product, run by scripts/preview.
//   preview [--document <file>] [--size <W>x<H>] [--position stretch|fit|fill] [--out <dir>]
//           [--seconds <n>] [--frames-every <s> | --slides]
// Without --document it plays the scene embedded in the program; with it, that document file instead.
// The frames are the size asked: the window's client area, and the device's back buffer, are W x H.
// --position places the pictures as the program's setting does; without it, the program's default.
// --frames-every writes the back buffer as <out>/preview-NNN.png every s seconds; the run ends when the
// window closes (Escape closes it) or after --seconds.
// --slides plays the scene once through on a clock of its own, stepped by the program's default frame
// interval, and writes one frame of every slide in the middle of its show time as
// <out>/NN-<slide name>.png; it ends when every slide has one.
#include <windows.h>

#include <d3dx9.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/memory_registry.h"
#include "app/reader_list.h"
#include "app/scene_host_win.h"
#include "app/settings.h"
#include "dxut/app_clock.h"
#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide.h"
#include "lights/slide_show.h"
#include "scene/module_resources_win.h"
#include "scene/scene_document.h"

namespace {

// The program's own resources, except that the embedded scene document is the given file's bytes.
class DocumentFileResources : public ModuleResources {
 public:
  explicit DocumentFileResources(std::vector<BYTE> document) : document_(std::move(document)) {}
  HMODULE LoadModule(const ds_string& fileName) override { return Win32ModuleResources().LoadModule(fileName); }
  bool Find(HMODULE module, WORD id, ModuleResourceType type, const BYTE** data, DWORD* size) override {
    if (!module && id == kSceneDocumentId && type == ModuleResourceType::kDds) {
      *data = document_.data();
      *size = static_cast<DWORD>(document_.size());
      return true;
    }
    return Win32ModuleResources().Find(module, id, type, data, size);
  }

 private:
  std::vector<BYTE> document_;
};

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_KEYDOWN && w == VK_ESCAPE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, w, l);
}

// The shown window and the one whose screen rectangle sizes the device's back buffer.
struct PreviewWindows {
  HWND shown = nullptr;
  HWND size = nullptr;
};

// A window whose client area is width x height and which lies on the screen: framed, centred in the
// work area, when the frame fits around it there; else borderless at the screen's origin, as the
// program's own window covers the desktop (a client area the size of the screen leaves no room for a
// frame). The device takes its back-buffer size from a window's outer rectangle, so a framed window
// comes with a hidden borderless one over its client area.
PreviewWindows CreatePreviewWindows(int width, int height) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PreviewProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = L"LumivanePreview";
  RegisterClassW(&wc);
  const wchar_t title[] = L"Lumivane preview";

  const DWORD framed = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT outer = {0, 0, width, height};
  AdjustWindowRect(&outer, framed, FALSE);
  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int outerW = outer.right - outer.left, outerH = outer.bottom - outer.top;
  PreviewWindows w;
  if (outerW <= work.right - work.left && outerH <= work.bottom - work.top) {
    const int x = work.left + (work.right - work.left - outerW) / 2;
    const int y = work.top + (work.bottom - work.top - outerH) / 2;
    w.shown = CreateWindowExW(0, wc.lpszClassName, title, framed | WS_VISIBLE, x, y, outerW, outerH, nullptr,
                              nullptr, wc.hInstance, nullptr);
    if (!w.shown) return w;
    POINT origin = {0, 0};
    ClientToScreen(w.shown, &origin);
    w.size = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, origin.x, origin.y, width, height,
                             nullptr, nullptr, wc.hInstance, nullptr);
  } else {
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (width > screenW || height > screenH)
      std::fprintf(stderr, "preview: %dx%d is larger than the screen (%dx%d); the frames are %dx%d all the same\n",
                   width, height, screenW, screenH, width, height);
    w.shown = w.size = CreateWindowExW(0, wc.lpszClassName, title, WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                       nullptr, nullptr, wc.hInstance, nullptr);
  }
  return w;
}

// The application clock of --slides: advanced by the preview, not by the machine, so that every slide is
// taken at the same moment of its show however long the frames take to draw.
class SteppedCounter : public CounterSource {
 public:
  bool Frequency(LONGLONG* ticksPerSecond) override {
    *ticksPerSecond = kTicksPerSecond;
    return true;
  }
  LONGLONG Now() override { return ticks_; }
  void Advance(double seconds) { ticks_ += std::llround(seconds * kTicksPerSecond); }

 private:
  static const LONGLONG kTicksPerSecond = 1000000;
  LONGLONG ticks_ = 0;
};

// Frames to write: the folder, the name of the frame being drawn (empty: none).
std::string g_framesDir;
std::string g_frameName;
// --slides: which slides have their frame.
bool g_slides = false;
std::vector<bool> g_slideTaken;
bool g_writeFailed = false;

// "NN-<name>.png": the slide's number from 1 and its name in lower case, every run of other characters
// than ASCII letters and digits one '-'.
std::string SlideFileName(size_t index, const ds_string& name) {
  char number[16];
  std::snprintf(number, sizeof(number), "%02u-", static_cast<unsigned>(index + 1));
  std::string file = number;
  bool dash = false;
  for (char16_t c : name) {
    if (c < 128 && std::isalnum(static_cast<unsigned char>(c))) {
      if (dash && file.size() > 3) file += '-';
      file += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      dash = false;
    } else {
      dash = true;
    }
  }
  if (file.size() == 3) file += "slide";
  return file + ".png";
}

// Writes the back buffer as <dir>/<name>; before the frame is presented, since presenting leaves the back
// buffer undefined.
void SaveFrame(IDirect3DDevice9* device, const std::string& name) {
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* copy = nullptr;
  D3DSURFACE_DESC desc = {};
  const std::string path = g_framesDir + "/" + name;
  bool written = false;
  if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && SUCCEEDED(back->GetDesc(&desc)) &&
      SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                    nullptr)) &&
      SUCCEEDED(device->GetRenderTargetData(back, copy))) {
    CreateDirectoryA(g_framesDir.c_str(), nullptr);
    written = SUCCEEDED(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_PNG, copy, nullptr, nullptr));
  }
  if (written) {
    std::printf("preview: wrote %s (%ux%u)\n", path.c_str(), desc.Width, desc.Height);
  } else {
    std::fprintf(stderr, "preview: could not write %s\n", path.c_str());
    g_writeFailed = true;
  }
  std::fflush(stdout);
  if (copy) copy->Release();
  if (back) back->Release();
}

// --slides: the current slide's frame is due once its time passes the middle of its show time.
void ChooseSlideFrame(double time) {
  const DS_SlideShow_Light* show = g_SceneHost ? g_SceneHost->Root() : nullptr;
  if (!show || !show->current) return;
  for (size_t i = 0; i < show->slides.size(); ++i) {
    if (show->slides[i].Get() != show->current.Get() || g_slideTaken[i]) continue;
    const SlideTimes t = show->current->Times();
    if (time - show->Schedule().StartTime() >= t.fadeIn + t.show / 2.0) {
      g_slideTaken[i] = true;
      g_frameName = SlideFileName(i, show->current->name.GetValue());
    }
    return;
  }
}

void RenderAndKeep(IDirect3DDevice9* device, double time, float elapsed) {
  if (g_slides) ChooseSlideFrame(time);
  OnD3D9FrameRender(device, time, elapsed);
  if (!g_frameName.empty()) SaveFrame(device, g_frameName);
  g_frameName.clear();
}

int Usage() {
  std::fprintf(stderr, "usage: preview [--document <file>] [--size WxH] [--position stretch|fit|fill] "
                       "[--out <dir>] [--seconds n] [--frames-every s | --slides]\n");
  return 2;
}

bool PumpMessages() {
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) quit = true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !quit;
}

}  // namespace

int main(int argc, char** argv) {
  // The program's defaults are those of its settings with nothing stored.
  MemoryRegistry noSettings;
  SettingsStore defaults(noSettings);
  int position = defaults.GetPicPos();
  const UINT frameIntervalMs = defaults.GetFrameIntervalMs();

  std::string document;
  int width = 1024, height = 640;
  double seconds = 0, every = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--document" && more) {
      document = argv[++i];
    } else if (a == "--out" && more) {
      g_framesDir = argv[++i];
    } else if (a == "--seconds" && more) {
      seconds = std::atof(argv[++i]);
    } else if (a == "--frames-every" && more) {
      every = std::atof(argv[++i]);
    } else if (a == "--slides") {
      g_slides = true;
    } else if (a == "--position" && more) {
      const std::string p = argv[++i];
      if (p == "stretch") position = 0;
      else if (p == "fit") position = 1;
      else if (p == "fill") position = 2;
      else return Usage();
    } else if (a == "--size" && more) {
      char end = 0;
      if (std::sscanf(argv[++i], "%dx%d%c", &width, &height, &end) != 2 || width <= 0 || height <= 0) return Usage();
    } else {
      return Usage();
    }
  }
  if ((every > 0 || g_slides) && g_framesDir.empty()) return Usage();
  if (every > 0 && g_slides) return Usage();

  std::unique_ptr<DocumentFileResources> file;
  if (!document.empty()) {
    std::ifstream f(document, std::ios::binary);
    if (!f) {
      std::fprintf(stderr, "preview: cannot read %s\n", document.c_str());
      return 1;
    }
    file.reset(new DocumentFileResources(
        std::vector<BYTE>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>())));
    SetModuleResources(file.get());
  } else {
    SetModuleResources(&Win32ModuleResources());
  }
  RegisterSlideShowReaders();

  const PreviewWindows windows = CreatePreviewWindows(width, height);
  std::unique_ptr<SceneHost> host(new SceneHost(true));
  if (!windows.shown || !windows.size || !host->InitDevice(windows.shown, windows.size)) {
    std::fprintf(stderr, "preview: the device did not come up\n");
    return 1;
  }
  RECT client = {};
  GetClientRect(windows.shown, &client);
  if (client.right != width || client.bottom != height)
    std::fprintf(stderr, "preview: the window's client area is %ldx%ld, not %dx%d\n", client.right, client.bottom,
                 width, height);
  try {
    host->SetRoot(LoadEmbeddedScene());
  } catch (...) {
    std::fprintf(stderr, "preview: the scene did not load\n");
    return 1;
  }
  if (!host->Root()) {
    std::fprintf(stderr, "preview: the scene did not load\n");
    return 1;
  }
  host->StartScene();
  host->SetPicturePosition(position);
  DXUTSetCallbackFrameRender(RenderAndKeep);

  int result = 0;
  if (g_slides) {
    // Once through the show: every slide's whole cycle, and a frame to spare for each start.
    SteppedCounter counter;
    DXUTTestSetCounter(&counter);
    const DS_SlideShow_Light& show = *host->Root();
    g_slideTaken.assign(show.slides.size(), false);
    const double step = frameIntervalMs / 1000.0;
    double limit = 0;
    for (const CountedPtr<DS_SlideContainer>& s : show.slides) limit += s->Times().Total() + 2 * step;
    size_t taken = 0;
    while (taken < g_slideTaken.size() && DXUTGetTime() <= limit && PumpMessages()) {
      DXUTRender3DEnvironment();
      counter.Advance(step);
      taken = 0;
      for (bool t : g_slideTaken) taken += t;
    }
    if (taken < g_slideTaken.size()) {
      for (size_t i = 0; i < g_slideTaken.size(); ++i)
        if (!g_slideTaken[i]) std::fprintf(stderr, "preview: no frame of slide %u\n", static_cast<unsigned>(i + 1));
      result = 1;
    }
    DXUTTestSetCounter(nullptr);
  } else {
    const DWORD start = GetTickCount();
    DWORD nextFrame = start;
    int saved = 0;
    while (PumpMessages()) {
      if (seconds > 0 && (GetTickCount() - start) / 1000.0 >= seconds) break;
      if (every > 0 && GetTickCount() >= nextFrame) {
        char name[32];
        std::snprintf(name, sizeof(name), "preview-%03d.png", saved++);
        g_frameName = name;
        nextFrame = GetTickCount() + static_cast<DWORD>(every * 1000);
      }
      DXUTRender3DEnvironment();
      Sleep(15);
    }
  }
  if (g_writeFailed) result = 1;
  host.reset();
  DXUTShutdown();
  if (IsWindow(windows.shown)) DestroyWindow(windows.shown);
  if (windows.size != windows.shown && IsWindow(windows.size)) DestroyWindow(windows.size);
  SetModuleResources(nullptr);
  return result;
}
