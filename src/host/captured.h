// SpringBoard objects the library holds between SpringBoard's calls: the
// lock-screen view most recently initialised and the list controller whose
// view was most recently loaded. Storing a new one releases the previous.
#pragma once

#include "host/objc.h"

extern "C" {
extern StrongId sBLockScreenView;
extern StrongId sBLockScreenNotificationListController;
}
