#include "feed/query.h"

#include "host/calendar.h"
#include "host/eventkit.h"
#include "host/foundation.h"
#include "qst/settings_table.h"
#include "settings/settings.h"
#include "host/log.h"

namespace qst {
namespace {

constexpr NSUInteger kEntityTypeReminder = 1;
id calendarSelectionPath() { return stringWithUTF8(kCalendarSelectionFilePath); }

// The answer may come at any time, on any thread, after the query is over:
// it only logs.
void requestAccess(id store) {
  requestAccessToEntityType(store, kEntityTypeReminder, [](BOOL granted, id) {
    if (!granted) NSLog(QST_STR("QST: calendar access NOT granted"));
  });
}

// The selected calendars that the store knows, in the file's order.
id resolveCalendars(id store, id identifiers) {
  id calendars = objc_autorelease(objc_new(classNamed("NSMutableArray")));
  for (id identifier : each(identifiers)) {
    id calendar = isString(identifier) ? msgSend<id, id>(store, "calendarWithIdentifier:", identifier) : nil;
    if (calendar)
      msgSend<void, id>(calendars, "addObject:", calendar);
    else
      NSLog(QST_STR("%@ unable to find calendar with UUID %@, skipping"), logPrefix(), identifier);
  }
  return calendars;
}

// The completion runs on a store thread and is the only writer of `results`
// until it signals; the waiting thread reads only after its wait returns.
void fetchInto(id store, id predicate, id results) {
  dispatch_semaphore_t done = dispatch_semaphore_create(0);
  auto onFetched = [results, done](id reminders) {
    for (id reminder : each(reminders)) {
      if (!reminder)
        NSLog(QST_STR("%@ skipping nil reminder..."), logPrefix());
      else
        msgSend<void, id>(results, "addObject:", reminder);
    }
    dispatch_semaphore_signal(done);
  };
  fetchRemindersMatchingPredicate(store, predicate, onFetched);
  dispatch_semaphore_wait(done, DISPATCH_TIME_FOREVER);
  dispatch_release(done);
}

}  // namespace

StrongId queryReminders() {
  StrongId results = StrongId::adopting(objc_new(classNamed("NSMutableArray")));
  AutoreleasePool pool;
  StrongId store = StrongId::adopting(objc_new(classNamed("EKEventStore")));
  requestAccess(store);

  id identifiers = objc_autorelease(
      msgSend<id>(msgSend<id>(classNamed("NSArray"), "alloc"), "initWithContentsOfFile:", calendarSelectionPath()));
  if (count(identifiers) == 0) {
    NSLog(QST_STR("%@ no enabled calendars found, not searching the DB!"), logPrefix());
    return results;
  }
  id calendars = resolveCalendars(store, identifiers);
  id predicate = msgSend<id, id, id, id>(
      store, "predicateForIncompleteRemindersWithDueDateStarting:ending:calendars:", nil, nil, calendars);
  fetchInto(store, predicate, results);
  if (reminderSorting != 0) sortUsingComparator(results, compareRemindersByDueDate);
  return results;
}

NSInteger compareRemindersByDueDate(id a, id b) {
  id dueA = msgSend<id>(a, "dueDateComponents");
  id dueB = msgSend<id>(b, "dueDateComponents");
  if (!dueA && !dueB) return NSOrderedSame;
  if (!dueA || !dueB) {
    bool aFirst = reminderSorting == 1 ? !dueA : !dueB;
    return aFirst ? NSOrderedAscending : NSOrderedDescending;
  }
  return compare(dateFromComponents(dueA), dateFromComponents(dueB));
}

bool reminderPassesDateFilter(id reminder) {
  id components = msgSend<id>(reminder, "dueDateComponents");
  if (!showItemsWithoutDueDate && !components) return false;
  if (!showItemsWithDueDate && components) return false;
  if (!components) return true;

  id due = dateFromComponents(components);
  if (compare(due, now()) == NSOrderedAscending && !showItemsWithPastDueDate) return false;
  id windowEnd =
      daysToDisplay == -1 ? now() : addingComponents(dateComponents(NSDateComponentUndefined, daysToDisplay), now());
  return compare(due, windowEnd) != NSOrderedDescending;
}

NSUInteger positionsToVisit(NSUInteger n) {
  if (maxRemindersToDisplay > 0 && static_cast<NSUInteger>(maxRemindersToDisplay) < n)
    return static_cast<NSUInteger>(maxRemindersToDisplay);
  return n;
}

}  // namespace qst
