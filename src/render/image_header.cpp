#include "render/image_header.h"

#include <cstring>

namespace {

uint32_t Big16(const unsigned char* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t Big32(const unsigned char* p) { return Big16(p) << 16 | Big16(p + 2); }
uint32_t Little16(const unsigned char* p) { return static_cast<uint32_t>(p[1]) << 8 | p[0]; }
uint32_t Little32(const unsigned char* p) { return Little16(p + 2) << 16 | Little16(p); }

bool Sized(uint32_t w, uint32_t h, uint32_t* width, uint32_t* height) {
  if (w == 0 || h == 0) return false;
  *width = w;
  *height = h;
  return true;
}

// The segments up to the first frame header (SOF0 to SOF15 but for DHT, JPG and DAC).
bool JpegSize(const unsigned char* p, size_t size, uint32_t* width, uint32_t* height) {
  size_t at = 2;
  while (at + 1 < size) {
    if (p[at] != 0xFF) return false;
    const unsigned char marker = p[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
    if (marker == 0xD9 || marker == 0xDA) return false;                   // end, or scan data before a frame
    if (at + 2 > size) return false;
    const uint32_t length = Big16(p + at);
    if (length < 2 || at + length > size) return false;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return length >= 7 && Sized(Big16(p + at + 5), Big16(p + at + 3), width, height);
    at += length;
  }
  return false;
}

}  // namespace

bool ReadImageHeaderSize(const unsigned char* p, size_t size, uint32_t* width, uint32_t* height) {
  if (!p) return false;
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 24 && std::memcmp(p, kPng, 8) == 0) {
    if (std::memcmp(p + 12, "IHDR", 4) != 0) return false;
    const uint32_t w = Big32(p + 16), h = Big32(p + 20);
    return w <= 0x7FFFFFFF && h <= 0x7FFFFFFF && Sized(w, h, width, height);
  }
  if (size >= 4 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return JpegSize(p, size, width, height);
  if (size >= 26 && p[0] == 'B' && p[1] == 'M') {
    const uint32_t header = Little32(p + 14);
    if (header == 12) return Sized(Little16(p + 18), Little16(p + 20), width, height);
    if (header < 40) return false;
    const int32_t w = static_cast<int32_t>(Little32(p + 18)), h = static_cast<int32_t>(Little32(p + 22));
    if (w <= 0 || h == INT32_MIN) return false;
    return Sized(static_cast<uint32_t>(w), static_cast<uint32_t>(h < 0 ? -h : h), width, height);  // < 0: top-down
  }
  if (size >= 128 && std::memcmp(p, "DDS ", 4) == 0 && Little32(p + 4) == 124)
    return Sized(Little32(p + 16), Little32(p + 12), width, height);
  return false;
}
