// The platform's limit for the product's frames: a minimal Direct3D 9 program with the product's window
// kind and present parameters that decodes one picture of the demo's size with the product's texture
// call, then per frame clears, draws one full-screen textured quad and presents. It prints the same
// figures as frame_timing, so that scripts/bench can run the two alternately and report their ratio.
//   baseline [frames] [width] [height] [memory interval]   defaults: 300 frames, 1920 x 1080, no memory lines
// The picture is the demo's first slide, carried as resource 1 of type RCDATA. With a memory interval,
// prints the process's memory every that many frames. Exits non-zero when the device or the picture
// does not come up.
#include <cstdio>
#include <cstring>

#include <d3d9.h>
#include <d3dx9.h>

#include "bench_timing_win.h"

using bench::Now;

namespace {

// What the product asks of the device: windowed, a back buffer of the window's size in the display's
// format, discarded swaps, presents on vertical retrace, an automatic depth-stencil surface.
D3DPRESENT_PARAMETERS PresentParameters(IDirect3D9* d3d, HWND window, int width, int height) {
  D3DDISPLAYMODE mode = {};
  d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  D3DPRESENT_PARAMETERS pp = {};
  pp.Windowed = TRUE;
  pp.BackBufferWidth = static_cast<UINT>(width);
  pp.BackBufferHeight = static_cast<UINT>(height);
  pp.BackBufferFormat = mode.Format;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = window;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  for (D3DFORMAT f : {D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D16}) {
    if (SUCCEEDED(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, D3DUSAGE_DEPTHSTENCIL,
                                         D3DRTYPE_SURFACE, f)) &&
        SUCCEEDED(d3d->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format, mode.Format, f))) {
      pp.EnableAutoDepthStencil = TRUE;
      pp.AutoDepthStencilFormat = f;
      break;
    }
  }
  return pp;
}

struct Vertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
const DWORD kVertexFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

}  // namespace

int main(int argc, char** argv) {
  const int frames = bench::Argument(argc, argv, 1, 300, 1);
  const int width = bench::Argument(argc, argv, 2, 1920, 1);
  const int height = bench::Argument(argc, argv, 3, 1080, 1);
  const int memoryInterval = bench::Argument(argc, argv, 4, 0, 0);

  const double start = Now();
  HWND window = bench::CreateWindowOfSize(L"LumivaneBaseline", L"Lumivane baseline", width, height);
  IDirect3D9* d3d = window ? Direct3DCreate9(D3D_SDK_VERSION) : nullptr;
  if (!d3d) {
    std::fprintf(stderr, "baseline: no window or no Direct3D\n");
    return 1;
  }
  D3DCAPS9 caps = {};
  d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
  const DWORD behavior = D3DCREATE_FPU_PRESERVE | ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                                                       ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                       : D3DCREATE_SOFTWARE_VERTEXPROCESSING);
  D3DPRESENT_PARAMETERS pp = PresentParameters(d3d, window, width, height);
  IDirect3DDevice9* device = nullptr;
  if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behavior, &pp, &device)) || !device) {
    std::fprintf(stderr, "baseline: the device did not come up\n");
    return 1;
  }
  const double deviceUp = Now();

  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info = {};
  if (!bytes || FAILED(D3DXCreateTextureFromFileInMemoryEx(device, bytes, SizeofResource(nullptr, found), D3DX_DEFAULT,
                                                           D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                           D3DX_FILTER_TRIANGLE, D3DX_FILTER_NONE, 0, &info, nullptr,
                                                           &texture))) {
    std::fprintf(stderr, "baseline: the picture did not decode\n");
    return 1;
  }

  // One full-screen quad, written once.
  IDirect3DVertexBuffer9* quad = nullptr;
  if (FAILED(device->CreateVertexBuffer(4 * sizeof(Vertex), D3DUSAGE_WRITEONLY, kVertexFormat, D3DPOOL_MANAGED, &quad,
                                        nullptr))) {
    std::fprintf(stderr, "baseline: no vertex buffer\n");
    return 1;
  }
  const float w = static_cast<float>(width) - 0.5f, h = static_cast<float>(height) - 0.5f;
  const Vertex corners[4] = {{-0.5f, h, 0, 1, 0xFFFFFFFF, 0, 1},
                             {-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},
                             {w, h, 0, 1, 0xFFFFFFFF, 1, 1},
                             {w, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0}};
  void* locked = nullptr;
  if (SUCCEEDED(quad->Lock(0, 0, &locked, 0))) {
    std::memcpy(locked, corners, sizeof(corners));
    quad->Unlock();
  }
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);

  auto frame = [&] {
    if (SUCCEEDED(device->BeginScene())) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
      device->SetTexture(0, texture);
      device->SetFVF(kVertexFormat);
      device->SetStreamSource(0, quad, 0, sizeof(Vertex));
      device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
      device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
  };
  frame();
  bench::FinishDrawing(device);
  const double firstFrame = Now();

  std::printf("size %d x %d, picture %u x %u, %d frames\n", width, height, info.Width, info.Height, frames);
  std::printf("device up            %8.1f ms\n", (deviceUp - start) * 1000);
  std::printf("first frame          %8.1f ms\n", (firstFrame - deviceUp) * 1000);
  std::printf("bring-up to first frame %5.1f ms\n", (firstFrame - start) * 1000);
  bench::TimeFrames(frames, memoryInterval, device, frame);
  quad->Release();
  texture->Release();
  device->Release();
  d3d->Release();
  DestroyWindow(window);
  return 0;
}
