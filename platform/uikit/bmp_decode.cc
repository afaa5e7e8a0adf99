// BMP, read here (no Debian library keeps a BMP reader apart from a whole
// toolkit): the Windows and OS/2 headers, 1, 4 and 8 bits through a palette,
// 16, 24 and 32 bits direct, with colour masks (BI_BITFIELDS) and an alpha
// mask from the version 4 and 5 headers; rows bottom-up or top-down. The run-
// length compressed forms are refused.
#include <cstdint>
#include <vector>

#include "uikit/image_decode.h"

namespace {

std::uint32_t le16(const unsigned char* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }
std::uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

// A colour mask's shift and width, to scale its value to 0-255.
struct Mask {
  std::uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Mask(std::uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!(m & 1)) m >>= 1, ++shift;
    while (m & 1) m >>= 1, ++bits;
  }
  unsigned char scale(std::uint32_t pixel) const {
    if (!bits) return 0;
    const std::uint32_t value = (pixel & mask) >> shift;
    const std::uint32_t top = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    return static_cast<unsigned char>(std::uint64_t{value} * 255 / top);
  }
};

}  // namespace

cairo_surface_t* standin::decodeBMP(std::string_view bytes, std::string* error) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  if (size < 26) return *error = "a cut BMP header", nullptr;
  const std::uint32_t pixelOffset = le32(data + 10);
  const std::uint32_t headerSize = le32(data + 14);
  const bool core = headerSize == 12;
  if (!core && (headerSize < 40 || headerSize > 124)) return *error = "an unknown BMP header", nullptr;
  if (14 + std::size_t{headerSize} > size) return *error = "a cut BMP header", nullptr;
  const unsigned char* header = data + 14;
  const std::int64_t width = core ? le16(header + 4) : static_cast<std::int32_t>(le32(header + 4));
  const std::int64_t signedHeight =
      core ? static_cast<std::int16_t>(le16(header + 6)) : static_cast<std::int32_t>(le32(header + 8));
  const unsigned bpp = core ? le16(header + 10) : le16(header + 14);
  const std::uint32_t compression = core ? 0 : le32(header + 16);
  const bool topDown = signedHeight < 0;
  const std::int64_t height = topDown ? -signedHeight : signedHeight;
  if (width <= 0 || height <= 0) return *error = "an empty image", nullptr;
  if (!standin::imageSizeWithinBounds(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), error))
    return nullptr;
  if (compression != 0 && compression != 3 && compression != 6)
    return *error = "a compressed BMP (compression " + std::to_string(compression) + ")", nullptr;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return *error = "a BMP of " + std::to_string(bpp) + " bits per pixel", nullptr;

  // Direct colours: the masks given, else 5-5-5 for 16 bits and 8-8-8 (no
  // alpha) for 24 and 32.
  Mask red(bpp == 16 ? 0x7C00 : 0xFF0000), green(bpp == 16 ? 0x03E0 : 0xFF00), blue(bpp == 16 ? 0x1F : 0xFF), alpha;
  if (compression == 3 || compression == 6) {
    if (bpp != 16 && bpp != 32) return *error = "colour masks on a BMP of " + std::to_string(bpp) + " bits", nullptr;
    const std::size_t masksAt = 14 + 40;
    const bool alphaGiven = compression == 6 || headerSize >= 56;
    if (masksAt + (alphaGiven ? 16 : 12) > size) return *error = "cut BMP colour masks", nullptr;
    red = Mask(le32(data + masksAt)), green = Mask(le32(data + masksAt + 4)), blue = Mask(le32(data + masksAt + 8));
    if (alphaGiven) alpha = Mask(le32(data + masksAt + 12));
  } else if (headerSize >= 56 && bpp == 32) {
    alpha = Mask(le32(header + 52));
  }

  std::vector<unsigned char> palette;  // R G B per entry
  if (bpp <= 8) {
    const std::size_t entrySize = core ? 3 : 4;
    std::size_t entries = core ? 0 : le32(header + 32);
    if (entries == 0 || entries > (1u << bpp)) entries = std::size_t{1} << bpp;
    const std::size_t at = 14 + std::size_t{headerSize} + (compression == 3 && !core ? 12 : 0);
    if (at + entries * entrySize > size) return *error = "a cut BMP palette", nullptr;
    for (std::size_t i = 0; i < entries; ++i) {
      const unsigned char* e = data + at + i * entrySize;
      palette.insert(palette.end(), {e[2], e[1], e[0]});
    }
  }

  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
  if (pixelOffset > size || rowBytes * static_cast<std::uint64_t>(height) > size - pixelOffset)
    return *error = "cut BMP pixel data", nullptr;
  return standin::surfaceFromRows(
      static_cast<unsigned>(width), static_cast<unsigned>(height), [&](unsigned y, unsigned char* rgba) {
        const std::uint64_t fileRow = topDown ? y : static_cast<std::uint64_t>(height) - 1 - y;
        const unsigned char* row = data + pixelOffset + fileRow * rowBytes;
        for (std::int64_t x = 0; x < width; ++x) {
          unsigned char* out = rgba + x * 4;
          out[3] = 255;
          if (bpp <= 8) {
            const unsigned perByte = 8 / bpp;
            const unsigned shift = 8 - bpp - static_cast<unsigned>(x % perByte) * bpp;
            const std::size_t index = (row[x / perByte] >> shift) & ((1u << bpp) - 1);
            if (index * 3 >= palette.size()) continue;  // outside the palette: black
            out[0] = palette[index * 3], out[1] = palette[index * 3 + 1], out[2] = palette[index * 3 + 2];
            continue;
          }
          const unsigned char* p = row + x * (bpp / 8);
          const std::uint32_t pixel = bpp == 16 ? le16(p) : bpp == 24 ? le16(p) | std::uint32_t{p[2]} << 16 : le32(p);
          out[0] = red.scale(pixel), out[1] = green.scale(pixel), out[2] = blue.scale(pixel);
          if (alpha.bits) out[3] = alpha.scale(pixel);
        }
        return true;
      });
}
