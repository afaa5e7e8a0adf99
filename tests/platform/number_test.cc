// NSNumber's answers where a real meets an integer or a string, as Darwin's
// Foundation gives them.
#include <gtest/gtest.h>

#include <utility>

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
  for (auto [value, truth] : {std::pair{0.5, false}, {-0.999, false}, {0.0 / 0.0, false}, {1.5, true}, {-1.0, true},
                              {1e300, true}})
    EXPECT_EQ(msgSend<BOOL>(standin::numberWithDouble(value), "boolValue"), truth) << value;
  EXPECT_FALSE(msgSend<BOOL>(standin::numberWithFloat(0.25f), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithUnsignedLongLong(1ull << 63), "boolValue"));
  EXPECT_TRUE(msgSend<BOOL>(standin::numberWithLongLong(1ll << 40), "boolValue"));
  EXPECT_FALSE(msgSend<BOOL>(standin::numberWithLongLong(0), "boolValue"));
}

TEST_F(Number, DescriptionPrintsRealsWithSixteenOrSevenDigits) {
  for (auto [value, text] : {std::pair{0.1, "0.1"}, {0.85, "0.85"}, {1.0 / 3, "0.3333333333333333"}, {2.5, "2.5"},
                             {1e20, "1e+20"}, {-0.0, "-0"}})
    EXPECT_EQ(description(standin::numberWithDouble(value)), text);
  EXPECT_EQ(description(standin::numberWithFloat(0.1f)), "0.1");
  EXPECT_EQ(description(standin::numberWithFloat(1.0f / 3)), "0.3333333");
  EXPECT_EQ(description(standin::numberWithLongLong(-7)), "-7");
  EXPECT_EQ(description(standin::numberWithUnsignedLongLong(18446744073709551615ull)), "18446744073709551615");
}

}  // namespace
