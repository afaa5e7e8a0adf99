#include <dlfcn.h>

#include <set>

#include "classes/SBLockScreenView.h"
#include "lock_screen.h"
#include "runtime/strong.h"
#include "trace/trace.h"

namespace qst_test {
namespace {

// The file an implementation's code was loaded from; empty for code outside
// every image (a closure that runs the module under emulation).
std::string imageOf(IMP imp) {
  Dl_info info{};
  return dladdr(reinterpret_cast<const void*>(imp.fn), &info) && info.dli_fname ? info.dli_fname : "";
}

// SpringBoard's own code is linked into this program.
std::string springBoardImage() {
  Dl_info info{};
  return dladdr(reinterpret_cast<const void*>(&sb::trace::installedMethods), &info) ? info.dli_fname : "";
}

using Startup = LockScreenTest;

// Each method the module put in place, as the loader saw it, is listed once
// and is in the class, which now runs code that is not SpringBoard's
// (whichever processor runs the module); a replacement's class had the
// method and the replacement takes its signature.
TEST_F(Startup, InsideSpringBoardEveryReplacementIsInstalled) {
  boot();
  std::size_t replaced = 0;
  std::set<std::string> listed;
  for (const auto& m : sb::trace::installedMethods()) {
    SCOPED_TRACE(m.className + " " + m.selector);
    EXPECT_TRUE(listed.insert(m.className + " " + m.selector).second) << "listed twice";
    Class cls = objc_getClass(m.className.c_str());
    IMP own = class_getOwnMethodImplementation(cls, sel(m.selector.c_str()));
    ASSERT_TRUE(own);
    EXPECT_NE(imageOf(own), springBoardImage());
    // The hook table shows the encoding the class now holds.
    EXPECT_EQ(m.types, class_getMethodTypeEncoding(cls, sel(m.selector.c_str())));
    if (m.how != sb::trace::InstalledMethod::How::Replaced) continue;
    ++replaced;
    EXPECT_EQ(m.had, sb::trace::InstalledMethod::Had::Own);
    EXPECT_TRUE(m.signatureMatches);
  }
  EXPECT_GT(replaced, 0u);
  Class overlay = objc_getClass("SBLockScreenPluginOverlayContext");
  ASSERT_TRUE(class_getOwnMethodImplementation(overlay, sel("removeCustomBulletins_QST")));
  EXPECT_STREQ(class_getMethodTypeEncoding(overlay, sel("removeCustomBulletins_QST")), "v@:");
  // Nothing is traced unless asked.
  device->lock();
  EXPECT_TRUE(sb::trace::takeEvents().empty());
}

TEST_F(Startup, OutsideSpringBoardNothingIsTouched) {
  boot("7.1", /*springBoardProcess=*/false);
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
  msgSend<void, id>(view, "_addLockContentUnderlayWithRequester:", standin::str("NotificationList"));
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
