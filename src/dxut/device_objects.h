// Everything the program makes in the device's default pool (render targets, dynamic textures and
// buffers, effects' device state) must go at device loss and come back after the reset, or the reset
// fails. Each owner of such objects derives from DeviceObjects: while it lives it is registered, and the
// scene host's lost and reset callbacks invalidate and create every registered owner in one pass.
// Managed-pool objects survive a reset and need none of this.
#pragma once

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

// The device is lost: every registered owner, the newest first.
void InvalidateAllDeviceObjects();
// The device is reset: every registered owner, the oldest first.
void CreateAllDeviceObjects();
// How many owners are registered now.
int RegisteredDeviceObjects();
