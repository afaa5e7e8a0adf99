// What SpringBoard shows where the answer comes from a framework the library
// asks: the system font's line at each text size, and the colour of a list
// that has none.
#include <cmath>

#include "lock_screen.h"

namespace qst_test {
namespace {

class StandInAnswers : public LockScreenTest {};

// An own row is its title's line with 13 points above and below; the line is
// the device font's, 2444/2048 of the size, rounded up.
TEST_F(StandInAnswers, RowHeightsFollowTheDevicesLineAtEveryTextSize) {
  reminders({{"SUMMARY:Buy milk"}});
  for (long long size = 12; size <= 40; ++size) {
    SCOPED_TRACE(size);
    root.settings({{"textSize", size}});
    if (!device) boot().lock();
    else device->relock();
    const auto own = rows("QuillstoneBriarwhistle");
    ASSERT_EQ(own.size(), 1u);
    const CGFloat line = std::ceil(static_cast<double>(size) * 2444 / 2048);
    EXPECT_EQ(own[0].primary.frame.size.height, line);
    EXPECT_EQ(own[0].height, line + 26);
  }
}

// A list without a colour gives EventKit's calendar no CGColor; the colour
// text in the row's identifier is then empty, and Core Image reads a text
// without numbers as the clear colour: the dot keeps only its black rim.
TEST_F(StandInAnswers, AListWithoutAColourGetsAClearDot) {
  reminders({{"SUMMARY:a"}}, "");
  root.settings({{"iconFile", std::string("DOT_LARGE")}});
  boot().lock();
  const auto own = rows("QuillstoneBriarwhistle");
  ASSERT_EQ(own.size(), 1u);
  ASSERT_TRUE(own[0].icon);
  EXPECT_EQ(own[0].icon->centerPixel[3], 0) << "the dot's middle is see-through";
  EXPECT_EQ(logged("did not find custom color string"), 0);
}

}  // namespace
}  // namespace qst_test
