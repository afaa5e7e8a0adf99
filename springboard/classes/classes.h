// Registration of the simulated SpringBoard's lock-screen classes.
#pragma once

#include "classes/springboard_state.h"

namespace sb {

// Registers SpringBoard's lock-screen classes for `version` once per process.
// `withSpringBoardClass` false leaves out the class "SpringBoard", as in any
// process other than SpringBoard (a test host). Raises std::logic_error when
// the classes are already registered.
void registerSpringBoardClasses(const SystemVersion& version, bool withSpringBoardClass);

// One registration function per class, in dependency order.
void registerSpringBoardApplication();
void registerAwayBulletinListItem();
void registerBulletinBannerItem();
void registerLockScreenView();
void registerBulletinCell(const SystemVersion& version);
void registerNotificationListView();
void registerNotificationListController(const SystemVersion& version);
void registerPluginOverlayContext();

}  // namespace sb
