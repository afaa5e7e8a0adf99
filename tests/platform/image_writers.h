// Image files of every format UIImage reads besides PNG, written by the formats' own libraries (BMP by hand).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>  // before jpeglib.h, which uses FILE and size_t
#include <cstdlib>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

#include "base/regular_file.h"

namespace image_writers {

struct RGBA {
  std::uint8_t r, g, b, a;
};

// A JPEG of one colour at quality 95.
inline std::string jpegFile(unsigned width, unsigned height, RGBA colour) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row;
  for (unsigned x = 0; x < width; ++x) row.insert(row.end(), {colour.r, colour.g, colour.b});
  while (info.next_scanline < height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string file(reinterpret_cast<char*>(out), size);
  free(out);
  return file;
}

inline void le16(std::string& s, unsigned v) { s += {static_cast<char>(v), static_cast<char>(v >> 8)}; }
inline void le32(std::string& s, std::uint32_t v) { le16(s, v & 0xFFFF), le16(s, v >> 16); }

// A 24-bit BMP of one colour; top-down when asked (a negative height).
inline std::string bmpFile(int width, int height, RGBA colour, bool topDown = false) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
  std::string file = "BM";
  le32(file, 54 + rowBytes * static_cast<std::uint32_t>(height));
  le32(file, 0), le32(file, 54), le32(file, 40);
  le32(file, static_cast<std::uint32_t>(width)), le32(file, static_cast<std::uint32_t>(topDown ? -height : height));
  le16(file, 1), le16(file, 24), le32(file, 0), le32(file, 0);
  le32(file, 2835), le32(file, 2835), le32(file, 0), le32(file, 0);
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x)
      row += {static_cast<char>(colour.b), static_cast<char>(colour.g), static_cast<char>(colour.r)};
    row.resize(rowBytes, '\0');
    file += row;
  }
  return file;
}

// A GIF of `indices` (rows of `width`) over a two-colour map; index 1 is transparent when asked.
inline std::string gifFile(int width, int height, const std::vector<GifPixelType>& indices, RGBA first, RGBA second,
                           bool secondTransparent) {
  std::string out;
  auto write = [](GifFileType* gif, const GifByteType* bytes, int n) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
    return n;
  };
  int error = 0;
  GifFileType* gif = EGifOpen(&out, write, &error);
  GifColorType colours[2] = {{first.r, first.g, first.b}, {second.r, second.g, second.b}};
  ColorMapObject* map = GifMakeMapObject(2, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, width, height, 1, 0, map);
  if (secondTransparent) {
    GraphicsControlBlock control{};
    control.TransparentColor = 1;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
  }
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  std::vector<GifPixelType> line;
  for (int y = 0; y < height; ++y) {
    line.assign(indices.begin() + y * width, indices.begin() + (y + 1) * width);
    EGifPutLine(gif, line.data(), width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

// An RGBA TIFF (unassociated alpha) of one colour, through a temporary file.
inline std::string tiffFile(unsigned width, unsigned height, RGBA colour) {
  char path[] = "/tmp/tiff-writer-XXXXXX";
  const int fd = mkstemp(path);
  close(fd);
  TIFF* tiff = TIFFOpen(path, "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
  TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  std::vector<unsigned char> row;
  for (unsigned x = 0; x < width; ++x) row.insert(row.end(), {colour.r, colour.g, colour.b, colour.a});
  for (unsigned y = 0; y < height; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
  TIFFClose(tiff);
  std::string file;
  standin::readRegularFile(path, std::size_t(64) << 20, &file);
  unlink(path);
  return file;
}

}  // namespace image_writers
