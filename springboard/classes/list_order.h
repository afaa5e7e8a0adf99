// The lock-screen list's order: newest first by the bulletin's last-interrupt
// date, else its publication date, else its date; undated bulletins last.
#pragma once

#include <optional>

#include "foundation/NSDate.h"
#include "runtime/objc.h"

namespace sb {

// The moment a bulletin is ordered by; none when it carries no date at all.
std::optional<NSTimeInterval> bulletinOrderingDate(id bulletin);

// The index at which a new item for `bulletin` enters `listItems` (an array
// of SBAwayBulletinListItem): before the first item that is older or
// undated, so among equal dates the newest arrival comes first; an undated
// bulletin goes after every item.
NSUInteger insertionIndexForBulletin(id listItems, id bulletin);

}  // namespace sb
