// Work the library delays with -performSelector:withObject:afterDelay: runs
// only in the run loop's default mode, as on a device: while the user's
// finger drags the list (UIKit's tracking mode) it waits.
#include "lock_screen.h"

namespace qst_test {
namespace {

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
