// CGColor: an RGBA colour in the device's RGB space, reference counted like
// a Core Foundation object.
#pragma once

#include <atomic>
#include <cstddef>

#include "runtime/objc.h"

struct CGColor {
  std::atomic<long> refs{1};
  CGFloat components[4] = {0, 0, 0, 1};  // red, green, blue, alpha
};
using CGColorRef = CGColor*;

namespace standin {

CGColorRef createColorRGBA(CGFloat r, CGFloat g, CGFloat b, CGFloat a);  // +1

}  // namespace standin

CGColorRef CGColorRetain(CGColorRef color);                  // nil-safe
void CGColorRelease(CGColorRef color);                       // nil-safe
const CGFloat* CGColorGetComponents(CGColorRef color);       // 4 values
std::size_t CGColorGetNumberOfComponents(CGColorRef color);  // 4
CGFloat CGColorGetAlpha(CGColorRef color);
