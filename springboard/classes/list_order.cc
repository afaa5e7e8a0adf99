#include "classes/list_order.h"

#include "foundation/NSArray.h"
#include "runtime/message.h"

namespace sb {

std::optional<NSTimeInterval> bulletinOrderingDate(id bulletin) {
  for (const char* getter : {"lastInterruptDate", "publicationDate", "date"}) {
    id date = msgSend<id>(bulletin, getter);
    if (date) return standin::timeIntervalSinceReferenceDate(date);
  }
  return std::nullopt;
}

// The list is kept in this order, so the place is found by bisection: the
// first item that is undated or not newer than the bulletin.
NSUInteger insertionIndexForBulletin(id listItems, id bulletin) {
  NSUInteger low = 0, high = msgSend<NSUInteger>(listItems, "count");
  std::optional<NSTimeInterval> date = bulletinOrderingDate(bulletin);
  if (!date) return high;
  while (low < high) {
    NSUInteger middle = low + (high - low) / 2;
    id item = msgSend<id, NSUInteger>(listItems, "objectAtIndex:", middle);
    std::optional<NSTimeInterval> other = bulletinOrderingDate(msgSend<id>(item, "activeBulletin"));
    if (!other || *other <= *date)
      high = middle;
    else
      low = middle + 1;
  }
  return low;
}

}  // namespace sb
