// The device's UIKit and Core Graphics, declared from their public C
// interface: geometry in the length type, image contexts and drawing.
#pragma once

#include "qst/core_graphics_calls.h"
#include "backend/runtime.h"

struct CGPoint {
  CGFloat x;
  CGFloat y;
};
struct CGSize {
  CGFloat width;
  CGFloat height;
};
struct CGRect {
  CGPoint origin;
  CGSize size;
};

// The device's headers define these inline too; none is imported.
inline CGSize CGSizeMake(CGFloat width, CGFloat height) { return CGSize{width, height}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  return CGRect{CGPoint{x, y}, CGSize{width, height}};
}

struct CGContext;
using CGContextRef = CGContext*;
struct CGColor;
using CGColorRef = CGColor*;

extern "C" {
// Core Graphics.
#define QST_DECLARE_CORE_GRAPHICS_CALL(result, name, parameters) result name parameters;
QST_CORE_GRAPHICS_CALLS(QST_DECLARE_CORE_GRAPHICS_CALL)
#undef QST_DECLARE_CORE_GRAPHICS_CALL

// UIKit.
void UIGraphicsBeginImageContext(CGSize size);
void UIGraphicsBeginImageContextWithOptions(CGSize size, BOOL opaque, CGFloat scale);
CGContextRef UIGraphicsGetCurrentContext(void);
void UIGraphicsPushContext(CGContextRef context);
void UIGraphicsPopContext(void);
id UIGraphicsGetImageFromCurrentImageContext(void);
void UIGraphicsEndImageContext(void);
}
