#include "uikit/UIGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "coregraphics/pixel_pool.h"
#include "uikit/UIApplication.h"
#include "uikit/UIImage.h"

namespace {

// Each entry holds one reference (or is nil for a context that could not be
// made); whatever a thread leaves behind is released when it ends.
struct ContextStacks {
  std::vector<CGContextRef> current;
  std::vector<CGContextRef> images;
  ~ContextStacks() {
    for (CGContextRef c : current) CGContextRelease(c);
    for (CGContextRef c : images) CGContextRelease(c);
  }
};

ContextStacks& stacks() {
  thread_local ContextStacks perThread;
  return perThread;
}

// A copy of the pixels as they are now: the context may go on drawing after
// the image is taken. The rows are copied directly into an uncleared pooled
// buffer (both have the same format and size): a cleared surface painted
// through cairo cost two more passes over every pixel.
cairo_surface_t* snapshot(cairo_surface_t* source) {
  cairo_surface_flush(source);
  const cairo_format_t format = cairo_image_surface_get_format(source);
  const int width = cairo_image_surface_get_width(source), height = cairo_image_surface_get_height(source);
  const unsigned char* from = cairo_image_surface_get_data(source);
  cairo_surface_t* copy = createPooledImageSurface(format, width, height, !from);
  unsigned char* to = cairo_image_surface_get_data(copy);
  if (!from || !to || cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS) return copy;
  const int fromStride = cairo_image_surface_get_stride(source), toStride = cairo_image_surface_get_stride(copy);
  const std::size_t rowBytes = static_cast<std::size_t>(std::min(fromStride, toStride));
  for (int y = 0; y < height; ++y)
    std::memcpy(to + static_cast<std::ptrdiff_t>(y) * toStride, from + static_cast<std::ptrdiff_t>(y) * fromStride, rowBytes);
  cairo_surface_mark_dirty(copy);
  return copy;
}

}  // namespace

void UIGraphicsBeginImageContext(CGSize size) { UIGraphicsBeginImageContextWithOptions(size, NO, 1.0); }

void UIGraphicsBeginImageContextWithOptions(CGSize size, BOOL opaque, CGFloat scale) {
  if (!(scale > 0) || !std::isfinite(scale)) scale = kMainScreenScale;
  CGContextRef context = standin::createBitmapContextForSize(size, scale, opaque);
  stacks().images.push_back(context);
  stacks().current.push_back(CGContextRetain(context));
}

CGContextRef UIGraphicsGetCurrentContext() {
  auto& current = stacks().current;
  return current.empty() ? nullptr : current.back();
}

void UIGraphicsPushContext(CGContextRef context) { stacks().current.push_back(CGContextRetain(context)); }

void UIGraphicsPopContext() {
  auto& current = stacks().current;
  if (current.empty()) return;
  CGContextRelease(current.back());
  current.pop_back();
}

id UIGraphicsGetImageFromCurrentImageContext() {
  auto& images = stacks().images;
  if (images.empty() || !images.back()) return nil;
  CGContextRef context = images.back();
  cairo_surface_t* copy = snapshot(context->surface);
  id image = standin::imageWithSurface(copy, context->scale);
  cairo_surface_destroy(copy);
  return image;
}

void UIGraphicsEndImageContext() {
  auto& images = stacks().images;
  if (images.empty()) return;
  CGContextRef context = images.back();
  images.pop_back();
  // The context leaves the current stack too, even when something pushed
  // since was never popped.
  auto& current = stacks().current;
  auto it = std::find(current.rbegin(), current.rend(), context);
  if (it != current.rend()) {
    CGContextRelease(*it);
    current.erase(std::next(it).base());
  }
  CGContextRelease(context);
}
