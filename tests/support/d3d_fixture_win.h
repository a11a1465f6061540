// A Direct3D 9 device for Windows tests: a hidden top-level window with a windowed HAL device on it,
// and read-back of rendered pixels. Output into a window never reaches the screen under Wine, so tests
// check pixels by copying render targets back into system memory.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace lumi_test {

struct D3DTestOptions {
  UINT width = 64;
  UINT height = 64;
  // D3DFMT_A8R8G8B8 keeps the alpha byte of what is drawn, so tests can check colour-write masks.
  D3DFORMAT backBufferFormat = D3DFMT_A8R8G8B8;
  bool depthStencil = true;  // D24S8 (or D16), so that clears of the depth buffer work
  // Sets the render core's g_D3DDevice to the test device while it lives (restored afterwards).
  bool setGlobalDevice = true;

  // The defaults with a back buffer of width x height.
  static D3DTestOptions Sized(UINT width, UINT height) {
    D3DTestOptions o;
    o.width = width;
    o.height = height;
    return o;
  }
};

// Rendered pixels as A8R8G8B8 values, row by row from the top; pixel (x, y) is at [y * width + x].
struct Pixels {
  UINT width = 0;
  UINT height = 0;
  std::vector<DWORD> argb;
  DWORD at(UINT x, UINT y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

// Owns the test window, the Direct3D object and the device.
class D3DTestDevice {
 public:
  D3DTestDevice() = default;
  ~D3DTestDevice() { Destroy(); }
  D3DTestDevice(const D3DTestDevice&) = delete;
  D3DTestDevice& operator=(const D3DTestDevice&) = delete;

  // False with error() set when the window or the device cannot be made.
  bool Create(const D3DTestOptions& options = D3DTestOptions());
  void Destroy();

  HWND window() const { return window_; }
  IDirect3D9* d3d() const { return d3d_; }
  IDirect3DDevice9* device() const { return device_; }
  const D3DPRESENT_PARAMETERS& presentParameters() const { return pp_; }
  const std::string& error() const { return error_; }
  // The device reset with the present parameters of its creation; false when it fails (a default-pool
  // object is still held).
  bool ResetDevice();

 private:
  HWND window_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DDevice9* savedGlobal_ = nullptr;
  bool setGlobal_ = false;
  D3DPRESENT_PARAMETERS pp_ = {};
  std::string error_;
};

// A hidden top-level window of the given client size (its own class, default window procedure).
HWND CreateTestWindow(UINT width, UINT height, const wchar_t* title = L"Lumivane test window");

// Copies a render-target surface into system memory with GetRenderTargetData. False when the surface
// cannot be read (then out is empty). 32-bit and R5G6B5 targets are converted to A8R8G8B8; X8R8G8B8
// reads with alpha forced to 0xFF.
bool ReadRenderTarget(IDirect3DDevice9* device, IDirect3DSurface9* target, Pixels& out);
// Reads back buffer 0 of swap chain 0.
bool ReadBackBuffer(IDirect3DDevice9* device, Pixels& out);
// Reads level 0 of a render-target texture.
bool ReadRenderTargetTexture(IDirect3DDevice9* device, IDirect3DTexture9* texture, Pixels& out);

// GoogleTest fixture: a device of the fixture's options before each test. Subclasses change the
// options by overriding Options().
class D3DFixture : public ::testing::Test {
 protected:
  virtual D3DTestOptions Options() const { return D3DTestOptions(); }
  void SetUp() override;
  void TearDown() override { test_.Destroy(); }

  IDirect3DDevice9* device() const { return test_.device(); }
  IDirect3D9* d3d() const { return test_.d3d(); }
  HWND window() const { return test_.window(); }
  // The back buffer as pixels; fails the test when it cannot be read.
  Pixels BackBuffer();

  D3DTestDevice test_;
};

}  // namespace lumi_test
