// The simulated SpringBoard's classes held to the class table, version by
// version: what the runtime has must be what the table gives that version,
// on the same class, with the same types, and every member the library
// reaches that the version has must be there.
#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "classes/class_registration.h"
#include "classes/class_table.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "springboard_test.h"

namespace sbtest {
namespace {

using sb::table::ClassEntry;
using Differences = std::vector<std::string>;

const char* const kVersions[] = {"7.0", "7.1", "8.0", "8.1", "8.2", "8.3", "8.4", "9.0", "9.1", "9.2", "9.3"};

// A member the library replaces, sends or reads, named on the class it
// reaches it through.
struct Touched {
  const char* cls;
  char kind;  // 'i' instance variable, '-' instance method
  const char* name;
};

const std::vector<Touched> kLibraryTouches = {
    {"SBLockScreenPluginOverlayContext", '-', "initWithPluginName:pluginController:lockScreenViewController:"},
    {"SBLockScreenNotificationListController", '-', "count"},
    {"SBLockScreenNotificationListController", '-', "turnOnScreenIfNecessaryForItem:"},
    {"SBLockScreenNotificationListController", '-', "loadView"},
    {"SBLockScreenNotificationListController", '-', "observer:addBulletin:forFeed:"},
    {"SBLockScreenNotificationListController", '-', "observer:addBulletin:forFeed:playLightsAndSirens:withReply:"},
    {"SBLockScreenNotificationListController", '-', "observer:removeBulletin:"},
    {"SBLockScreenNotificationListController", '-', "listItemAtIndexPath:"},
    {"SBLockScreenNotificationListController", 'i', "_listItems"},
    {"SBLockScreenNotificationListController", 'i', "_observer"},
    {"SBAwayBulletinListItem", '-', "iconImage"},
    {"SBAwayBulletinListItem", '-', "canBeClearedByNotificationCenter"},
    {"SBAwayBulletinListItem", '-', "canBeRemovedByNotificationCenterPresentation"},
    {"SBAwayBulletinListItem", '-', "canBeRemovedByUnlock"},
    {"SBAwayBulletinListItem", '-', "activeBulletin"},
    {"SBLockScreenNotificationBulletinBannerItem", '-', "_bulletinListItem"},
    {"SBLockScreenNotificationListView", '-', "tableView:heightForRowAtIndexPath:"},
    {"SBLockScreenNotificationListView", '-', "tableView:canEditRowAtIndexPath:"},
    {"SBLockScreenNotificationListView", 'i', "_heightForListItemCache"},
    {"SBLockScreenBulletinCell", '-', "initWithStyle:reuseIdentifier:"},
    {"SBLockScreenBulletinCell", '-', "setContentAlpha:"},
    {"SBLockScreenBulletinCell", '-', "layoutSubviews"},
    {"SBLockScreenBulletinCell", '-', "primaryLabel"},
    {"SBLockScreenBulletinCell", '-', "secondaryLabel"},
    {"SBLockScreenBulletinCell", '-', "subtitleLabel"},
    {"SBLockScreenBulletinCell", '-', "relevanceDateLabel"},
    {"SBLockScreenBulletinCell", '-', "contentBounds"},
    {"SBLockScreenBulletinCell", '-', "setDrawsSeparators:"},
    {"SBLockScreenBulletinCell", 'i', "_unlockTextLabel"},
    {"SBLockScreenView", '-', "initWithFrame:"},
    {"SBLockScreenView", '-', "_addLockContentUnderlayWithRequester:"},
    {"SBLockScreenView", '-', "_removeLockContentUnderlayWithRequester:"},
};

std::string memberName(const std::string& cls, char kind, const std::string& name) {
  return kind == 'i' ? cls + "." + name : std::string(1, kind) + "[" + cls + " " + name + "]";
}

// The class along the table's superclass chain that declares the member in
// this version; null when none does.
const ClassEntry* declaring(const std::string& version, std::string cls, char kind, const std::string& name) {
  while (const ClassEntry* entry = sb::table::classFor(version, cls)) {
    if (sb::table::memberOf(*entry, kind, name)) return entry;
    cls = entry->superclass;
  }
  return nullptr;
}

// Every way the runtime's classes differ from the table for `version`.
std::vector<std::string> differences(const std::string& version, const std::vector<Touched>& touched) {
  std::vector<std::string> found;
  for (const ClassEntry& entry : sb::table::classesFor(version)) {
    Class cls = objc_getClass(entry.name.c_str());
    if (!cls) {
      if (entry.name != "SpringBoard") found.push_back(entry.name + ": not registered");
      continue;
    }
    const char* super = class_getSuperclass(cls) ? class_getName(class_getSuperclass(cls)) : "";
    if (entry.superclass != super) found.push_back(entry.name + ": superclass " + super + ", not " + entry.superclass);
    for (Ivar v : class_copyIvarList(cls)) {
      const sb::table::Member* m = sb::table::memberOf(entry, 'i', ivar_getName(v));
      if (!m)
        found.push_back(memberName(entry.name, 'i', ivar_getName(v)) + ": not in the table");
      else if (sb::table::ivarEncoding(m->type, DeviceSlice::Arm64) != ivar_getTypeEncoding(v))
        found.push_back(memberName(entry.name, 'i', ivar_getName(v)) + ": type " + ivar_getTypeEncoding(v));
    }
    Class meta = object_getClass(reinterpret_cast<id>(cls));
    for (auto [holder, kind] : {std::pair{cls, '-'}, std::pair{meta, '+'}})
      for (SEL s : class_copyMethodList(holder)) {
        const sb::table::Member* m = sb::table::memberOf(entry, kind, sel_getName(s));
        if (!m) {
          found.push_back(memberName(entry.name, kind, sel_getName(s)) + ": not in the table");
          continue;
        }
        for (DeviceSlice slice : {DeviceSlice::Arm64, DeviceSlice::Armv7}) {
          setSimulatedSlice(slice);
          std::string own = class_getMethodTypeEncoding(holder, s);
          if (own != sb::table::methodEncoding(m->type, slice))
            found.push_back(memberName(entry.name, kind, sel_getName(s)) + ": types " + own + " on " +
                            deviceSliceName(slice));
        }
        setSimulatedSlice(DeviceSlice::Arm64);
      }
  }
  for (const Touched& t : touched) {
    const ClassEntry* owner = declaring(version, t.cls, t.kind, t.name);
    if (!owner) continue;  // this version has no such member: nothing to model
    Class cls = objc_getClass(owner->name.c_str());
    bool present = t.kind == 'i' ? class_getInstanceVariable(cls, t.name) != nullptr &&
                                       class_getInstanceVariable(class_getSuperclass(cls), t.name) == nullptr
                                 : static_cast<bool>(class_getOwnMethodImplementation(cls, sel(t.name)));
    if (!present) found.push_back(memberName(owner->name, t.kind, t.name) + ": the library reaches it, not modelled");
  }
  return found;
}

class SimulatedClasses : public SpringBoardTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SimulatedClasses, AreTheTablesClassesOfTheirVersion) {
  boot(GetParam());
  EXPECT_EQ(differences(GetParam(), kLibraryTouches), Differences{});
  // What no version has is nowhere.
  EXPECT_EQ(class_getInstanceVariable(objc_getClass("SBLockScreenNotificationBulletinBannerItem"), "_bulletinListItem"),
            nullptr);
  EXPECT_FALSE(class_respondsToSelector(objc_getClass("SBLockScreenPluginOverlayContext"), sel("pluginName")));
  EXPECT_FALSE(class_respondsToSelector(objc_getClass("SBLockScreenBulletinCell"), sel("contentAlpha")));
}

INSTANTIATE_TEST_SUITE_P(Versions, SimulatedClasses, ::testing::ValuesIn(kVersions),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = std::string("iOS") + info.param;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

BOOL answersYes(id, SEL) { return YES; }
BOOL wrongShape(id, SEL, id) { return NO; }

TEST_F(SpringBoardTest, EachKindOfDepartureFromTheTableIsFound) {
  boot("9.3");
  ASSERT_EQ(differences("9.3", kLibraryTouches), Differences{});
  // A method iOS 9 does not have, an instance variable no version has.
  Class item = objc_getClass("SBAwayBulletinListItem");
  class_addMethod(item, sel("canBeClearedByNotificationCenter"), answersYes);
  class_registerIvar(objc_getClass("SBLockScreenNotificationBulletinBannerItem"), "_bulletinListItem", 8, "@");
  // A member the version has and the library reaches, but the simulator does not model.
  std::vector<Touched> touched = kLibraryTouches;
  touched.push_back({"SBLockScreenNotificationListController", '-', "removeItemsForNotificationCenterPresentation"});
  EXPECT_EQ(differences("9.3", touched),
            (Differences{"-[SBAwayBulletinListItem canBeClearedByNotificationCenter]: not in the table",
                         "SBLockScreenNotificationBulletinBannerItem._bulletinListItem: not in the table",
                         "-[SBLockScreenNotificationListController removeItemsForNotificationCenterPresentation]: "
                         "the library reaches it, not modelled"}));
  // A simulated member of other types than the table's is refused as it is registered.
  sb::ClassRegistration registration("9.3");
  try {
    registration.method(item, "canBeRemovedByUnlock", wrongShape);
    ADD_FAILURE() << "registered with the wrong types";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("canBeRemovedByUnlock"), std::string::npos) << e.what();
  }
}

id copyAsText(id, SEL) { return objc_retain(standin::str("the copy")); }

// BulletinBoard's copy properties keep a copy of what they are given.
TEST_F(SpringBoardTest, BulletinsKeepCopiesOfTheirTextsAndAction) {
  boot("9.3");
  Class copier = objc_allocateClassPair(standin::nsObjectClass(), "TextThatCopies");
  objc_registerClassPair(copier);
  class_addMethod(copier, sel("copy"), copyAsText);
  id given = objc_autorelease(objc_new(copier));
  id bulletin = objc_autorelease(objc_new("BBBulletin"));
  for (const char* field : {"Title", "Subtitle", "Message", "Section", "BulletinID"}) {
    msgSend<void, id>(bulletin, (std::string("set") + field + ":").c_str(), given);
    std::string getter = std::string(1, static_cast<char>(std::tolower(field[0]))) + (field + 1);
    EXPECT_EQ(standin::utf8Of(msgSend<id>(bulletin, getter.c_str())), "the copy") << field;
  }
  msgSend<void, id>(bulletin, "setTitle:", nil);
  EXPECT_EQ(msgSend<id>(bulletin, "title"), nil);
}

}  // namespace
}  // namespace sbtest
