#include "scene/guid_text.h"

#include <random>

#ifdef _WIN32
#include <objbase.h>
#endif

namespace {

GuidGenerator g_generator = nullptr;

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Reads 2*bytes hex digits at text[pos] into a big-endian number.
bool ParseHex(const ds_string& text, size_t pos, int digits, uint32_t* out) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int h = HexValue(text[pos + i]);
    if (h < 0) return false;
    v = (v << 4) | static_cast<uint32_t>(h);
  }
  *out = v;
  return true;
}

}  // namespace

ds_string FormatGuidText(const GUID& g) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  ds_string s;
  s.reserve(38);
  auto hex = [&](uint32_t v, int digits) {
    for (int i = digits - 1; i >= 0; --i) s.push_back(kDigits[(v >> (4 * i)) & 0xF]);
  };
  s.push_back(u'{');
  hex(g.Data1, 8);
  s.push_back(u'-');
  hex(g.Data2, 4);
  s.push_back(u'-');
  hex(g.Data3, 4);
  s.push_back(u'-');
  hex(g.Data4[0], 2);
  hex(g.Data4[1], 2);
  s.push_back(u'-');
  for (int i = 2; i < 8; ++i) hex(g.Data4[i], 2);
  s.push_back(u'}');
  return s;
}

bool ParseGuidText(const ds_string& t, GUID* out) {
  if (t.size() != 38 || t[0] != u'{' || t[9] != u'-' || t[14] != u'-' || t[19] != u'-' || t[24] != u'-' ||
      t[37] != u'}')
    return false;
  GUID g;
  uint32_t v;
  if (!ParseHex(t, 1, 8, &v)) return false;
  g.Data1 = v;
  if (!ParseHex(t, 10, 4, &v)) return false;
  g.Data2 = static_cast<uint16_t>(v);
  if (!ParseHex(t, 15, 4, &v)) return false;
  g.Data3 = static_cast<uint16_t>(v);
  static const size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ParseHex(t, kBytePos[i], 2, &v)) return false;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  *out = g;
  return true;
}

#ifdef _WIN32

ds_string GuidToText(const GUID& g) {
  wchar_t buf[64] = {};
  if (StringFromGUID2(g, buf, 64) <= 0) return ds_string();
  return FromWide(buf);
}

bool GuidFromText(const ds_string& text, GUID* out) {
  // Only the braced form: other text would be looked up as a program identifier in the registry.
  if (text.size() != 38 || text[0] != u'{') return false;
  CLSID g;
  if (FAILED(CLSIDFromString(const_cast<LPOLESTR>(AsWide(text)), &g))) return false;
  *out = g;
  return true;
}

static GUID SystemNewGuid() {
  GUID g = {};
  if (FAILED(CoCreateGuid(&g))) g = GUID();
  return g;
}

#else

ds_string GuidToText(const GUID& g) { return FormatGuidText(g); }

bool GuidFromText(const ds_string& text, GUID* out) { return ParseGuidText(text, out); }

static GUID SystemNewGuid() {
  static std::random_device device;
  GUID g;
  g.Data1 = device();
  uint32_t a = device(), b = device(), c = device();
  g.Data2 = static_cast<uint16_t>(a);
  g.Data3 = static_cast<uint16_t>((a >> 16 & 0x0FFF) | 0x4000);  // random (version 4) GUID
  for (int i = 0; i < 4; ++i) g.Data4[i] = static_cast<uint8_t>(b >> (8 * i));
  for (int i = 0; i < 4; ++i) g.Data4[4 + i] = static_cast<uint8_t>(c >> (8 * i));
  g.Data4[0] = static_cast<uint8_t>((g.Data4[0] & 0x3F) | 0x80);
  return g;
}

#endif

GUID NewGuid() { return g_generator ? g_generator() : SystemNewGuid(); }

GuidGenerator SetGuidGenerator(GuidGenerator generator) {
  const GuidGenerator previous = g_generator;
  g_generator = generator;
  return previous;
}

void WriteGuid(DS_IOF_Virtual** stream, const GUID& g) { (*stream)->WriteString(GuidToText(g)); }

void ReadGuid(DS_IOF_Virtual** stream, GUID* g) {
  ds_string text;
  (*stream)->ReadString(&text);
  GuidFromText(text, g);
}
