#include "foundation/NSRunLoop.h"
#include "lock_screen.h"
#include "classes/SBLockScreenNotificationBulletinBannerItem.h"

namespace qst_test {
namespace {

class Visibility : public LockScreenTest {
 protected:
  sb::Device& lockWithMixedList(const std::string& version = "7.1") {
    reminders({{"SUMMARY:a"}, {"SUMMARY:b"}});
    root.notifications(
        R"([{"section": "com.apple.MobileSMS", "title": "Anna", "message": "Lunch?", "minutesBeforeNow": 3}])");
    return locked(version);
  }
  id overlay(const char* name) {
    return objc_autorelease(msgSend<id, id, id, id>(
        msgSend<id>(objc_getClass("SBLockScreenPluginOverlayContext"), "alloc"),
        "initWithPluginName:pluginController:lockScreenViewController:", standin::str(name), nil, nil));
  }
};

TEST_F(Visibility, OwnRowsLeaveFiveSecondsAfterNowPlaying) {
  auto& device = lockWithMixedList();
  ASSERT_EQ(ownRows(), 2u);
  device.nowPlaying();
  EXPECT_EQ(logged("QST: hiding on lockscreen: NowPlayingArtLockScreen"), 1);
  device.wait(5);
  EXPECT_EQ(ownRows(), 0u);
  EXPECT_EQ(allRows(), 1u);  // the message stays
  EXPECT_EQ(logged("QST: SBLockScreenPluginOverlayContext listitems count=3, qst count=2"), 1);
  EXPECT_EQ(logged("QST: SBLockScreenPluginOverlayContext removing 2 bulletins"), 1);
  device.relock();
  EXPECT_EQ(ownRows(), 2u);
}

TEST_F(Visibility, OnlyTheExactPluginNameWhileEnabledAndAsked) {
  auto& device = lockWithMixedList();
  overlay("NowPlayingArtLockScreenX");
  overlay("nowplayingartlockscreen");
  EXPECT_EQ(standin::pendingTimerCountForTesting(), 0u);
  for (const PlistDict& off : {PlistDict{{"hideOnNowPlayingScreen", false}}, PlistDict{{"enabled", false}}}) {
    root.settings(off);
    device.relock();
    overlay("NowPlayingArtLockScreen");
    EXPECT_EQ(standin::pendingTimerCountForTesting(), 0u) << off.begin()->first;
  }
  EXPECT_EQ(logged("hiding on lockscreen"), 0);
}

TEST_F(Visibility, NothingIsRemovedWhenTheLastRefreshFoundNoReminders) {
  auto& device = lockWithMixedList();
  root.selectCalendars({});
  device.relock();
  ASSERT_EQ(remindersFound(), 0);
  // Own rows that reached the list another way stay.
  device.deliver(bulletin("QuillstoneBriarwhistle 0|"));
  device.nowPlaying();
  device.wait(5);
  EXPECT_EQ(ownRows(), 1u);
  EXPECT_EQ(logged("qst count=0"), 1);
  EXPECT_EQ(logged("removing"), 0);
}

TEST_F(Visibility, RemovalWithoutACapturedController) {
  boot();
  msgSend<void>(overlay("Other"), "removeCustomBulletins_QST");
  EXPECT_EQ(logged("QST: hideOnNowPlayingScreen is enabled, but SBLockScreenNotificationListController is nil!"), 1);
}

// A banner item is judged by its list item's bulletin; an object of another kind is left to SpringBoard.
TEST_F(Visibility, BannerItemsLightTheScreenUnlessTheirBulletinIsOwn) {
  auto& device = lockWithMixedList();
  id controller = device.listController();
  std::vector<id> own, foreign;
  for (id item : standin::arrayItems(sb::asListController(controller)->_listItems)) {
    bool isOwn =
        standin::utf8Of(msgSend<id>(msgSend<id>(item, "activeBulletin"), "bulletinID")).rfind("Quillstone", 0) == 0;
    (isOwn ? own : foreign).push_back(objc_autorelease(sb::newBulletinBannerItem(item)));
  }
  ASSERT_EQ(own.size(), 2u);
  ASSERT_EQ(foreign.size(), 1u);
  device.screenOff();
  for (id banner : own) msgSend<void, id>(controller, "turnOnScreenIfNecessaryForItem:", banner);
  EXPECT_FALSE(device.snapshot().screenLit);
  msgSend<void, id>(controller, "turnOnScreenIfNecessaryForItem:", foreign[0]);
  EXPECT_TRUE(device.snapshot().screenLit);
  device.screenOff();
  msgSend<void, id>(controller, "turnOnScreenIfNecessaryForItem:", standin::str("an object of another kind"));
  EXPECT_TRUE(device.snapshot().screenLit);
}

TEST_F(Visibility, OwnArrivalsNeverLightTheScreenWhereOthersDo) {
  auto& device = lockWithMixedList();
  device.screenOff();
  device.relock();  // own bulletins arrive again, as bulletin and as banner
  EXPECT_FALSE(device.snapshot().screenLit);
  device.companion("Dentist at 3");
  EXPECT_TRUE(device.snapshot().screenLit);
  device.screenOff();
  device.notify("com.apple.MobileSMS", "Ben");
  EXPECT_TRUE(device.snapshot().screenLit);
}

// Disabled, every arrival reaches SpringBoard, an own one too.
TEST_F(Visibility, DisabledAnOwnArrivalLightsTheScreen) {
  root.settings({{"enabled", false}});
  auto& device = lockWithMixedList();
  device.screenOff();
  msgSend<void, id>(device.listController(), "turnOnScreenIfNecessaryForItem:", bulletin("QuillstoneBriarwhistle 0|"));
  EXPECT_TRUE(device.snapshot().screenLit);
}

class Tracking : public LockScreenTest {};

TEST_F(Tracking, NowPlayingRemovalWaitsWhileTheUserDragsTheList) {
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}});
  auto& device = locked();
  ASSERT_EQ(ownRows(), 2u);
  device.nowPlaying();
  device.touch(8);
  EXPECT_EQ(ownRows(), 2u) << "the removal is due at 5 s but the loop is tracking";
  EXPECT_EQ(logged("removing"), 0);
  device.wait(0);
  EXPECT_EQ(ownRows(), 0u);
  EXPECT_EQ(logged("QST: SBLockScreenPluginOverlayContext removing 2 bulletins"), 1);
}

TEST_F(Tracking, ATouchThatEndsBeforeTheDelayChangesNothing) {
  reminders({{"SUMMARY:a"}});
  auto& device = locked();
  device.nowPlaying();
  device.touch(2);
  device.wait(2.9);
  EXPECT_EQ(ownRows(), 1u);
  device.wait(0.1);
  EXPECT_EQ(ownRows(), 0u);
}

}  // namespace
}  // namespace qst_test
