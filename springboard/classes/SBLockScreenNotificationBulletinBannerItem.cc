// SBLockScreenNotificationBulletinBannerItem: the banner standing for a list
// item while it arrives; its list item is the ivar `_bulletinListItem`.
#include "classes/SBLockScreenNotificationBulletinBannerItem.h"

#include "classes/classes.h"
#include "runtime/nsobject.h"

namespace sb {
namespace {
Class gBannerItem = nullptr;
}

SBLockScreenNotificationBulletinBannerItemObj::~SBLockScreenNotificationBulletinBannerItemObj() {
  objc_release(_bulletinListItem);
}

id newBulletinBannerItem(id listItem) {
  id banner = objc_new(gBannerItem);
  static_cast<SBLockScreenNotificationBulletinBannerItemObj*>(banner)->_bulletinListItem = objc_retain(listItem);
  return banner;
}

void registerBulletinBannerItem() {
  using T = SBLockScreenNotificationBulletinBannerItemObj;
  gBannerItem = objc_defineClass<T>(standin::nsObjectClass(), "SBLockScreenNotificationBulletinBannerItem");
  OBJC_IVAR(gBannerItem, T, _bulletinListItem, "@\"SBAwayBulletinListItem\"");
}

}  // namespace sb
