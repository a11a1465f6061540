#include "render/image_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

void Put16(Bytes& b, uint32_t v, bool big) {
  if (big) b.insert(b.end(), {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
  else b.insert(b.end(), {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)});
}
void Put32(Bytes& b, uint32_t v, bool big) {
  if (big) {
    Put16(b, v >> 16, true);
    Put16(b, v & 0xFFFF, true);
  } else {
    Put16(b, v & 0xFFFF, false);
    Put16(b, v >> 16, false);
  }
}

// SOI, then the given segments (marker, payload), then a scan.
Bytes Jpeg(const std::vector<std::pair<unsigned char, Bytes>>& segments) {
  Bytes b = {0xFF, 0xD8};
  for (const auto& s : segments) {
    b.insert(b.end(), {0xFF, s.first});
    Put16(b, static_cast<uint32_t>(s.second.size() + 2), true);
    b.insert(b.end(), s.second.begin(), s.second.end());
  }
  b.insert(b.end(), {0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xD9});
  return b;
}
Bytes Frame(uint32_t w, uint32_t h) {
  Bytes f = {8};
  Put16(f, h, true);
  Put16(f, w, true);
  f.insert(f.end(), {1, 1, 0x11, 0});
  return f;
}
Bytes Png(uint32_t w, uint32_t h, const char* chunk = "IHDR") {
  Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Put32(b, 13, true);
  b.insert(b.end(), chunk, chunk + 4);
  Put32(b, w, true);
  Put32(b, h, true);
  b.insert(b.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
  return b;
}
Bytes Bmp(uint32_t header, int32_t w, int32_t h) {
  Bytes b = {'B', 'M'};
  Put32(b, 0, false);
  Put32(b, 0, false);
  Put32(b, 14 + header, false);
  Put32(b, header, false);
  if (header == 12) {
    Put16(b, static_cast<uint32_t>(w), false);
    Put16(b, static_cast<uint32_t>(h), false);
  } else {
    Put32(b, static_cast<uint32_t>(w), false);
    Put32(b, static_cast<uint32_t>(h), false);
  }
  b.resize(14 + header + 16, 0);
  return b;
}
Bytes Dds(uint32_t w, uint32_t h) {
  Bytes b = {'D', 'D', 'S', ' '};
  Put32(b, 124, false);
  Put32(b, 0x1007, false);
  Put32(b, h, false);
  Put32(b, w, false);
  b.resize(128, 0);
  return b;
}
Bytes Cut(Bytes b, size_t n) {
  b.resize(n);
  return b;
}

TEST(ImageHeaderTest, SizesOfEachFormatAndWhatIsLeftToTheDecoder) {
  const Bytes app0(14, 0), table(20, 1);
  Bytes filled = Jpeg({{0xC0, Frame(31, 17)}});
  filled.insert(filled.begin() + 2, {0xFF, 0xFF});
  Bytes shortLength = Jpeg({{0xE0, app0}, {0xC0, Frame(5, 5)}});
  shortLength[5] = 1;  // the APP0 segment's length, low byte
  struct Case {
    std::string what;
    Bytes bytes;
    bool sized;
    uint32_t width, height;
  } cases[] = {
      {"baseline JPEG after an APP0 and tables", Jpeg({{0xE0, app0}, {0xDB, table}, {0xC0, Frame(1600, 1200)}}), true, 1600, 1200},
      {"progressive JPEG", Jpeg({{0xC2, Frame(2400, 800)}}), true, 2400, 800},
      {"Huffman and arithmetic tables are no frame", Jpeg({{0xC4, table}, {0xCC, table}, {0xC1, Frame(7, 9)}}), true, 7, 9},
      {"fill bytes before a marker", filled, true, 31, 17},
      {"JPEG whose height comes later (DNL)", Jpeg({{0xC0, Frame(640, 0)}}), false, 0, 0},
      {"JPEG scan before any frame", Jpeg({{0xE0, app0}}), false, 0, 0},
      {"JPEG cut inside a segment", Cut(Jpeg({{0xE0, app0}, {0xC0, Frame(5, 5)}}), 22), false, 0, 0},
      {"JPEG with a segment length below two", shortLength, false, 0, 0},
      {"PNG", Png(1000, 1400), true, 1000, 1400},
      {"PNG without its header chunk first", Png(10, 10, "tEXt"), false, 0, 0},
      {"PNG wider than a PNG may be", Png(0x80000000u, 4), false, 0, 0},
      {"PNG cut short", Cut(Png(10, 10), 20), false, 0, 0},
      {"BMP, rows bottom-up", Bmp(40, 6, 3), true, 6, 3},
      {"BMP, rows top-down", Bmp(124, 6, -3), true, 6, 3},
      {"BMP with the old core header", Bmp(12, 300, 200), true, 300, 200},
      {"BMP of no width", Bmp(40, 0, 3), false, 0, 0},
      {"BMP with an unknown header size", Bmp(20, 4, 4), false, 0, 0},
      {"DDS", Dds(256, 128), true, 256, 128},
      {"DDS cut short", Cut(Dds(256, 128), 100), false, 0, 0},
      {"GIF: the decoder knows its frames", {'G', 'I', 'F', '8', '9', 'a', 10, 0, 10, 0, 0, 0, 0}, false, 0, 0},
      {"nothing", Bytes(), false, 0, 0},
  };
  for (const Case& c : cases) {
    uint32_t w = 77, h = 77;
    EXPECT_EQ(c.sized, ReadImageHeaderSize(c.bytes.data(), c.bytes.size(), &w, &h)) << c.what;
    EXPECT_EQ(c.sized ? c.width : 77u, w) << c.what;
    EXPECT_EQ(c.sized ? c.height : 77u, h) << c.what;
  }
  uint32_t w = 0, h = 0;
  EXPECT_FALSE(ReadImageHeaderSize(nullptr, 100, &w, &h));
}

}  // namespace
