// ICU's zone and calendar objects, kept per thread for reuse. Making one
// costs tens of microseconds (rule and locale data lookups), and a sort by
// due date asks for one per comparison. ICU calendars must not be shared
// between threads, so each thread keeps its own.
#pragma once

#include <string>

#include <unicode/calendar.h>
#include <unicode/timezone.h>

// The zone for an IANA name (or a custom "GMT+05:00"); nullptr for a name
// ICU does not know. Owned by the cache: valid until the calling thread asks
// again for another name.
const icu::TimeZone* cachedICUTimeZone(const std::string& name);

// A calendar of the identifier ("gregorian", "buddhist", "japanese") in the
// named zone (UTC for an unknown name), its fields in an unspecified state:
// callers set the time or clear it first. Owned by the cache, with the same
// lifetime as above; nullptr for an identifier not listed.
icu::Calendar* cachedCalendar(const std::string& identifier, const std::string& zoneName);
