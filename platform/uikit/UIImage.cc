#include "uikit/UIImage.h"

#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "foundation/device.h"
#include "foundation/regular_file.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UIGraphics.h"
#include "uikit/png_decode.h"

namespace {

Class gUIImage = nil;

UIImageObj* asImage(id self) {
  return self && gUIImage && class_isSubclassOf(object_getClass(self), gUIImage) ? static_cast<UIImageObj*>(self)
                                                                                  : nullptr;
}

// "icon@2x.png" is drawn at half its pixel size, as on the device.
CGFloat scaleFromFileName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  if (name.ends_with("@2x")) return 2;
  if (name.ends_with("@3x")) return 3;
  return 1;
}

// A missing file is an ordinary absence; anything else that cannot be read
// is logged.
cairo_surface_t* readPNG(const std::string& devicePath) {
  std::string bytes, error;
  const NSFileReadStatus status = NSReadRegularFile(NSResolveDevicePath(devicePath), kMaxImageFileBytes, &bytes);
  cairo_surface_t* surface = nullptr;
  if (status == NSFileReadStatus::Read) surface = UIImageDecodePNG(bytes, &error);
  else if (status != NSFileReadStatus::Missing) error = NSFileReadStatusText(status, kMaxImageFileBytes);
  if (!surface && !error.empty())
    NSLog(NSStr("image %@ not read: %@"), NSStringWithUTF8(devicePath), NSStringWithUTF8(error));
  return surface;
}

// The receiver is released when no image can be read, as init methods do.
id initWithContentsOfFile(id self, SEL, id path) {
  const std::string devicePath = NSIsString(path) ? NSStringUTF8(path) : std::string();
  cairo_surface_t* surface = devicePath.empty() ? nullptr : readPNG(devicePath);
  if (!surface) {
    objc_release(self);
    return nil;
  }
  asImage(self)->surface = surface;
  asImage(self)->scale = scaleFromFileName(devicePath);
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
  CGContextDrawSurfaceInRect(UIGraphicsGetCurrentContext(), asImage(self)->surface, rect);
}

}  // namespace

UIImageObj::~UIImageObj() {
  if (surface) cairo_surface_destroy(surface);
}

id UIImageWithSurface(cairo_surface_t* surface, CGFloat scale) {
  if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || !(scale > 0)) return nil;
  id image = objc_new(gUIImage);
  asImage(image)->surface = cairo_surface_reference(surface);
  asImage(image)->scale = scale;
  return objc_autorelease(image);
}

cairo_surface_t* UIImageSurface(id image) {
  UIImageObj* obj = asImage(image);
  return obj ? obj->surface : nullptr;
}

bool UIImageWritePNG(id image, const std::string& hostPath) {
  cairo_surface_t* surface = UIImageSurface(image);
  return surface && cairo_surface_write_to_png(surface, hostPath.c_str()) == CAIRO_STATUS_SUCCESS;
}

int UIImagePixelWidth(id image) {
  cairo_surface_t* surface = UIImageSurface(image);
  return surface ? cairo_image_surface_get_width(surface) : 0;
}

int UIImagePixelHeight(id image) {
  cairo_surface_t* surface = UIImageSurface(image);
  return surface ? cairo_image_surface_get_height(surface) : 0;
}

UIImagePixel UIImageReadPixel(id image, int x, int y) {
  cairo_surface_t* surface = UIImageSurface(image);
  if (!surface || x < 0 || y < 0 || x >= UIImagePixelWidth(image) || y >= UIImagePixelHeight(image)) return {};
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
  Class cls = gUIImage = objc_defineClass<UIImageObj>(NSObjectClass(), "UIImage");
  class_addMethod(cls, sel("initWithContentsOfFile:"), initWithContentsOfFile, "@@:@");
  class_addClassMethod(cls, sel("imageWithContentsOfFile:"), imageWithContentsOfFile, "@@:@");
  class_addMethod(cls, sel("size"), size, "{CGSize=dd}@:");
  class_addMethod(cls, sel("scale"), scale, "d@:");
  class_addMethod(cls, sel("drawInRect:"), drawInRect, "v@:{CGRect={CGPoint=dd}{CGSize=dd}}");
}
