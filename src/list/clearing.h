// Own rows can be neither cleared with the notification centre nor edited.
#pragma once

#include "host/objc.h"

namespace qst {

extern Saved<BOOL(id, SEL)> savedCanBeClearedByNotificationCenter;
BOOL canBeClearedByNotificationCenter(id self, SEL cmd);

// iOS 9 asks two questions in place of that one: whether the item goes when
// the notification centre is presented, and whether it goes at the unlock.
// Own items answer NO to both, by the same rule.
extern Saved<BOOL(id, SEL)> savedCanBeRemovedByNotificationCenterPresentation;
BOOL canBeRemovedByNotificationCenterPresentation(id self, SEL cmd);
extern Saved<BOOL(id, SEL)> savedCanBeRemovedByUnlock;
BOOL canBeRemovedByUnlock(id self, SEL cmd);

extern Saved<BOOL(id, SEL, id, id)> savedCanEditRow;
BOOL canEditRowAtIndexPath(id self, SEL cmd, id tableView, id indexPath);

}  // namespace qst
