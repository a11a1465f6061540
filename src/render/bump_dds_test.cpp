#include "render/bump_dds.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A DDS header of the signed two-channel format for a picture of w x h, then count texel bytes.
std::vector<BYTE> File(DWORD w, DWORD h, size_t count) {
  std::vector<BYTE> f(128, 0);
  auto put = [&f](size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<BYTE>(v >> (8 * i));
  };
  put(0, 0x20534444);
  put(4, 124);
  put(12, h);
  put(16, w);
  put(76, 32);
  put(80, 0x80000);
  put(88, 16);
  put(92, 0xFF);
  put(96, 0xFF00);
  for (size_t i = 0; i < count; ++i) f.push_back(static_cast<BYTE>(i));
  return f;
}

TEST(BumpDds, ReadsTheSignedTwoChannelFormatOnlyWithAWholeLevel) {
  std::vector<BYTE> good = File(3, 2, 12);
  BumpDds dds;
  ASSERT_TRUE(ReadBumpDds(good.data(), good.size(), &dds));
  EXPECT_EQ(dds.width, 3u);
  EXPECT_EQ(dds.height, 2u);
  EXPECT_EQ(dds.texels, good.data() + 128);

  struct Case {
    const char* what;
    size_t at;
    DWORD value;
  } bad[] = {{"magic", 0, 0x20202020}, {"header size", 4, 100},       {"no height", 12, 0},
             {"unsigned", 80, 0x40},   {"four-character code", 80, 0x80004}, {"32 bits", 88, 32},
             {"other masks", 92, 0xFF00}, {"huge", 16, 0x7FFFFFFF}};
  for (const Case& c : bad) {
    std::vector<BYTE> f = good;
    for (int i = 0; i < 4; ++i) f[c.at + i] = static_cast<BYTE>(c.value >> (8 * i));
    EXPECT_FALSE(ReadBumpDds(f.data(), f.size(), &dds)) << c.what;
  }
  std::vector<BYTE> cut = File(3, 2, 11);
  EXPECT_FALSE(ReadBumpDds(cut.data(), cut.size(), &dds)) << "a texel short";
  EXPECT_FALSE(ReadBumpDds(good.data(), 127, &dds)) << "no whole header";
  EXPECT_FALSE(ReadBumpDds(nullptr, 0, &dds));
}

}  // namespace
