// The one Direct3D device of the program and its one holder: the device framework creates the device
// into it and releases it at shutdown; null before and after. Render code that creates resources
// reaches the device through it.
#pragma once

#include <d3d9.h>

extern IDirect3DDevice9* g_D3DDevice;

// The description of back buffer 0 of g_D3DDevice; all zero when there is no device or back buffer.
D3DSURFACE_DESC* GetBackBufferDesc(D3DSURFACE_DESC* out);
