#include "app/strings.h"

WORD g_ResourceLanguage = kFallbackLanguage;

size_t LoadResStringBuf(const StringTableSeam& table, UINT id, char16_t (&buffer)[kResStringChars]) {
  buffer[0] = u'\0';
  WORD id16 = static_cast<WORD>(id);
  WORD block = static_cast<WORD>(id16 / 16 + 1);
  const BYTE* data = nullptr;
  size_t size = 0;
  if (!table.FindBlock(block, g_ResourceLanguage, data, size) && !table.FindBlock(block, kFallbackLanguage, data, size))
    return 0;
  auto unitAt = [&](size_t unit) { return static_cast<char16_t>(data[2 * unit] | data[2 * unit + 1] << 8); };
  size_t units = size / 2;
  size_t pos = 0;
  for (UINT skip = id16 % 16; skip > 0; --skip) {
    if (pos >= units) return 0;
    pos += 1 + unitAt(pos);
  }
  if (pos >= units) return 0;
  size_t length = unitAt(pos);
  if (pos + 1 + length > units) return 0;
  size_t copied = length < kResStringChars - 1 ? length : kResStringChars - 1;
  for (size_t i = 0; i < copied; ++i) buffer[i] = unitAt(pos + 1 + i);
  buffer[copied] = u'\0';
  return copied;
}

ds_string LoadResString(const StringTableSeam& table, UINT id) {
  char16_t buffer[kResStringChars];
  size_t n = LoadResStringBuf(table, id, buffer);
  return ds_string(buffer, n);
}
