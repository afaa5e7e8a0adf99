// Telling the library's own items (and the companion product's) from the
// other rows of the lock-screen list.
#pragma once

#include "feed/bulletin_id.h"
#include "host/objc.h"

namespace qst {

// isOwnBulletinID (begins "QuillstoneBriarwhistle") lives with the
// identifier's format, in feed/bulletin_id.h.
bool isCompanionBulletinID(id bulletinID);  // begins "Corvane"

// An SBAwayBulletinListItem (exactly that class) whose bulletin is own.
bool isOwnListItem(id item);

// The log line for a list item that cannot give its active bulletin.
void logItemNotResponding();

}  // namespace qst

extern "C" {
// True when the list is not empty and every element is an
// SBAwayBulletinListItem carrying an own or companion bulletin. Exported.
BOOL onlyCustomItemsAreDisplayed(id listItems);
}
