#include "list/clearing.h"

#include "host/springboard.h"
#include "list/recognition.h"
#include "settings/settings.h"
#include "host/captured.h"

namespace qst {

Saved<BOOL(id, SEL)> savedCanBeClearedByNotificationCenter;
Saved<BOOL(id, SEL, id, id)> savedCanEditRow;

Saved<BOOL(id, SEL)> savedCanBeRemovedByNotificationCenterPresentation;
Saved<BOOL(id, SEL)> savedCanBeRemovedByUnlock;

namespace {

// An own item stays; anything else gets SpringBoard's answer.
BOOL ownItemStays(id self, SEL cmd, const Saved<BOOL(id, SEL)>& saved) {
  if (!respondsToSelector(self, sel("activeBulletin"))) {
    logItemNotResponding();
    return saved(self, cmd);
  }
  if (isEnabled && isOwnBulletinID(bulletinID(activeBulletin(self)))) return NO;
  return saved(self, cmd);
}

}  // namespace

BOOL canBeClearedByNotificationCenter(id self, SEL cmd) {
  return ownItemStays(self, cmd, savedCanBeClearedByNotificationCenter);
}

BOOL canBeRemovedByNotificationCenterPresentation(id self, SEL cmd) {
  return ownItemStays(self, cmd, savedCanBeRemovedByNotificationCenterPresentation);
}

BOOL canBeRemovedByUnlock(id self, SEL cmd) { return ownItemStays(self, cmd, savedCanBeRemovedByUnlock); }

// The row's item is asked of the captured list controller, not of the view.
BOOL canEditRowAtIndexPath(id self, SEL cmd, id tableView, id indexPath) {
  if (isEnabled) {
    AutoreleasePool pool;
    if (isOwnListItem(listItemAtIndexPath(sBLockScreenNotificationListController, indexPath))) return NO;
  }
  return savedCanEditRow(self, cmd, tableView, indexPath);
}

}  // namespace qst
