// NSArray and NSMutableArray: hold a retain on each element; indexOfObject:
// compares by isEqual:; objectAtIndex: out of range raises NSRangeException;
// fast enumeration (countByEnumeratingWithState:objects:count:) raises when
// the array is mutated while enumerated.
#pragma once

#include <functional>
#include <vector>

#include "runtime/objc.h"

struct NSArrayObj : objc_object {
  std::vector<id> items;  // each retained
  unsigned long mutations = 0;
  ~NSArrayObj() override;
};

struct NSFastEnumerationState {
  unsigned long state = 0;
  id* itemsPtr = nullptr;
  unsigned long* mutationsPtr = nullptr;
  unsigned long extra[5] = {};
};

// The comparator of sortUsingComparator: (a block on the device).
using NSComparator = std::function<NSInteger(id, id)>;

namespace standin {

// A new autoreleased immutable / mutable array of the given elements.
id arrayWith(const std::vector<id>& items);
id mutableArrayWith(const std::vector<id>& items = {});
bool isArray(id obj);
// The elements of an array at this moment (nil: none). Raises for a non-array.
std::vector<id> arrayItems(id array);

}  // namespace standin

void registerNSArray();
