#include "app/registry.h"

RegValue DwordValue(DWORD v) {
  RegValue r;
  r.type = kRegDword;
  for (int i = 0; i < 4; ++i) r.data.push_back(static_cast<BYTE>(v >> (8 * i)));
  return r;
}

RegValue StringValue(const ds_string& s) {
  RegValue r;
  r.type = kRegSz;
  for (size_t i = 0; i <= s.size(); ++i) {
    char16_t c = i < s.size() ? s[i] : u'\0';
    r.data.push_back(static_cast<BYTE>(c & 0xFF));
    r.data.push_back(static_cast<BYTE>(c >> 8));
  }
  return r;
}
