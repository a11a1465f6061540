// Everything the program makes in the device's default pool (render targets, dynamic textures and
// buffers, effects' device state) must go at device loss and come back after the reset, or the reset
// fails. Each owner of such objects derives from DeviceObjects: while it lives it is registered, and the
// scene host's lost and reset callbacks invalidate and create every registered owner in one pass.
// Managed-pool objects survive a reset and need none of this.
#pragma once

#include <functional>

#include "platform/com_ref.h"

class DeviceObjects {
 public:
  DeviceObjects(const DeviceObjects&) = delete;
  DeviceObjects& operator=(const DeviceObjects&) = delete;

  // After a reset: make the default-pool objects again (those that existed before the loss).
  virtual void CreateDeviceObjects() = 0;
  // At device loss: release every default-pool object.
  virtual void InvalidateDeviceObjects() = 0;

 protected:
  DeviceObjects();           // registers
  virtual ~DeviceObjects();  // unregisters
};

// A reference on a default-pool object that another owner makes (a texture of the render-target pair
// read as a source): registered like the owners, it lets go at the loss, so that the reset can succeed.
template <class T>
class DeviceObjectRef : public ComRef<T>, private DeviceObjects {
 public:
  DeviceObjectRef() = default;
  void CreateDeviceObjects() override {}
  void InvalidateDeviceObjects() override { this->Reset(); }
};

// The one order of a device's loss and reset, for the scene host and for tests alike. The scene's own
// lost and reset operations (the picture lights') hold references on objects of registered owners and
// set states, so they come outside the registry's passes:
// - at the loss, the scene lets go first, then every registered owner releases its objects;
// - at the reset, every registered owner makes its objects again, then the scene sets itself up.
void LoseDeviceObjects(const std::function<void()>& sceneLost);
void RestoreDeviceObjects(const std::function<void()>& sceneReset);
// Both around the device's own reset (false: it failed, and nothing is made again). The result is the
// reset's.
bool LoseAndResetDevice(const std::function<void()>& sceneLost, const std::function<bool()>& resetDevice,
                        const std::function<void()>& sceneReset);

// The device is lost: every registered owner, the newest first.
void InvalidateAllDeviceObjects();
// The device is reset: every registered owner, the oldest first.
void CreateAllDeviceObjects();
// How many owners are registered now.
int RegisteredDeviceObjects();
