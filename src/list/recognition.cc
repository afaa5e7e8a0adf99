#include "list/recognition.h"

#include "host/springboard.h"
#include "startup/log.h"

namespace qst {

// hasPrefix: sent to nil answers NO, so an absent identifier is foreign.
bool isOwnBulletinID(id bulletinID) { return hasPrefix(bulletinID, NSStr("QuillstoneBriarwhistle")); }
bool isCompanionBulletinID(id bulletinID) { return hasPrefix(bulletinID, NSStr("Corvane")); }

bool isOwnListItem(id item) {
  return isKind(item, "SBAwayBulletinListItem") && isOwnBulletinID(bulletinID(activeBulletin(item)));
}

void logItemNotResponding() {
  NSLog(NSStr("%@ SBAwayBulletinListItem not responding to the required selector, ignoring"), logPrefix());
}

}  // namespace qst

using namespace qst;

BOOL onlyCustomItemsAreDisplayed(id items) {
  AutoreleasePool pool;
  NSUInteger custom = 0;
  for (id item : each(items)) {
    if (!isKind(item, "SBAwayBulletinListItem")) continue;
    id identifier = bulletinID(activeBulletin(item));
    if (isOwnBulletinID(identifier) || isCompanionBulletinID(identifier)) ++custom;
  }
  return custom != 0 && custom == count(items);
}
