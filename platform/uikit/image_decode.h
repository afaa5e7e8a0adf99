// The image files UIImage reads, as ImageIO reads them on the device: the
// format is told by the file's first bytes, not its name. PNG (png_decode.h),
// JPEG, GIF (its first frame), BMP and TIFF, each within the same bounds as
// PNG (kMaxImageFileBytes, kMaxImageSide, kMaxImagePixels), checked from the
// header before anything is allocated for the pixels. Decoders never write
// to stderr.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "uikit/png_decode.h"

namespace standin {

// A new premultiplied ARGB32 surface (the caller owns the reference); null
// with `error` set when the bytes are no image of a known format that can be
// read within the bounds.
cairo_surface_t* decodeImage(std::string_view bytes, std::string* error);

cairo_surface_t* decodeJPEG(std::string_view bytes, std::string* error);
cairo_surface_t* decodeGIF(std::string_view bytes, std::string* error);
cairo_surface_t* decodeBMP(std::string_view bytes, std::string* error);
cairo_surface_t* decodeTIFF(std::string_view bytes, std::string* error);

// For the decoders: whether a header's size is within the bounds (else the
// reason, as PNG gives it), and a surface filled row by row from straight
// (not premultiplied) R G B A bytes; `row(y, rgba)` fills `width` pixels and
// answers false to give up (then null, `error` as the row left it).
bool imageSizeWithinBounds(std::uint64_t width, std::uint64_t height, std::string* error);
cairo_surface_t* surfaceFromRows(unsigned width, unsigned height,
                                 const std::function<bool(unsigned y, unsigned char* rgba)>& row);

}  // namespace standin
