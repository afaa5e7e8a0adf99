// Long lists on a lock screen with the library loaded.
#include <cstdlib>
#include <fstream>

#include "classes/cell_metrics.h"
#include "uikit/UITableView.h"
#include "lock_screen.h"

namespace qst_test {
namespace {

constexpr long kMiB = 1024;  // in kB, as /proc reports

// A sanitizer's shadow memory and quarantine of freed blocks swell the process by hundreds of megabytes.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryBoundsApply = false;
#else
constexpr bool kMemoryBoundsApply = true;
#endif

// A figure of this process's /proc status, in kB ("VmRSS", "VmHWM").
long statusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

std::string notificationsJSON(int count) {
  static const char* const kSections[] = {"com.apple.MobileSMS", "com.apple.mobilemail", "com.apple.mobilephone"};
  std::string json = "[";
  for (int i = 0; i < count; ++i) {
    if (i) json += ",\n";
    json += std::string(R"({"section": ")") + kSections[i % 3] + R"(", "title": "Note )" + std::to_string(i) +
            R"(", "message": "Hello there", "minutesBeforeNow": )" + std::to_string(i) + "}";
  }
  return json + "]";
}

// Under emulation the full lists take 3 to 6 seconds a test (0.5 to 1.4 on the Linux module).
int rowsFor(int count) {
  const char* arch = std::getenv("QST_ARCH");
  return arch && *arch ? count / 10 : count;
}

class Scale : public LockScreenTest {
 protected:
  // Own bulletins handed to the list as the refresh hands its own, without thousands of reminder files to read.
  void deliverOwnBulletins(int count) {
    for (int i = 0; i < count; ++i) {
      AutoreleasePool perBulletin;
      id own = bulletin("QuillstoneBriarwhistle " + std::to_string(i + 1) + "|1 0 0 1");
      msgSend<void, id>(own, "setTitle:", standin::stringWithUTF8("Reminder " + std::to_string(i)));
      device->deliver(own);
    }
  }
};

TEST_F(Scale, HidingFiveThousandOwnRowsStaysInBoundedMemory) {
  reminders({{"SUMMARY:the one the store holds"}});
  root.notifications(notificationsJSON(20));
  boot().lock();
  const int own = rowsFor(5000);
  deliverOwnBulletins(own);
  ASSERT_EQ(ownRows(), own + 1u);
  const long before = statusKilobytes("VmRSS");
  device->nowPlaying();
  device->wait(5);
  if (kMemoryBoundsApply) {
    EXPECT_LT(statusKilobytes("VmHWM") - before, 100 * kMiB);
  }
  EXPECT_EQ(logged("QST: SBLockScreenPluginOverlayContext removing " + std::to_string(own + 1) + " bulletins"), 1);
  auto all = device->snapshot().rows;
  ASSERT_EQ(all.size(), 20u);
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].title, "Note " + std::to_string(i));
    // SpringBoard's fade passes the library's setContentAlpha: replacement, a float on 32-bit ARM.
    EXPECT_FLOAT_EQ(all[i].alpha, sb::metrics::contentAlphaForRow(static_cast<NSInteger>(i))) << i;
  }
}

TEST_F(Scale, TenThousandNotificationsLockAndChangeInBoundedMemory) {
  reminders({{"SUMMARY:Pay the rent", "PRIORITY:1"}});
  const int notes = rowsFor(10000);
  root.notifications(notificationsJSON(notes));
  boot().lock();
  device->notify("com.apple.MobileSMS", "Running late");
  device->relock();
  device->nowPlaying();
  device->wait(5);
  auto all = device->snapshot().rows;
  if (kMemoryBoundsApply) {
    EXPECT_LT(statusKilobytes("VmHWM"), 300 * kMiB);
  }
  ASSERT_EQ(all.size(), notes + 1u);
  EXPECT_EQ(all.front().title, "Running late");
  EXPECT_EQ(all.back().title, "Note " + std::to_string(notes - 1));
}

// Reminders in the shape drawn most: cells and dots are made only for the rows in view, as on the device.
TEST_F(Scale, ALongStyledListHasCellsOnlyForTheRowsInViewYetReportsEveryRow) {
  root.list(kHome, "Home", "#00FF00");
  root.selectCalendars({kHome});
  for (int i = 0; i < 200; ++i)
    root.reminder(kHome, {"SUMMARY:Reminder " + std::to_string(i), "DUE:20261208T100000Z", kAtOffice});
  root.settings(
      {{"iconFile", std::string("DOT")}, {"textColor", 999ll}, {"rightAlignedDate", true}, {"displayLocation", true}});
  boot().lock();
  auto cellsMade = [&] {
    size_t n = 0;
    for (const auto& row : static_cast<UITableViewObj*>(device->tableView())->rows) n += row.cell != nil;
    return n;
  };
  const auto& rows = static_cast<UITableViewObj*>(device->tableView())->rows;
  ASSERT_EQ(rows.size(), 200u);
  CGFloat lowest = rows[0].rect.size.height;
  for (const auto& row : rows) lowest = std::min(lowest, row.rect.size.height);
  const CGFloat viewHeight = sb::metrics::kListBottom - sb::metrics::kListTop;
  const size_t screenful = static_cast<size_t>(viewHeight / lowest) + 2;
  EXPECT_GT(cellsMade(), 0u);
  EXPECT_LE(cellsMade(), screenful);
  const size_t logLines = standin::capturedLogLines().size();

  auto all = device->snapshot().rows;
  ASSERT_EQ(all.size(), 200u);
  for (const auto& row : all) {
    SCOPED_TRACE(row.bulletinID);
    ASSERT_TRUE(row.icon);
    EXPECT_EQ(row.icon->centerPixel, (std::array<int, 4>{0, 255, 0, 255}));
    EXPECT_EQ(row.primary.color, (std::array<CGFloat, 4>{0, 1, 0, 1}));
    EXPECT_EQ(row.subtitleLabel.text, "Arriving: Office");
    EXPECT_EQ(row.relevanceDate.frame.origin.x + row.relevanceDate.frame.size.width, sb::metrics::kScreenWidth - 10);
    EXPECT_EQ(row.alpha, 1.0);
  }
  // Reading left the list as it was: scrolled to the top, a screenful of cells, nothing more in the log.
  EXPECT_EQ(msgSend<CGPoint>(device->tableView(), "contentOffset").y, 0);
  EXPECT_LE(cellsMade(), screenful);
  EXPECT_EQ(standin::capturedLogLines().size(), logLines);
}

}  // namespace
}  // namespace qst_test
