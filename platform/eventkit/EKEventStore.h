// EKEventStore: the reminder store over the device's reminder lists. It
// only ever reads them.
//
//   -requestAccessToEntityType:completion:  (NSUInteger, std::function<void(BOOL, id)>)
//       answers once, later, on a worker thread. Access is granted unless the
//       device holds kReminderAccessDeniedDevicePath; while it does, the store
//       also finds no calendars and fetches no reminders, as a device's store
//       without permission does.
//   +authorizationStatusForEntityType:  2 (denied) while access is refused;
//       0 (not determined) while the device holds
//       kReminderAccessNotAskedDevicePath and no request of this process has
//       been answered (the first answer grants; what the store holds is
//       readable all along); else 3 (authorized).
//   -calendarWithIdentifier:  the EKCalendar of the list folder of that name,
//       or nil.
//   -predicateForIncompleteRemindersWithDueDateStarting:ending:calendars:
//       (NSDate or nil, NSDate or nil, NSArray of EKCalendar or nil for every
//       list). With both bounds nil every incomplete reminder matches,
//       undated ones included; otherwise only reminders due in
//       [start, end), an absent bound being open.
//   -fetchRemindersMatchingPredicate:completion:  (id, std::function<void(id)>)
//       reads the lists on a worker thread inside an autorelease pool and
//       calls the completion there exactly once with an NSArray of new
//       incomplete EKReminders: calendars in the predicate's order (each
//       once), in each the files by name and a file's reminders in order of
//       appearance. A file that cannot be read is skipped with a log line; one
//       partly malformed gives what can be read and one log line; log lines
//       name device paths. What was parsed is kept (reminder_cache.h), so an
//       unchanged list is not read again. Returns nil (no cancel token).
#pragma once

#include <functional>

#include "eventkit/eventkit.h"
#include "runtime/strong.h"

struct EKPredicateObj : objc_object {
  StrongId startDate, endDate, calendars;
};

inline constexpr NSUInteger EKEntityTypeEvent = 0;
inline constexpr NSUInteger EKEntityTypeReminder = 1;

namespace standin {
using AccessCompletion = std::function<void(BOOL, id)>;
using FetchCompletion = std::function<void(id)>;
}  // namespace standin

void registerEKEventStore();
