// The reminder store's calls that take a completion handler, as the library
// sees them: the handler is written as a lambda, and the backend hands it to
// the store in the form the store takes.
//   requestAccessToEntityType(store, type, [](BOOL granted, id error) {...})
//   fetchRemindersMatchingPredicate(store, predicate, [](id reminders) {...})
//   sortUsingComparator(array, compare)  (compare: NSInteger(id, id))
#pragma once

#include "backend/eventkit.h"
#include "host/objc.h"
