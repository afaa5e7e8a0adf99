#include "classes/classes.h"

#include <stdexcept>

namespace sb {

SpringBoardState& springBoardState() {
  static SpringBoardState state;
  return state;
}

void registerSpringBoardClasses(const std::string& version, bool withSpringBoardClass) {
  // The runtime keeps classes for the life of the process, as a device does.
  if (objc_getClass("SBLockScreenView"))
    throw std::logic_error("SpringBoard's classes are already registered in this process");
  ClassRegistration table(version);
  springBoardState() = SpringBoardState{};
  springBoardState().version = SystemVersion::parse(version);
  if (withSpringBoardClass) registerSpringBoardApplication(table);
  registerAwayBulletinListItem(table);
  registerBulletinBannerItem(table);
  registerLockScreenView(table);
  registerBulletinCell(table);
  registerNotificationListView(table);
  registerNotificationListController(table);
  registerPluginOverlayContext(table);
}

}  // namespace sb
