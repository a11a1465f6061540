// Opaque draws on the device (Windows only).
#pragma once

#include <d3d9.h>

#include "render/opaque_draw.h"

// The device's state for an opaque draw, with the caller's word on the diffuse alpha.
OpaqueDrawState ReadOpaqueDrawState(IDirect3DDevice9* device, bool diffuseOpaque);

// Around draws of opaque sources that share one state: blending is off for them where that gives the
// same pixels, and back on after them.
class OpaqueDrawScope {
 public:
  OpaqueDrawScope(IDirect3DDevice9* device, bool diffuseOpaque);
  ~OpaqueDrawScope();
  OpaqueDrawScope(const OpaqueDrawScope&) = delete;
  OpaqueDrawScope& operator=(const OpaqueDrawScope&) = delete;

 private:
  IDirect3DDevice9* device_;
  bool unblended_ = false;
};
