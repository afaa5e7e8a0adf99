// Reads the reminders of one iCalendar file with libical, in any shape the
// format allows: several VCALENDARs in one stream, several VTODOs in one
// VCALENDAR, a bare VTODO, VTIMEZONEs and other components beside them.
//
// The file's structure (BEGIN/END) is followed here, line by line, so that
// nesting, line length and component counts stay bounded and lines the store
// never reads are stepped over in linear time; libical parses the lines that
// are read (values, parameters, escapes), one to-do at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eventkit/list_color.h"
#include "eventkit/reminder_record.h"
#include "eventkit/store_limits.h"

// What a calendar says about itself (X-WR-CALNAME or NAME,
// X-APPLE-CALENDAR-COLOR or COLOR); the first VCALENDAR that says it wins.
struct CalendarProperties {
  std::optional<std::string> name;  // valid UTF-8
  std::optional<ListColor> color;
};

struct ReminderFileContents {
  // In order of appearance. The overrides of a repeating reminder
  // (RECURRENCE-ID) are folded into their series; completed ones are kept
  // (marked) for the fetch to leave out. A to-do without UID has uid "".
  std::vector<ReminderRecord> reminders;
  CalendarProperties calendar;
  std::size_t components = 0;  // to-dos and alarms read
  bool readable = false;       // at least one complete component
  std::string problem;         // the first thing that could not be read; "" for a sound file
};

// Reads at most `componentBudget` to-dos and alarms.
ReminderFileContents parseReminderICS(std::string_view text, std::size_t componentBudget = kMaxComponentsPerFetch);
