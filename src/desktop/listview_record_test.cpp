#include "desktop/listview_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

DWORD At(const BYTE* b, size_t offset) {
  return b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 | static_cast<DWORD>(b[offset + 3]) << 24;
}

TEST(ItemRecord, LayoutsPlaceEveryFieldAtItsOffset) {
  BYTE r32[kItemRecordSize32];
  std::memset(r32, 0xCC, sizeof(r32));
  PackItemRecord32(7, 0x00A1B2C3, r32);
  BYTE r64[kItemRecordSize64];
  std::memset(r64, 0xCC, sizeof(r64));
  PackItemRecord64(7, 0x7FFE0010, r64);

  struct Field {
    const char* name;
    size_t offset32, offset64;
    DWORD value32, value64;
  } fields[] = {
      {"mask", 0, 0, 3, 3},
      {"item", 4, 4, 7, 7},
      {"sub-item", 8, 8, 0, 0},
      {"state", 12, 12, 0, 0},
      {"state mask", 16, 16, 0, 0},
      {"text address", 20, 24, 0x00A1B2C3, 0x7FFE0010},
      {"text capacity", 24, 32, 260, 260},
      {"image", 28, 36, 0, 0},
  };
  for (const Field& f : fields) {
    EXPECT_EQ(At(r32, f.offset32), f.value32) << f.name;
    EXPECT_EQ(At(r64, f.offset64), f.value64) << f.name;
  }
  EXPECT_EQ(At(r32, 32), 0u);  // parameter
  EXPECT_EQ(At(r32, 36), 0u);  // indent
  EXPECT_EQ(At(r64, 20), 0u);  // padding before the 8-byte address
  EXPECT_EQ(At(r64, 28), 0u);  // upper half of the address
  for (size_t i = kItemRecordExchanged; i < kItemRecordSize64; ++i) EXPECT_EQ(r64[i], 0) << i;
}

TEST(ItemRecord, PositionsPackAsTwo16BitCoordinates) {
  struct Case {
    POINT p;
    DWORD packed;
  } cases[] = {{{0, 0}, 0},
               {{10, 20}, 0x0014000A},
               {{1919, 1079}, 0x0437077F},
               {{-1, 5}, 0x0005FFFF},
               {{70000, -2}, 0xFFFE1170}};  // only the low 16 bits of each coordinate travel
  for (const Case& c : cases) EXPECT_EQ(PackItemPosition(c.p), c.packed) << c.p.x << "," << c.p.y;
}

TEST(ItemRecord, TextReadBackStopsAtNullOrCapacity) {
  auto bytes = [](const ds_string& s, size_t totalUnits) {
    std::vector<BYTE> b(totalUnits * 2, 'q');
    for (size_t i = 0; i < s.size() && i < totalUnits; ++i) {
      b[2 * i] = static_cast<BYTE>(s[i]);
      b[2 * i + 1] = static_cast<BYTE>(s[i] >> 8);
    }
    return b;
  };
  std::vector<BYTE> b = bytes(u"My Documents", 260);
  b[24] = b[25] = 0;
  EXPECT_EQ(TextFromRemoteBuffer(b.data(), b.size()), u"My Documents");

  // Nothing terminates it: the text ends at the capacity, not beyond the buffer.
  std::vector<BYTE> full = bytes(ds_string(300, u'x'), 300);
  EXPECT_EQ(TextFromRemoteBuffer(full.data(), full.size()), ds_string(260, u'x'));
  std::vector<BYTE> odd = bytes(u"abc", 3);
  odd.push_back('z');
  EXPECT_EQ(TextFromRemoteBuffer(odd.data(), odd.size()), u"abc");
  std::vector<BYTE> umlaut = bytes(u"\u00c4rger \u2019", 260);
  umlaut[14] = umlaut[15] = 0;
  EXPECT_EQ(TextFromRemoteBuffer(umlaut.data(), umlaut.size()), u"\u00c4rger \u2019");
}

}  // namespace
