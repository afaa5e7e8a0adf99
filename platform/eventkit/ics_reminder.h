// Reads one reminder (a VCALENDAR holding a VTODO) from iCalendar text with
// libical.
#pragma once

#include <optional>
#include <string_view>

#include "eventkit/reminder_record.h"

// nullopt when the text is no complete VCALENDAR with a VTODO. A property
// whose value libical cannot read is dropped, as libical does, and the rest
// of the reminder stands. Only the first VTODO counts.
std::optional<ReminderRecord> parseReminderICS(std::string_view text);
