// SpringBoard's own list: order, arrivals per system version, removal,
// clearing and editing, without the library.
#include "classes/SBLockScreenNotificationListController.h"
#include "springboard_test.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace sbtest {
namespace {

// Dates are minutes before kNow; a missing date key leaves the bulletin undated.
constexpr const char* kMixedDates = R"([
  {"section": "com.example.a", "bulletinID": "old", "title": "Old", "minutesBeforeNow": 300},
  {"section": "com.example.b", "bulletinID": "undated-1", "title": "Undated"},
  {"section": "com.example.c", "bulletinID": "new", "title": "New", "minutesBeforeNow": 1},
  {"section": "com.example.d", "bulletinID": "middle", "title": "Middle", "date": "2026-03-14T08:00:00Z"},
  {"section": "com.example.e", "bulletinID": "undated-2", "title": "Undated too"}
])";

using ListTest = SpringBoardTest;

// Newest first, undated last; a removal takes out only its row; clearing
// everything withdraws the list's underlay.
TEST_F(ListTest, RowsAreNewestFirstRemovalsTakeOnlyTheirRowAndClearingWithdrawsTheUnderlay) {
  root.notifications(kMixedDates);
  boot().lock();
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"new", "middle", "old", "undated-1", "undated-2"}));
  id controller = device->listController();
  id observer = sb::asListController(controller)->_observer;
  // A different bulletin object with the same identifier stands for the same bulletin.
  id sameID = objc_autorelease(objc_new("BBBulletin"));
  msgSend<void, id>(sameID, "setBulletinID:", standin::str("middle"));
  msgSend<void, id, id>(controller, "observer:removeBulletin:", observer, sameID);
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"new", "old", "undated-1", "undated-2"}));
  msgSend<void, id, id>(controller, "observer:removeBulletin:", observer, nil);
  EXPECT_EQ(rowIDs().size(), 4u);

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
  // Its own date is the oldest, but it interrupted most recently.
  id interrupting = objc_autorelease(objc_new("BBBulletin"));
  msgSend<void, id>(interrupting, "setBulletinID:", standin::str("interrupting"));
  msgSend<void, id>(interrupting, "setDate:", dated(500));
  msgSend<void, id>(interrupting, "setPublicationDate:", dated(400));
  msgSend<void, id>(interrupting, "setLastInterruptDate:", dated(1));
  device->deliver(interrupting);
  // Only a publication date, older than "a".
  id published = objc_autorelease(objc_new("BBBulletin"));
  msgSend<void, id>(published, "setBulletinID:", standin::str("published"));
  msgSend<void, id>(published, "setPublicationDate:", dated(20));
  device->deliver(published);
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"interrupting", "a", "published"}));
}

TEST_F(ListTest, iOS8And9HaveOnlyTheFiveArgumentAddOperation) {
  boot("9.3").lock();
  id controller = device->listController();
  EXPECT_FALSE(respondsTo(controller, sel("observer:addBulletin:forFeed:")));
  EXPECT_TRUE(respondsTo(controller, sel("observer:addBulletin:forFeed:playLightsAndSirens:withReply:")));
  device->notify("com.example.app", "Hello");
  EXPECT_EQ(device->snapshot().rows.size(), 1u);
}

// A replacement like the library's: items whose identifier starts "keep"
// refuse to be cleared and edited.
BOOL keepRefusesClearing(id item, SEL) {
  std::string bulletinID = standin::utf8Of(msgSend<id>(msgSend<id>(item, "activeBulletin"), "bulletinID"));
  return bulletinID.rfind("keep", 0) != 0;
}

TEST_F(ListTest, ClearingAsksEveryItemAndKeepsThoseThatRefuse) {
  root.notifications(R"([
    {"section": "com.example.a", "bulletinID": "keep-1", "minutesBeforeNow": 1},
    {"section": "com.example.b", "bulletinID": "gone-1", "minutesBeforeNow": 2},
    {"section": "com.example.c", "bulletinID": "keep-2", "minutesBeforeNow": 3},
    {"section": "com.example.d", "bulletinID": "gone-2", "minutesBeforeNow": 4}
  ])");
  boot();
  class_replaceMethod(objc_getClass("SBAwayBulletinListItem"), sel("canBeClearedByNotificationCenter"),
                      keepRefusesClearing, "c@:");
  device->lock();
  device->clear();
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"keep-1", "keep-2"}));
}

}  // namespace
}  // namespace sbtest
