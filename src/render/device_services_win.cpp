#include "render/device_services_win.h"

#include "dxut/d3d_device.h"
#include "dxut/geometry_device.h"
#include "dxut/placement_device.h"
#include "render/glow_target.h"

namespace {

class D3D9PlacementDevice : public PlacementDevice {
 public:
  BackBufferSize GetBackBufferSize() override {
    D3DSURFACE_DESC desc;
    GetBackBufferDesc(&desc);
    return BackBufferSize{desc.Width, desc.Height};
  }
  void SetTransform(TransformSlot slot, const D3DXMATRIX& m) override {
    if (!g_D3DDevice) return;
    static const D3DTRANSFORMSTATETYPE kState[] = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION};
    g_D3DDevice->SetTransform(kState[static_cast<int>(slot)], &m);
  }
};

class D3D9GeometryDevice : public GeometryDevice {
 public:
  HRESULT CreateVertexBuffer(UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** out) override {
    if (!g_D3DDevice) return E_FAIL;
    return g_D3DDevice->CreateVertexBuffer(bytes, usage, fvf, pool, out, nullptr);
  }
  HRESULT CreateIndexBuffer(UINT bytes, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** out) override {
    if (!g_D3DDevice) return E_FAIL;
    return g_D3DDevice->CreateIndexBuffer(bytes, usage, format, pool, out, nullptr);
  }
};

}  // namespace

void InstallDeviceServices() {
  static D3D9PlacementDevice placement;
  static D3D9GeometryDevice geometry;
  SetPlacementDevice(&placement);
  SetGeometryDevice(&geometry);
  InstallGlowTargetDevice();
}
