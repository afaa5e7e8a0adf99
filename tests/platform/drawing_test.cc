#include <gtest/gtest.h>
#include <string>


#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIKit.h"
#include "coregraphics/CGColor.h"
#include "coreimage/CIColor.h"
#include "foundation/NSString.h"

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

id ciColorClass() { return objc_getClass("CIColor"); }

id colorFromText(const char* text) {
  return msgSend<id, id>(ciColorClass(), "colorWithString:", standin::stringWithUTF8(text));
}

std::string textOf(id color) { return standin::utf8Of(msgSend<id>(color, "stringRepresentation")); }

void expectComponents(id color, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  EXPECT_EQ(msgSend<CGFloat>(color, "red"), r);
  EXPECT_EQ(msgSend<CGFloat>(color, "green"), g);
  EXPECT_EQ(msgSend<CGFloat>(color, "blue"), b);
  EXPECT_EQ(msgSend<CGFloat>(color, "alpha"), a);
}

TEST(CIColorText, ListColourGoesIntoTextAndComesBack) {
  AutoreleasePool pool;
  CGColorRef calendarColor = standin::createColorRGBA(0.5, 0.25, 0, 1);
  id color = msgSend<id, CGColorRef>(ciColorClass(), "colorWithCGColor:", calendarColor);
  CGColorRelease(calendarColor);
  EXPECT_EQ(textOf(color), "0.5 0.25 0 1");
  expectComponents(colorFromText("0.5 0.25 0 1"), 0.5, 0.25, 0, 1);
  EXPECT_EQ(textOf(colorFromText("1 0 0 1")), "1 0 0 1");
}

TEST(CIColorText, ShortTextFillsOpaqueBlackPartsAndNoNumberIsClear) {
  AutoreleasePool pool;
  struct Case {
    const char* text;
    CGFloat r, g, b, a;
  };
  for (const Case& c : {Case{"0.2 0.4 0.6", 0.2, 0.4, 0.6, 1}, {"0.2", 0.2, 0, 0, 1}, {"", 0, 0, 0, 0},
                        {"purple", 0, 0, 0, 0}, {" [ ", 0, 0, 0, 0}, {"0.3 green 1 1", 0.3, 0, 0, 1},
                        {"nan inf 1 1", 0, 0, 0, 0}, {"0 nan", 0, 0, 0, 1}, {"[1 0.5 0 0.5]", 1, 0.5, 0, 0.5},
                        {"  1   1 0 1 0.25", 1, 1, 0, 1}}) {  // extra parts ignored
    SCOPED_TRACE(c.text);
    expectComponents(colorFromText(c.text), c.r, c.g, c.b, c.a);
  }
  expectComponents(msgSend<id, id>(ciColorClass(), "colorWithString:", nil), 0, 0, 0, 0);
}

}  // namespace
