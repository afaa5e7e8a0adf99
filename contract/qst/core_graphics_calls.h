// The Core Graphics functions the library calls, each once: the iOS
// backend declares them from this list, and the emulator binds each to the
// stand-in's function of the same name. The link stub
// device/stubs/CoreGraphics.tbd exports the same names; LinkStubsTest holds
// the stub to the emulator's imports.
//   QST_CORE_GRAPHICS_CALL(result, name, (parameters))
// The parameter types are the ones both sides define: CGFloat, CGRect,
// CGContextRef, CGColorRef.
#pragma once

#define QST_CORE_GRAPHICS_CALLS(QST_CORE_GRAPHICS_CALL)                                                          \
  QST_CORE_GRAPHICS_CALL(CGFloat, CGRectGetMinX, (CGRect rect))                                                  \
  QST_CORE_GRAPHICS_CALL(CGFloat, CGRectGetMinY, (CGRect rect))                                                  \
  QST_CORE_GRAPHICS_CALL(CGFloat, CGRectGetWidth, (CGRect rect))                                                 \
  QST_CORE_GRAPHICS_CALL(CGFloat, CGRectGetHeight, (CGRect rect))                                                \
  QST_CORE_GRAPHICS_CALL(void, CGContextSetLineWidth, (CGContextRef context, CGFloat width))                     \
  QST_CORE_GRAPHICS_CALL(void, CGContextSetStrokeColorWithColor, (CGContextRef context, CGColorRef color))       \
  QST_CORE_GRAPHICS_CALL(void, CGContextSetFillColorWithColor, (CGContextRef context, CGColorRef color))         \
  QST_CORE_GRAPHICS_CALL(void, CGContextStrokeEllipseInRect, (CGContextRef context, CGRect rect))                \
  QST_CORE_GRAPHICS_CALL(void, CGContextFillEllipseInRect, (CGContextRef context, CGRect rect))                  \
  QST_CORE_GRAPHICS_CALL(void, CGContextBeginPath, (CGContextRef context))                                       \
  QST_CORE_GRAPHICS_CALL(void, CGContextClosePath, (CGContextRef context))                                       \
  QST_CORE_GRAPHICS_CALL(void, CGContextSaveGState, (CGContextRef context))                                      \
  QST_CORE_GRAPHICS_CALL(void, CGContextRestoreGState, (CGContextRef context))                                   \
  QST_CORE_GRAPHICS_CALL(void, CGContextTranslateCTM, (CGContextRef context, CGFloat tx, CGFloat ty))            \
  QST_CORE_GRAPHICS_CALL(void, CGContextScaleCTM, (CGContextRef context, CGFloat sx, CGFloat sy))                \
  QST_CORE_GRAPHICS_CALL(void, CGContextMoveToPoint, (CGContextRef context, CGFloat x, CGFloat y))               \
  QST_CORE_GRAPHICS_CALL(void, CGContextAddArcToPoint,                                                           \
                         (CGContextRef context, CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2, CGFloat radius)) \
  QST_CORE_GRAPHICS_CALL(void, CGContextClip, (CGContextRef context))
