// A stand-in device for picture placement: a back buffer of a given size and a record of the transforms
// it was given. Installs itself while it lives.
#pragma once

#include <map>

#include "dxut/placement_device.h"

namespace lumi_test {

class FakePlacementDevice : public PlacementDevice {
 public:
  FakePlacementDevice(UINT w, UINT h) : size{w, h} { SetPlacementDevice(this); }
  ~FakePlacementDevice() override { SetPlacementDevice(nullptr); }
  BackBufferSize GetBackBufferSize() override { return size; }
  void SetTransform(TransformSlot slot, const D3DXMATRIX& m) override { transforms[slot] = m; }

  BackBufferSize size;
  std::map<TransformSlot, D3DXMATRIX> transforms;
};

}  // namespace lumi_test
