// NSNumber's answers where a real meets an integer or a string, as Darwin's
// Foundation gives them.
#include <gtest/gtest.h>

#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace {

class Number : public ::testing::Test {
 protected:
  AutoreleasePool pool;
};

std::string description(id number) { return standin::utf8Of(msgSend<id>(number, "description")); }

TEST_F(Number, BoolValueOfARealGoesThroughTheInteger) {
  EXPECT_FALSE(msgSend<BOOL>(standin::numberWithDouble(0.5), "boolValue"));
  EXPECT_FALSE(msgSend<BOOL>(standin::numberWithDouble(-0.999), "boolValue"));
  EXPECT_FALSE(msgSend<BOOL>(standin::numberWithFloat(0.25f), "boolValue"));
  EXPECT_FALSE(msgSend<BOOL>(standin::numberWithDouble(0.0 / 0.0), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithDouble(1.5), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithDouble(-1.0), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithDouble(1e300), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithUnsignedLongLong(1ull << 63), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithLongLong(1ll << 40), "boolValue"));
  EXPECT_FALSE(msgSend<BOOL>(standin::numberWithLongLong(0), "boolValue"));
}

TEST_F(Number, DescriptionPrintsRealsWithSixteenOrSevenDigits) {
  EXPECT_EQ(description(standin::numberWithDouble(0.1)), "0.1");
  EXPECT_EQ(description(standin::numberWithDouble(0.85)), "0.85");
  EXPECT_EQ(description(standin::numberWithDouble(1.0 / 3)), "0.3333333333333333");
  EXPECT_EQ(description(standin::numberWithDouble(2.5)), "2.5");
  EXPECT_EQ(description(standin::numberWithDouble(1e20)), "1e+20");
  EXPECT_EQ(description(standin::numberWithDouble(-0.0)), "-0");
  EXPECT_EQ(description(standin::numberWithFloat(0.1f)), "0.1");
  EXPECT_EQ(description(standin::numberWithFloat(1.0f / 3)), "0.3333333");
  EXPECT_EQ(description(standin::numberWithLongLong(-7)), "-7");
  EXPECT_EQ(description(standin::numberWithUnsignedLongLong(18446744073709551615ull)), "18446744073709551615");
}

}  // namespace
