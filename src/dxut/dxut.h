// The program's own small device framework: brings up one windowed Direct3D 9 device in a window the
// program owns, restores it when it is lost, runs the per-frame sequence and keeps the application clock.
// It never sees a window message and never changes the window. Windows only.
#pragma once

#include <windows.h>
#include <d3d9.h>

// What the settings hook may change before the device is created.
struct FrameworkDeviceSettings {
  UINT adapterOrdinal;
  D3DDEVTYPE deviceType;
  D3DFORMAT adapterFormat;
  DWORD behaviorFlags;
  D3DPRESENT_PARAMETERS pp;
};

typedef bool (*DeviceAcceptableCallback)(D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat,
                                         bool windowed);
typedef bool (*ModifyDeviceSettingsCallback)(FrameworkDeviceSettings* settings, const D3DCAPS9* caps);
typedef HRESULT (*DeviceCreatedCallback)(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer);
typedef HRESULT (*DeviceResetCallback)(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer);
typedef void (*DeviceLostCallback)();
typedef void (*FrameMoveCallback)(IDirect3DDevice9* device, double time, float elapsed);
typedef void (*FrameRenderCallback)(IDirect3DDevice9* device, double time, float elapsed);

void DXUTSetCallbackFrameMove(FrameMoveCallback callback);
void DXUTSetCallbackDeviceCreated(DeviceCreatedCallback callback);
void DXUTSetCallbackFrameRender(FrameRenderCallback callback);
void DXUTSetCallbackDeviceReset(DeviceResetCallback callback);
void DXUTSetCallbackDeviceLost(DeviceLostCallback callback);

// Starts the clock at 0 and sets the system timer resolution to 1 ms (until the process ends).
// The command line is never parsed and there are no hot keys; the two flags are accepted as given.
// msgBoxOnError: failures of device creation are also shown in a message box. S_OK on success.
HRESULT DXUTInit(bool parseCommandLine = false, bool handleHotkeys = false, bool msgBoxOnError = true);
// Full-screen cursor settings: stored only (the device is always windowed).
void DXUTSetCursorSettings(bool showCursorWhenFullScreen, bool clipCursorWhenFullScreen);
// The focus window and the device windows; the windowed device presents into windowedDevice.
HRESULT DXUTSetWindow(HWND focus, HWND fullScreenDevice, HWND windowedDevice);
// Creates the device: every back-buffer format the adapter supports windowed goes through the filter,
// the first accepted one gets an automatic depth-stencil surface, the hook may change the settings,
// then the device is created and device-created and device-reset run. S_OK on success.
HRESULT DXUTCreateDevice(UINT adapter, bool windowed, int width, int height, DeviceAcceptableCallback filter,
                         ModifyDeviceSettingsCallback hook);
// One frame: recovers a lost device, then frame move, frame render and present.
void DXUTRender3DEnvironment();
// Counted pauses of the clock and of rendering; false undoes one true, never below 0.
void DXUTPause(bool pauseTime, bool pauseRendering);

// Whether the window and every parent above it still exist. When the process that owns a parent ends,
// the system destroys the child windows of other processes inside it without a WM_DESTROY reaching
// them, and the child's own process may go on answering for the child's handle: only the parent, which
// belonged to the process that ended, shows that the child is gone. A frame call draws nothing once the
// device window fails this.
bool WindowAndParentsExist(HWND window);

HWND DXUTGetHWND();  // the windowed device window
IDirect3D9* DXUTGetD3DObject();
IDirect3DDevice9* DXUTGetD3DDevice();  // g_D3DDevice, where the framework keeps the device it made
// The application clock: seconds since DXUTInit, frozen while time is paused, -1.0 without a
// high-resolution counter.
double DXUTGetTime();

// Releases the device (g_D3DDevice becomes null) and the Direct3D object and resets the framework. Runs at process exit; tests
// call it to start again within one process. Sends no device-lost callback.
void DXUTShutdown();

// Tests only: marks the device lost, so that the next frame call runs device-lost, the device's
// Reset and device-reset on a device that is in fact fine.
void DXUTTestForceDeviceReset();
// Tests only: the application clock reads source from now on (null: the machine's counter again) and
// starts again at 0.
class CounterSource;
void DXUTTestSetCounter(CounterSource* source);
