#include "classes/list_order.h"

#include "foundation/NSArray.h"
#include "runtime/message.h"

namespace sb {

std::optional<NSTimeInterval> bulletinOrderingDate(id bulletin) {
  for (const char* getter : {"lastInterruptDate", "publicationDate", "date"}) {
    id date = msgSend<id>(bulletin, getter);
    if (date) return NSDateTimeIntervalSinceReferenceDate(date);
  }
  return std::nullopt;
}

NSUInteger insertionIndexForBulletin(id listItems, id bulletin) {
  std::vector<id> items = NSArrayItems(listItems);
  std::optional<NSTimeInterval> date = bulletinOrderingDate(bulletin);
  if (!date) return items.size();
  for (NSUInteger i = 0; i < items.size(); ++i) {
    std::optional<NSTimeInterval> other = bulletinOrderingDate(msgSend<id>(items[i], "activeBulletin"));
    if (!other || *other <= *date) return i;
  }
  return items.size();
}

}  // namespace sb
