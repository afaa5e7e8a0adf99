#include "presentation/icons.h"

#include "host/springboard.h"
#include "list/recognition.h"
#include "presentation/list_color.h"
#include "settings/settings.h"

namespace qst {
namespace {

constexpr CGFloat kDotCanvas = 80.0;
constexpr CGFloat kSmallDot = 30.0;
constexpr CGFloat kLargeDot = 50.0;
constexpr NSUInteger kMinimumColoredIDLength = 11;

}  // namespace

Saved<id(id, SEL)> savedIconImage;

id iconImage(id self, SEL cmd) {
  if (!respondsToSelector(self, sel("activeBulletin"))) {
    logItemNotResponding();
    return savedIconImage(self, cmd);
  }
  if (!isEnabled || !isOwnBulletinID(bulletinID(activeBulletin(self)))) return savedIconImage(self, cmd);
  if (isEqualToString(iconFile, QST_STR("NONE"))) return nil;
  bool small = isEqualToString(iconFile, QST_STR("DOT"));
  if (!small && !isEqualToString(iconFile, QST_STR("DOT_LARGE"))) return icon;
  id color = listColorFromBulletinID(bulletinID(activeBulletin(self)), kMinimumColoredIDLength);
  return drawColoredDot(color, small ? kSmallDot : kLargeDot);
}

}  // namespace qst

using namespace qst;

id drawColoredDot(id color, CGFloat diameter) {
  UIGraphicsBeginImageContext(CGSizeMake(kDotCanvas, kDotCanvas));
  CGContextRef context = UIGraphicsGetCurrentContext();
  UIGraphicsPushContext(context);
  CGContextSetLineWidth(context, 2.0);
  CGContextSetStrokeColorWithColor(context,
                                   msgSend<CGColorRef>(msgSend<id>(classNamed("UIColor"), "blackColor"), "CGColor"));
  CGContextSetFillColorWithColor(context, msgSend<CGColorRef>(color, "CGColor"));
  CGFloat origin = (kDotCanvas - diameter) * 0.5;
  CGRect dot = CGRectMake(origin, origin, diameter, diameter);
  // The fill, drawn second, covers the inner half of the outline.
  CGContextStrokeEllipseInRect(context, dot);
  CGContextFillEllipseInRect(context, dot);
  UIGraphicsPopContext();
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image;
}

id roundedRectImageFromImage(id image, CGFloat radius) {
  if (radius == 0.0) return image;
  if (!image) return nil;
  CGSize size = msgSend<CGSize>(image, "size");
  id window = objectAtIndex(msgSend<id>(msgSend<id>(classNamed("UIApplication"), "sharedApplication"), "windows"), 0);
  CGFloat scale = msgSend<CGFloat>(msgSend<id>(window, "screen"), "scale");
  UIGraphicsBeginImageContextWithOptions(size, NO, scale);
  CGContextRef context = UIGraphicsGetCurrentContext();
  CGContextBeginPath(context);
  CGContextSaveGState(context);
  CGRect r = CGRectMake(0, 0, size.width, size.height);
  CGContextTranslateCTM(context, CGRectGetMinX(r), CGRectGetMinY(r));
  CGContextScaleCTM(context, radius, radius);
  // Built after the scale: each corner is a circle of radius x radius points.
  CGFloat fw = CGRectGetWidth(r) / radius;
  CGFloat fh = CGRectGetHeight(r) / radius;
  CGContextMoveToPoint(context, fw, fh * 0.5);
  CGContextAddArcToPoint(context, fw, fh, fw * 0.5, fh, radius);
  CGContextAddArcToPoint(context, 0, fh, 0, fh * 0.5, radius);
  CGContextAddArcToPoint(context, 0, 0, fw * 0.5, 0, radius);
  CGContextAddArcToPoint(context, fw, 0, fw, fh * 0.5, radius);
  CGContextRestoreGState(context);
  CGContextClosePath(context);
  CGContextClip(context);
  msgSend<void, CGRect>(image, "drawInRect:", r);
  id rounded = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return rounded;
}

id colorFromHexString(id text) {
  NSUInteger n = length(text);
  id digits = n == 7 || n == 9 ? msgSend<id, NSRange>(text, "substringWithRange:", NSRange{1, 6}) : QST_STR("FFFFFF");
  unsigned int value = 0;
  id scanner = msgSend<id, id>(classNamed("NSScanner"), "scannerWithString:", digits);
  msgSend<void, NSUInteger>(scanner, "setScanLocation:", NSUInteger{0});
  msgSend<BOOL, unsigned int*>(scanner, "scanHexInt:", &value);
  return msgSend<id, CGFloat, CGFloat, CGFloat, CGFloat>(
      classNamed("UIColor"), "colorWithRed:green:blue:alpha:", ((value >> 16) & 255) / 255.0,
      ((value >> 8) & 255) / 255.0, (value & 255) / 255.0, 1.0);
}
