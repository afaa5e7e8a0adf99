#include "uikit/UIGraphics.h"

#include <algorithm>
#include <cmath>
#include <vector>

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
  cairo_surface_t* pixels = context->takeImagePixels();
  id image = standin::imageWithSurface(pixels, context->scale);
  cairo_surface_destroy(pixels);
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
