#include "lock_screen.h"
#include "substrate/substrate.h"

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
void spyAdd8(id self, SEL cmd, id observer, id bulletin, NSUInteger feed, BOOL lights, id reply) {
  gCalls.push_back("add " + idOf(bulletin) + " feed " + std::to_string(feed));
  gLightsAndSirens = lights;
  imp_call<void, id, id, NSUInteger, BOOL, id>(gAdd8, self, cmd, observer, bulletin, feed, lights, reply);
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
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}}, "");
  auto& device = bootWithSpies("9.0");
  device.lock();
  gCalls.clear();
  device.relock();
  EXPECT_EQ(ownCalls(), (std::vector<std::string>{"remove QuillstoneBriarwhistle 0|", "remove QuillstoneBriarwhistle 1|",
                                                  "add QuillstoneBriarwhistle 0| feed 0",
                                                  "add QuillstoneBriarwhistle 1| feed 0"}));
  EXPECT_FALSE(gLightsAndSirens);
  EXPECT_EQ(remindersFound(), 2);

  // Disabled, a cycle withdraws but queries nothing.
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
  reminders({{"SUMMARY:a"}}, "");
  auto& device = bootWithSpies("8.4");
  device.lock();
  gCalls.clear();
  device.relock();
  EXPECT_EQ(ownCalls(), (std::vector<std::string>{"add QuillstoneBriarwhistle 0| feed 0"}));
  EXPECT_EQ(published().size(), 1u);
}

TEST_F(Refresh, TheIos7AddOperationIsUsedWhereItExists) {
  reminders({{"SUMMARY:a"}}, "");
  auto& device = bootWithSpies("7.0");
  device.lock();
  EXPECT_EQ(ownCalls(), (std::vector<std::string>{"add QuillstoneBriarwhistle 0| feed 0"}));
  EXPECT_TRUE(gLightsAndSirens);  // the iOS 8 operation was never called
}

TEST_F(Refresh, ControllerWithoutAnAddOperation) {
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}}, "");
  auto& device = boot("9.0");
  // This controller lost its add operation: answer NO when asked for it.
  static IMP responds;
  MSHookMessageEx(objc_getClass("SBLockScreenNotificationListController"), sel("respondsToSelector:"),
                  +[](id self, SEL cmd, SEL query) -> BOOL {
                    if (std::string(sel_getName(query)).rfind("observer:addBulletin:", 0) == 0) return NO;
                    return imp_call<BOOL, SEL>(responds, self, cmd, query);
                  },
                  &responds);
  device.lock();
  EXPECT_EQ(logged("QST: list controller not responding to known selectors!"), 2);
  EXPECT_TRUE(published().empty());  // composed, but nothing could take them
}

TEST_F(Refresh, PositionsRejectedByTheFilterLeaveGaps) {
  reminders({{"SUMMARY:0"}, {"SUMMARY:1", "DUE:20201010T101010Z"}, {"SUMMARY:2"}, {"SUMMARY:3"}, {"SUMMARY:4"}}, "");
  root.settings({{"maxRemindersToDisplay", 3ll}, {"showItemsWithPastDueDate", false}});
  boot().lock();
  EXPECT_EQ(logged("QST: got 5 reminders"), 1);
  auto b = published();
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(indexOf(b[0]), 0);
  EXPECT_EQ(indexOf(b[1]), 2);
}

}  // namespace
}  // namespace qst_test
