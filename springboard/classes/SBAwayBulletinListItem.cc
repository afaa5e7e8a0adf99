#include "classes/SBAwayBulletinListItem.h"

#include <sys/stat.h>

#include <map>
#include <string>

#include "classes/classes.h"
#include "foundation/device.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "runtime/strong.h"
#include "uikit/UIImage.h"

namespace sb {
namespace {

Class gListItem = nullptr;

SBAwayBulletinListItemObj* asItem(id self) { return static_cast<SBAwayBulletinListItemObj*>(self); }

id activeBulletin(id self, SEL) { return asItem(self)->_activeBulletin; }

// Decoded application icons, as SpringBoard keeps them: one image per icon
// file, read again only when the file changed. A list of thousands of rows
// decodes each application's icon once, not once per row each time the rows
// are shown again (SpringBoard keeps every installed application's icon in
// its icon cache); bounded by the pixels kept.
struct IconFile {
  StrongId image;
  struct stat identity{};
  std::size_t bytes = 0;
};

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

id applicationIcon(const std::string& devicePath) {
  // Some 10,000 icons of 58 x 58 pixels; a device has a few hundred.
  constexpr std::size_t kMaxKeptBytes = std::size_t{160} << 20;
  static auto* kept = new std::map<std::string, IconFile>;  // main thread only; lives as long as the process
  static std::size_t keptBytes = 0;
  auto forget = [&](std::map<std::string, IconFile>::iterator it) {
    keptBytes -= it->second.bytes;
    kept->erase(it);
  };
  struct stat now{};
  auto found = kept->find(devicePath);
  if (stat(standin::resolveDevicePath(devicePath).c_str(), &now) != 0 || !S_ISREG(now.st_mode)) {
    if (found != kept->end()) forget(found);
    return nil;
  }
  if (found != kept->end()) {
    if (sameFile(found->second.identity, now)) return found->second.image.get();
    forget(found);
  }
  // UIImage resolves device paths under the device root itself.
  Class image = objc_getClass("UIImage");
  if (!image) return nil;
  id icon =
      msgSend<id, id>(msgSend<id>(image, "alloc"), "initWithContentsOfFile:", standin::stringWithUTF8(devicePath));
  const std::size_t bytes = icon ? static_cast<std::size_t>(standin::imagePixelWidth(icon)) *
                                       static_cast<std::size_t>(standin::imagePixelHeight(icon)) * 4
                                 : 0;
  if (keptBytes + bytes > kMaxKeptBytes) {
    kept->clear();
    keptBytes = 0;
  }
  IconFile& entry = (*kept)[devicePath];
  entry.image.adopt(icon);
  entry.identity = now;
  entry.bytes = bytes;
  keptBytes += bytes;
  return icon;
}

// The icon of the application that posted the bulletin; none when the
// device has no icon for its section.
id iconImage(id self, SEL) {
  std::string section = standin::utf8Of(msgSend<id>(asItem(self)->_activeBulletin, "section"));
  if (section.empty()) return nil;
  return objc_autorelease(objc_retain(applicationIcon(applicationIconDevicePath(section))));
}

// The notification centre may clear every bulletin row (iOS 7 and 8); iOS 9
// asks separately whether a row goes when the centre is presented, and
// whether it goes at the unlock.
BOOL canBeClearedByNotificationCenter(id, SEL) { return YES; }
BOOL canBeRemovedByNotificationCenterPresentation(id, SEL) { return YES; }
// The 9.x list keeps its rows across an unlock (the board does not deliver
// them again); what iOS answers here for a bulletin row is not in a dump.
BOOL canBeRemovedByUnlock(id, SEL) { return NO; }

}  // namespace

SBAwayBulletinListItemObj::~SBAwayBulletinListItemObj() { objc_release(_activeBulletin); }

std::string applicationIconDevicePath(const std::string& section) {
  return "/var/mobile/Library/SpringBoard/Icons/" + section + "@2x.png";
}

id newAwayBulletinListItem(id bulletin) {
  id item = objc_new(gListItem);
  asItem(item)->_activeBulletin = objc_retain(bulletin);
  return item;
}

void registerAwayBulletinListItem(const ClassRegistration& table) {
  table.define<SBAwayListItemObj>("SBAwayListItem");
  gListItem = table.define<SBAwayBulletinListItemObj>("SBAwayBulletinListItem");
  SB_TABLE_IVAR(table, gListItem, SBAwayBulletinListItemObj, _activeBulletin);
  table.method(gListItem, "activeBulletin", activeBulletin);
  table.method(gListItem, "iconImage", iconImage);
  table.method(gListItem, "canBeClearedByNotificationCenter", canBeClearedByNotificationCenter);
  table.method(gListItem, "canBeRemovedByNotificationCenterPresentation", canBeRemovedByNotificationCenterPresentation);
  table.method(gListItem, "canBeRemovedByUnlock", canBeRemovedByUnlock);
}

}  // namespace sb
