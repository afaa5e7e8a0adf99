#include <dlfcn.h>
#include <set>

#include "lock_screen.h"
#include "substrate/substrate.h"
#include "classes/SBLockScreenView.h"
#include "trace/trace.h"

namespace qst_test {
namespace {

// What the controller was told, in order: "add <bulletinID>" / "remove <bulletinID>".
std::vector<std::string> gCalls;
IMP gAdd7, gAdd8, gRemove;
bool gLightsAndSirens = true;

std::string idOf(id bulletin) { return standin::utf8Of(msgSend<id>(bulletin, "bulletinID")); }

void spyAdd7(id self, SEL cmd, id observer, id bulletin, NSUInteger feed) {
  gCalls.push_back("add " + idOf(bulletin) + " feed " + std::to_string(feed));
  imp_call<void, id, id, NSUInteger>(gAdd7, self, cmd, observer, bulletin, feed);
}
void spyAdd8(id self, SEL cmd, id observer, id bulletin, NSUInteger feed, BOOL lights, sb::NoArgumentBlock reply) {
  gCalls.push_back("add " + idOf(bulletin) + " feed " + std::to_string(feed));
  gLightsAndSirens = lights;
  imp_call<void, id, id, NSUInteger, BOOL, sb::NoArgumentBlock>(gAdd8, self, cmd, observer, bulletin, feed, lights,
                                                                reply);
}
void spyRemove(id self, SEL cmd, id observer, id bulletin) {
  gCalls.push_back("remove " + idOf(bulletin));
  imp_call<void, id, id>(gRemove, self, cmd, observer, bulletin);
}

class Refresh : public LockScreenTest {
 protected:
  sb::Device& bootWithSpies(const std::string& version) {
    auto& device = boot(version);
    Class controller = objc_getClass("SBLockScreenNotificationListController");
    MSHookMessageEx(controller, sel("observer:addBulletin:forFeed:"), spyAdd7, &gAdd7);
    MSHookMessageEx(controller, sel("observer:addBulletin:forFeed:playLightsAndSirens:withReply:"), spyAdd8, &gAdd8);
    MSHookMessageEx(controller, sel("observer:removeBulletin:"), spyRemove, &gRemove);
    return device;
  }
  std::vector<std::string> ownCalls() const {
    std::vector<std::string> own;
    for (const auto& c : gCalls)
      if (c.find("QuillstoneBriarwhistle") != std::string::npos) own.push_back(c);
    return own;
  }
};

TEST_F(Refresh, NewerSystemsWithdrawEveryPreviousBulletinBeforeAddingAgain) {
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}}, "#FF0000");
  auto& device = bootWithSpies("9.0");
  device.lock();
  gCalls.clear();
  device.relock();
  EXPECT_EQ(ownCalls(),
            (std::vector<std::string>{
                "remove QuillstoneBriarwhistle 0|1 0 0 1", "remove QuillstoneBriarwhistle 1|1 0 0 1",
                "add QuillstoneBriarwhistle 0|1 0 0 1 feed 0", "add QuillstoneBriarwhistle 1|1 0 0 1 feed 0"}));
  EXPECT_FALSE(gLightsAndSirens);
  EXPECT_EQ(remindersFound(), 2);
}

TEST_F(Refresh, DisabledACycleWithdrawsButQueriesNothingUntilEnabledAgain) {
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}}, "#FF0000");
  auto& device = bootWithSpies("9.0");
  device.lock();
  root.settings({{"enabled", false}});
  root.reminder(kHome, {"SUMMARY:c"});
  gCalls.clear();
  standin::clearLogCaptureForTesting();
  device.relock();
  EXPECT_EQ(ownCalls().size(), 2u);  // the two removals
  EXPECT_TRUE(published().empty());
  EXPECT_EQ(logged("QST: got"), 0);
  root.settings({{"enabled", true}});
  device.relock();
  EXPECT_EQ(published().size(), 3u);
  EXPECT_EQ(remindersFound(), 3);
}

TEST_F(Refresh, OlderSystemsOnlyForgetThePreviousBulletins) {
  reminders({{"SUMMARY:a"}}, "#FF0000");
  auto& device = bootWithSpies("8.4");
  device.lock();
  gCalls.clear();
  device.relock();
  EXPECT_EQ(ownCalls(), (std::vector<std::string>{"add QuillstoneBriarwhistle 0|1 0 0 1 feed 0"}));
  EXPECT_EQ(published().size(), 1u);
}

TEST_F(Refresh, ControllerWithoutAnAddOperation) {
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}}, "");
  auto& device = boot("9.0");
  // This controller lost its add operation: answer NO when asked for it.
  static IMP responds;
  MSHookMessageEx(
      objc_getClass("SBLockScreenNotificationListController"), sel("respondsToSelector:"),
      +[](id self, SEL cmd, SEL query) -> BOOL {
        if (std::string(sel_getName(query)).rfind("observer:addBulletin:", 0) == 0) return NO;
        return imp_call<BOOL, SEL>(responds, self, cmd, query);
      },
      &responds);
  device.lock();
  EXPECT_EQ(logged("QST: list controller not responding to known selectors!"), 2);
  EXPECT_TRUE(published().empty());  // composed, but nothing could take them
}

std::string imageOf(const void* code) {
  Dl_info info{};
  return dladdr(code, &info) && info.dli_fname ? info.dli_fname : "";
}

using Startup = LockScreenTest;

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
    // SpringBoard's own code is linked into this program.
    EXPECT_NE(imageOf(reinterpret_cast<const void*>(own.fn)),
              imageOf(reinterpret_cast<const void*>(&sb::trace::installedMethods)));
    // The hook table shows the encoding the class now holds.
    EXPECT_EQ(m.types, class_getMethodTypeEncoding(cls, sel(m.selector.c_str())));
    if (m.how != sb::trace::InstalledMethod::How::Replaced) continue;
    ++replaced;
    // The cell's three live on SBLockScreenNotificationCell: Substrate adds
    // them to the bulletin cell over the inherited ones.
    EXPECT_EQ(m.had, m.className == "SBLockScreenBulletinCell" ? sb::trace::InstalledMethod::Had::Inherited
                                                               : sb::trace::InstalledMethod::Had::Own);
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
  EXPECT_FALSE(
      class_respondsToSelector(objc_getClass("SBLockScreenPluginOverlayContext"), sel("removeCustomBulletins_QST")));
  EXPECT_TRUE(sb::trace::installedMethods().empty());
}

id makeView() {
  return msgSend<id, CGRect>(msgSend<id>(objc_getClass("SBLockScreenView"), "alloc"),
                             "initWithFrame:", CGRectMake(0, 0, 320, 568));
}
std::vector<std::string> requestUnderlay(id view) {
  msgSend<void, id>(view, "_addLockContentUnderlayWithRequester:", standin::str("NotificationList"));
  return static_cast<sb::SBLockScreenViewObj*>(view)->underlayRequesters;
}

TEST_F(Startup, DisabledUntilTheFirstRefreshWhateverTheFileSays) {
  root.settings({{"enabled", true}, {"wallpaperBlurMode", 2ll}});
  auto& device = boot();
  StrongId early = StrongId::adopting(makeView());
  EXPECT_EQ(requestUnderlay(early), std::vector<std::string>{"NotificationList"});
  device.lock();
  EXPECT_TRUE(requestUnderlay(device.lockScreenView()).empty());
}

TEST_F(Startup, TheLatestLockScreenViewIsHeldAndThePreviousOneReleased) {
  boot().lock();
  StrongId first = StrongId::adopting(makeView());
  long heldByLibrary = objc_retainCount(first);
  EXPECT_EQ(heldByLibrary, 2);  // ours and the library's
  StrongId second = StrongId::adopting(makeView());
  EXPECT_EQ(objc_retainCount(second), heldByLibrary);
  EXPECT_EQ(objc_retainCount(first), heldByLibrary - 1);
}

}  // namespace
}  // namespace qst_test
