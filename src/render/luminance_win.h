// A picture's texels read on the device (Windows only).
#pragma once

#include <functional>

#include "platform/types.h"

// A size x size copy of the picture in four bytes a texel (blue, green, red, unused) handed to read with
// its pitch; false when it cannot be made or read.
bool ReadPictureTexels(IDirect3DTexture9* picture, UINT size, const std::function<void(const BYTE*, int)>& read);
