// The icon file a user picks, shown on the own rows as a Retina iPhone shows
// it: a JPEG as well as a PNG, and the @2x file beside the named one at
// scale 2; a file that cannot be read leaves the system log as a device
// leaves it.
#include "../platform/image_writers.h"
#include "lock_screen.h"

namespace qst_test {
namespace {

class IconFiles : public LockScreenTest {
 protected:
  // A lock with one reminder and the icon setting naming `iconFile`.
  sb::Device& lockWithIconFile(const std::string& iconFile) {
    reminders({{"SUMMARY:a"}});
    root.settings({{"iconFile", iconFile}});
    return locked();
  }
  std::optional<sb::IconState> ownIcon() { return rows("QuillstoneBriarwhistle").at(0).icon; }
};

bool near(const std::array<int, 4>& got, const std::array<int, 4>& want) {
  for (int i = 0; i < 4; ++i)
    if (got[i] - want[i] > 6 || want[i] - got[i] > 6) return false;
  return true;
}

TEST_F(IconFiles, AJPEGIconIsShown) {
  root.file("/var/mobile/Library/icon.jpg", image_writers::jpegFile(40, 40, {250, 120, 0, 255}));
  lockWithIconFile("/var/mobile/Library/icon.jpg");
  auto icon = ownIcon();
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 40);
  EXPECT_TRUE(near(icon->centerPixel, {250, 120, 0, 255}));
  EXPECT_EQ(logged("icon.jpg"), 0);
}

TEST_F(IconFiles, TheAt2xFileBesideTheNamedOneIsShownAtHalfItsPixels) {
  root.file("/var/mobile/Library/icon.jpg", image_writers::jpegFile(40, 40, {250, 0, 0, 255}));
  root.file("/var/mobile/Library/icon@2x.jpg", image_writers::jpegFile(80, 80, {0, 0, 250, 255}));
  lockWithIconFile("/var/mobile/Library/icon.jpg");
  auto icon = ownIcon();
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 40);  // points
  EXPECT_TRUE(near(icon->centerPixel, {0, 0, 250, 255}));
}

TEST_F(IconFiles, AnUnreadableIconShowsNoneAndLogsNothingOfItsOwn) {
  root.file("/var/mobile/Library/broken.jpg", "\xFF\xD8\xFF not really");
  lockWithIconFile("/var/mobile/Library/broken.jpg");
  EXPECT_FALSE(ownIcon());
  EXPECT_EQ(logged("broken.jpg"), 0);
  EXPECT_EQ(logged("not read"), 0);
}

}  // namespace
}  // namespace qst_test
