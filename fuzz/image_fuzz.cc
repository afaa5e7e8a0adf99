// Any file a user may point the icon at: told by its first bytes and decoded
// (PNG ordinary or iPhone-optimised, JPEG, GIF, BMP, TIFF) within the image
// bounds, then drawn as a UIImage.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIGraphics.h"
#include "uikit/UIImage.h"
#include "uikit/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AutoreleasePool pool;
  std::string error;
  cairo_surface_t* surface = standin::decodeImage(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!surface) return 0;
  id image = standin::imageWithSurface(surface, 2);
  cairo_surface_destroy(surface);
  standin::readImagePixel(image, 0, 0);
  UIGraphicsBeginImageContext(CGSizeMake(8, 8));
  msgSend<void, CGRect>(image, "drawInRect:", CGRectMake(0, 0, 8, 8));
  UIGraphicsEndImageContext();
  return 0;
}
