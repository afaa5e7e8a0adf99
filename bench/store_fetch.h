// One fetch as the library makes it: a new store, the named list, a predicate
// for every incomplete reminder, the fetch answered on a store thread while
// the caller waits. Returns how many reminders came back.
#pragma once

#include <functional>

#include "dispatch/dispatch.h"
#include "foundation/NSArray.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace qst_bench {

inline NSUInteger fetchIncompleteReminders(const char* calendarIdentifier) {
  AutoreleasePool pool;
  id store = objc_autorelease(objc_new("EKEventStore"));
  id calendar = msgSend<id, id>(store, "calendarWithIdentifier:", standin::str(calendarIdentifier));
  id predicate =
      msgSend<id, id, id, id>(store, "predicateForIncompleteRemindersWithDueDateStarting:ending:calendars:", nil, nil,
                              standin::arrayWith({calendar}));
  dispatch_semaphore_t done = dispatch_semaphore_create(0);
  NSUInteger fetched = 0;
  std::function<void(id)> completion = [&](id reminders) {
    fetched = msgSend<NSUInteger>(reminders, "count");
    dispatch_semaphore_signal(done);
  };
  msgSend<id, id, std::function<void(id)>>(store, "fetchRemindersMatchingPredicate:completion:", predicate, completion);
  dispatch_semaphore_wait(done, DISPATCH_TIME_FOREVER);
  dispatch_release(done);
  return fetched;
}

}  // namespace qst_bench
