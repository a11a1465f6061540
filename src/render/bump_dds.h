// DDS files of a bump map in the signed two-channel format (16 bits a texel, u in the low byte), as the
// lake's bump map is stored in documents. Some decoders know the format but cannot load it; the texture
// loader then reads such a file itself.
#pragma once

#include <cstddef>

#include "platform/types.h"

struct BumpDds {
  UINT width = 0, height = 0;
  const BYTE* texels = nullptr;  // level 0, rows of width * 2 bytes from the top, packed
};

// Whether data is such a file with a whole first level; out points into data.
bool ReadBumpDds(const BYTE* data, size_t size, BumpDds* out);
