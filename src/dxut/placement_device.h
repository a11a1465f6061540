// What picture placement asks of the device (the back buffer's size, the fixed-function transforms),
// behind a small interface so that placement runs and is tested without a device. The device side
// installs an implementation when the device exists; until then the size is 0 x 0 and transforms go nowhere.
#pragma once

#include "platform/types.h"

struct BackBufferSize {
  UINT width;
  UINT height;
};

enum class TransformSlot { World, View, Projection };

class PlacementDevice {
 public:
  virtual ~PlacementDevice() {}
  virtual BackBufferSize GetBackBufferSize() = 0;
  virtual void SetTransform(TransformSlot slot, const D3DXMATRIX& m) = 0;
};

// Not owned; null removes it.
void SetPlacementDevice(PlacementDevice* device);
PlacementDevice* GetPlacementDevice();

BackBufferSize CurrentBackBufferSize();
void SetDeviceTransform(TransformSlot slot, const D3DXMATRIX& m);
