#include <gtest/gtest.h>

#include <string>

#include "coregraphics/CGColor.h"
#include "coreimage/CIColor.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace {

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
