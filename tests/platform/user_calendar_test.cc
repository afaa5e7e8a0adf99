// +currentCalendar follows the calendar the user picked, as on a device; the
// same components name other days in the Buddhist and Japanese calendars.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "foundation/NSDate.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/strong.h"

namespace {

using Fields = std::initializer_list<std::pair<const char*, NSInteger>>;

class UserCalendar : public ::testing::Test {
 protected:
  void SetUp() override { standin::setCurrentTimeZone("UTC"); }
  void TearDown() override { standin::setCurrentCalendarIdentifier("gregorian"); }
  AutoreleasePool pool;
};

std::string dayIn(id calendar, Fields fields) {
  StrongId c = StrongId::adopting(msgSend<id>(objc_getClass("NSDateComponents"), "new"));
  for (auto [setter, value] : fields) msgSend<void, NSInteger>(c, setter, value);
  id date = msgSend<id, id>(calendar, "dateFromComponents:", c.get());
  return date ? standin::utf8Of(msgSend<id>(date, "description")) : "nil";
}

id current() { return msgSend<id>(objc_getClass("NSCalendar"), "currentCalendar"); }
id withIdentifier(const char* identifier) {
  return objc_autorelease(msgSend<id, id>(msgSend<id>(objc_getClass("NSCalendar"), "alloc"),
                                          "initWithCalendarIdentifier:", standin::stringWithUTF8(identifier)));
}
std::string identifierOf(id calendar) { return standin::utf8Of(msgSend<id>(calendar, "calendarIdentifier")); }

const Fields kDueDay = {{"setYear:", 2026}, {"setMonth:", 12}, {"setDay:", 7}, {"setHour:", 12}};

TEST_F(UserCalendar, CurrentCalendarIsTheUsersAndReadsComponentsInIt) {
  EXPECT_EQ(identifierOf(current()), "gregorian");
  EXPECT_EQ(dayIn(current(), kDueDay), "2026-12-07 12:00:00 +0000");

  ASSERT_TRUE(standin::setCurrentCalendarIdentifier("buddhist"));
  EXPECT_EQ(identifierOf(current()), "buddhist");
  // Buddhist year 2026 is 543 years before the Gregorian one (and before
  // 1582 ICU's Gregorian calendar counts Julian days, as the device's does).
  EXPECT_EQ(dayIn(current(), kDueDay).substr(0, 4), "1483");
  EXPECT_EQ(dayIn(current(), {{"setYear:", 2569}, {"setMonth:", 12}, {"setDay:", 7}}), "2026-12-07 00:00:00 +0000");

  ASSERT_TRUE(standin::setCurrentCalendarIdentifier("japanese"));
  EXPECT_EQ(identifierOf(current()), "japanese");
  // Without an era, a Japanese year is one of Heisei, the last era the ICU
  // of iOS 7 to 9 knew: Heisei 2026 is 4014.
  EXPECT_EQ(dayIn(current(), kDueDay), "4014-12-07 12:00:00 +0000");
  EXPECT_EQ(dayIn(current(), {{"setYear:", 38}, {"setMonth:", 12}, {"setDay:", 7}}), "2026-12-07 00:00:00 +0000");
  EXPECT_EQ(dayIn(current(), {{"setEra:", 234}, {"setYear:", 64}, {"setMonth:", 1}, {"setDay:", 7}}),
            "1989-01-07 00:00:00 +0000");  // Showa's last day

  EXPECT_FALSE(standin::setCurrentCalendarIdentifier("hebrew"));
  EXPECT_EQ(identifierOf(current()), "japanese");
}

TEST_F(UserCalendar, ACalendarAskedForByItsIdentifierIgnoresTheUsers) {
  ASSERT_TRUE(standin::setCurrentCalendarIdentifier("buddhist"));
  id gregorian = withIdentifier("gregorian");
  ASSERT_TRUE(gregorian);
  EXPECT_EQ(identifierOf(gregorian), "gregorian");
  EXPECT_EQ(dayIn(gregorian, kDueDay), "2026-12-07 12:00:00 +0000");
  EXPECT_EQ(withIdentifier("klingon"), nil);
  EXPECT_EQ(withIdentifier(""), nil);
  EXPECT_EQ(objc_autorelease(msgSend<id, id>(msgSend<id>(objc_getClass("NSCalendar"), "alloc"),
                                             "initWithCalendarIdentifier:", nil)),
            nil);
}

}  // namespace
