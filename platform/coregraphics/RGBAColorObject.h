// The body that UIKit's and Core Image's colour classes share: four RGBA
// components, made through the class so subclasses get their own body, with
// the component-wise equality and hash both classes answer with.
#pragma once

#include "runtime/objc.h"

struct RGBAColorObj : objc_object {
  CGFloat components[4] = {0, 0, 0, 1};  // red, green, blue, alpha
};

// [[cls alloc] init] with the components set, autoreleased. `cls` must be
// defined with a body derived from RGBAColorObj.
id RGBAColorMake(Class cls, CGFloat r, CGFloat g, CGFloat b, CGFloat a);
bool RGBAColorSameComponents(const CGFloat a[4], const CGFloat b[4]);
NSUInteger RGBAColorHash(const CGFloat components[4]);
