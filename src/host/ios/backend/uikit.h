// The device's UIKit and Core Graphics, declared from their public C
// interface: geometry in the length type, image contexts and drawing.
#pragma once

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
CGFloat CGRectGetMinX(CGRect rect);
CGFloat CGRectGetMinY(CGRect rect);
CGFloat CGRectGetWidth(CGRect rect);
CGFloat CGRectGetHeight(CGRect rect);
void CGContextSetLineWidth(CGContextRef context, CGFloat width);
void CGContextSetStrokeColorWithColor(CGContextRef context, CGColorRef color);
void CGContextSetFillColorWithColor(CGContextRef context, CGColorRef color);
void CGContextStrokeEllipseInRect(CGContextRef context, CGRect rect);
void CGContextFillEllipseInRect(CGContextRef context, CGRect rect);
void CGContextBeginPath(CGContextRef context);
void CGContextClosePath(CGContextRef context);
void CGContextSaveGState(CGContextRef context);
void CGContextRestoreGState(CGContextRef context);
void CGContextTranslateCTM(CGContextRef context, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef context, CGFloat sx, CGFloat sy);
void CGContextMoveToPoint(CGContextRef context, CGFloat x, CGFloat y);
void CGContextAddArcToPoint(CGContextRef context, CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2, CGFloat radius);
void CGContextClip(CGContextRef context);

// UIKit.
void UIGraphicsBeginImageContext(CGSize size);
void UIGraphicsBeginImageContextWithOptions(CGSize size, BOOL opaque, CGFloat scale);
CGContextRef UIGraphicsGetCurrentContext(void);
void UIGraphicsPushContext(CGContextRef context);
void UIGraphicsPopContext(void);
id UIGraphicsGetImageFromCurrentImageContext(void);
void UIGraphicsEndImageContext(void);
}
