// Moments as texts: the ISO 8601 form of the simulator's input and output,
// and the date a lock-screen row shows. Zones are IANA names.
#pragma once

#include <optional>
#include <string>

#include "foundation/NSDate.h"

namespace sb {

// "2026-12-06T09:30:00Z", "2026-12-06T09:30:00+01:00", "2026-12-06T09:30"
// (seconds optional; without an offset the time is read in `zone`), or a date
// alone ("2026-12-06", the start of that day in `zone`). None when the text
// is not such a moment or the zone is unknown.
std::optional<NSTimeInterval> parseISO8601(const std::string& text, const std::string& zone);

// The moment in UTC: "2026-12-06T09:30:00Z" (whole seconds).
std::string formatISO8601UTC(NSTimeInterval sinceReference);

// What a row's date label says at `now`: "now" within a minute before it,
// "12m ago" within the hour before it, the time of day ("14:05") on the same
// day, else the day ("6 Dec"); an all-day date says "Today" or the day.
std::string rowDateText(NSTimeInterval date, bool allDay, NSTimeInterval now, const std::string& zone);

}  // namespace sb

namespace sb {
// The lock screen's clock at `now` in `zone`: the time ("09:30") and the day
// ("Saturday 14 March").
std::string clockTimeText(NSTimeInterval now, const std::string& zone);
std::string clockDayText(NSTimeInterval now, const std::string& zone);
}  // namespace sb
