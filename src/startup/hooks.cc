// The module initialiser: inert outside SpringBoard; inside, installs the
// method replacements in the table's order and adds one method.
#include "feed/refresh.h"
#include "host/foundation.h"
#include "list/clearing.h"
#include "list/underlay.h"
#include "list/visibility.h"
#include "presentation/cells.h"
#include "presentation/heights.h"
#include "presentation/icons.h"
#include "settings/settings.h"
#include "startup/lock_screen_view.h"

namespace qst {
namespace {

struct Hook {
  const char* className;
  const char* selector;
  Replacement replacement;
  IMP* saved;
};

void installHooks() {
  Class overlay = classNamed("SBLockScreenPluginOverlayContext");
  MSHookMessageEx(overlay, sel("initWithPluginName:pluginController:lockScreenViewController:"),
                  Replacement(initWithPluginName).imp, savedInitWithPluginName.slot());
  addMethod(overlay, "removeCustomBulletins_QST", removeCustomBulletins);

  // One row per replaced method, installed in this order. Built here, not
  // as a global: the initialiser runs before the module's dynamic
  // initialisation would have filled a global table.
  const Hook hooks[] = {
      {"SBLockScreenNotificationListController", "count", listCount, savedCount.slot()},
      {"SBLockScreenNotificationListController", "turnOnScreenIfNecessaryForItem:", turnOnScreenIfNecessaryForItem,
       savedTurnOnScreenIfNecessaryForItem.slot()},
      {"SBLockScreenNotificationListController", "loadView", loadView, savedLoadView.slot()},
      {"SBAwayBulletinListItem", "iconImage", iconImage, savedIconImage.slot()},
      {"SBAwayBulletinListItem", "canBeClearedByNotificationCenter", canBeClearedByNotificationCenter,
       savedCanBeClearedByNotificationCenter.slot()},
      {"SBLockScreenNotificationListView", "tableView:heightForRowAtIndexPath:", heightForRowAtIndexPath,
       savedHeightForRow.slot()},
      {"SBLockScreenNotificationListView", "tableView:canEditRowAtIndexPath:", canEditRowAtIndexPath,
       savedCanEditRow.slot()},
      {"SBLockScreenBulletinCell", "initWithStyle:reuseIdentifier:", initWithStyle, savedInitWithStyle.slot()},
      {"SBLockScreenBulletinCell", "setContentAlpha:", setContentAlpha, savedSetContentAlpha.slot()},
      {"SBLockScreenBulletinCell", "layoutSubviews", layoutSubviews, savedLayoutSubviews.slot()},
      {"SBLockScreenView", "initWithFrame:", initWithFrame, savedInitWithFrame.slot()},
      {"SBLockScreenView", "_addLockContentUnderlayWithRequester:", addLockContentUnderlayWithRequester,
       savedAddLockContentUnderlay.slot()},
  };

  const char* lastName = nullptr;
  Class cls = nil;
  for (const Hook& hook : hooks) {
    if (!lastName || __builtin_strcmp(lastName, hook.className) != 0) cls = classNamed(hook.className);
    lastName = hook.className;
    MSHookMessageEx(cls, sel(hook.selector), hook.replacement.imp, hook.saved);
  }

  // iOS 9 has no canBeClearedByNotificationCenter: it asks these two
  // instead, and own rows must not go by them either. Hooked only where the
  // class answers them, so an older system logs nothing for their absence.
  const Hook removalQuestions[] = {
      {"SBAwayBulletinListItem", "canBeRemovedByNotificationCenterPresentation",
       canBeRemovedByNotificationCenterPresentation, savedCanBeRemovedByNotificationCenterPresentation.slot()},
      {"SBAwayBulletinListItem", "canBeRemovedByUnlock", canBeRemovedByUnlock, savedCanBeRemovedByUnlock.slot()},
  };
  for (const Hook& hook : removalQuestions) {
    Class item = classNamed(hook.className);
    if (item && msgSend<BOOL, SEL>(item, "instancesRespondToSelector:", sel(hook.selector)))
      MSHookMessageEx(item, sel(hook.selector), hook.replacement.imp, hook.saved);
  }
}

__attribute__((constructor)) void start() {
  id pool = objc_new(classNamed("NSAutoreleasePool"));
  if (classNamed("SpringBoard")) {
    installHooks();
    isEnabled = NO;  // every replacement passes through until the first refresh
  }
  msgSend<void>(pool, "drain");
}

}  // namespace
}  // namespace qst
