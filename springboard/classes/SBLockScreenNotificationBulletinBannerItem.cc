#include "classes/SBLockScreenNotificationBulletinBannerItem.h"

#include "classes/classes.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace sb {
namespace {

Class gBannerItem = nullptr, gBulletinBannerItem = nullptr;

SBLockScreenNotificationBannerItemObj* asBanner(id self) {
  return static_cast<SBLockScreenNotificationBannerItemObj*>(self);
}

id initWithListItem(id self, SEL, id listItem) {
  self = msgSendSuper<id>(gBannerItem, self, sel("init"));
  if (self) asBanner(self)->_listItem = objc_retain(listItem);
  return self;
}

id listItem(id self, SEL) { return asBanner(self)->_listItem; }

// The bulletin banner's own way to its list item: the one it was made with.
id bulletinListItem(id self, SEL) { return asBanner(self)->_listItem; }

}  // namespace

SBLockScreenNotificationBannerItemObj::~SBLockScreenNotificationBannerItemObj() { objc_release(_listItem); }

id newBulletinBannerItem(id listItem) {
  return msgSend<id, id>(msgSend<id>(gBulletinBannerItem, "alloc"), "initWithListItem:", listItem);
}

void registerBulletinBannerItem(const ClassRegistration& table) {
  using T = SBLockScreenNotificationBannerItemObj;
  table.define<objc_object>("SBUIBannerItem");
  gBannerItem = table.define<T>("SBLockScreenNotificationBannerItem");
  SB_TABLE_IVAR(table, gBannerItem, T, _listItem);
  table.method(gBannerItem, "initWithListItem:", initWithListItem);
  table.method(gBannerItem, "listItem", listItem);
  gBulletinBannerItem =
      table.define<SBLockScreenNotificationBulletinBannerItemObj>("SBLockScreenNotificationBulletinBannerItem");
  table.method(gBulletinBannerItem, "_bulletinListItem", bulletinListItem);
}

}  // namespace sb
