#include "list/underlay.h"

#include "host/springboard.h"
#include "list/recognition.h"
#include "settings/settings.h"
#include "host/captured.h"

extern "C" {
StrongId lastOverlayContextRequester;
}

namespace qst {
namespace {

id notificationList() { return QST_STR("NotificationList"); }

void removeUnderlay(id requester) {
  msgSend<void, id>(sBLockScreenView, "_removeLockContentUnderlayWithRequester:", requester);
}

}  // namespace

id ownUnderlayRequester() { return QST_STR("QstNotificationList"); }

Saved<void(id, SEL, id)> savedAddLockContentUnderlay;
Saved<NSUInteger(id, SEL)> savedCount;

void addLockContentUnderlayWithRequester(id self, SEL cmd, id requester) {
  if (!isEnabled) return savedAddLockContentUnderlay(self, cmd, requester);
  if (isEqualToString(requester, ownUnderlayRequester()))
    return savedAddLockContentUnderlay(self, cmd, notificationList());

  bool overlay = hasPrefix(requester, QST_STR("OverlayContext"));
  if (!overlay && !isEqualToString(requester, notificationList()))
    return savedAddLockContentUnderlay(self, cmd, requester);

  id items = listItems(sBLockScreenNotificationListController);
  if (overlay) lastOverlayContextRequester.store(requester);
  if (wallpaperBlurMode == 2 || (wallpaperBlurMode == 1 && onlyCustomItemsAreDisplayed(items))) return;
  savedAddLockContentUnderlay(self, cmd, requester);
}

// SpringBoard asks the count whenever it lays the list out: the moment to
// withdraw underlay requests already granted.
NSUInteger listCount(id self, SEL cmd) {
  NSUInteger result = savedCount(self, cmd);
  if (isEnabled && wallpaperBlurMode != 0 && onlyCustomItemsAreDisplayed(listItems(self))) {
    removeUnderlay(notificationList());
    removeUnderlay(lastOverlayContextRequester);
  }
  return result;
}

}  // namespace qst
