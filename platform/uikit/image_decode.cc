#include "uikit/image_decode.h"

#include <cstring>
#include <vector>

bool standin::imageSizeWithinBounds(std::uint64_t width, std::uint64_t height, std::string* error) {
  if (width == 0 || height == 0) return *error = "an empty image", false;
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels) {
    *error = std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
             std::to_string(kMaxImagePixels) + " an image may have";
    return false;
  }
  return true;
}

cairo_surface_t* standin::surfaceFromRows(unsigned width, unsigned height,
                                          const std::function<bool(unsigned y, unsigned char* rgba)>& row) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<unsigned char> rgba(std::size_t{width} * 4);
  for (unsigned y = 0; y < height; ++y) {
    std::memset(rgba.data(), 0, rgba.size());
    if (!row(y, rgba.data())) {
      cairo_surface_destroy(surface);
      return nullptr;
    }
    auto* out = reinterpret_cast<std::uint32_t*>(data + std::size_t{y} * stride);
    for (unsigned x = 0; x < width; ++x) {
      const unsigned char* p = &rgba[std::size_t{x} * 4];
      const unsigned a = p[3];
      auto pre = [a](unsigned c) { return (c * a + 127) / 255; };
      out[x] = a << 24 | pre(p[0]) << 16 | pre(p[1]) << 8 | pre(p[2]);
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

cairo_surface_t* standin::decodeImage(std::string_view bytes, std::string* error) {
  auto startsWith = [&](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
  if (startsWith(std::string_view("\x89PNG\r\n\x1a\n", 8))) return standin::decodePNG(bytes, error);
  if (startsWith("\xFF\xD8\xFF")) return standin::decodeJPEG(bytes, error);
  if (startsWith("GIF87a") || startsWith("GIF89a")) return standin::decodeGIF(bytes, error);
  if (startsWith("BM")) return standin::decodeBMP(bytes, error);
  if (startsWith(std::string_view("II*\0", 4)) || startsWith(std::string_view("MM\0*", 4)))
    return standin::decodeTIFF(bytes, error);
  *error = "not an image of a known format (PNG, JPEG, GIF, BMP, TIFF)";
  return nullptr;
}
