#include "support/d3d_fixture_win.h"

#include <d3dx9.h>

#include <map>

#include "dxut/d3d_device.h"

namespace lumi_test {

namespace {

const wchar_t kWindowClass[] = L"LumivaneTestWindow";

bool RegisterTestClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kWindowClass;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  registered = RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return registered;
}

std::string HrText(const char* what, HRESULT hr) {
  char buf[96];
  wsprintfA(buf, "%s failed: 0x%08lX", what, static_cast<unsigned long>(hr));
  return buf;
}

DWORD Expand565(WORD c) {
  DWORD r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
  r = (r << 3) | (r >> 2);
  g = (g << 2) | (g >> 4);
  b = (b << 3) | (b >> 2);
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Writes a frame a test reads back as a PNG into the frames folder of the build (LUMI_FRAMES_DIR), named
// after the running test and numbered when a test reads several, so that a person can look at what
// was checked. Nothing when no test is running or the folder is not configured.
void KeepFrame(IDirect3DSurface9* copy) {
#ifdef LUMI_FRAMES_DIR
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!test) return;
  std::string name = std::string(test->test_suite_name()) + "." + test->name();
  for (char& c : name)
    if (c == '/' || c == '\\' || c == ':') c = '_';
  static std::map<std::string, int> counts;
  int n = ++counts[name];
  if (n > 1) name += "-" + std::to_string(n);
  const std::string dir = LUMI_FRAMES_DIR;
  CreateDirectoryA(dir.c_str(), nullptr);
  D3DXSaveSurfaceToFileA((dir + "/" + name + ".png").c_str(), D3DXIFF_PNG, copy, nullptr, nullptr);
#else
  (void)copy;
#endif
}

}  // namespace

HWND CreateTestWindow(UINT width, UINT height, const wchar_t* title) {
  if (!RegisterTestClass()) return nullptr;
  RECT r = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  // Never shown: a windowed device presents into it all the same, and tests read pixels back.
  return CreateWindowExW(0, kWindowClass, title, WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                         r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool D3DTestDevice::Create(const D3DTestOptions& options) {
  Destroy();
  error_.clear();
  window_ = CreateTestWindow(options.width, options.height);
  if (!window_) {
    error_ = "CreateWindowExW failed";
    return false;
  }
  d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d_) {
    error_ = "Direct3DCreate9 returned null";
    Destroy();
    return false;
  }
  D3DDISPLAYMODE mode = {};
  d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  D3DCAPS9 caps = {};
  d3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);

  pp_ = D3DPRESENT_PARAMETERS();
  pp_.Windowed = TRUE;
  pp_.BackBufferWidth = options.width;
  pp_.BackBufferHeight = options.height;
  pp_.BackBufferFormat = options.backBufferFormat;
  pp_.BackBufferCount = 1;
  pp_.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp_.hDeviceWindow = window_;
  pp_.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  if (options.depthStencil) {
    pp_.EnableAutoDepthStencil = TRUE;
    pp_.AutoDepthStencilFormat = D3DFMT_D16;
    for (D3DFORMAT f : {D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D16}) {
      if (SUCCEEDED(d3d_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format,
                                            D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f)) &&
          SUCCEEDED(d3d_->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format,
                                                 options.backBufferFormat, f))) {
        pp_.AutoDepthStencilFormat = f;
        break;
      }
    }
  }
  DWORD flags = D3DCREATE_FPU_PRESERVE | ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                                              ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                              : D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  HRESULT hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, flags, &pp_, &device_);
  if (FAILED(hr)) {
    error_ = HrText("CreateDevice", hr);
    device_ = nullptr;
    Destroy();
    return false;
  }
  if (options.setGlobalDevice) {
    savedGlobal_ = g_D3DDevice;
    g_D3DDevice = device_;
    setGlobal_ = true;
  }
  return true;
}

bool D3DTestDevice::ResetDevice() {
  D3DPRESENT_PARAMETERS pp = pp_;  // Reset may write into what it is given
  return device_ && device_->Reset(&pp) == D3D_OK;
}

void D3DTestDevice::Destroy() {
  if (setGlobal_) {
    g_D3DDevice = savedGlobal_;
    setGlobal_ = false;
  }
  if (device_) device_->Release();
  device_ = nullptr;
  if (d3d_) d3d_->Release();
  d3d_ = nullptr;
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
}

bool ReadRenderTarget(IDirect3DDevice9* device, IDirect3DSurface9* target, Pixels& out) {
  out = Pixels();
  if (!device || !target) return false;
  D3DSURFACE_DESC desc = {};
  if (FAILED(target->GetDesc(&desc))) return false;
  IDirect3DSurface9* copy = nullptr;
  if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                 D3DPOOL_SYSTEMMEM, &copy, nullptr)))
    return false;
  bool ok = false;
  D3DLOCKED_RECT lr = {};
  if (SUCCEEDED(device->GetRenderTargetData(target, copy)) &&
      SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
    ok = true;
    out.width = desc.Width;
    out.height = desc.Height;
    out.argb.resize(static_cast<size_t>(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height && ok; ++y) {
      const BYTE* row = static_cast<const BYTE*>(lr.pBits) + static_cast<size_t>(y) * lr.Pitch;
      DWORD* dst = &out.argb[static_cast<size_t>(y) * desc.Width];
      for (UINT x = 0; x < desc.Width; ++x) {
        switch (desc.Format) {
          case D3DFMT_A8R8G8B8:
            dst[x] = reinterpret_cast<const DWORD*>(row)[x];
            break;
          case D3DFMT_X8R8G8B8:
            dst[x] = reinterpret_cast<const DWORD*>(row)[x] | 0xFF000000u;
            break;
          case D3DFMT_R5G6B5:
            dst[x] = Expand565(reinterpret_cast<const WORD*>(row)[x]);
            break;
          default:
            ok = false;
            break;
        }
      }
    }
    copy->UnlockRect();
  }
  if (ok) KeepFrame(copy);
  copy->Release();
  if (!ok) out = Pixels();
  return ok;
}

bool ReadBackBuffer(IDirect3DDevice9* device, Pixels& out) {
  out = Pixels();
  if (!device) return false;
  IDirect3DSurface9* back = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return false;
  bool ok = ReadRenderTarget(device, back, out);
  back->Release();
  return ok;
}

bool ReadRenderTargetTexture(IDirect3DDevice9* device, IDirect3DTexture9* texture, Pixels& out) {
  out = Pixels();
  if (!device || !texture) return false;
  IDirect3DSurface9* level = nullptr;
  if (FAILED(texture->GetSurfaceLevel(0, &level)) || !level) return false;
  bool ok = ReadRenderTarget(device, level, out);
  level->Release();
  return ok;
}

void D3DFixture::SetUp() {
  ASSERT_TRUE(test_.Create(Options())) << test_.error();
}

Pixels D3DFixture::BackBuffer() {
  Pixels p;
  EXPECT_TRUE(ReadBackBuffer(device(), p)) << "back buffer could not be read";
  return p;
}

}  // namespace lumi_test
