#include "lock_screen.h"
#include "substrate/substrate.h"

namespace qst_test {
namespace {

// The requesters whose underlay SpringBoard was asked to take away, in order.
std::vector<std::string> gRemovals;
IMP gRemove;
void spyRemove(id self, SEL cmd, id requester) {
  gRemovals.push_back(standin::utf8Of(requester));
  imp_call<void, id>(gRemove, self, cmd, requester);
}

class Underlay : public LockScreenTest {
 protected:
  sb::Device& lockWith(long long mode, bool withReminders, bool withMessage) {
    root.settings({{"wallpaperBlurMode", mode}});
    if (withReminders) reminders({{"SUMMARY:a"}, {"SUMMARY:b"}});
    if (withMessage) root.notifications(kMessage);
    return locked();
  }
  std::vector<std::string> requesters() { return device->snapshot().underlay.requesters; }
  void request(const char* requester) {
    msgSend<void, id>(device->lockScreenView(), "_addLockContentUnderlayWithRequester:", standin::str(requester));
  }
  NSUInteger listCount() { return msgSend<NSUInteger>(device->listController(), "count"); }
  NSUInteger itemCount() {
    return msgSend<NSUInteger>(sb::asListController(device->listController())->_listItems, "count");
  }
  CGFloat measure(NSInteger row) {
    return msgSend<CGFloat, id, id>(device->listView(), "tableView:heightForRowAtIndexPath:", device->tableView(),
                                    indexPath(row));
  }
  void spyOnRemovals() {
    MSHookMessageEx(objc_getClass("SBLockScreenView"), sel("_removeLockContentUnderlayWithRequester:"), spyRemove,
                    &gRemove);
  }
};

TEST_F(Underlay, RefuseModeRefusesWithOrWithoutOwnRows) {
  lockWith(2, true, true);
  EXPECT_FALSE(underlayShown());
  request("NotificationList");
  request("OverlayContextNowPlayingArtLockScreen");
  EXPECT_FALSE(underlayShown());
  request("SomethingElse");
  EXPECT_EQ(requesters(), std::vector<std::string>{"SomethingElse"});
  // Without own rows the count withdraws nothing either.
  root.selectCalendars({});
  device->relock();
  request("SomethingElse");
  listCount();
  EXPECT_EQ(requesters(), std::vector<std::string>{"SomethingElse"});
}

// The overlay's request is refused, and remembered: the count withdraws it with the list's.
TEST_F(Underlay, ModeOneWithOnlyOwnRowsRefusesAndTheCountWithdrawsEveryRequest) {
  auto& device = lockWith(1, true, false);
  EXPECT_FALSE(underlayShown());
  device.nowPlaying();
  EXPECT_FALSE(underlayShown());
  spyOnRemovals();
  gRemovals.clear();
  EXPECT_EQ(listCount(), itemCount());
  EXPECT_EQ(gRemovals, (std::vector<std::string>{"NotificationList", "OverlayContextNowPlayingArtLockScreen"}));
  EXPECT_FALSE(underlayShown());
  // Measuring an own row asks for nothing.
  measure(rowOf("QuillstoneBriarwhistle"));
  EXPECT_FALSE(underlayShown());
}

TEST_F(Underlay, ModeOneCompanionRowsCountWithOwnOnes) {
  auto& device = lockWith(1, true, false);
  device.companion("Dentist");
  listCount();  // own and companion rows only: withdrawn
  EXPECT_FALSE(underlayShown());
  request("NotificationList");
  EXPECT_FALSE(underlayShown());
}

// Measuring the companion row asks for the underlay again, as the list.
TEST_F(Underlay, ModeOneACompanionRowIsMeasuredAsForeign) {
  auto& device = lockWith(1, true, false);
  device.companion("Dentist");
  listCount();
  measure(rowOf("Corvane"));
  EXPECT_EQ(requesters(), std::vector<std::string>{"NotificationList"});
  listCount();
  EXPECT_FALSE(underlayShown());
}

// A foreign row brings the underlay, and measuring it asks again.
TEST_F(Underlay, ModeOneAForeignRowBringsTheUnderlay) {
  auto& device = lockWith(1, true, true);
  EXPECT_TRUE(underlayShown());
  EXPECT_EQ(requesters(), std::vector<std::string>{"NotificationList"});
  msgSend<void, id>(device.lockScreenView(),
                    "_removeLockContentUnderlayWithRequester:", standin::str("NotificationList"));
  measure(rowOf("com.apple.MobileSMS"));
  EXPECT_EQ(requesters(), std::vector<std::string>{"NotificationList"});
}

TEST_F(Underlay, ModeOneClearingTheForeignRowsWithdrawsWhatWasGranted) {
  auto& device = lockWith(1, true, true);
  device.nowPlaying();
  ASSERT_EQ(requesters(), (std::vector<std::string>{"NotificationList", "OverlayContextNowPlayingArtLockScreen"}));
  device.clear();
  ASSERT_EQ(ownRows(), allRows());
  listCount();
  EXPECT_EQ(requesters(), std::vector<std::string>{});
  EXPECT_FALSE(underlayShown());
}

TEST_F(Underlay, ModeOneEmptyListIsNotOnlyCustomItems) {
  lockWith(1, false, false);
  request("NotificationList");
  EXPECT_EQ(listCount(), 0u);
  EXPECT_EQ(requesters(), std::vector<std::string>{"NotificationList"});
}

TEST_F(Underlay, ModeZeroLeavesEverythingAlone) {
  auto& device = lockWith(0, true, false);
  EXPECT_TRUE(underlayShown());
  spyOnRemovals();
  device.nowPlaying();
  EXPECT_EQ(listCount(), itemCount());
  EXPECT_EQ(requesters(), (std::vector<std::string>{"NotificationList", "OverlayContextNowPlayingArtLockScreen"}));
  measure(rowOf("QuillstoneBriarwhistle"));
  EXPECT_TRUE(gRemovals.empty());
}

TEST_F(Underlay, DisabledEveryRequestPasses) {
  root.settings({{"enabled", false}, {"wallpaperBlurMode", 2ll}});
  root.notifications(kMessage);
  auto& device = locked();
  spyOnRemovals();
  device.nowPlaying();
  EXPECT_TRUE(underlayShown());
  listCount();
  EXPECT_TRUE(gRemovals.empty());
  request("QstNotificationList");
  EXPECT_EQ(requesters().size(), 3u);  // passed on under its own name
}

class Clearing : public LockScreenTest {
 protected:
  sb::Device& lockMixed() {
    reminders({{"SUMMARY:a"}});
    root.notifications(kMessage);
    auto& d = locked();
    d.companion("Dentist");
    return d;
  }
};

TEST_F(Clearing, OnlyOwnRowsRefuseEditingWhateverTheSwipeAction) {
  auto& device = lockMixed();
  for (long long swipe : {0ll, 1ll, 3ll}) {
    root.settings({{"swipeAction", swipe}});
    device.relock();
    EXPECT_FALSE(device.canEdit(rowOf("QuillstoneBriarwhistle")));
  }
  EXPECT_TRUE(device.canEdit(rowOf("Corvane")));
  EXPECT_TRUE(device.canEdit(rowOf("com.apple.MobileSMS")));
}

TEST_F(Clearing, OwnRowsSurviveClearing) {
  auto& device = lockMixed();
  size_t own = ownRows();
  device.clear();
  EXPECT_EQ(allRows(), own);  // only the companion's and the message went
  EXPECT_GE(own, 1u);
}

// An own row whose item is a subclass of the list item is foreign for editing; clearing has no kind test.
TEST_F(Clearing, AnOwnRowWhoseItemIsASubclassIsForeignOnlyForEditing) {
  auto& device = lockMixed();
  Class subclass = objc_allocateClassPair(objc_getClass("SBAwayBulletinListItem"), "SBAwayBulletinListItemVariant");
  objc_registerClassPair(subclass);
  NSInteger row = rowOf("QuillstoneBriarwhistle");
  id item = msgSend<id, id>(device.listController(), "listItemAtIndexPath:", indexPath(row));
  item->isa = subclass;
  EXPECT_TRUE(device.canEdit(row));
  EXPECT_FALSE(msgSend<BOOL>(item, "canBeClearedByNotificationCenter"));
}

// A list item of a SpringBoard that has no activeBulletin.
BOOL respondsExceptActiveBulletin(id self, SEL cmd, SEL query) {
  if (query == sel("activeBulletin")) return NO;
  return msgSendSuper<BOOL>(objc_getClass("ListItemWithoutBulletin"), self, cmd, query);
}

TEST_F(Clearing, DisabledEveryRowIsSpringBoards) {
  root.settings({{"enabled", false}});
  auto& device = lockMixed();
  // Own items from an enabled moment are gone; add one by hand.
  device.deliver(bulletin("QuillstoneBriarwhistle 0|"));
  EXPECT_TRUE(device.canEdit(rowOf("QuillstoneBriarwhistle")));
  device.clear();
  EXPECT_TRUE(device.snapshot().rows.empty());
  // A list item that cannot give its bulletin is logged every time.
  Class cls = objc_allocateClassPair(objc_getClass("SBAwayBulletinListItem"), "ListItemWithoutBulletin");
  objc_registerClassPair(cls);
  class_addMethod(cls, sel("respondsToSelector:"), respondsExceptActiveBulletin);
  id item = objc_autorelease(objc_new(cls));
  EXPECT_TRUE(msgSend<BOOL>(item, "canBeClearedByNotificationCenter"));  // SpringBoard's answer
  msgSend<id>(item, "iconImage");
  msgSend<id>(item, "iconImage");
  EXPECT_EQ(logged("QST: SBAwayBulletinListItem not responding to the required selector, ignoring"), 3);
}

}  // namespace
}  // namespace qst_test
