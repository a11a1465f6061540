// A normal map from a height field, for platforms whose helper for it is only a stub.
#pragma once

#include "platform/types.h"

// Heights are the red channel of the source texels (four bytes each: blue, green, red, alpha; rows at
// pitch) scaled to 0..1 and multiplied by amplitude. Each texel's slope is the difference of its
// neighbours, wrapping around the edges; the normal (-dx, -dy, 1), made unit length, is written as
// red, green and blue of 0.5 + 0.5 n (alpha 255) into out (same layout, rows at outPitch).
void ComputeHeightNormals(const BYTE* heights, int pitch, UINT width, UINT height, float amplitude, BYTE* out,
                          int outPitch);
