// Writing pictures as PNG (RGB, or RGBA when the picture keeps transparency) and JPEG (RGB, baseline),
// and reading them back. The written bytes depend only on the pixels: no time stamps or text chunks.
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

enum class PictureFormat { kPng, kJpeg };

// By the file name's extension: .png, .jpg or .jpeg (any case); throws PictureFileError otherwise.
PictureFormat FormatOfPath(const std::string& path);

std::vector<uint8_t> EncodePng(const Picture& picture);
// quality 1..100. A picture with transparency cannot be a JPEG (PictureFileError).
std::vector<uint8_t> EncodeJpeg(const Picture& picture, int quality);

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
