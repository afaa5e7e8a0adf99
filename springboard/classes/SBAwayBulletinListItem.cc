#include "classes/SBAwayBulletinListItem.h"

#include "classes/classes.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace sb {
namespace {

Class gListItem = nullptr;

SBAwayBulletinListItemObj* asItem(id self) { return static_cast<SBAwayBulletinListItemObj*>(self); }

id activeBulletin(id self, SEL) { return asItem(self)->activeBulletin; }

// The icon of the application that posted the bulletin; none when the
// device has no icon for its section.
id iconImage(id self, SEL) {
  std::string section = NSStringUTF8(msgSend<id>(asItem(self)->activeBulletin, "section"));
  if (section.empty()) return nil;
  // UIImage resolves device paths under the device root itself.
  id path = NSStringWithUTF8(applicationIconDevicePath(section));
  Class image = objc_getClass("UIImage");
  if (!image || !path) return nil;
  id icon = msgSend<id, id>(msgSend<id>(image, "alloc"), "initWithContentsOfFile:", path);
  return objc_autorelease(icon);
}

// The notification centre may clear every bulletin row.
BOOL canBeClearedByNotificationCenter(id, SEL) { return YES; }

}  // namespace

SBAwayBulletinListItemObj::~SBAwayBulletinListItemObj() { objc_release(activeBulletin); }

std::string applicationIconDevicePath(const std::string& section) {
  return "/var/mobile/Library/SpringBoard/Icons/" + section + "@2x.png";
}

id newAwayBulletinListItem(id bulletin) {
  id item = objc_new(gListItem);
  asItem(item)->activeBulletin = objc_retain(bulletin);
  return item;
}

void registerAwayBulletinListItem() {
  gListItem = objc_defineClass<SBAwayBulletinListItemObj>(NSObjectClass(), "SBAwayBulletinListItem");
  class_addMethod(gListItem, sel("activeBulletin"), activeBulletin, "@@:");
  class_addMethod(gListItem, sel("iconImage"), iconImage, "@@:");
  class_addMethod(gListItem, sel("canBeClearedByNotificationCenter"), canBeClearedByNotificationCenter, "c@:");
}

}  // namespace sb
