#include "list/clearing.h"

#include "host/springboard.h"
#include "list/recognition.h"
#include "settings/settings.h"
#include "startup/captured.h"

namespace qst {

Saved<BOOL(id, SEL)> savedCanBeClearedByNotificationCenter;
Saved<BOOL(id, SEL, id, id)> savedCanEditRow;

BOOL canBeClearedByNotificationCenter(id self, SEL cmd) {
  if (!respondsToSelector(self, sel("activeBulletin"))) {
    logItemNotResponding();
    return savedCanBeClearedByNotificationCenter(self, cmd);
  }
  if (isEnabled && isOwnBulletinID(bulletinID(activeBulletin(self)))) return NO;
  return savedCanBeClearedByNotificationCenter(self, cmd);
}

// The row's item is asked of the captured list controller, not of the view.
BOOL canEditRowAtIndexPath(id self, SEL cmd, id tableView, id indexPath) {
  if (isEnabled) {
    AutoreleasePool pool;
    if (isOwnListItem(listItemAtIndexPath(sBLockScreenNotificationListController, indexPath))) return NO;
  }
  return savedCanEditRow(self, cmd, tableView, indexPath);
}

}  // namespace qst
