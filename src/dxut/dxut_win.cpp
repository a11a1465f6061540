#include "dxut/dxut.h"

#include <cstdlib>

#include "dxut/d3d_device.h"
#include "dxut/frame_sequence.h"

namespace {

class QpcCounter : public CounterSource {
 public:
  bool Frequency(LONGLONG* f) override {
    LARGE_INTEGER li;
    if (!QueryPerformanceFrequency(&li) || li.QuadPart <= 0) return false;
    *f = li.QuadPart;
    return true;
  }
  LONGLONG Now() override {
    LARGE_INTEGER li;
    QueryPerformanceCounter(&li);
    return li.QuadPart;
  }
};

typedef IDirect3D9*(WINAPI* Direct3DCreate9Fn)(UINT);
typedef UINT(WINAPI* TimePeriodFn)(UINT);

struct Framework {
  FrameMoveCallback frameMove = nullptr;
  DeviceCreatedCallback created = nullptr;
  FrameRenderCallback frameRender = nullptr;
  DeviceResetCallback reset = nullptr;
  DeviceLostCallback lost = nullptr;

  bool initialized = false;
  bool msgBoxOnError = true;
  bool showCursor = true, clipCursor = true;
  bool timerPeriodSet = false;
  HWND focus = nullptr, fullScreenWindow = nullptr, deviceWindow = nullptr;

  IDirect3D9* d3d = nullptr;  // the device it makes is held in g_D3DDevice alone
  D3DPRESENT_PARAMETERS pp = {};

  QpcCounter counter;
  AppClock clock{&counter};
  FrameSequence sequence{&clock};
};

Framework g_fw;

// The timer resolution calls live in winmm.dll, which is loaded when first needed.
TimePeriodFn TimerFunction(const char* name) {
  static HMODULE winmm = LoadLibraryW(L"winmm.dll");
  return winmm ? reinterpret_cast<TimePeriodFn>(reinterpret_cast<void*>(GetProcAddress(winmm, name))) : nullptr;
}

// d3d9.dll from the system folder, loaded once and never freed: device objects the program still holds
// at exit are released after the framework has shut down and need its code.
Direct3DCreate9Fn LoadDirect3DCreate9() {
  static HMODULE module = [] {
    wchar_t path[MAX_PATH + 16];
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    HMODULE m = nullptr;
    if (n > 0 && n < MAX_PATH) {
      lstrcatW(path, L"\\d3d9.dll");
      m = LoadLibraryW(path);
    }
    return m ? m : LoadLibraryW(L"d3d9.dll");
  }();
  if (!module) return nullptr;
  return reinterpret_cast<Direct3DCreate9Fn>(reinterpret_cast<void*>(GetProcAddress(module, "Direct3DCreate9")));
}

D3DSURFACE_DESC BackBufferDesc(IDirect3DDevice9* device) {
  D3DSURFACE_DESC desc = {};
  IDirect3DSurface9* back = nullptr;
  if (device && SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && back) {
    back->GetDesc(&desc);
    back->Release();
  }
  return desc;
}

HRESULT Fail(HRESULT hr, const wchar_t* text) {
  if (g_fw.msgBoxOnError) MessageBoxW(g_fw.deviceWindow, text, L"Lumivane", MB_OK | MB_ICONERROR);
  return hr;
}

// The program's callbacks as the frame sequence calls them; a missing callback succeeds.
class ProgramCallbacks : public FrameCallbacks {
 public:
  bool DeviceCreated() override {
    if (!g_fw.created) return true;
    D3DSURFACE_DESC desc = BackBufferDesc(g_D3DDevice);
    return SUCCEEDED(g_fw.created(g_D3DDevice, &desc));
  }
  bool DeviceReset() override {
    if (!g_fw.reset) return true;
    D3DSURFACE_DESC desc = BackBufferDesc(g_D3DDevice);
    return SUCCEEDED(g_fw.reset(g_D3DDevice, &desc));
  }
  void DeviceLost() override {
    if (g_fw.lost) g_fw.lost();
  }
  void FrameMove(double time, float elapsed) override {
    if (g_fw.frameMove) g_fw.frameMove(g_D3DDevice, time, elapsed);
  }
  void FrameRender(double time, float elapsed) override {
    if (g_fw.frameRender) g_fw.frameRender(g_D3DDevice, time, elapsed);
  }
};

class RealDevice : public FrameDevice {
 public:
  CooperativeLevel TestCooperativeLevel() override {
    switch (g_D3DDevice->TestCooperativeLevel()) {
      case D3D_OK:
        return CooperativeLevel::kOk;
      case D3DERR_DEVICELOST:
        return CooperativeLevel::kLost;
      case D3DERR_DEVICENOTRESET:
      case D3DERR_DRIVERINTERNALERROR:  // a reset is the only way back
        return CooperativeLevel::kNotReset;
      default:
        return CooperativeLevel::kFailed;
    }
  }
  bool Reset() override {
    D3DPRESENT_PARAMETERS pp = g_fw.pp;  // Reset may write into what it is given
    return SUCCEEDED(g_D3DDevice->Reset(&pp));
  }
  PresentResult Present() override {
    HRESULT hr = g_D3DDevice->Present(nullptr, nullptr, nullptr, nullptr);
    if (hr == D3DERR_DEVICELOST || hr == D3DERR_DRIVERINTERNALERROR) return PresentResult::kLost;
    return FAILED(hr) ? PresentResult::kFailed : PresentResult::kOk;
  }
  void Sleep(DWORD ms) override { ::Sleep(ms); }
  bool WindowExists() override { return WindowAndParentsExist(g_fw.deviceWindow); }
};

// The first depth-stencil format the device supports with this back buffer; D3DFMT_UNKNOWN if none.
D3DFORMAT ChooseDepthStencil(UINT adapter, D3DFORMAT adapterFormat, D3DFORMAT backBuffer) {
  for (D3DFORMAT f : {D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D16}) {
    if (SUCCEEDED(g_fw.d3d->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, adapterFormat, D3DUSAGE_DEPTHSTENCIL,
                                              D3DRTYPE_SURFACE, f)) &&
        SUCCEEDED(g_fw.d3d->CheckDepthStencilMatch(adapter, D3DDEVTYPE_HAL, adapterFormat, backBuffer, f)))
      return f;
  }
  return D3DFMT_UNKNOWN;
}

}  // namespace

bool WindowAndParentsExist(HWND window) {
  for (int depth = 0; window && depth < 64; ++depth) {
    if (!IsWindow(window)) return false;
    if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) return true;
    window = GetParent(window);
  }
  return false;
}

void DXUTSetCallbackFrameMove(FrameMoveCallback callback) { g_fw.frameMove = callback; }
void DXUTSetCallbackDeviceCreated(DeviceCreatedCallback callback) { g_fw.created = callback; }
void DXUTSetCallbackFrameRender(FrameRenderCallback callback) { g_fw.frameRender = callback; }
void DXUTSetCallbackDeviceReset(DeviceResetCallback callback) { g_fw.reset = callback; }
void DXUTSetCallbackDeviceLost(DeviceLostCallback callback) { g_fw.lost = callback; }

HRESULT DXUTInit(bool parseCommandLine, bool handleHotkeys, bool msgBoxOnError) {
  static bool exitHandler = false;
  g_fw.msgBoxOnError = msgBoxOnError;
  if (!g_fw.timerPeriodSet) {
    if (TimePeriodFn begin = TimerFunction("timeBeginPeriod")) g_fw.timerPeriodSet = begin(1) == 0;
  }
  g_fw.clock.Reset();
  g_fw.initialized = true;
  if (!exitHandler) {
    // Registered after the program's own globals, so it runs before they are destroyed.
    std::atexit(DXUTShutdown);
    exitHandler = true;
  }
  return S_OK;
}

void DXUTSetCursorSettings(bool showCursorWhenFullScreen, bool clipCursorWhenFullScreen) {
  g_fw.showCursor = showCursorWhenFullScreen;
  g_fw.clipCursor = clipCursorWhenFullScreen;
}

HRESULT DXUTSetWindow(HWND focus, HWND fullScreenDevice, HWND windowedDevice) {
  if (!focus && !windowedDevice) return E_INVALIDARG;
  g_fw.focus = focus ? focus : windowedDevice;
  g_fw.fullScreenWindow = fullScreenDevice;
  g_fw.deviceWindow = windowedDevice ? windowedDevice : focus;
  return S_OK;
}

HRESULT DXUTCreateDevice(UINT adapter, bool windowed, int width, int height, DeviceAcceptableCallback filter,
                         ModifyDeviceSettingsCallback hook) {
  if (!g_fw.initialized || !g_fw.deviceWindow || g_D3DDevice) return E_FAIL;
  if (!windowed) return E_NOTIMPL;  // the program only ever runs in a window
  if (!g_fw.d3d) {
    Direct3DCreate9Fn create = LoadDirect3DCreate9();
    g_fw.d3d = create ? create(D3D_SDK_VERSION) : nullptr;
    if (!g_fw.d3d) return Fail(E_FAIL, L"Direct3D 9 is not available.");
  }

  D3DDISPLAYMODE mode = {};
  D3DCAPS9 caps = {};
  if (FAILED(g_fw.d3d->GetAdapterDisplayMode(adapter, &mode)) ||
      FAILED(g_fw.d3d->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &caps)))
    return Fail(E_FAIL, L"The display adapter has no Direct3D 9 device.");

  // Back-buffer formats in order of preference, each only when the adapter runs it windowed.
  D3DFORMAT chosen = D3DFMT_UNKNOWN;
  const D3DFORMAT candidates[] = {mode.Format, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
  for (size_t i = 0; i < sizeof(candidates) / sizeof(candidates[0]) && chosen == D3DFMT_UNKNOWN; ++i) {
    D3DFORMAT f = candidates[i];
    bool seen = false;
    for (size_t j = 0; j < i; ++j) seen = seen || candidates[j] == f;
    if (seen || FAILED(g_fw.d3d->CheckDeviceType(adapter, D3DDEVTYPE_HAL, mode.Format, f, TRUE))) continue;
    if (!filter || filter(&caps, mode.Format, f, true)) chosen = f;
  }
  if (chosen == D3DFMT_UNKNOWN)
    return Fail(D3DERR_NOTAVAILABLE, L"No Direct3D 9 device on this computer has the features this program needs.");

  FrameworkDeviceSettings s = {};
  s.adapterOrdinal = adapter;
  s.deviceType = D3DDEVTYPE_HAL;
  s.adapterFormat = mode.Format;
  // Not a pure device: effects save state and the program reads states back. FPU_PRESERVE keeps double
  // arithmetic exact while the device lives.
  s.behaviorFlags = D3DCREATE_FPU_PRESERVE | ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                                                  ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                  : D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  s.pp.Windowed = TRUE;
  s.pp.BackBufferWidth = width > 0 ? width : 0;
  s.pp.BackBufferHeight = height > 0 ? height : 0;
  s.pp.BackBufferFormat = chosen;
  s.pp.BackBufferCount = 1;
  s.pp.MultiSampleType = D3DMULTISAMPLE_NONE;
  s.pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  s.pp.hDeviceWindow = g_fw.deviceWindow;
  s.pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  // Clears of the depth buffer need one: every device gets an automatic depth-stencil surface.
  D3DFORMAT depth = ChooseDepthStencil(adapter, mode.Format, chosen);
  s.pp.EnableAutoDepthStencil = depth != D3DFMT_UNKNOWN;
  s.pp.AutoDepthStencilFormat = depth != D3DFMT_UNKNOWN ? depth : D3DFMT_D16;
  if (hook && !hook(&s, &caps)) return Fail(E_FAIL, L"The Direct3D device settings were refused.");

  D3DPRESENT_PARAMETERS pp = s.pp;
  HRESULT hr = g_fw.d3d->CreateDevice(s.adapterOrdinal, s.deviceType, g_fw.focus, s.behaviorFlags, &pp,
                                      &g_D3DDevice);
  if (FAILED(hr) && (s.behaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING)) {
    s.behaviorFlags = (s.behaviorFlags & ~D3DCREATE_HARDWARE_VERTEXPROCESSING) | D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    pp = s.pp;
    hr = g_fw.d3d->CreateDevice(s.adapterOrdinal, s.deviceType, g_fw.focus, s.behaviorFlags, &pp, &g_D3DDevice);
  }
  if (FAILED(hr) || !g_D3DDevice) {
    g_D3DDevice = nullptr;
    return Fail(FAILED(hr) ? hr : E_FAIL, L"The Direct3D device could not be created.");
  }
  g_fw.pp = pp;

  ProgramCallbacks callbacks;
  if (!g_fw.sequence.DeviceMade(callbacks)) {
    g_D3DDevice->Release();
    g_D3DDevice = nullptr;
    return Fail(E_FAIL, L"The Direct3D device could not be prepared.");
  }
  return S_OK;
}

void DXUTRender3DEnvironment() {
  if (!g_D3DDevice) return;
  RealDevice device;
  ProgramCallbacks callbacks;
  g_fw.sequence.RenderFrame(device, callbacks);
}

void DXUTPause(bool pauseTime, bool pauseRendering) { g_fw.sequence.Pause(pauseTime, pauseRendering); }

HWND DXUTGetHWND() { return g_fw.deviceWindow; }
IDirect3D9* DXUTGetD3DObject() { return g_fw.d3d; }
IDirect3DDevice9* DXUTGetD3DDevice() { return g_D3DDevice; }
double DXUTGetTime() { return g_fw.initialized ? g_fw.clock.GetTime() : -1.0; }

void DXUTShutdown() {
  g_fw.sequence.DeviceGone();
  if (g_D3DDevice) g_D3DDevice->Release();
  g_D3DDevice = nullptr;
  if (g_fw.d3d) g_fw.d3d->Release();
  g_fw.d3d = nullptr;
  if (g_fw.timerPeriodSet) {
    if (TimePeriodFn end = TimerFunction("timeEndPeriod")) end(1);
    g_fw.timerPeriodSet = false;
  }
  g_fw.sequence = FrameSequence(&g_fw.clock);
  g_fw.pp = D3DPRESENT_PARAMETERS();
  g_fw.focus = g_fw.fullScreenWindow = g_fw.deviceWindow = nullptr;
  g_fw.frameMove = nullptr;
  g_fw.created = nullptr;
  g_fw.frameRender = nullptr;
  g_fw.reset = nullptr;
  g_fw.lost = nullptr;
  g_fw.initialized = false;
}

void DXUTTestForceDeviceReset() { g_fw.sequence.MarkLost(); }

void DXUTTestSetCounter(CounterSource* source) {
  g_fw.clock = AppClock(source ? source : &g_fw.counter);
  g_fw.clock.Reset();
}
