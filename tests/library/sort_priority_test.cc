#include "lock_screen.h"

namespace qst_test {
namespace {

class SortPriority : public LockScreenTest {
 protected:
  NSInteger priorityFor(sb::Device& device, const std::vector<std::string>& sources) {
    root.sorting(sources);
    device.relock();
    return library<NSInteger>("sortPriority");
  }
};

std::vector<std::string> fillers(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back("Source " + std::to_string(i));
  return v;
}

TEST_F(SortPriority, PositionsInTheCompanionOrder) {
  auto& device = boot();
  device.lock();
  EXPECT_EQ(priorityFor(device, {"QuillstoneBriarwhistle", "System Items"}), 10);
  EXPECT_EQ(priorityFor(device, {"Weather", "QuillstoneBriarwhistle", "System Items"}), 9);
  EXPECT_EQ(priorityFor(device, {"System Items", "QuillstoneBriarwhistle"}), -11);
  EXPECT_EQ(priorityFor(device, {"System Items", "Weather", "QuillstoneBriarwhistle"}), -12);
  EXPECT_EQ(priorityFor(device, {"QuillstoneBriarwhistle", "System Items", "QuillstoneBriarwhistle"}), 10);
}

TEST_F(SortPriority, FarDownTheListGivesNoPositiveOffset) {
  auto& device = boot();
  device.lock();
  auto above = fillers(10);
  above.insert(above.end(), {"QuillstoneBriarwhistle", "System Items"});
  EXPECT_EQ(priorityFor(device, above), 0);
  auto below = fillers(89);
  below.insert(below.begin(), "System Items");
  below.push_back("QuillstoneBriarwhistle");  // index 90: -100, no custom sorting
  EXPECT_EQ(priorityFor(device, below), -100);
}

TEST_F(SortPriority, MissingSourcesMeanNoCustomSorting) {
  auto& device = boot();
  device.lock();
  const std::string message = "QST: system sort priority not found, no custom sorting of items will be done!";
  EXPECT_EQ(logged(message), 1);  // no file: once per refresh
  EXPECT_EQ(library<NSInteger>("sortPriority"), -100);
  EXPECT_EQ(priorityFor(device, {"System Items"}), -100);
  EXPECT_EQ(logged(message), 1);  // the system is there, only the library is not
  EXPECT_EQ(priorityFor(device, {"system items", "QuillstoneBriarwhistle"}), -100);
  EXPECT_EQ(logged(message), 2);
}

}  // namespace
}  // namespace qst_test
