#include "render/normal_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Heights in red from a function of the texel, four bytes a texel, rows at pitch.
std::vector<BYTE> Heights(UINT w, UINT h, int pitch, BYTE (*red)(UINT x, UINT y)) {
  std::vector<BYTE> bits(static_cast<size_t>(pitch) * h, 0x55);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) bits[static_cast<size_t>(y) * pitch + x * 4 + 2] = red(x, y);
  return bits;
}

const BYTE* Texel(const std::vector<BYTE>& bits, int pitch, UINT x, UINT y) {
  return &bits[static_cast<size_t>(y) * pitch + x * 4];
}

TEST(NormalMap, FlatSlopedAndWrappingFields) {
  const UINT w = 4, h = 3;
  const int pitch = 4 * 4 + 8, outPitch = 4 * 4;
  std::vector<BYTE> out(static_cast<size_t>(outPitch) * h);

  // Flat: straight up everywhere, whatever the amplitude.
  ComputeHeightNormals(Heights(w, h, pitch, [](UINT, UINT) -> BYTE { return 90; }).data(), pitch, w, h, 25, out.data(),
                       outPitch);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      const BYTE* t = Texel(out, outPitch, x, y);
      EXPECT_EQ(t[2], 128);
      EXPECT_EQ(t[1], 128);
      EXPECT_EQ(t[0], 255);
      EXPECT_EQ(t[3], 255);
    }

  // Rising to the right, one column a step: the normal leans left (red below the middle), the same down
  // every column; at the edges the slope wraps around to the other side, where the field falls.
  const std::vector<BYTE> ramp = Heights(w, h, pitch, [](UINT x, UINT) -> BYTE { return static_cast<BYTE>(x * 51); });
  ComputeHeightNormals(ramp.data(), pitch, w, h, 5, out.data(), outPitch);
  // Inside: dx = (2 x 51 / 255) x 0.5 x 5 = 1, normal (-1, 0, 1) / sqrt 2.
  for (UINT y = 0; y < h; ++y) {
    const BYTE* t = Texel(out, outPitch, 1, y);
    EXPECT_EQ(t[2], 37);   // (0.5 - 0.5 x 0.7071) x 255, rounded
    EXPECT_EQ(t[1], 128);
    EXPECT_EQ(t[0], 218);  // (0.5 + 0.5 x 0.7071) x 255
  }
  EXPECT_GT(Texel(out, outPitch, 0, 0)[2], 128) << "column 0 wraps to the high column 3";
  EXPECT_GT(Texel(out, outPitch, 3, 0)[2], 128) << "column 3 wraps to the low column 0";

  // A slope down the rows moves green, not red, and scales with the amplitude.
  const std::vector<BYTE> rows = Heights(w, h, pitch, [](UINT, UINT y) -> BYTE { return static_cast<BYTE>(y * 40); });
  ComputeHeightNormals(rows.data(), pitch, w, h, 1, out.data(), outPitch);
  const BYTE gentle = Texel(out, outPitch, 2, 1)[1];
  ComputeHeightNormals(rows.data(), pitch, w, h, 8, out.data(), outPitch);
  EXPECT_EQ(Texel(out, outPitch, 2, 1)[2], 128);
  EXPECT_LT(Texel(out, outPitch, 2, 1)[1], gentle);
  EXPECT_LT(gentle, 128);
}

}  // namespace
