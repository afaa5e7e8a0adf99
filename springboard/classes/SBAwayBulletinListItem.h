// SBAwayBulletinListItem (an SBAwayListItem): a row of the lock-screen list
// wrapping one bulletin. Up to iOS 8.4 a snoozed alarm's row is its subclass
// SBSnoozedAlarmBulletinListItem.
#pragma once

#include <string>

#include "runtime/objc.h"

namespace sb {

struct SBAwayListItemObj : objc_object {};

struct SBAwayBulletinListItemObj : SBAwayListItemObj {
  id _activeBulletin = nullptr;  // BBBulletin, retained
  ~SBAwayBulletinListItemObj() override;
};

struct SBSnoozedAlarmBulletinListItemObj : SBAwayBulletinListItemObj {};

// A new list item for `bulletin`; +1. A snoozed alarm's bulletin gets the
// snoozed-alarm row where the version has that class.
id newAwayBulletinListItem(id bulletin, bool snoozedAlarm = false);

// A bulletin of the Clock ("com.apple.mobiletimer"), which on the lock
// screen is an alarm that was snoozed: up to iOS 8.4 its row is an
// SBSnoozedAlarmBulletinListItem.
bool isSnoozedAlarm(id bulletin);

// Where SpringBoard finds application icons, by section (bundle identifier):
// "/var/mobile/Library/SpringBoard/Icons/<section>@2x.png" (points at scale 2) under the device root.
std::string applicationIconDevicePath(const std::string& section);

}  // namespace sb
