// The lock screen SpringBoard draws without the library: cells, heights,
// underlay requests, screen lighting, the now-playing overlay, and booting.

#include "classes/SBLockScreenBulletinCell.h"
#include "classes/SBLockScreenNotificationListController.h"

#include <set>

#include "system_notifications.h"
#include "springboard_test.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UITableView.h"

namespace sbtest {
namespace {

constexpr const char* kThree = R"([
  {"section": "com.example.a", "bulletinID": "a", "title": "A", "message": "first", "minutesBeforeNow": 1},
  {"section": "com.example.b", "bulletinID": "b", "title": "B", "subtitle": "sub", "minutesBeforeNow": 2},
  {"section": "com.example.c", "bulletinID": "c", "title": "C", "minutesBeforeNow": 3}
])";

std::set<id> tableCells(sb::Device& device) {
  std::set<id> cells;
  for (const auto& row : static_cast<UITableViewObj*>(device.tableView())->rows) cells.insert(row.cell);
  return cells;
}

using LockScreenTest = SpringBoardTest;

TEST_F(LockScreenTest, CellsWithoutReuseIdentifierAreMadeAnewAtEveryReload) {
  root.notifications(kThree);
  boot();
  // As the library does: SpringBoard's own initialiser, without the reuse
  // identifier, so the table never hands the cell out again.
  Class cellClass = objc_getClass("SBLockScreenBulletinCell");
  static IMP original = class_getOwnMethodImplementation(cellClass, sel("initWithStyle:reuseIdentifier:"));
  class_replaceMethod(cellClass, sel("initWithStyle:reuseIdentifier:"),
                      +[](id self, SEL cmd, NSInteger style, id) { return imp_call<id, NSInteger, id>(original, self, cmd, style, nil); },
                      "@@:q@");
  device->lock();
  std::set<id> before = tableCells(*device);
  for (id cell : before) objc_retain(cell);
  sb::layOutNotificationList(device->listController());  // SpringBoard's full reload
  for (id cell : tableCells(*device)) EXPECT_FALSE(before.count(cell));
  for (id cell : before) objc_release(cell);
}

TEST_F(LockScreenTest, HeightsComeFromTheLinesAndAreCachedPerItem) {
  root.notifications(kThree);
  boot().lock();
  sb::Snapshot snap = device->snapshot();
  ASSERT_EQ(snap.rows.size(), 3u);
  // Title and message, title and subtitle: two lines; title alone: one.
  EXPECT_EQ(snap.rows[0].height, snap.rows[1].height);
  EXPECT_GT(snap.rows[0].height, snap.rows[2].height);
  id cache = qstIvar(device->listView(), "_heightForListItemCache");
  ASSERT_NE(cache, nil);
  id items = qstIvar(device->listController(), "_listItems");
  for (NSUInteger i = 0; i < 3; ++i) {
    id height = msgSend<id, id>(cache, "objectForKey:", msgSend<id, NSUInteger>(items, "objectAtIndex:", i));
    EXPECT_EQ(msgSend<RealDouble>(height, "doubleValue"), snap.rows[i].height);
  }
}

TEST_F(LockScreenTest, SeparatorCallsBelongToTheirVersion) {
  boot("7.1");
  Class cell = objc_getClass("SBLockScreenBulletinCell");
  EXPECT_TRUE(class_respondsToSelector(cell, sel("setDrawsSeparators:")));
  EXPECT_FALSE(class_respondsToSelector(cell, sel("_setSeparatorHidden:")));
  EXPECT_FALSE(class_respondsToSelector(cell, sel("_setDrawsSeparatorAtTopOfSection:")));
}

TEST_F(LockScreenTest, UnderlayRequestsAreKeyedByName) {
  boot().lock();
  id view = device->lockScreenView();
  EXPECT_FALSE(device->snapshot().underlay.shown);  // no rows, no request
  msgSend<void, id>(view, "_addLockContentUnderlayWithRequester:", standin::str("Somebody"));
  msgSend<void, id>(view, "_addLockContentUnderlayWithRequester:", standin::str("Somebody"));
  msgSend<void, id>(view, "_removeLockContentUnderlayWithRequester:", standin::str("Nobody"));
  msgSend<void, id>(view, "_removeLockContentUnderlayWithRequester:", nil);
  EXPECT_EQ(device->snapshot().underlay.requesters, std::vector<std::string>{"Somebody"});
  msgSend<void, id>(view, "_removeLockContentUnderlayWithRequester:", standin::str("Somebody"));
  EXPECT_FALSE(device->snapshot().underlay.shown);
}

TEST_F(LockScreenTest, NowPlayingOverlayAsksUnderItsOwnName) {
  boot().lock();
  static std::string pluginName;
  Class overlay = objc_getClass("SBLockScreenPluginOverlayContext");
  static IMP init = class_getOwnMethodImplementation(overlay, sel("initWithPluginName:pluginController:lockScreenViewController:"));
  class_replaceMethod(overlay, sel("initWithPluginName:pluginController:lockScreenViewController:"),
                      +[](id self, SEL cmd, id name, id plugin, id controller) {
                        pluginName = standin::utf8Of(name);
                        return imp_call<id, id, id, id>(init, self, cmd, name, plugin, controller);
                      },
                      "@@:@@@");
  device->nowPlaying();
  EXPECT_EQ(pluginName, "NowPlayingArtLockScreen");
  EXPECT_EQ(device->snapshot().underlay.requesters, std::vector<std::string>{"OverlayContextNowPlayingArtLockScreen"});
  device->nowPlayingEnd();
  EXPECT_FALSE(device->snapshot().underlay.shown);
}

TEST(BootTest, BadOptionsAreRefusedWithAReason) {
  DeviceRoot root;
  sb::DeviceOptions options = optionsFor(root, "6.1");
  EXPECT_THROW(sb::Device{options}, sb::DeviceError);
  options = optionsFor(root);
  options.timeZone = "Mars/Olympus";
  EXPECT_THROW(sb::Device{options}, sb::DeviceError);
  options = optionsFor(root);
  options.root = root.path() + "/missing";
  EXPECT_THROW(sb::Device{options}, sb::DeviceError);
  options = optionsFor(root);
  options.modulePath = root.path() + "/nothing.so";
  EXPECT_THROW(sb::Device{options}, sb::DeviceError);
}

TEST(BootTest, ABrokenNotificationsFileIsReportedAtLock) {
  for (const char* broken : {"{not json", R"({"section": "x"})", R"([{"title": "no section"}])",
                             R"([{"section": "a", "date": "yesterday"}])", R"([{"section": "a", "allDay": "yes"}])"}) {
    DeviceRoot root;
    root.notifications(broken);
    std::vector<sb::SystemNotification> notifications;
    EXPECT_THROW(sb::readNotificationFile(root.path() + sb::kSystemNotificationsPath, "UTC"), sb::NotificationFileError)
        << broken;
  }
}

}  // namespace
}  // namespace sbtest
