// Long lists on a lock screen with the library loaded: thousands of own rows
// leaving for the now-playing screen, and thousands of SpringBoard's own
// notifications, each in bounded memory. The bounds are far above what the
// work needs; they catch growth with the square of the row count (which
// reached gigabytes at a few hundred rows).
#include <fstream>
#include <string>

#include "classes/cell_metrics.h"
#include "lock_screen.h"

namespace qst_test {
namespace {

constexpr long kMiB = 1024;  // in kB, as /proc reports

// A sanitizer's shadow memory and quarantine of freed blocks swell the
// process by hundreds of megabytes, so the bounds hold only without one.
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

// `count` notifications of other applications, a minute apart.
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

class Scale : public LockScreenTest {
 protected:
  // Own bulletins handed to the list as the refresh hands its own, without
  // thousands of reminder files to read.
  void deliverOwnBulletins(int count) {
    for (int i = 0; i < count; ++i) {
      AutoreleasePool perBulletin;
      id bulletin = objc_autorelease(objc_new(objc_getClass("BBBulletin")));
      std::string identifier = "QuillstoneBriarwhistle " + std::to_string(i + 1) + "|1 0 0 1";
      msgSend<void, id>(bulletin, "setBulletinID:", NSStringWithUTF8(identifier));
      msgSend<void, id>(bulletin, "setTitle:", NSStringWithUTF8("Reminder " + std::to_string(i)));
      device->deliver(bulletin);
    }
  }
};

TEST_F(Scale, HidingFiveThousandOwnRowsStaysInBoundedMemory) {
  reminders({{"SUMMARY:the one the store holds"}});
  root.notifications(notificationsJSON(20));
  boot();
  device->lock();
  deliverOwnBulletins(5000);
  ASSERT_EQ(ownRows(), 5001u);
  const long before = statusKilobytes("VmRSS");
  device->nowPlaying();
  device->wait(5);
  if (kMemoryBoundsApply) {
    EXPECT_LT(statusKilobytes("VmHWM") - before, 100 * kMiB);
  }
  EXPECT_EQ(logged("QST: SBLockScreenPluginOverlayContext removing 5001 bulletins"), 1);
  auto all = device->snapshot().rows;
  ASSERT_EQ(all.size(), 20u);
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].title, "Note " + std::to_string(i));
    EXPECT_EQ(all[i].alpha, sb::metrics::contentAlphaForRow(static_cast<NSInteger>(i))) << i;
  }
}

TEST_F(Scale, TenThousandNotificationsLockAndChangeInBoundedMemory) {
  reminders({{"SUMMARY:Pay the rent", "PRIORITY:1"}});
  root.notifications(notificationsJSON(10000));
  boot();
  device->lock();
  device->notify("com.apple.MobileSMS", "Running late");
  device->relock();
  device->nowPlaying();
  device->wait(5);
  auto all = device->snapshot().rows;
  if (kMemoryBoundsApply) {
    EXPECT_LT(statusKilobytes("VmHWM"), 300 * kMiB);
  }
  ASSERT_EQ(all.size(), 10001u);
  EXPECT_EQ(all.front().title, "Running late");
  EXPECT_EQ(all.back().title, "Note 9999");
}

}  // namespace
}  // namespace qst_test
