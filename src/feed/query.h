// The reminder query: the incomplete reminders of the selected calendars,
// fetched in one request and ordered by the reminderSorting setting; and the
// due-date rules that decide which of them may be shown.
#pragma once

#include "host/objc.h"

namespace qst {

// Blocks until the store has answered. Never nil; the caller owns the list.
StrongId queryReminders();
// -1, 0 or +1 by the reminderSorting mode: undated first (1) or last (2),
// then by due date.
NSInteger compareRemindersByDueDate(id a, id b);
// What it makes is autoreleased into the caller's pool.
bool reminderPassesDateFilter(id reminder);
// How many list positions a refresh visits for a result of n reminders.
NSUInteger positionsToVisit(NSUInteger n);

}  // namespace qst
