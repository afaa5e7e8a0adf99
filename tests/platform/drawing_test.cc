#include <gtest/gtest.h>


#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIKit.h"

std::ostream& operator<<(std::ostream& out, standin::ImagePixel p) {
  return out << "rgba(" << int(p.r) << "," << int(p.g) << "," << int(p.b) << "," << int(p.a) << ")";
}

namespace {

constexpr standin::ImagePixel kTransparent{0, 0, 0, 0};


TEST(Drawing, RestoringStateBringsBackColoursAndTransformButKeepsThePath) {
  AutoreleasePool pool;
  UIGraphicsBeginImageContext(CGSizeMake(20, 10));
  CGContextRef c = UIGraphicsGetCurrentContext();
  CGContextSetRGBFillColor(c, 1, 0, 0, 1);
  CGContextSaveGState(c);
  CGContextSetRGBFillColor(c, 0, 0, 1, 1);
  CGContextTranslateCTM(c, 10, 0);
  CGContextAddRect(c, CGRectMake(0, 0, 10, 10));  // the right half, in device space
  CGContextRestoreGState(c);
  CGContextFillRect(c, CGRectMake(0, 0, 5, 10));  // red, untranslated, path kept
  CGContextFillPath(c);                           // the kept right half, in red
  CGContextRestoreGState(c);                      // unbalanced: ignored
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  const standin::ImagePixel red{255, 0, 0, 255};
  EXPECT_EQ(standin::readImagePixel(image, 2, 5), red);
  EXPECT_EQ(standin::readImagePixel(image, 7, 5), kTransparent);
  EXPECT_EQ(standin::readImagePixel(image, 15, 5), red);
}

}  // namespace
