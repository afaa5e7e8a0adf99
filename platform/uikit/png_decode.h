// PNG decoding for UIImage, bounded and with the device's iPhone-optimised
// form. Image files come from settings bundles and other programs; a header
// may claim any size, so the pixel count is checked from the header before
// anything is allocated for the pixels.
//
// iPhone-optimised PNGs (what the device's build tools write for every image
// of an app or settings bundle) begin with a "CgBI" chunk, hold their image
// data as raw deflate without the zlib header, store pixels in BGRA order
// and premultiplied by alpha. They are read like the device reads them.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxImageFileBytes = 32u << 20;       // 32 MiB
inline constexpr unsigned kMaxImageSide = 16384;                   // pixels
inline constexpr unsigned long kMaxImagePixels = 4096ul * 4096ul;  // 64 MiB decoded

namespace standin {

// A new premultiplied ARGB32 surface (the caller owns the reference); null
// with `error` set when the bytes are not a PNG that can be read within the
// bounds above.
cairo_surface_t* decodePNG(std::string_view bytes, std::string* error);

}  // namespace standin
