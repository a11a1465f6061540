// A picture's size from its file header alone, for the formats whose header states it plainly: JPEG
// (the frame header), PNG (the first chunk), BMP (the info header, rows bottom-up or top-down) and DDS
// (the top level). Decoding a picture only to learn its size takes as long as decoding it.
#pragma once

#include <cstddef>
#include <cstdint>

// Width and height from the header at data; false when the bytes are none of these formats, the
// header is cut short or states no size (the caller then asks the decoder).
bool ReadImageHeaderSize(const unsigned char* data, size_t size, uint32_t* width, uint32_t* height);
