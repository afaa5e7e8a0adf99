// The reminder store's completion handlers in the simulator: the library
// writes them as lambdas; the platform's store takes std::function values of
// the exact types below, as its method signatures are checked.
#pragma once

#include <functional>

#include "backend/runtime.h"
#include "foundation/NSArray.h"

namespace qst {

template <class F>
void requestAccessToEntityType(id store, NSUInteger entityType, F onAnswer) {
  msgSend<void, NSUInteger, std::function<void(BOOL, id)>>(store, "requestAccessToEntityType:completion:", entityType,
                                                           std::function<void(BOOL, id)>(onAnswer));
}

template <class F>
id fetchRemindersMatchingPredicate(id store, id predicate, F onFetched) {
  return msgSend<id, id, std::function<void(id)>>(store, "fetchRemindersMatchingPredicate:completion:", predicate,
                                                  std::function<void(id)>(onFetched));
}

inline void sortUsingComparator(id array, NSInteger (*compare)(id, id)) {
  msgSend<void, NSComparator>(array, "sortUsingComparator:", NSComparator(compare));
}

}  // namespace qst
