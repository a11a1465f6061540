// preview: plays a scene with the scene host in a top-level window, whose Direct3D output reaches the
// X screen under Wine (the product's child window inside the desktop view does not). A development tool
// beside the product, run by scripts/preview.
//   preview [--document <scene document>] [--size <W>x<H>] [--seconds <n>] [--frames-every <s> --frames <dir>]
// Without --document it plays the scene embedded in the program; with it, that document file instead.
// --frames-every writes the back buffer as <dir>/preview-NNN.png every s seconds. It ends when the window
// closes or after --seconds.
#include <windows.h>

#include <d3dx9.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "dxut/dxut.h"
#include "lights/light_2d.h"
#include "lights/slide_show.h"
#include "app/scene_host_win.h"
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
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, w, l);
}

HWND CreatePreviewWindow(int width, int height) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PreviewProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = L"LumivanePreview";
  RegisterClassW(&wc);
  RECT r = {0, 0, width, height};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  return CreateWindowExW(0, wc.lpszClassName, L"Lumivane preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                         r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
}

// Frames to write: the folder, the next number, and whether the frame being drawn is to be written.
std::string g_framesDir;
int g_framesSaved = 0;
bool g_saveThisFrame = false;

// Writes the back buffer as <dir>/preview-NNN.png; before the frame is presented, since presenting leaves
// the back buffer undefined.
void SaveFrame(IDirect3DDevice9* device) {
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* copy = nullptr;
  D3DSURFACE_DESC desc = {};
  if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && SUCCEEDED(back->GetDesc(&desc)) &&
      SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                    nullptr)) &&
      SUCCEEDED(device->GetRenderTargetData(back, copy))) {
    char name[32];
    std::snprintf(name, sizeof(name), "/preview-%03d.png", g_framesSaved++);
    CreateDirectoryA(g_framesDir.c_str(), nullptr);
    if (SUCCEEDED(D3DXSaveSurfaceToFileA((g_framesDir + name).c_str(), D3DXIFF_PNG, copy, nullptr, nullptr)))
      std::printf("preview: wrote %s%s\n", g_framesDir.c_str(), name);
  }
  if (copy) copy->Release();
  if (back) back->Release();
}

void RenderAndKeep(IDirect3DDevice9* device, double time, float elapsed) {
  OnD3D9FrameRender(device, time, elapsed);
  if (g_saveThisFrame) SaveFrame(device);
  g_saveThisFrame = false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string document, frames;
  int width = 1024, height = 640;
  double seconds = 0, every = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--document" && next) document = argv[++i];
    else if (a == "--frames" && next) frames = argv[++i];
    else if (a == "--seconds" && next) seconds = std::atof(argv[++i]);
    else if (a == "--frames-every" && next) every = std::atof(argv[++i]);
    else if (a == "--size" && next && std::sscanf(argv[++i], "%dx%d", &width, &height) == 2) {
    } else {
      std::fprintf(stderr, "usage: preview [--document <file>] [--size WxH] [--seconds n] "
                           "[--frames-every s --frames <dir>]\n");
      return 2;
    }
  }
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

  HWND window = CreatePreviewWindow(width, height);
  std::unique_ptr<SceneHost> host(new SceneHost(true));
  if (!window || !host->InitDevice(window, window)) {
    std::fprintf(stderr, "preview: the device did not come up\n");
    return 1;
  }
  try {
    host->SetRoot(LoadSceneDocument());
  } catch (...) {
    std::fprintf(stderr, "preview: the scene did not load\n");
    return 1;
  }
  host->StartScene();
  host->SetPicturePosition(1);
  g_framesDir = frames;
  DXUTSetCallbackFrameRender(RenderAndKeep);

  const DWORD start = GetTickCount();
  DWORD nextFrame = start;
  for (;;) {
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const double elapsed = (GetTickCount() - start) / 1000.0;
    if (quit || (seconds > 0 && elapsed >= seconds)) break;
    if (every > 0 && !frames.empty() && GetTickCount() >= nextFrame) {
      g_saveThisFrame = true;
      nextFrame = GetTickCount() + static_cast<DWORD>(every * 1000);
    }
    DXUTRender3DEnvironment();
    Sleep(15);
  }
  host.reset();
  DXUTShutdown();
  if (IsWindow(window)) DestroyWindow(window);
  SetModuleResources(nullptr);
  return 0;
}
