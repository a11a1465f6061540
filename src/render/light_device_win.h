// The picture lights' device over the program's Direct3D device (Windows only).
#pragma once

// Installs it; it reads g_D3DDevice at each call (a call without a device does nothing), so installing
// once, when the device is created, is enough.
void InstallLightDevice();
