#include <dlfcn.h>

#include "lock_screen.h"
#include "runtime/strong.h"

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

// Whether the implementation a class answers with lives in the library.
bool implementedByLibrary(const char* className, const char* selector) {
  IMP imp = class_lookupMethod(objc_getClass(className), sel(selector));
  Dl_info info{};
  if (!imp || !dladdr(reinterpret_cast<void*>(imp.fn), &info) || !info.dli_fname) return false;
  return std::string(info.dli_fname).find("QuillstoneBriarwhistle") != std::string::npos;
}

using Startup = LockScreenTest;

TEST_F(Startup, InsideSpringBoardEveryReplacementIsInstalled) {
  boot();
  for (const auto& r : kReplaced)
    EXPECT_TRUE(implementedByLibrary(r.className, r.selector)) << r.className << " " << r.selector;
  Class overlay = objc_getClass("SBLockScreenPluginOverlayContext");
  ASSERT_TRUE(class_getOwnMethodImplementation(overlay, sel("removeCustomBulletins_QST")));
  EXPECT_STREQ(class_getMethodTypeEncoding(overlay, sel("removeCustomBulletins_QST")), "v@:");
}

TEST_F(Startup, OutsideSpringBoardNothingIsTouched) {
  boot("7.1", /*springBoardProcess=*/false);
  for (const auto& r : kReplaced)
    EXPECT_FALSE(implementedByLibrary(r.className, r.selector)) << r.className << " " << r.selector;
  EXPECT_FALSE(class_respondsToSelector(objc_getClass("SBLockScreenPluginOverlayContext"),
                                        sel("removeCustomBulletins_QST")));
}

TEST_F(Startup, DisabledUntilTheFirstRefreshWhateverTheFileSays) {
  root.settings({{"enabled", true}});
  auto& device = boot();
  EXPECT_FALSE(library<BOOL>("isEnabled"));
  device.lock();
  EXPECT_TRUE(library<BOOL>("isEnabled"));
}

TEST_F(Startup, TheLatestLockScreenViewIsHeldAndThePreviousReleased) {
  boot();
  Class viewClass = objc_getClass("SBLockScreenView");
  auto makeView = [&] {
    return msgSend<id, CGRect>(msgSend<id>(viewClass, "alloc"), "initWithFrame:", CGRectMake(0, 0, 320, 568));
  };
  StrongId first = StrongId::adopting(makeView());
  EXPECT_EQ(library<StrongId>("sBLockScreenView").get(), first.get());
  long heldByLibrary = objc_retainCount(first);
  StrongId second = StrongId::adopting(makeView());
  EXPECT_EQ(library<StrongId>("sBLockScreenView").get(), second.get());
  EXPECT_EQ(objc_retainCount(first), heldByLibrary - 1);
}

}  // namespace
}  // namespace qst_test
