#include "picgen/picture_files.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <jpeglib.h>
#include <png.h>

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void PngWrite(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

void PngFlush(png_structp) {}

// Errors go back to setjmp quietly: the caller reports them as exceptions.
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

struct PngReadState {
  const std::vector<uint8_t>* data;
  size_t at;
};

void PngRead(png_structp png, png_bytep out, png_size_t size) {
  auto* s = static_cast<PngReadState*>(png_get_io_ptr(png));
  if (s->at + size > s->data->size()) png_error(png, "truncated");
  std::memcpy(out, s->data->data() + s->at, size);
  s->at += size;
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

}  // namespace

PictureFormat FormatOfPath(const std::string& path) {
  std::string p = Lower(path);
  if (EndsWith(p, ".png")) return PictureFormat::kPng;
  if (EndsWith(p, ".jpg") || EndsWith(p, ".jpeg")) return PictureFormat::kJpeg;
  if (EndsWith(p, ".dds")) return PictureFormat::kDdsBump;
  throw PictureFileError(path + ": the file name must end in .png, .jpg, .jpeg or .dds");
}

std::vector<uint8_t> EncodePng(const Picture& picture) {
  std::vector<uint8_t> out;
  const std::vector<uint8_t> bytes = picture.Bytes();
  const size_t stride = static_cast<size_t>(picture.width()) * (picture.hasAlpha() ? 4 : 3);
  std::vector<png_bytep> rows(picture.height());
  for (int y = 0; y < picture.height(); ++y) rows[y] = const_cast<png_bytep>(bytes.data() + y * stride);

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw PictureFileError("PNG encoder unavailable");
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw PictureFileError("PNG encoding failed");
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, picture.width(), picture.height(), 8,
               picture.hasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const Picture& picture, int quality) {
  if (picture.hasAlpha()) throw PictureFileError("a JPEG cannot keep transparency: write this picture as PNG");
  if (quality < 1 || quality > 100) throw PictureFileError("JPEG quality must be 1..100");
  const std::vector<uint8_t> bytes = picture.Bytes();
  jpeg_compress_struct c;
  JpegError err;
  c.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    std::free(buffer);
    throw PictureFileError("JPEG encoding failed");
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = picture.width();
  c.image_height = picture.height();
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bytes.data() + static_cast<size_t>(c.next_scanline) * picture.width() * 3);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&c);
  std::free(buffer);
  return out;
}

DecodedPicture DecodePng(const std::vector<uint8_t>& data) {
  // Everything with a destructor lives before setjmp, so that a decoding error's long jump skips none.
  DecodedPicture d;
  std::vector<png_bytep> rows;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    throw PictureFileError("PNG decoder unavailable");
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    throw PictureFileError("not a PNG picture");
  }
  PngReadState state{&data, 0};
  png_set_read_fn(png, &state, PngRead);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_read_update_info(png, info);
  d.width = static_cast<int>(png_get_image_width(png, info));
  d.height = static_cast<int>(png_get_image_height(png, info));
  d.channels = png_get_channels(png, info);
  d.bytes.resize(static_cast<size_t>(d.width) * d.height * d.channels);
  rows.resize(d.height);
  for (int y = 0; y < d.height; ++y) rows[y] = d.bytes.data() + static_cast<size_t>(y) * d.width * d.channels;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return d;
}

DecodedPicture DecodeJpeg(const std::vector<uint8_t>& data) {
  DecodedPicture d;
  jpeg_decompress_struct c;
  JpegError err;
  c.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&c);
    throw PictureFileError("not a JPEG picture");
  }
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_RGB;
  jpeg_start_decompress(&c);
  d.width = static_cast<int>(c.output_width);
  d.height = static_cast<int>(c.output_height);
  d.channels = 3;
  d.bytes.resize(static_cast<size_t>(d.width) * d.height * 3);
  while (c.output_scanline < c.output_height) {
    JSAMPROW row = d.bytes.data() + static_cast<size_t>(c.output_scanline) * d.width * 3;
    jpeg_read_scanlines(&c, &row, 1);
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  return d;
}

std::vector<uint8_t> EncodeDdsBump(const Picture& picture) {
  std::vector<uint8_t> out;
  auto dword = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const uint32_t w = static_cast<uint32_t>(picture.width()), h = static_cast<uint32_t>(picture.height());
  out = {'D', 'D', 'S', ' '};
  dword(124);                              // header size
  dword(0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // caps, height, width, pitch, pixel format
  dword(h);
  dword(w);
  dword(w * 2);  // pitch
  dword(0);      // depth
  dword(0);      // mip levels
  for (int i = 0; i < 11; ++i) dword(0);
  dword(32);       // pixel format size
  dword(0x80000);  // signed bump offsets
  dword(0);        // no four-character code
  dword(16);       // bits a texel
  dword(0x00FF);   // u
  dword(0xFF00);   // v
  dword(0);
  dword(0);
  dword(0x1000);  // a texture
  for (int i = 0; i < 4; ++i) dword(0);
  auto offset = [](float c) {
    const long v = std::lround((std::min(std::max(c, 0.0f), 1.0f) - 0.5f) * 254.0f);
    return static_cast<uint8_t>(static_cast<int8_t>(std::min(127L, std::max(-127L, v))));
  };
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      out.push_back(offset(picture.At(x, y).r));
      out.push_back(offset(picture.At(x, y).g));
    }
  return out;
}

void WritePictureFile(const std::string& path, const Picture& picture, int jpegQuality) {
  const PictureFormat format = FormatOfPath(path);
  std::vector<uint8_t> bytes = format == PictureFormat::kPng    ? EncodePng(picture)
                               : format == PictureFormat::kJpeg ? EncodeJpeg(picture, jpegQuality)
                                                                : EncodeDdsBump(picture);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::remove(path.c_str());
    throw PictureFileError(path + ": cannot write");
  }
}
