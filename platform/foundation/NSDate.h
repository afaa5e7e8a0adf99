// Dates, date components, calendars and time zones, on ICU.
//   NSDate: a moment, seconds since 2001-01-01 00:00:00 UTC (class "NSDate";
//     +date reads the platform clock, see clock.h; -compare:,
//     -timeIntervalSinceReferenceDate, -timeIntervalSince1970).
//   NSDateComponents: fields that are NSDateComponentUndefined unless set
//     (class "NSDateComponents"; setYear:/year, setMonth:, setDay:, setHour:,
//     setMinute:, setSecond:, setTimeZone:/timeZone).
//   NSTimeZone: an IANA zone (class "NSTimeZone"; timeZoneWithName:, name).
//   NSCalendar: Gregorian in the current time zone (class "NSCalendar";
//     +currentCalendar, -dateFromComponents: where a missing time of day
//     means the start of the day and a time zone in the components is
//     honoured, -dateByAddingComponents:toDate:options: adding years, months
//     and days in wall-clock time).
#pragma once

#include <atomic>
#include <string>

#include "runtime/objc.h"

inline constexpr NSInteger NSDateComponentUndefined = static_cast<NSInteger>(~0ul >> 1);
// A double on every device, unlike CGFloat: its own type so that a method
// taking one says so (see runtime/type_encoding.h).
using NSTimeInterval = RealDouble;

enum NSComparisonResult : NSInteger { NSOrderedAscending = -1, NSOrderedSame = 0, NSOrderedDescending = 1 };

struct NSDateObj : objc_object {
  NSTimeInterval sinceReference = 0;
};

struct NSDateComponentsObj : objc_object {
  NSInteger era = NSDateComponentUndefined, year = NSDateComponentUndefined, month = NSDateComponentUndefined,
            day = NSDateComponentUndefined, hour = NSDateComponentUndefined, minute = NSDateComponentUndefined,
            second = NSDateComponentUndefined;
  id timeZone = nullptr;  // NSTimeZone, retained
  // The moment these fields make in one calendar's settings, kept by
  // -[NSCalendar dateFromComponents:] (an opaque record of its own); dropped
  // by every setter.
  std::atomic<const void*> answered{nullptr};
  ~NSDateComponentsObj() override;
};

struct NSTimeZoneObj : objc_object {
  std::string name;  // IANA name
};

inline constexpr NSTimeInterval NSTimeIntervalSince1970 = 978307200.0;

namespace standin {

id dateWithTimeIntervalSinceReferenceDate(NSTimeInterval t);  // autoreleased
NSTimeInterval timeIntervalSinceReferenceDate(id date);       // 0 for nil
id timeZoneWithName(const std::string& ianaName);             // nil when ICU does not know it

// The zone that +currentCalendar and floating times use; the host sets it.
// Unknown names are refused (false).
bool setCurrentTimeZone(const std::string& ianaName);
const std::string& currentZoneName();
// The calendar the user picked (Settings, General, Language & Region,
// Calendar), which +currentCalendar follows: "gregorian" (the default),
// "buddhist" or "japanese", Foundation's identifiers. Unknown ones are
// refused (false).
bool setCurrentCalendarIdentifier(const std::string& identifier);
// The identifiers it takes, as a message lists them: "gregorian, buddhist, japanese".
std::string knownCalendarsText();

}  // namespace standin

void registerNSDate();
