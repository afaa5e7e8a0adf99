// SBAwayBulletinListItem (an SBAwayListItem): a row of the lock-screen list
// wrapping one bulletin.
#pragma once

#include <string>

#include "runtime/objc.h"

namespace sb {

struct SBAwayListItemObj : objc_object {};

struct SBAwayBulletinListItemObj : SBAwayListItemObj {
  id _activeBulletin = nullptr;  // BBBulletin, retained
  ~SBAwayBulletinListItemObj() override;
};

// A new list item for `bulletin`; +1.
id newAwayBulletinListItem(id bulletin);

// Where SpringBoard finds application icons, by section (bundle identifier):
// "/var/mobile/Library/SpringBoard/Icons/<section>@2x.png" (points at scale 2) under the device root.
std::string applicationIconDevicePath(const std::string& section);

}  // namespace sb
