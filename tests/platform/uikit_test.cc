#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <limits>
#include <string>

#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UIFont.h"
#include "foundation/device.h"
#include "uikit/NSStringDrawing.h"
#include "uikit/UIColor.h"

namespace {

CGSize measure(const char* text, CGFloat pointSize) {
  id font = msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", pointSize);
  return msgSend<CGSize, id>(standin::str(text), "sizeWithFont:", font);
}

TEST(TextMeasurement, OneLineSizeComesFromTheFontAtAnySize) {
  AutoreleasePool pool;
  const CGSize row = measure("AAAAAAAAAAA", 14);
  EXPECT_GT(measure("AAAAAAAAAAAA", 14).width, row.width);
  EXPECT_GT(row.width, measure("iiiiiiiiiii", 14).width);  // real advances, not a fixed width per letter
  EXPECT_EQ(measure("", 14).height, row.height);
  EXPECT_EQ(measure("", 14).width, 0);
  EXPECT_GT(measure("AAAAAAAAAAA", 20).width, row.width);
  // Whole points, rounded up: about two thirds of an em per "A".
  EXPECT_EQ(row.width, 103);

  // Sizes a settings file can hold reach the fonts unchecked; metrics scale with the size, within a point.
  const CGSize huge = measure("AAAAAAAAAAA", 2147483647.0);
  EXPECT_NEAR(huge.width / 2147483647.0, row.width / 14, 1.0 / 14);
  EXPECT_NEAR(huge.height / 2147483647.0, row.height / 14, 1.0 / 14);
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

// What cairo itself makes of the whole line in the font's own face.
double cairoAdvance(id font, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(static_cast<UIFontObj*>(font)->scaledFont, text.c_str(), &extents);
  return extents.x_advance;
}

// Advances are kept per character once measured.
TEST(TextMeasurement, KeptAdvancesAddUpToTheWholeLine) {
  AutoreleasePool pool;
  const std::string lines[] = {"Pay council tax",
                               "!!! Call the plumber",
                               "Caf\u00e9 cr\u00e8me br\u00fbl\u00e9e",
                               "\u4e70\u725b\u5976",
                               "\U0001F6D2 shopping \u2014 \u00bd kg",
                               "tab\tand \x7f"};
  for (CGFloat size : {9.0, 14.0, 17.5, 40.0}) {
    id font = standin::systemFontOfSize(size);
    for (int pass = 0; pass < 2; ++pass)  // measured first, then from what was kept
      for (const std::string& line : lines)
        EXPECT_EQ(standin::fontLineAdvance(font, line), cairoAdvance(font, line)) << line;
  }
  // More sizes than are kept for the process: each still measures as cairo does.
  CGFloat previous = 0;
  for (int tenths = 50; tenths < 1000; tenths += 7) {
    id font = standin::systemFontOfSize(tenths / 10.0);
    const CGFloat width = standin::fontLineAdvance(font, "Water the plants");
    EXPECT_EQ(width, cairoAdvance(font, "Water the plants"));
    EXPECT_GT(width, previous);
    previous = width;
  }
}

TEST(TextMeasurement, BrokenTextMeasuresNothingAndHarmsNoLaterText) {
  AutoreleasePool pool;
  id font = standin::systemFontOfSize(14);
  const double good = standin::fontLineAdvance(font, "Buy milk");
  ASSERT_GT(good, 0);
  for (const std::string broken :
       {"Buy \x80milk", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "milk\xE2\x82", "\xFF", "\xC3"})
    EXPECT_EQ(standin::fontLineAdvance(font, broken), 0) << "bytes of " << broken.size();
  EXPECT_EQ(standin::fontLineAdvance(font, "Buy milk"), good);
  // The line ends at a NUL, as cairo reads it.
  EXPECT_EQ(standin::fontLineAdvance(font, std::string("Buy milk") + '\0' + "\xFF and eggs"), good);
}

// The system font's lines are the device's: Helvetica Neue's on iOS 7 and 8, San Francisco's on iOS 9.
class SystemFont : public ::testing::Test {
 protected:
  void TearDown() override { NSFoundationVersionNumber = saved_; }
  static id font(CGFloat size) { return msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", size); }
  static CGFloat get(id f, const char* getter) { return msgSend<CGFloat>(f, getter); }
  AutoreleasePool pool;
  double saved_ = NSFoundationVersionNumber;
};

TEST_F(SystemFont, HelveticaNeueLinesOnIOS7And8AndSanFranciscosOnIOS9AndTheMeasuredHeightsFollowThem) {
  // What the library measures with: a line's height, rounded up, at every
  // text size the settings offer and at 88, where the two fonts' lines fall
  // either side of a whole point.
  auto measured = [](int size) { return standin::sizeOfStringWithFont(standin::str("Buy milk"), font(size)).height; };
  for (double version : {1047.20, 1140.11, 1144.17}) {
    NSFoundationVersionNumber = version;
    for (int size = 8; size <= 40; ++size) EXPECT_EQ(measured(size), std::ceil(size * 1.193)) << size;
    EXPECT_EQ(measured(88), 105) << version;
    EXPECT_NEAR(get(font(17), "lineHeight"), 20.281, 1e-9) << version;
    EXPECT_NEAR(get(font(12), "ascender"), 11.424, 1e-9);
    EXPECT_NEAR(get(font(12), "descender"), -2.556, 1e-9);
    EXPECT_NEAR(get(font(12), "leading"), 0.336, 1e-9);
  }
  NSFoundationVersionNumber = 1240.1;
  for (int size = 8; size <= 40; ++size) EXPECT_EQ(measured(size), std::ceil(size * 2444.0 / 2048.0)) << size;
  EXPECT_EQ(measured(88), 106);
  EXPECT_NEAR(get(font(17), "lineHeight"), 20.287109, 1e-6);
  EXPECT_NEAR(get(font(17), "descender"), -4.100586, 1e-6);
  EXPECT_EQ(get(font(17), "leading"), 0);
  EXPECT_NEAR(get(font(15), "lineHeight"), 17.900391, 1e-6);
  EXPECT_EQ(get(font(0), "lineHeight"), 0);
  EXPECT_EQ(get(font(-3), "ascender"), 0);
}

// UILabel's font and text colour are null_resettable (UIKit's UILabel.h).
TEST(Label, FontAndColourReadAsTheDefaultsWhenUnsetOrNil) {
  AutoreleasePool pool;
  id label =
      objc_autorelease(msgSend<id, CGRect>(msgSend<id>(objc_getClass("UILabel"), "alloc"), "initWithFrame:", CGRect{}));
  auto expectDefaults = [&] {
    id font = msgSend<id>(label, "font");
    ASSERT_NE(font, nil);
    EXPECT_EQ(msgSend<CGFloat>(font, "pointSize"), 17);
    EXPECT_EQ(msgSend<id>(label, "font"), font);  // one default, not a new one at each read
    CGFloat rgba[4] = {-1, -1, -1, -1};
    ASSERT_TRUE(standin::colorGetRGBA(msgSend<id>(label, "textColor"), rgba));
    EXPECT_EQ(rgba[0] + rgba[1] + rgba[2], 0);
    EXPECT_EQ(rgba[3], 1);
  };
  expectDefaults();
  msgSend<void, id>(label, "setFont:", msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", 30.0));
  msgSend<void, id>(label, "setTextColor:", standin::colorWithRGBA(1, 0, 0, 1));
  msgSend<void, id>(label, "setFont:", nil);
  msgSend<void, id>(label, "setTextColor:", nil);
  expectDefaults();
}

}  // namespace
