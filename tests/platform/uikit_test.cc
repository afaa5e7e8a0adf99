#include <gtest/gtest.h>

#include <string>

#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIKit.h"

namespace {

CGSize measure(const char* text, CGFloat pointSize) {
  id font = msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", pointSize);
  return msgSend<CGSize, id>(NSStr(text), "sizeWithFont:", font);
}

TEST(TextMeasurement, OneLineSizeComesFromTheFont) {
  AutoreleasePool pool;
  const CGSize row = measure("AAAAAAAAAAA", 14);
  EXPECT_GT(measure("AAAAAAAAAAAA", 14).width, row.width);
  EXPECT_GT(row.width, measure("iiiiiiiiiii", 14).width);  // real advances, not a fixed width per letter
  EXPECT_EQ(measure("i", 14).height, row.height);
  EXPECT_EQ(measure("", 14).height, row.height);
  EXPECT_EQ(measure("", 14).width, 0);
  EXPECT_GT(measure("AAAAAAAAAAA", 20).height, row.height);
  EXPECT_GT(measure("AAAAAAAAAAA", 20).width, row.width);
  // Whole points, rounded up from the face's metrics: 1.15 em of line for
  // Helvetica's metrics, about two thirds of an em per "A".
  EXPECT_EQ(row.height, 17);
  EXPECT_EQ(row.width, 103);
}

}  // namespace
