// The system font's lines are the device's: Helvetica Neue's on iOS 7 and 8,
// San Francisco's on iOS 9, as UIFont reports them there.
#include <gtest/gtest.h>

#include <cmath>

#include "foundation/NSString.h"
#include "foundation/device.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/NSStringDrawing.h"
#include "uikit/UIFont.h"

namespace {

class SystemFont : public ::testing::Test {
 protected:
  void TearDown() override { NSFoundationVersionNumber = saved_; }
  static id font(CGFloat size) { return msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", size); }
  static CGFloat get(id f, const char* getter) { return msgSend<CGFloat>(f, getter); }
  AutoreleasePool pool;
  double saved_ = NSFoundationVersionNumber;
};

TEST_F(SystemFont, HelveticaNeueLinesOnIOS7And8) {
  for (double version : {1047.20, 1140.11, 1144.17}) {
    NSFoundationVersionNumber = version;
    EXPECT_NEAR(get(font(15), "lineHeight"), 17.900391, 1e-6) << version;
    EXPECT_NEAR(get(font(12), "lineHeight"), 14.320312, 1e-6);
    EXPECT_NEAR(get(font(12), "ascender"), 11.425781, 1e-6);
    EXPECT_NEAR(get(font(12), "descender"), -2.554688, 1e-6);
    EXPECT_NEAR(get(font(12), "leading"), 0.339844, 1e-6);
  }
}

TEST_F(SystemFont, SanFranciscoLinesOnIOS9) {
  NSFoundationVersionNumber = 1240.1;
  EXPECT_NEAR(get(font(17), "lineHeight"), 20.287109, 1e-6);
  EXPECT_NEAR(get(font(17), "descender"), -4.100586, 1e-6);
  EXPECT_EQ(get(font(17), "leading"), 0);
  EXPECT_NEAR(get(font(15), "lineHeight"), 17.900391, 1e-6);
}

// What the library measures with: a line's height, rounded up, at every
// text size the settings offer, is the device's.
TEST_F(SystemFont, MeasuredHeightsFollowTheDevicesLineAtEveryTextSize) {
  for (int size = 12; size <= 40; ++size) {
    const CGSize measured = standin::sizeOfStringWithFont(standin::str("Buy milk"), font(size));
    EXPECT_EQ(measured.height, std::ceil(size * 2444.0 / 2048.0)) << size;
  }
  EXPECT_EQ(standin::sizeOfStringWithFont(standin::str("x"), font(20)).height, 24);
  EXPECT_EQ(standin::sizeOfStringWithFont(standin::str("x"), font(40)).height, 48);
  EXPECT_EQ(get(font(0), "lineHeight"), 0);
  EXPECT_EQ(get(font(-3), "ascender"), 0);
}

}  // namespace
