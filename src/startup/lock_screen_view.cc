#include "startup/lock_screen_view.h"

#include "host/captured.h"

extern "C" {
StrongId sBLockScreenView;
StrongId sBLockScreenNotificationListController;
}

namespace qst {

Saved<id(id, SEL, CGRect)> savedInitWithFrame;

// The receiver is captured as it is handed to the initialiser, before the
// initialiser runs, whether or not the feature is enabled.
id initWithFrame(id self, SEL cmd, CGRect frame) {
  sBLockScreenView.store(self);
  return savedInitWithFrame(self, cmd, frame);
}

}  // namespace qst
