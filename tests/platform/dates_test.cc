#include <gtest/gtest.h>

#include <initializer_list>
#include <thread>
#include <vector>
#include <utility>
#include <string>

#include "foundation/NSDate.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/strong.h"

namespace {

using Fields = std::initializer_list<std::pair<const char*, NSInteger>>;

// A components value with the given setters applied, e.g. {{"setDay:", 6}}.
StrongId components(Fields fields, id zone = nil) {
  StrongId c = StrongId::adopting(msgSend<id>(objc_getClass("NSDateComponents"), "new"));
  for (auto [setter, value] : fields) msgSend<void, NSInteger>(c, setter, value);
  if (zone) msgSend<void, id>(c, "setTimeZone:", zone);
  return c;
}

id calendar() { return msgSend<id>(objc_getClass("NSCalendar"), "currentCalendar"); }

std::string describe(id date) { return standin::utf8Of(msgSend<id>(date, "description")); }

id dateFrom(Fields fields, id zone = nil) {
  return msgSend<id, id>(calendar(), "dateFromComponents:", components(fields, zone));
}

id adding(Fields fields, id date) {
  return msgSend<id, id, id, NSUInteger>(calendar(), "dateByAddingComponents:toDate:options:", components(fields), date,
                                         0);
}

double hoursBetween(id later, id earlier) {
  return (msgSend<RealDouble>(later, "timeIntervalSinceReferenceDate") -
          msgSend<RealDouble>(earlier, "timeIntervalSinceReferenceDate")) /
         3600;
}

// +currentCalendar follows the calendar the user picked, as on a device; each case starts from the Gregorian one.
class Dates : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(standin::setCurrentTimeZone("UTC")); }
  void TearDown() override { standin::setCurrentCalendarIdentifier("gregorian"); }
  AutoreleasePool pool;
};
using UserCalendar = Dates;

TEST_F(Dates, ComponentsWithoutTimeOfDayMeanTheStartOfTheDayAndUnusableOnesNoDate) {
  EXPECT_EQ(describe(dateFrom({{"setYear:", 2026}, {"setMonth:", 12}, {"setDay:", 6}})), "2026-12-06 00:00:00 +0000");
  EXPECT_EQ(describe(dateFrom({{"setYear:", 2026},
                               {"setMonth:", 12},
                               {"setDay:", 6},
                               {"setHour:", 3},
                               {"setMinute:", 1},
                               {"setSecond:", 27}})),
            "2026-12-06 03:01:27 +0000");
  // Missing month and day are the first ones.
  EXPECT_EQ(describe(dateFrom({{"setYear:", 2026}})), "2026-01-01 00:00:00 +0000");
  // Out-of-range fields carry over, as the device's lenient calendar does.
  EXPECT_EQ(describe(dateFrom({{"setYear:", 2026}, {"setMonth:", 12}, {"setDay:", 32}})), "2027-01-01 00:00:00 +0000");
  EXPECT_EQ(msgSend<id>(calendar(), "dateFromComponents:", nil), nil);
  EXPECT_EQ(dateFrom({{"setYear:", NSInteger(1) << 40}}), nil);
  EXPECT_EQ(adding({{"setDay:", 1}}, nil), nil);
  EXPECT_EQ(adding({{"setDay:", NSInteger(1) << 40}}, standin::dateWithTimeIntervalSinceReferenceDate(0)), nil);
}

TEST_F(Dates, AddingYearsAndMonthsKeepsToTheEndOfShorterMonths) {
  id leapDay = dateFrom({{"setYear:", 2024}, {"setMonth:", 2}, {"setDay:", 29}, {"setHour:", 12}});
  EXPECT_EQ(describe(adding({{"setYear:", 1}}, leapDay)), "2025-02-28 12:00:00 +0000");
  EXPECT_EQ(describe(adding({{"setYear:", 4}}, leapDay)), "2028-02-29 12:00:00 +0000");
  id endOfJanuary = dateFrom({{"setYear:", 2026}, {"setMonth:", 1}, {"setDay:", 31}});
  EXPECT_EQ(describe(adding({{"setMonth:", 1}}, endOfJanuary)), "2026-02-28 00:00:00 +0000");
  // Larger fields first: a month to Feb 28, then the day.
  EXPECT_EQ(describe(adding({{"setMonth:", 1}, {"setDay:", 1}}, endOfJanuary)), "2026-03-01 00:00:00 +0000");
  EXPECT_EQ(describe(adding({{"setDay:", -31}, {"setHour:", 2}, {"setMinute:", 3}, {"setSecond:", 4}}, endOfJanuary)),
            "2025-12-31 02:03:04 +0000");
}

TEST_F(Dates, AddingDaysAcrossDaylightSavingKeepsTheWallClock) {
  ASSERT_TRUE(standin::setCurrentTimeZone("Europe/Berlin"));
  // Clocks go forward on 29 March 2026 and back on 25 October 2026.
  id beforeSpring = dateFrom({{"setYear:", 2026}, {"setMonth:", 3}, {"setDay:", 28}, {"setHour:", 10}});
  id nextMorning = adding({{"setDay:", 1}}, beforeSpring);
  EXPECT_EQ(describe(nextMorning), "2026-03-29 08:00:00 +0000");  // 10:00 summer time
  EXPECT_EQ(hoursBetween(nextMorning, beforeSpring), 23);
  id beforeAutumn = dateFrom({{"setYear:", 2026}, {"setMonth:", 10}, {"setDay:", 24}, {"setHour:", 10}});
  EXPECT_EQ(hoursBetween(adding({{"setDay:", 1}}, beforeAutumn), beforeAutumn), 25);
  // Hours are elapsed time, not wall-clock time.
  EXPECT_EQ(hoursBetween(adding({{"setHour:", 24}}, beforeSpring), beforeSpring), 24);
}

// Calendars and zones are reused between calls, per thread.
TEST_F(Dates, ManyZonesInTurnEachKeepTheirOffset) {
  const std::vector<std::pair<const char*, int>> julyOffsetMinutes = {
      {"Europe/London", 60},   {"America/New_York", -240}, {"Asia/Kolkata", 330},    {"UTC", 0},
      {"Asia/Kathmandu", 345}, {"Australia/Sydney", 600},  {"Pacific/Chatham", 765}, {"Pacific/Marquesas", -570},
  };
  Fields noon = {{"setYear:", 2026}, {"setMonth:", 7}, {"setDay:", 1}, {"setHour:", 12}};
  const double utcNoon =
      msgSend<RealDouble>(dateFrom(noon, standin::timeZoneWithName("UTC")), "timeIntervalSinceReferenceDate");
  auto offsetsIn = [&](std::vector<int>& out) {
    AutoreleasePool threadPool;
    for (int round = 0; round < 2; ++round)
      for (auto [zone, minutes] : julyOffsetMinutes) {
        id date = dateFrom(noon, standin::timeZoneWithName(zone));
        out.push_back(static_cast<int>((utcNoon - msgSend<RealDouble>(date, "timeIntervalSinceReferenceDate")) / 60));
      }
  };
  std::vector<int> here, elsewhere;
  offsetsIn(here);
  std::thread other([&] { offsetsIn(elsewhere); });
  other.join();
  ASSERT_EQ(here.size(), 2 * julyOffsetMinutes.size());
  for (std::size_t i = 0; i < here.size(); ++i) {
    const auto& [zone, minutes] = julyOffsetMinutes[i % julyOffsetMinutes.size()];
    EXPECT_EQ(here[i], minutes) << zone;
    EXPECT_EQ(elsewhere[i], minutes) << zone << " on another thread";
  }
  // An addition in between leaves nothing behind for the next conversion.
  ASSERT_TRUE(standin::setCurrentTimeZone("Asia/Tokyo"));
  adding({{"setHour:", 5}, {"setMinute:", 7}}, dateFrom(noon));
  EXPECT_EQ(describe(dateFrom({{"setYear:", 2026}, {"setMonth:", 7}, {"setDay:", 1}})), "2026-06-30 15:00:00 +0000");
  const NSInteger kathmandu =
      msgSend<NSInteger, id>(standin::timeZoneWithName("Asia/Kathmandu"), "secondsFromGMTForDate:", dateFrom(noon));
  EXPECT_EQ(kathmandu, 345 * 60);
}

// Current calendars share what they compute with until one is given a zone of its own; one components value asked
// of each is answered in each one's zone.
TEST_F(Dates, AZoneGivenToOneCalendarLeavesTheOthersAsTheyWere) {
  StrongId noon = components({{"setYear:", 2026}, {"setMonth:", 7}, {"setDay:", 1}, {"setHour:", 12}});
  auto convert = [&](id cal) { return describe(msgSend<id, id>(cal, "dateFromComponents:", noon.get())); };
  id first = calendar(), second = calendar();
  EXPECT_EQ(convert(first), "2026-07-01 12:00:00 +0000");
  msgSend<void, id>(first, "setTimeZone:", standin::timeZoneWithName("Asia/Tokyo"));
  EXPECT_EQ(convert(first), "2026-07-01 03:00:00 +0000");
  EXPECT_EQ(convert(second), "2026-07-01 12:00:00 +0000");
  EXPECT_EQ(convert(calendar()), "2026-07-01 12:00:00 +0000");
  EXPECT_EQ(standin::utf8Of(msgSend<id>(msgSend<id>(second, "timeZone"), "name")), "UTC");

  ASSERT_TRUE(standin::setCurrentTimeZone("Europe/Berlin"));
  EXPECT_EQ(convert(calendar()), "2026-07-01 10:00:00 +0000");
  EXPECT_EQ(standin::utf8Of(msgSend<id>(msgSend<id>(calendar(), "timeZone"), "name")), "Europe/Berlin");
  EXPECT_EQ(convert(second), "2026-07-01 12:00:00 +0000");
  EXPECT_EQ(convert(first), "2026-07-01 03:00:00 +0000");
  EXPECT_EQ(describe(msgSend<id, id, id, NSUInteger>(
                second, "dateByAddingComponents:toDate:options:", components({{"setDay:", 1}}).get(),
                msgSend<id, id>(second, "dateFromComponents:", noon.get()), 0)),
            "2026-07-02 12:00:00 +0000");
  // Components changed after a calendar answered them are answered anew.
  msgSend<void, NSInteger>(noon, "setHour:", 13);
  EXPECT_EQ(convert(second), "2026-07-01 13:00:00 +0000");
  msgSend<void, id>(noon, "setTimeZone:", standin::timeZoneWithName("Asia/Tokyo"));
  EXPECT_EQ(convert(second), "2026-07-01 04:00:00 +0000");
}

std::string dayIn(id calendar, Fields fields) {
  id date = msgSend<id, id>(calendar, "dateFromComponents:", components(fields).get());
  return date ? describe(date) : "nil";
}

id withIdentifier(const char* identifier) {
  return objc_autorelease(msgSend<id, id>(msgSend<id>(objc_getClass("NSCalendar"), "alloc"),
                                          "initWithCalendarIdentifier:", standin::stringWithUTF8(identifier)));
}
std::string identifierOf(id calendar) { return standin::utf8Of(msgSend<id>(calendar, "calendarIdentifier")); }

const Fields kDueDay = {{"setYear:", 2026}, {"setMonth:", 12}, {"setDay:", 7}, {"setHour:", 12}};

TEST_F(UserCalendar, CurrentCalendarIsTheUsersAndOneAskedForByItsIdentifierIgnoresIt) {
  EXPECT_EQ(identifierOf(calendar()), "gregorian");
  EXPECT_EQ(dayIn(calendar(), kDueDay), "2026-12-07 12:00:00 +0000");

  ASSERT_TRUE(standin::setCurrentCalendarIdentifier("buddhist"));
  EXPECT_EQ(identifierOf(calendar()), "buddhist");
  // Buddhist 2026 is Gregorian 1483 (before 1582 ICU counts Julian days, as the device does).
  EXPECT_EQ(dayIn(calendar(), kDueDay).substr(0, 4), "1483");
  EXPECT_EQ(dayIn(calendar(), {{"setYear:", 2569}, {"setMonth:", 12}, {"setDay:", 7}}), "2026-12-07 00:00:00 +0000");

  ASSERT_TRUE(standin::setCurrentCalendarIdentifier("japanese"));
  EXPECT_EQ(identifierOf(calendar()), "japanese");
  // Without an era, a Japanese year is one of Heisei, the last era the ICU of iOS 7 to 9 knew: Heisei 2026 is 4014.
  EXPECT_EQ(dayIn(calendar(), kDueDay), "4014-12-07 12:00:00 +0000");
  EXPECT_EQ(dayIn(calendar(), {{"setYear:", 38}, {"setMonth:", 12}, {"setDay:", 7}}), "2026-12-07 00:00:00 +0000");
  EXPECT_EQ(dayIn(calendar(), {{"setEra:", 234}, {"setYear:", 64}, {"setMonth:", 1}, {"setDay:", 7}}),
            "1989-01-07 00:00:00 +0000");  // Showa's last day

  EXPECT_FALSE(standin::setCurrentCalendarIdentifier("hebrew"));
  EXPECT_EQ(identifierOf(calendar()), "japanese");
  // A calendar asked for by its identifier ignores the user's.
  ASSERT_TRUE(standin::setCurrentCalendarIdentifier("buddhist"));
  id gregorian = withIdentifier("gregorian");
  ASSERT_TRUE(gregorian);
  EXPECT_EQ(identifierOf(gregorian), "gregorian");
  EXPECT_EQ(dayIn(gregorian, kDueDay), "2026-12-07 12:00:00 +0000");
  EXPECT_EQ(withIdentifier("klingon"), nil);
  EXPECT_EQ(withIdentifier(""), nil);
  EXPECT_EQ(objc_autorelease(
                msgSend<id, id>(msgSend<id>(objc_getClass("NSCalendar"), "alloc"), "initWithCalendarIdentifier:", nil)),
            nil);
}

}  // namespace
