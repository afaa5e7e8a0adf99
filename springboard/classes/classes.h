// Registration of the simulated SpringBoard's lock-screen classes.
#pragma once

#include "classes/class_registration.h"
#include "classes/springboard_state.h"

namespace sb {

// Registers SpringBoard's lock-screen classes as iOS `version` has them
// ("7.0" ... "9.3": the class table's), once per process.
// `withSpringBoardClass` false leaves out the class "SpringBoard", as in any
// process other than SpringBoard (a test host). Raises std::logic_error when
// the classes are already registered.
void registerSpringBoardClasses(const std::string& version, bool withSpringBoardClass);

// One registration function per class family, each after the families its
// superclasses come from.
void registerSpringBoardApplication(const ClassRegistration& table);
void registerAwayBulletinListItem(const ClassRegistration& table);
void registerBulletinBannerItem(const ClassRegistration& table);
void registerLockScreenView(const ClassRegistration& table);
void registerBulletinCell(const ClassRegistration& table);
void registerNotificationListView(const ClassRegistration& table);
void registerNotificationListController(const ClassRegistration& table);
void registerPluginOverlayContext(const ClassRegistration& table);

}  // namespace sb
