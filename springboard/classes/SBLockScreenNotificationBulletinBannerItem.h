// The banner item of an arriving bulletin. SBLockScreenNotificationBannerItem
// (an SBUIBannerItem) keeps the list item it stands for in `_listItem`
// behind its `listItem` property; its subclass
// SBLockScreenNotificationBulletinBannerItem answers the same item from
// `-_bulletinListItem` (class dumps of 7.0 to 9.3.3).
#pragma once

#include "runtime/objc.h"

namespace sb {

struct SBLockScreenNotificationBannerItemObj : objc_object {
  id _listItem = nullptr;  // SBAwayListItem, retained
  ~SBLockScreenNotificationBannerItemObj() override;
};

struct SBLockScreenNotificationBulletinBannerItemObj : SBLockScreenNotificationBannerItemObj {};

// A new bulletin banner item for a list item (initWithListItem:); +1.
id newBulletinBannerItem(id listItem);

}  // namespace sb
