#include "platform/x86_convert.h"

#include <gtest/gtest.h>

#include <limits>

TEST(X86ConvertTest, TruncatesLikeCvttsd2si) {
  struct Case {
    double in;
    int32_t out;
  } cases[] = {
      {0.0, 0},         {2.9, 2},           {-2.9, -2},          {2147483647.0, INT32_MAX},
      {-2147483648.0, INT32_MIN}, {2147483648.0, INT32_MIN}, {-2147483649.0, INT32_MIN},
      {1e30, INT32_MIN}, {std::numeric_limits<double>::quiet_NaN(), INT32_MIN},
      {std::numeric_limits<double>::infinity(), INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(TruncToInt32(c.in), c.out) << c.in;
  EXPECT_EQ(TruncToByte(255.9), 255);
  EXPECT_EQ(TruncToByte(256.0), 0);
  EXPECT_EQ(TruncToByte(-1.0), 255);
  EXPECT_EQ(TruncToByte(4e9), 0);  // out of range: the indefinite value's low byte
}
