#include "dxut/placement_device.h"

namespace {
PlacementDevice* g_placementDevice = nullptr;
}

void SetPlacementDevice(PlacementDevice* device) { g_placementDevice = device; }
PlacementDevice* GetPlacementDevice() { return g_placementDevice; }

BackBufferSize CurrentBackBufferSize() {
  if (!g_placementDevice) return BackBufferSize{0, 0};
  return g_placementDevice->GetBackBufferSize();
}

void SetDeviceTransform(TransformSlot slot, const D3DXMATRIX& m) {
  if (g_placementDevice) g_placementDevice->SetTransform(slot, m);
}
