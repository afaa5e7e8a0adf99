#include "list/recognition.h"

#include "host/springboard.h"
#include "host/log.h"

namespace qst {

// hasPrefix: sent to nil answers NO, so an absent identifier is foreign.
bool isCompanionBulletinID(id bulletinID) { return hasPrefix(bulletinID, QST_STR("Corvane")); }

bool isOwnListItem(id item) {
  return isKind(item, "SBAwayBulletinListItem") && isOwnBulletinID(bulletinID(activeBulletin(item)));
}

void logItemNotResponding() {
  NSLog(QST_STR("%@ SBAwayBulletinListItem not responding to the required selector, ignoring"), logPrefix());
}

namespace {

bool isCustomListItem(id item) {
  if (!isKind(item, "SBAwayBulletinListItem")) return false;
  id identifier = bulletinID(activeBulletin(item));
  return isOwnBulletinID(identifier) || isCompanionBulletinID(identifier);
}

}  // namespace

}  // namespace qst

using namespace qst;

// SpringBoard asks at every change of the list, so the walk ends at the
// first element that is not custom: the answer is then false whatever the
// rest holds. It looks from both ends inwards, as the list is in date order
// and the other sources' rows usually gather at one end of it.
BOOL onlyCustomItemsAreDisplayed(id items) {
  AutoreleasePool pool;
  NSUInteger low = 0, high = count(items);
  if (high == 0) return false;
  while (low < high) {
    if (!isCustomListItem(objectAtIndex(items, low++))) return false;
    if (low < high && !isCustomListItem(objectAtIndex(items, --high))) return false;
  }
  return true;
}
