// UIImage (class "UIImage"): a bitmap held as a cairo image surface, with
// its scale (pixels per point).
//   -initWithContentsOfFile: / +imageWithContentsOfFile: read an image file
//     at a device path (resolved under the device root): PNG, ordinary or
//     iPhone-optimised, JPEG, GIF, BMP or TIFF (image_decode.h); nil when no
//     image can be read. As on a Retina iPhone, "name@2x~iphone.ext",
//     "name@2x.ext" and "name~iphone.ext" beside the named file are taken
//     first, in that order, when there. A file name ending in "@2x" or "@3x"
//     before its device modifier and extension gives scale 2 or 3; other
//     files scale 1.
//   -size (points), -scale, -drawInRect: (into the current UIGraphics
//     context, scaled to the rectangle).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "coregraphics/CGGeometry.h"
#include "runtime/objc.h"

struct UIImageObj : objc_object {
  cairo_surface_t* surface = nullptr;  // owned reference
  CGFloat scale = 1;
  ~UIImageObj() override;
};

namespace standin {

// A new autoreleased image sharing `surface` (a reference is taken); nil for
// a null or failed surface or a scale that is not positive.
id imageWithSurface(cairo_surface_t* surface, CGFloat scale);
cairo_surface_t* imageSurface(id image);  // null for a non-image

// For tests and the simulator. The path is a host path, not a device one.
bool writeImagePNG(id image, const std::string& hostPath);

struct ImagePixel {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const ImagePixel&, const ImagePixel&) = default;
};

// The colour of one pixel (pixel coordinates, not points), not premultiplied;
// transparent black outside the image or for a non-image.
standin::ImagePixel readImagePixel(id image, int x, int y);
int imagePixelWidth(id image);
int imagePixelHeight(id image);

}  // namespace standin

void registerUIImage();
