#include "coregraphics/RGBAColorObject.h"

#include <cmath>

#include "runtime/autorelease.h"
#include "runtime/nsobject.h"

id RGBAColorMake(Class cls, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  id color = objc_new(cls);
  CGFloat* dst = static_cast<RGBAColorObj*>(color)->components;
  dst[0] = r, dst[1] = g, dst[2] = b, dst[3] = a;
  return objc_autorelease(color);
}

bool RGBAColorSameComponents(const CGFloat a[4], const CGFloat b[4]) {
  for (int i = 0; i < 4; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

NSUInteger RGBAColorHash(const CGFloat components[4]) {
  NSUInteger h = 0;
  for (int i = 0; i < 4; ++i) h = h * 31 + static_cast<NSUInteger>(std::lround(components[i] * 255));
  return h;
}
