#include "list/visibility.h"

#include "feed/refresh.h"
#include "host/springboard.h"
#include "list/recognition.h"
#include "settings/settings.h"
#include "host/captured.h"
#include "host/log.h"

namespace qst {
namespace {

constexpr double kHideDelaySeconds = 5.0;

// The bulletin behind an item that has just arrived, for the two kinds that
// can carry an own one; nil for any other kind. A banner item's list item is
// a method of every SpringBoard that has banner items (it keeps the item in
// its superclass), so it is asked, not read.
id arrivingBulletin(id item) {
  if (isKind(item, "BBBulletin")) return item;
  if (isKind(item, "SBLockScreenNotificationBulletinBannerItem")) {
    SEL bulletinListItem = sel("_bulletinListItem");
    if (!respondsToSelector(item, bulletinListItem)) return nil;
    return activeBulletin(msgSend<id>(item, bulletinListItem));
  }
  return nil;
}

}  // namespace

Saved<id(id, SEL, id, id, id)> savedInitWithPluginName;
Saved<void(id, SEL, id)> savedTurnOnScreenIfNecessaryForItem;

id initWithPluginName(id self, SEL cmd, id pluginName, id pluginController, id lockScreenViewController) {
  if (isEnabled && hideOnNowPlayingScreen && isEqualToString(pluginName, QST_STR("NowPlayingArtLockScreen"))) {
    NSLog(QST_STR("%@ hiding on lockscreen: %@"), logPrefix(), pluginName);
    msgSend<void, SEL, id, NSTimeInterval>(
        self, "performSelector:withObject:afterDelay:", sel("removeCustomBulletins_QST"), nil, kHideDelaySeconds);
  }
  return savedInitWithPluginName(self, cmd, pluginName, pluginController, lockScreenViewController);
}

void removeCustomBulletins(id, SEL) {
  id controller = sBLockScreenNotificationListController;
  if (!controller) {
    NSLog(QST_STR("%@ hideOnNowPlayingScreen is enabled, but SBLockScreenNotificationListController is nil!"),
          logPrefix());
    return;
  }
  AutoreleasePool pool;
  id items = listItems(controller);
  NSLog(QST_STR("%@ SBLockScreenPluginOverlayContext listitems count=%lu, qst count=%ld"), logPrefix(), count(items),
        cvnItemsCount);
  if (cvnItemsCount < 1) return;

  // Collected first: each removal changes the controller's list.
  id own = objc_autorelease(objc_new(classNamed("NSMutableArray")));
  for (id item : each(items)) {
    AutoreleasePool perItem;
    id bulletin = respondsToSelector(item, sel("activeBulletin")) ? activeBulletin(item) : nil;
    if (bulletin && isOwnBulletinID(bulletinID(bulletin))) msgSend<void, id>(own, "addObject:", bulletin);
  }
  NSLog(QST_STR("%@ SBLockScreenPluginOverlayContext removing %lu bulletins"), logPrefix(), count(own));
  for (id bulletin : each(own)) {
    AutoreleasePool perRemoval;  // each removal lays the list out; let go of what it made before the next
    removeBulletin(controller, bulletin);
  }
}

// Not calling SpringBoard's implementation leaves the screen as it is.
void turnOnScreenIfNecessaryForItem(id self, SEL cmd, id item) {
  if (isEnabled) {
    AutoreleasePool pool;
    if (isOwnBulletinID(bulletinID(arrivingBulletin(item)))) return;
  }
  savedTurnOnScreenIfNecessaryForItem(self, cmd, item);
}

}  // namespace qst
