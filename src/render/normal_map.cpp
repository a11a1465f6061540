#include "render/normal_map.h"

#include <cmath>
#include <cstddef>

namespace {
BYTE Encode(double n) {
  const double v = (0.5 + 0.5 * n) * 255.0 + 0.5;
  return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v));
}
}  // namespace

void ComputeHeightNormals(const BYTE* heights, int pitch, UINT width, UINT height, float amplitude, BYTE* out,
                          int outPitch) {
  if (!heights || !out || width == 0 || height == 0) return;
  auto at = [&](UINT x, UINT y) { return heights[static_cast<ptrdiff_t>(y) * pitch + x * 4 + 2] / 255.0; };
  for (UINT y = 0; y < height; ++y) {
    const UINT up = (y + height - 1) % height, down = (y + 1) % height;
    BYTE* row = out + static_cast<ptrdiff_t>(y) * outPitch;
    for (UINT x = 0; x < width; ++x) {
      const UINT left = (x + width - 1) % width, right = (x + 1) % width;
      const double dx = (at(right, y) - at(left, y)) * 0.5 * amplitude;
      const double dy = (at(x, down) - at(x, up)) * 0.5 * amplitude;
      const double len = std::sqrt(dx * dx + dy * dy + 1);
      BYTE* t = row + x * 4;
      t[0] = Encode(1 / len);
      t[1] = Encode(-dy / len);
      t[2] = Encode(-dx / len);
      t[3] = 255;
    }
  }
}
