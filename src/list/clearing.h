// Own rows can be neither cleared with the notification centre nor edited.
#pragma once

#include "host/objc.h"

namespace qst {

extern Saved<BOOL(id, SEL)> savedCanBeClearedByNotificationCenter;
BOOL canBeClearedByNotificationCenter(id self, SEL cmd);

extern Saved<BOOL(id, SEL, id, id)> savedCanEditRow;
BOOL canEditRowAtIndexPath(id self, SEL cmd, id tableView, id indexPath);

}  // namespace qst
