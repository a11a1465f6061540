#include "render/bump_dds.h"

namespace {

DWORD Dword(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}

const size_t kHeaderSize = 128;  // the magic and the 124-byte header
const DWORD kSignedOffsets = 0x80000;
const DWORD kFourCC = 0x4;

}  // namespace

bool ReadBumpDds(const BYTE* data, size_t size, BumpDds* out) {
  if (!data || size < kHeaderSize || Dword(data) != 0x20534444u || Dword(data + 4) != 124) return false;
  const DWORD height = Dword(data + 12), width = Dword(data + 16);
  const DWORD formatFlags = Dword(data + 80), bits = Dword(data + 88);
  if (!(formatFlags & kSignedOffsets) || (formatFlags & kFourCC) || bits != 16) return false;
  if (Dword(data + 92) != 0x00FF || Dword(data + 96) != 0xFF00) return false;
  if (width == 0 || height == 0 || width > 16384 || height > 16384) return false;
  if ((size - kHeaderSize) / 2 / width < height) return false;
  out->width = width;
  out->height = height;
  out->texels = data + kHeaderSize;
  return true;
}
