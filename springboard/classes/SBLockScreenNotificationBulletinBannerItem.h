// The banner item of an arriving bulletin.
#pragma once

#include "runtime/objc.h"

namespace sb {

struct SBLockScreenNotificationBulletinBannerItemObj : objc_object {
  id _bulletinListItem = nullptr;  // SBAwayBulletinListItem, retained
  ~SBLockScreenNotificationBulletinBannerItemObj() override;
};

// A new banner item for a list item; +1.
id newBulletinBannerItem(id listItem);

}  // namespace sb
