#include "coregraphics/CGColor.h"

CGColorRef standin::createColorRGBA(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  auto* color = new CGColor;
  color->components[0] = r;
  color->components[1] = g;
  color->components[2] = b;
  color->components[3] = a;
  return color;
}

CGColorRef CGColorRetain(CGColorRef color) {
  if (color) color->refs.fetch_add(1, std::memory_order_relaxed);
  return color;
}

void CGColorRelease(CGColorRef color) {
  if (color && color->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete color;
}

const CGFloat* CGColorGetComponents(CGColorRef color) { return color ? color->components : nullptr; }
std::size_t CGColorGetNumberOfComponents(CGColorRef color) { return color ? 4 : 0; }
CGFloat CGColorGetAlpha(CGColorRef color) { return color ? color->components[3] : 0; }
