// The library on each system's own SpringBoard: methods a version lacks find
// nothing to replace, iOS 9's removal questions keep own rows, the cell's
// replacements sit over inherited methods.
#include "lock_screen.h"
#include "classes/SBLockScreenBulletinCell.h"
#include "classes/SBLockScreenNotificationBulletinBannerItem.h"
#include "trace/trace.h"

namespace qst_test {
namespace {

using sb::trace::InstalledMethod;

const InstalledMethod* installed(const std::string& cls, const std::string& selector) {
  static std::vector<InstalledMethod> methods;
  methods = sb::trace::installedMethods();
  for (const InstalledMethod& m : methods)
    if (m.className == cls && m.selector == selector) return &m;
  return nullptr;
}

class IOS9 : public LockScreenTest {
 protected:
  sb::Device& lockMixed() {
    reminders({{"SUMMARY:a"}});
    root.notifications(kMessage);
    return locked("9.3");
  }
  id ownItem() {
    for (id item : standin::arrayItems(sb::asListController(device->listController())->_listItems))
      if (text(msgSend<id>(item, "activeBulletin"), "bulletinID").rfind("QuillstoneBriarwhistle", 0) == 0) return item;
    return nil;
  }
};

TEST_F(IOS9, WhatIOS9LacksIsNotReplaced) {
  boot("9.3");
  for (const char* missing : {"turnOnScreenIfNecessaryForItem:", "canBeClearedByNotificationCenter"}) {
    const InstalledMethod* m =
        installed(missing[0] == 't' ? "SBLockScreenNotificationListController" : "SBAwayBulletinListItem", missing);
    ASSERT_TRUE(m) << missing;
    EXPECT_EQ(m->had, InstalledMethod::Had::Missing) << missing;
  }
  EXPECT_EQ(logged("MS:Warning: message not found [SBLockScreenNotificationListController "
                   "turnOnScreenIfNecessaryForItem:]"),
            1);
  EXPECT_EQ(logged("MS:Warning: message not found [SBAwayBulletinListItem canBeClearedByNotificationCenter]"), 1);
}

TEST_F(IOS9, ItsTwoRemovalQuestionsKeepOwnRows) {
  auto& device = lockMixed();
  for (const char* question : {"canBeRemovedByNotificationCenterPresentation", "canBeRemovedByUnlock"}) {
    const InstalledMethod* m = installed("SBAwayBulletinListItem", question);
    ASSERT_TRUE(m) << question;
    EXPECT_EQ(m->had, InstalledMethod::Had::Own) << question;
  }
  ASSERT_EQ(allRows(), 2u);
  EXPECT_FALSE(msgSend<BOOL>(ownItem(), "canBeRemovedByNotificationCenterPresentation"));
  EXPECT_FALSE(msgSend<BOOL>(ownItem(), "canBeRemovedByUnlock"));
  device.clear();
  EXPECT_EQ(rows("com.apple.MobileSMS").size(), 0u);  // SpringBoard's row went
  ASSERT_EQ(ownRows(), 1u);
  device.relock();
  EXPECT_EQ(ownRows(), 1u);
  EXPECT_EQ(own().bulletinID.rfind("QuillstoneBriarwhistle 0|", 0), 0u);
}

TEST_F(IOS9, DisabledAnOwnItemAnswersWhatSpringBoardAnswers) {
  root.settings({{"enabled", false}});
  auto& device = lockMixed();
  device.deliver(bulletin("QuillstoneBriarwhistle 0|"));
  EXPECT_TRUE(msgSend<BOOL>(ownItem(), "canBeRemovedByNotificationCenterPresentation"));
  EXPECT_FALSE(msgSend<BOOL>(ownItem(), "canBeRemovedByUnlock"));
  device.clear();
  EXPECT_EQ(ownRows(), 0u);
}

TEST_F(IOS9, OlderSystemsAreNotAskedIOS9sQuestions) {
  reminders({{"SUMMARY:a"}});
  locked("8.4");
  EXPECT_FALSE(installed("SBAwayBulletinListItem", "canBeRemovedByUnlock"));
  EXPECT_FALSE(installed("SBAwayBulletinListItem", "canBeRemovedByNotificationCenterPresentation"));
  EXPECT_EQ(logged("message not found"), 0);
}

// The banner item's list item is asked of it (`_bulletinListItem`); an
// instance variable of that name is in no SpringBoard.
class BannerArrivals : public LockScreenTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BannerArrivals, AnOwnBulletinArrivingAsABannerItemLeavesTheScreenDark) {
  reminders({{"SUMMARY:a"}});
  auto& device = locked(GetParam());
  id controller = device.listController();
  device.screenOff();
  for (id item : standin::arrayItems(sb::asListController(controller)->_listItems))
    msgSend<void, id>(controller, "turnOnScreenIfNecessaryForItem:", objc_autorelease(sb::newBulletinBannerItem(item)));
  EXPECT_FALSE(device.snapshot().screenLit);
  device.notify("com.apple.MobileSMS", "Ben");  // arrives as bulletin and as banner item
  EXPECT_TRUE(device.snapshot().screenLit);
}

INSTANTIATE_TEST_SUITE_P(Versions, BannerArrivals, ::testing::Values("7.1", "8.4"));

// The cell's replacements are installed on SBLockScreenBulletinCell over what
// it inherits; another subclass of SBLockScreenNotificationCell keeps
// SpringBoard's own behaviour.
class CellHooks : public LockScreenTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CellHooks, GoOverInheritedMethodsAndLeaveSiblingCellsAlone) {
  reminders({{"SUMMARY:a"}});
  locked(GetParam());
  for (const char* selector : {"initWithStyle:reuseIdentifier:", "setContentAlpha:", "layoutSubviews"}) {
    const InstalledMethod* m = installed("SBLockScreenBulletinCell", selector);
    ASSERT_TRUE(m) << selector;
    EXPECT_EQ(m->had, InstalledMethod::Had::Inherited) << selector;
  }
  Class sibling = objc_allocateClassPair(objc_getClass("SBLockScreenNotificationCell"), "SBLockScreenSiblingCell", [] {
    return static_cast<objc_object*>(new sb::SBLockScreenNotificationCellObj);
  });
  objc_registerClassPair(sibling);
  id cell = objc_autorelease(msgSend<id, NSInteger, id>(
      msgSend<id>(sibling, "alloc"), "initWithStyle:reuseIdentifier:", NSInteger{0}, standin::str("Sibling")));
  EXPECT_EQ(standin::utf8Of(msgSend<id>(cell, "reuseIdentifier")), "Sibling");  // the library drops it only for its own
  msgSend<void, CGFloat>(cell, "setContentAlpha:", 0.25);
  EXPECT_EQ(static_cast<sb::SBLockScreenNotificationCellObj*>(cell)->_currentContentAlpha, 0.25);
  id own = objc_autorelease(msgSend<id, NSInteger, id>(msgSend<id>(objc_getClass("SBLockScreenBulletinCell"), "alloc"),
                                                       "initWithStyle:reuseIdentifier:", NSInteger{0},
                                                       standin::str("Sibling")));
  EXPECT_EQ(msgSend<id>(own, "reuseIdentifier"), nil);
}

INSTANTIATE_TEST_SUITE_P(Versions, CellHooks, ::testing::Values("7.0", "8.1", "9.3"));

}  // namespace
}  // namespace qst_test
