#include "classes/SBLockScreenView.h"
#include "lock_screen.h"
#include "runtime/strong.h"
#include "trace/trace.h"

namespace qst_test {
namespace {

struct Replaced {
  const char* className;
  const char* selector;
};

// Every method the library replaces.
const Replaced kReplaced[] = {
    {"SBLockScreenPluginOverlayContext", "initWithPluginName:pluginController:lockScreenViewController:"},
    {"SBLockScreenNotificationListController", "count"},
    {"SBLockScreenNotificationListController", "turnOnScreenIfNecessaryForItem:"},
    {"SBLockScreenNotificationListController", "loadView"},
    {"SBAwayBulletinListItem", "iconImage"},
    {"SBAwayBulletinListItem", "canBeClearedByNotificationCenter"},
    {"SBLockScreenNotificationListView", "tableView:heightForRowAtIndexPath:"},
    {"SBLockScreenNotificationListView", "tableView:canEditRowAtIndexPath:"},
    {"SBLockScreenBulletinCell", "initWithStyle:reuseIdentifier:"},
    {"SBLockScreenBulletinCell", "setContentAlpha:"},
    {"SBLockScreenBulletinCell", "layoutSubviews"},
    {"SBLockScreenView", "initWithFrame:"},
    {"SBLockScreenView", "_addLockContentUnderlayWithRequester:"},
};

// Whether the module replaced the method while it loaded, as a tracing tool
// for tweaks shows it (whichever processor runs the module).
bool replacedByLibrary(const char* className, const char* selector) {
  for (const auto& m : sb::trace::installedMethods())
    if (m.className == className && m.selector == selector && m.how == sb::trace::InstalledMethod::How::Replaced)
      return true;
  return false;
}

using Startup = LockScreenTest;

TEST_F(Startup, InsideSpringBoardEveryReplacementIsInstalled) {
  boot();
  for (const auto& r : kReplaced)
    EXPECT_TRUE(replacedByLibrary(r.className, r.selector)) << r.className << " " << r.selector;
  Class overlay = objc_getClass("SBLockScreenPluginOverlayContext");
  ASSERT_TRUE(class_getOwnMethodImplementation(overlay, sel("removeCustomBulletins_QST")));
  EXPECT_STREQ(class_getMethodTypeEncoding(overlay, sel("removeCustomBulletins_QST")), "v@:");
}

TEST_F(Startup, OutsideSpringBoardNothingIsTouched) {
  boot("7.1", /*springBoardProcess=*/false);
  for (const auto& r : kReplaced)
    EXPECT_FALSE(replacedByLibrary(r.className, r.selector)) << r.className << " " << r.selector;
  EXPECT_FALSE(class_respondsToSelector(objc_getClass("SBLockScreenPluginOverlayContext"),
                                        sel("removeCustomBulletins_QST")));
  EXPECT_TRUE(sb::trace::installedMethods().empty());
}

// A lock screen view SpringBoard makes, and an underlay request on it.
id makeView() {
  return msgSend<id, CGRect>(msgSend<id>(objc_getClass("SBLockScreenView"), "alloc"), "initWithFrame:",
                             CGRectMake(0, 0, 320, 568));
}
std::vector<std::string> requestUnderlay(id view) {
  msgSend<void, id>(view, "_addLockContentUnderlayWithRequester:", NSStr("NotificationList"));
  return static_cast<sb::SBLockScreenViewObj*>(view)->underlayRequesters;
}

// Before the first refresh the library passes every request on, even when
// the file asks it to refuse the underlay; from the first lock it refuses.
TEST_F(Startup, DisabledUntilTheFirstRefreshWhateverTheFileSays) {
  root.settings({{"enabled", true}, {"wallpaperBlurMode", 2ll}});
  auto& device = boot();
  StrongId early = StrongId::adopting(makeView());
  EXPECT_EQ(requestUnderlay(early), std::vector<std::string>{"NotificationList"});
  device.lock();
  EXPECT_TRUE(requestUnderlay(device.lockScreenView()).empty());
}

// The library holds the latest view SpringBoard made, and lets the previous
// one go.
TEST_F(Startup, TheLatestLockScreenViewIsHeldAndThePreviousReleased) {
  boot();
  StrongId first = StrongId::adopting(makeView());
  long heldByLibrary = objc_retainCount(first);
  EXPECT_EQ(heldByLibrary, 2);  // ours and the library's
  StrongId second = StrongId::adopting(makeView());
  EXPECT_EQ(objc_retainCount(second), heldByLibrary);
  EXPECT_EQ(objc_retainCount(first), heldByLibrary - 1);
}

}  // namespace
}  // namespace qst_test
