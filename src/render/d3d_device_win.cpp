#include "render/d3d_device.h"

IDirect3DDevice9* g_D3DDevice = nullptr;
