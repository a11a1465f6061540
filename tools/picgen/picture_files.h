// Writing pictures as PNG (RGB, or RGBA when the picture keeps transparency), JPEG (RGB, baseline) and
// DDS bump maps (two signed offsets a texel), and reading PNG and JPEG back. The written bytes depend only on the pixels: no time stamps or text chunks.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "picgen/picture.h"

class PictureFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PictureFormat { kPng, kJpeg, kDdsBump };

// By the file name's extension: .png, .jpg or .jpeg, .dds (any case); throws PictureFileError otherwise.
PictureFormat FormatOfPath(const std::string& path);

std::vector<uint8_t> EncodePng(const Picture& picture);
// quality 1..100. A picture with transparency cannot be a JPEG (PictureFileError).
std::vector<uint8_t> EncodeJpeg(const Picture& picture, int quality);
// A DDS file of one level in the signed two-channel bump format (16 bits a texel, u in the low byte):
// u from red and v from green, 0.5 being no offset, 0 and 1 the largest ones (-127 and 127).
std::vector<uint8_t> EncodeDdsBump(const Picture& picture);

// Decoded 8-bit pixels: channels 3 (RGB) or 4 (RGBA), rows from the top.
struct DecodedPicture {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<uint8_t> bytes;
};
DecodedPicture DecodePng(const std::vector<uint8_t>& data);
DecodedPicture DecodeJpeg(const std::vector<uint8_t>& data);

// Encodes by the path's extension and writes the file; a failed write removes what was written.
void WritePictureFile(const std::string& path, const Picture& picture, int jpegQuality);
