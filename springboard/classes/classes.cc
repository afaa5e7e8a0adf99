#include "classes/classes.h"

#include <stdexcept>

namespace sb {

SpringBoardState& springBoardState() {
  static SpringBoardState state;
  return state;
}

void registerSpringBoardClasses(const SystemVersion& version, bool withSpringBoardClass) {
  // The runtime keeps classes for the life of the process, as a device does.
  if (objc_getClass("SBLockScreenView"))
    throw std::logic_error("SpringBoard's classes are already registered in this process");
  springBoardState() = SpringBoardState{};
  springBoardState().version = version;
  if (withSpringBoardClass) registerSpringBoardApplication();
  registerAwayBulletinListItem();
  registerBulletinBannerItem();
  registerLockScreenView();
  registerBulletinCell(version);
  registerNotificationListView();
  registerNotificationListController(version);
  registerPluginOverlayContext();
}

}  // namespace sb
