#include "uikit/UIImage.h"

#include <string>
#include <utility>
#include <vector>

#include "foundation/NSString.h"
#include "foundation/device.h"
#include "base/regular_file.h"
#include "base/stand_in_note.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UIGraphics.h"
#include "uikit/image_decode.h"

namespace {

Class gUIImage = nil;

UIImageObj* asImage(id self) {
  return self && gUIImage && class_isSubclassOf(object_getClass(self), gUIImage) ? static_cast<UIImageObj*>(self)
                                                                                 : nullptr;
}

// The name without its extension and the extension with its dot ("" when
// the name has none).
std::pair<std::string, std::string> splitExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1) return {path, ""};
  return {path.substr(0, dot), path.substr(dot)};
}

// "icon@2x.png" and "icon@2x~iphone.png" are drawn at half their pixel size,
// as on the device: the scale modifier comes before the device modifier.
CGFloat scaleFromFileName(const std::string& path) {
  std::string stem = splitExtension(path).first;
  for (const char* device : {"~iphone", "~ipad"})
    if (stem.ends_with(device)) stem.resize(stem.size() - std::string_view(device).size());
  if (stem.ends_with("@2x")) return 2;
  if (stem.ends_with("@3x")) return 3;
  return 1;
}

// The files UIKit tries for a path on a Retina iPhone, best first. Apple's
// documentation (Drawing and Printing Guide for iOS, "Supporting
// High-Resolution Screens"): on a high-resolution screen
// -initWithContentsOfFile: "automatically looks for a version of the
// requested image with the @2x modifier in its name. If it finds one, it
// loads that image instead"; and a resource named with the device modifier
// "~iphone" (ImageName@2x~iphone.png) is chosen on an iPhone over the plain
// name. A name that already carries a scale or device modifier is looked up
// as written, after its "~iphone" form.
std::vector<std::string> retinaCandidates(const std::string& devicePath) {
  auto [stem, extension] = splitExtension(devicePath);
  std::vector<std::string> candidates;
  const bool hasDevice = stem.ends_with("~iphone") || stem.ends_with("~ipad");
  const bool hasScale = stem.ends_with("@2x") || stem.ends_with("@3x");
  if (!hasDevice && !hasScale) {
    candidates.push_back(stem + "@2x~iphone" + extension);
    candidates.push_back(stem + "@2x" + extension);
  }
  if (!hasDevice) candidates.push_back(stem + "~iphone" + extension);
  candidates.push_back(devicePath);
  return candidates;
}

// The image of the first candidate that is there; nil when none is or the
// one there cannot be read. A missing file is an ordinary absence. Anything
// else gives nil as UIKit's does, without a line in the system log; the
// reason is the simulator's own note.
cairo_surface_t* readImage(const std::string& devicePath, std::string* chosen) {
  std::string bytes, error;
  standin::FileReadStatus status = standin::FileReadStatus::Missing;
  for (const std::string& candidate : retinaCandidates(devicePath)) {
    status = standin::readRegularFile(standin::resolveDevicePath(candidate), kMaxImageFileBytes, &bytes);
    *chosen = candidate;
    if (status != standin::FileReadStatus::Missing) break;
  }
  cairo_surface_t* surface = nullptr;
  if (status == standin::FileReadStatus::Read)
    surface = standin::decodeImage(bytes, &error);
  else if (status != standin::FileReadStatus::Missing)
    error = standin::fileReadStatusText(status, kMaxImageFileBytes);
  if (!surface && !error.empty()) StandInNote("image " + *chosen + " not read: " + error);
  return surface;
}

// The receiver is released when no image can be read, as init methods do.
id initWithContentsOfFile(id self, SEL, id path) {
  const std::string devicePath = standin::isString(path) ? standin::utf8Of(path) : std::string();
  std::string chosen;
  cairo_surface_t* surface = devicePath.empty() ? nullptr : readImage(devicePath, &chosen);
  if (!surface) {
    objc_release(self);
    return nil;
  }
  asImage(self)->surface = surface;
  asImage(self)->scale = scaleFromFileName(chosen);
  return self;
}

id imageWithContentsOfFile(id cls, SEL, id path) {
  id image = msgSend<id>(msgSend<id>(cls, "alloc"), "initWithContentsOfFile:", path);
  return objc_autorelease(image);
}

CGSize size(id self, SEL) {
  UIImageObj* image = asImage(self);
  if (!image->surface) return {};
  return CGSizeMake(cairo_image_surface_get_width(image->surface) / image->scale,
                    cairo_image_surface_get_height(image->surface) / image->scale);
}

CGFloat scale(id self, SEL) { return asImage(self)->scale; }

void drawInRect(id self, SEL, CGRect rect) {
  standin::drawSurfaceInRect(UIGraphicsGetCurrentContext(), asImage(self)->surface, rect);
}

}  // namespace

UIImageObj::~UIImageObj() {
  if (surface) cairo_surface_destroy(surface);
}

id standin::imageWithSurface(cairo_surface_t* surface, CGFloat scale) {
  if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || !(scale > 0)) return nil;
  id image = objc_new(gUIImage);
  asImage(image)->surface = cairo_surface_reference(surface);
  asImage(image)->scale = scale;
  return objc_autorelease(image);
}

cairo_surface_t* standin::imageSurface(id image) {
  UIImageObj* obj = asImage(image);
  return obj ? obj->surface : nullptr;
}

bool standin::writeImagePNG(id image, const std::string& hostPath) {
  cairo_surface_t* surface = standin::imageSurface(image);
  return surface && cairo_surface_write_to_png(surface, hostPath.c_str()) == CAIRO_STATUS_SUCCESS;
}

int standin::imagePixelWidth(id image) {
  cairo_surface_t* surface = standin::imageSurface(image);
  return surface ? cairo_image_surface_get_width(surface) : 0;
}

int standin::imagePixelHeight(id image) {
  cairo_surface_t* surface = standin::imageSurface(image);
  return surface ? cairo_image_surface_get_height(surface) : 0;
}

standin::ImagePixel standin::readImagePixel(id image, int x, int y) {
  cairo_surface_t* surface = standin::imageSurface(image);
  if (!surface || x < 0 || y < 0 || x >= standin::imagePixelWidth(image) || y >= standin::imagePixelHeight(image))
    return {};
  cairo_surface_flush(surface);
  const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
  const auto argb = reinterpret_cast<const std::uint32_t*>(row)[x];  // native-endian ARGB, premultiplied
  const bool opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
  const unsigned a = opaque ? 255 : argb >> 24;
  if (a == 0) return {};
  auto channel = [a](std::uint32_t premultiplied) {
    return static_cast<std::uint8_t>((premultiplied * 255 + a / 2) / a);
  };
  return {channel((argb >> 16) & 0xff), channel((argb >> 8) & 0xff), channel(argb & 0xff),
          static_cast<std::uint8_t>(a)};
}

void registerUIImage() {
  if (gUIImage) return;
  Class cls = gUIImage = objc_defineClass<UIImageObj>(standin::nsObjectClass(), "UIImage");
  class_addMethod(cls, sel("initWithContentsOfFile:"), initWithContentsOfFile);
  class_addClassMethod(cls, sel("imageWithContentsOfFile:"), imageWithContentsOfFile);
  class_addMethod(cls, sel("size"), size);
  class_addMethod(cls, sel("scale"), scale);
  class_addMethod(cls, sel("drawInRect:"), drawInRect);
}
