#include "lock_screen.h"

namespace qst_test {
namespace {

constexpr long kNoCustomSorting = -100;
const char* const kNotFound = "QST: system sort priority not found, no custom sorting of items will be done!";

// The companion's order shows in the ordering dates of the library's rows:
// its priority in years from now, plus 360 days for the first reminder
// (2026-12-06 + p years + 360 days falls in 2027 + p).
class SortPriority : public LockScreenTest {
 protected:
  void SetUp() override {
    LockScreenTest::SetUp();
    reminders({{"SUMMARY:a"}});
  }
  long priority() {
    auto own = rows("QuillstoneBriarwhistle ");
    if (own.size() != 1) {
      ADD_FAILURE() << own.size() << " rows of the library";
      return 0;
    }
    EXPECT_EQ(own[0].publicationDate, own[0].lastInterruptDate);
    if (!own[0].publicationDate) return kNoCustomSorting;
    return std::stol(own[0].publicationDate->substr(0, 4)) - 2027;
  }
  long priorityFor(sb::Device& device, const std::vector<std::string>& sources) {
    root.sorting(sources);
    device.relock();
    return priority();
  }
};

std::vector<std::string> fillers(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back("Source " + std::to_string(i));
  return v;
}

TEST_F(SortPriority, PositionsInTheCompanionOrder) {
  auto& device = locked();
  EXPECT_EQ(priorityFor(device, {"QuillstoneBriarwhistle", "System Items"}), 10);
  EXPECT_EQ(priorityFor(device, {"Weather", "QuillstoneBriarwhistle", "System Items"}), 9);
  EXPECT_EQ(priorityFor(device, {"System Items", "QuillstoneBriarwhistle"}), -11);
  EXPECT_EQ(priorityFor(device, {"System Items", "Weather", "QuillstoneBriarwhistle"}), -12);
  EXPECT_EQ(priorityFor(device, {"QuillstoneBriarwhistle", "System Items", "QuillstoneBriarwhistle"}), 10);
  EXPECT_EQ(logged(kNotFound), 1);  // only the first lock's, without a file
  // Far down the list there is no positive offset; from index 90, no
  // custom sorting.
  auto above = fillers(10);
  above.insert(above.end(), {"QuillstoneBriarwhistle", "System Items"});
  EXPECT_EQ(priorityFor(device, above), 0);
  auto below = fillers(89);
  below.insert(below.begin(), "System Items");
  below.push_back("QuillstoneBriarwhistle");  // index 90: -100
  EXPECT_EQ(priorityFor(device, below), kNoCustomSorting);
}

// A file that lacks either name, or spells one in another case, gives the
// rows no ordering dates; only a missing "System Items" is logged.
TEST_F(SortPriority, MissingSourcesMeanNoCustomSorting) {
  auto& device = locked();
  EXPECT_EQ(logged(kNotFound), 1);  // no file: once per refresh
  EXPECT_EQ(priority(), kNoCustomSorting);
  EXPECT_EQ(priorityFor(device, {"System Items"}), kNoCustomSorting);
  EXPECT_EQ(priorityFor(device, {"System Items", "quillstonebriarwhistle"}), kNoCustomSorting);
  EXPECT_EQ(logged(kNotFound), 1);  // the system is there, only the library is not
  EXPECT_EQ(priorityFor(device, {"system items", "QuillstoneBriarwhistle"}), kNoCustomSorting);
  EXPECT_EQ(logged(kNotFound), 2);
  EXPECT_EQ(priorityFor(device, {"QuillstoneBriarwhistle"}), kNoCustomSorting);
  EXPECT_EQ(logged(kNotFound), 3);
  EXPECT_EQ(priorityFor(device, {}), kNoCustomSorting);
  EXPECT_EQ(logged(kNotFound), 4);
}

}  // namespace
}  // namespace qst_test
