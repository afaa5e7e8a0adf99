// TIFF through libtiff, read from memory: its first image, in whatever
// colour form libtiff's RGBA interface converts (grey, palette, RGB, CMYK,
// YCbCr, with or without alpha). libtiff's errors and warnings become the
// reason, never lines on stderr.
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "uikit/image_decode.h"

namespace {

struct Source {
  std::string_view bytes;
  toff_t at = 0;
  std::string firstError;
};

tmsize_t readProc(thandle_t handle, void* out, tmsize_t wanted) {
  auto* source = static_cast<Source*>(handle);
  if (wanted < 0 || source->at >= source->bytes.size()) return 0;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(wanted), source->bytes.size() - source->at);
  std::memcpy(out, source->bytes.data() + source->at, n);
  source->at += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t writeProc(thandle_t, void*, tmsize_t) { return 0; }
toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<Source*>(handle);
  const toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? source->at : source->bytes.size();
  source->at = base + offset;
  return source->at;
}
int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) { return static_cast<Source*>(handle)->bytes.size(); }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int keepError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* source = static_cast<Source*>(user);
  if (source->firstError.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    source->firstError = text;
  }
  return 1;
}
int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

cairo_surface_t* standin::decodeTIFF(std::string_view bytes, std::string* error) {
  Source source{bytes, 0, {}};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxImagePixels * 4));
  TIFFOpenOptionsSetErrorHandlerExtR(options, keepError, &source);
  TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, &source);
  // "m": no memory mapping; the procedures read from the bytes.
  TIFF* tiff = TIFFClientOpenExt("image", "rm", &source, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc,
                                 unmapProc, options);
  TIFFOpenOptionsFree(options);
  auto damaged = [&] {
    *error = "damaged TIFF data" + (source.firstError.empty() ? std::string() : " (" + source.firstError + ")");
    return nullptr;
  };
  if (!tiff) return damaged();
  std::uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  std::vector<std::uint32_t> raster;
  if (standin::imageSizeWithinBounds(width, height, error)) {
    raster.resize(std::size_t{width} * height);
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
      raster.clear();
    else
      error->clear();
  } else {
    width = 0;
  }
  TIFFClose(tiff);
  if (width == 0) return nullptr;
  if (raster.empty()) return damaged();
  return standin::surfaceFromRows(width, height, [&](unsigned y, unsigned char* rgba) {
    for (std::uint32_t x = 0; x < width; ++x) {
      // libtiff's RGBA raster is premultiplied by alpha (ABGR packed).
      const std::uint32_t p = raster[std::size_t{y} * width + x];
      const unsigned a = TIFFGetA(p);
      auto straight = [a](unsigned c) {
        return static_cast<unsigned char>(a ? std::min(255u, (c * 255 + a / 2) / a) : 0);
      };
      rgba[x * 4] = straight(TIFFGetR(p)), rgba[x * 4 + 1] = straight(TIFFGetG(p)),
               rgba[x * 4 + 2] = straight(TIFFGetB(p));
      rgba[x * 4 + 3] = static_cast<unsigned char>(a);
    }
    return true;
  });
}
