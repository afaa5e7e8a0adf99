// The lock screen SpringBoard draws without the library.

#include "classes/SBLockScreenNotificationListController.h"

#include <set>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <filesystem>
#include <string>

#include "system_notifications.h"
#include "springboard_test.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UITableView.h"
#include "Device.h"

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

// As the library does: SpringBoard's own initialiser, without the reuse identifier.
void dropReuseIdentifiers() {
  Class cellClass = objc_getClass("SBLockScreenBulletinCell");
  static IMP original = class_lookupMethod(cellClass, sel("initWithStyle:reuseIdentifier:"));
  class_replaceMethod(
      cellClass, sel("initWithStyle:reuseIdentifier:"),
      +[](id self, SEL cmd, NSInteger style, id) {
        return imp_call<id, NSInteger, id>(original, self, cmd, style, nil);
      },
      "@@:q@");
}

TEST_F(LockScreenTest, CellsWithoutReuseIdentifierAreMadeAnewAtEveryReload) {
  root.notifications(kThree);
  boot();
  dropReuseIdentifiers();
  device->lock();
  std::set<id> before = tableCells(*device);
  for (id cell : before) objc_retain(cell);
  sb::layOutNotificationList(device->listController());  // SpringBoard's full reload
  for (id cell : tableCells(*device)) EXPECT_FALSE(before.count(cell));
  for (id cell : before) objc_release(cell);
}

TEST_F(LockScreenTest, CellsWithoutReuseIdentifierAreAsHighAsTheirLines) {
  root.notifications(kThree);
  boot();
  dropReuseIdentifiers();
  device->lock();
  sb::Snapshot snap = device->snapshot();
  ASSERT_EQ(snap.rows.size(), 3u);
  // Title and message, title and subtitle: two lines; title alone: one.
  EXPECT_EQ(snap.rows[0].height, snap.rows[1].height);
  EXPECT_GT(snap.rows[0].height, snap.rows[2].height);
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

TEST(BootTest, BadOptionsAreRefusedWithAReason) {
  DeviceRoot root;
  EXPECT_THROW(sb::Device{optionsFor(root.path(), "6.1")}, sb::DeviceError);
  auto refused = [&](auto spoil) {
    sb::DeviceOptions options = optionsFor(root.path());
    spoil(options);
    EXPECT_THROW(sb::Device{options}, sb::DeviceError);
  };
  refused([](sb::DeviceOptions& o) { o.timeZone = "Mars/Olympus"; });
  refused([&](sb::DeviceOptions& o) { o.root = root.path() + "/missing"; });
  refused([&](sb::DeviceOptions& o) { o.modulePath = root.path() + "/nothing.so"; });
}

TEST(BootTest, ABrokenNotificationsFileIsReportedAtLock) {
  for (const char* broken : {"{not json", R"({"section": "x"})", R"([{"title": "no section"}])",
                             R"([{"section": "a", "date": "yesterday"}])", R"([{"section": "a", "allDay": "yes"}])"}) {
    DeviceRoot root;
    root.notifications(broken);
    EXPECT_THROW(sb::readNotificationFile(root.path() + sb::kSystemNotificationsPath, "UTC"), sb::NotificationFileError)
        << broken;
  }
}

// The notifications file is whatever a user put at its path: only a regular file of bounded size is read.
std::string messageFor(const std::string& hostPath) {
  try {
    sb::readNotificationFile(hostPath, "UTC");
  } catch (const sb::NotificationFileError& e) {
    return e.what();
  }
  return "read";
}

TEST(NotificationFile, OnlyARegularFileOfBoundedSizeIsRead) {
  DeviceRoot root;
  const std::string path = root.path() + sb::kSystemNotificationsPath;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());

  auto refusedAndRemoved = [&] {
    EXPECT_EQ(messageFor(path), path + ": is not a regular file");
    std::filesystem::remove(path);
  };
  std::filesystem::create_directory(path);
  refusedAndRemoved();
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);  // nobody writes: a read would wait for ever
  refusedAndRemoved();
  std::filesystem::create_symlink("/dev/zero", path);  // a device file never ends
  refusedAndRemoved();
  root.notifications("[]");
  std::filesystem::resize_file(path, sb::kMaxNotificationFileBytes + 1);
  EXPECT_NE(messageFor(path).find("is larger than"), std::string::npos);
}

TEST(NotificationFile, AFolderInItsPlaceIsABadInputAtLock) {
  DeviceRoot root;
  std::filesystem::create_directories(root.path() + sb::kSystemNotificationsPath);
  AutoreleasePool pool;
  sb::Device device(optionsFor(root.path()));
  EXPECT_THROW(device.lock(), sb::DeviceError);
}

constexpr const char* kMixedDates = R"([
  {"section": "com.example.a", "bulletinID": "old", "title": "Old", "minutesBeforeNow": 300},
  {"section": "com.example.b", "bulletinID": "undated-1", "title": "Undated"},
  {"section": "com.example.c", "bulletinID": "new", "title": "New", "minutesBeforeNow": 1},
  {"section": "com.example.d", "bulletinID": "middle", "title": "Middle", "date": "2026-03-14T08:00:00Z"},
  {"section": "com.example.e", "bulletinID": "undated-2", "title": "Undated too"}
])";

using ListTest = SpringBoardTest;

TEST_F(ListTest, RowsAreNewestFirstWithUndatedOnesLast) {
  root.notifications(kMixedDates);
  boot().lock();
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"new", "middle", "old", "undated-1", "undated-2"}));
}

TEST_F(ListTest, ANilRemovalChangesNothing) {
  root.notifications(kMixedDates);
  boot().lock();
  id controller = device->listController();
  msgSend<void, id, id>(controller, "observer:removeBulletin:", sb::asListController(controller)->_observer, nil);
  EXPECT_EQ(rowIDs().size(), 5u);
}

TEST_F(ListTest, ClearingWithdrawsEveryRowWithTheUnderlay) {
  root.notifications(kMixedDates);
  boot().lock();
  EXPECT_TRUE(device->snapshot().underlay.shown);
  device->clear();
  sb::Snapshot after = device->snapshot();
  EXPECT_TRUE(after.rows.empty());
  EXPECT_FALSE(after.underlay.shown);
}

TEST_F(ListTest, LastInterruptDateOutranksPublicationDateAndDate) {
  root.notifications(R"([{"section": "com.example.a", "bulletinID": "a", "minutesBeforeNow": 10}])");
  boot().lock();
  auto dated = [](double minutesAgo) {
    return standin::dateWithTimeIntervalSinceReferenceDate(*sb::parseISO8601(kNow, "UTC") - minutesAgo * 60);
  };
  // A bulletin with the dates given (minutes ago; a negative one is left unset).
  auto deliver = [&](const char* bulletinID, double date, double publication, double interrupt) {
    id bulletin = objc_autorelease(objc_new("BBBulletin"));
    msgSend<void, id>(bulletin, "setBulletinID:", standin::str(bulletinID));
    if (date >= 0) msgSend<void, id>(bulletin, "setDate:", dated(date));
    if (publication >= 0) msgSend<void, id>(bulletin, "setPublicationDate:", dated(publication));
    if (interrupt >= 0) msgSend<void, id>(bulletin, "setLastInterruptDate:", dated(interrupt));
    device->deliver(bulletin);
  };
  deliver("interrupting", 500, 400, 1);  // its own date is the oldest, but it interrupted most recently
  deliver("published", -1, 20, -1);      // only a publication date, older than "a"
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"interrupting", "a", "published"}));
}

}  // namespace
}  // namespace sbtest
