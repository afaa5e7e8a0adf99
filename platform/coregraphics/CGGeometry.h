// Points, sizes and rectangles in the platform's length type.
#pragma once

#include "runtime/objc.h"

struct CGPoint {
  CGFloat x = 0, y = 0;
};
struct CGSize {
  CGFloat width = 0, height = 0;
};
struct CGRect {
  CGPoint origin;
  CGSize size;
};

template <>
struct ObjCTypeEncoding<CGPoint> {
  static std::string get() { return "{CGPoint=dd}"; }
};
template <>
struct ObjCTypeEncoding<CGSize> {
  static std::string get() { return "{CGSize=dd}"; }
};
template <>
struct ObjCTypeEncoding<CGRect> {
  static std::string get() { return "{CGRect={CGPoint=dd}{CGSize=dd}}"; }
};

inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return CGRect{{x, y}, {w, h}}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return CGSize{w, h}; }
inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return CGPoint{x, y}; }
// Width and height of a rectangle may be negative; these read it as the
// device does (standardised).
CGFloat CGRectGetMinX(CGRect r);
CGFloat CGRectGetMinY(CGRect r);
CGFloat CGRectGetWidth(CGRect r);
CGFloat CGRectGetHeight(CGRect r);
