#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIFont.h"
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

// Sizes a settings file can hold reach the fonts unchecked: the largest
// 32-bit size, odd values and sizes above what FreeType can hold.
TEST(TextMeasurement, AnySizeMeasuresWithoutFailing) {
  AutoreleasePool pool;
  const CGSize small = measure("AAAAAAAAAAA", 14);
  const CGSize huge = measure("AAAAAAAAAAA", 2147483647.0);
  // Metrics scale with the size: within a point of the small one's ratio.
  EXPECT_NEAR(huge.width / 2147483647.0, small.width / 14, 1.0 / 14);
  EXPECT_NEAR(huge.height / 2147483647.0, small.height / 14, 1.0 / 14);
  const CGSize justAbove = measure("A", kMaxMetricsFontSize * 2);
  EXPECT_NEAR(justAbove.width, 2 * measure("A", kMaxMetricsFontSize).width, 2);
  for (CGFloat odd : {0.0, -14.0, -2147483648.0, std::nan(""), std::numeric_limits<CGFloat>::infinity(), 1e300}) {
    const CGSize size = measure("AAA", odd);
    EXPECT_TRUE(std::isfinite(size.width) && std::isfinite(size.height)) << odd;
  }
  EXPECT_EQ(measure("AAA", -14).width, 0);
  id font = msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", 2147483647.0);
  EXPECT_EQ(msgSend<CGFloat>(font, "pointSize"), 2147483647.0);
  EXPECT_GT(msgSend<CGFloat>(font, "lineHeight"), 2147483647.0);
}

}  // namespace
