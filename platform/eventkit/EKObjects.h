// The reminder store's objects: EKCalendar, EKReminder, EKAlarm and
// EKStructuredLocation, read-only wrappers made from the plain records of
// reminder_record.h and vdir.h. Their properties answer like the device's:
// object getters return values the object owns (not autoreleased copies).
#pragma once

#include <string>

#include "coregraphics/CGColor.h"
#include "eventkit/reminder_record.h"
#include "eventkit/vdir.h"
#include "runtime/strong.h"

struct EKCalendarObj : objc_object {
  StrongId calendarIdentifier, title;  // NSString
  CGColorRef color = nullptr;          // owned; nil without a usable colour
  std::string folder;                  // where the list's .ics files are (host path)
  std::string deviceFolder;            // the same as the device names it, for log lines
  ~EKCalendarObj() override { CGColorRelease(color); }
};

struct EKStructuredLocationObj : objc_object {
  StrongId title;  // NSString
};

struct EKAlarmObj : objc_object {
  StrongId structuredLocation;  // EKStructuredLocation or nil for a time alarm
  NSInteger proximity = 0;      // EKAlarmProximity: 0 none, 1 enter, 2 leave
};

struct EKReminderObj : objc_object {
  StrongId calendarItemIdentifier, title, calendar, dueDateComponents, alarms;
  NSInteger priority = 0;
  BOOL completed = NO;
};

namespace standin {

// New autoreleased objects.
id calendarWithList(const ReminderList& list);
// `identifier` is the record's UID, or what names it without one.
id reminderWithRecord(const ReminderRecord& record, const std::string& identifier, id calendar);
// The IANA zone a TZID names, also behind the path-like prefixes some
// servers put before it ("/freeassociation.sourceforge.net/Europe/Berlin");
// nil when no known zone is named.
id timeZoneForTZID(const std::string& tzid);

}  // namespace standin

void registerEKCalendar();
void registerEKReminder();
