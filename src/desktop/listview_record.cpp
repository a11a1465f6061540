#include "desktop/listview_record.h"

#include <cstring>

namespace {
void Put32(BYTE* at, DWORD v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(v >> (8 * i));
}
}  // namespace

void PackItemRecord32(int item, DWORD remoteText, BYTE (&out)[kItemRecordSize32]) {
  std::memset(out, 0, sizeof(out));
  Put32(out + 0, kItemMaskTextImage);
  Put32(out + 4, static_cast<DWORD>(item));
  Put32(out + 20, remoteText);
  Put32(out + 24, kItemTextCapacity);
}

void PackItemRecord64(int item, DWORD remoteText, BYTE (&out)[kItemRecordSize64]) {
  std::memset(out, 0, sizeof(out));
  Put32(out + 0, kItemMaskTextImage);
  Put32(out + 4, static_cast<DWORD>(item));
  Put32(out + 24, remoteText);  // bytes 28..31: upper half of the address, 0
  Put32(out + 32, kItemTextCapacity);
}

DWORD PackItemPosition(POINT p) {
  return (static_cast<DWORD>(p.x) & 0xFFFF) | (static_cast<DWORD>(p.y) & 0xFFFF) << 16;
}

ds_string TextFromRemoteBuffer(const BYTE* bytes, size_t byteCount) {
  ds_string text;
  size_t units = byteCount / 2;
  if (units > static_cast<size_t>(kItemTextCapacity)) units = kItemTextCapacity;
  for (size_t i = 0; i < units; ++i) {
    char16_t c = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    if (c == u'\0') break;
    text += c;
  }
  return text;
}
