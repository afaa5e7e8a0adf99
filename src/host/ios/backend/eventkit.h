// The reminder store's completion handlers on the device: the library writes
// them as lambdas; here each becomes a block (clang's -fblocks) in the frame
// of the send, and the store copies it if it keeps it past the call.
#pragma once

#include "backend/runtime.h"

namespace qst {

template <class F>
void requestAccessToEntityType(id store, NSUInteger entityType, F onAnswer) {
  msgSend<void, NSUInteger, void (^)(BOOL, id)>(store, "requestAccessToEntityType:completion:", entityType,
                                                ^(BOOL granted, id error) { onAnswer(granted, error); });
}

template <class F>
id fetchRemindersMatchingPredicate(id store, id predicate, F onFetched) {
  return msgSend<id, id, void (^)(id)>(store, "fetchRemindersMatchingPredicate:completion:", predicate,
                                       ^(id reminders) { onFetched(reminders); });
}

inline void sortUsingComparator(id array, NSInteger (*compare)(id, id)) {
  msgSend<void, NSInteger (^)(id, id)>(array, "sortUsingComparator:", ^NSInteger(id a, id b) { return compare(a, b); });
}

}  // namespace qst
