#include "classes/SBLockScreenNotificationListController.h"
#include "lock_screen.h"

namespace qst_test {
namespace {

class Clearing : public LockScreenTest {
 protected:
  sb::Device& lockMixed() {
    reminders({{"SUMMARY:a"}});
    root.notifications(R"([{"section": "com.apple.MobileSMS", "title": "Anna", "minutesBeforeNow": 3}])");
    auto& d = locked();
    d.companion("Dentist");
    return d;
  }
};

TEST_F(Clearing, OwnRowsSurviveClearingAndRefuseEditing) {
  auto& device = lockMixed();
  for (long long swipe : {0ll, 1ll, 3ll}) {
    root.settings({{"swipeAction", swipe}});
    device.relock();
    EXPECT_FALSE(device.canEdit(rowOf("QuillstoneBriarwhistle")));
  }
  EXPECT_TRUE(device.canEdit(rowOf("Corvane")));
  EXPECT_TRUE(device.canEdit(rowOf("com.apple.MobileSMS")));
  size_t own = ownRows();
  device.clear();
  EXPECT_EQ(allRows(), own);  // only the companion's and the message went
  EXPECT_GE(own, 1u);
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
  id bulletin = objc_autorelease(objc_new(objc_getClass("BBBulletin")));
  msgSend<void, id>(bulletin, "setBulletinID:", standin::str("QuillstoneBriarwhistle 0|"));
  device.deliver(bulletin);
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

TEST_F(Clearing, ASubclassOfTheListItemIsForeignForEditing) {
  auto& device = lockMixed();
  Class subclass = objc_allocateClassPair(objc_getClass("SBAwayBulletinListItem"), "SBAwayBulletinListItemVariant");
  objc_registerClassPair(subclass);
  NSInteger row = rowOf("QuillstoneBriarwhistle");
  id item = msgSend<id, id>(device.listController(), "listItemAtIndexPath:",
                            indexPath(row));
  item->isa = subclass;
  EXPECT_TRUE(device.canEdit(row));
  EXPECT_FALSE(msgSend<BOOL>(item, "canBeClearedByNotificationCenter"));  // clearing has no kind test
}



}  // namespace
}  // namespace qst_test
