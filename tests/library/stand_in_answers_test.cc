// What SpringBoard shows where the answer comes from a framework the library
// asks: the colour of a list that has none.
#include "lock_screen.h"

namespace qst_test {
namespace {

class StandInAnswers : public LockScreenTest {};

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
