// The device behind the portable placement and geometry code: back-buffer size, transforms and buffer
// creation on g_D3DDevice (Windows only).
#pragma once

// Installs the implementations over g_D3DDevice; they read the device at each call, so installing once,
// before or after the device is made, is enough. Call it when the device is created.
void InstallDeviceServices();
