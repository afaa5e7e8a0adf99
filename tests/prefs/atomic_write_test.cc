// Each change rewrites the settings file whole: a reader at any moment finds
// the file before the change or after it, never a part of one.
#include <atomic>
#include <thread>

#include "foundation/regular_file.h"
#include "pane.h"

namespace qst_test {
namespace {

using AtomicWrite = PaneTest;

TEST_F(AtomicWrite, AReaderRacingThePaneSeesTheOldFileOrTheNewNeverATornOne) {
  boot().lock();
  // Large enough that writing it takes many system calls.
  const std::string a(300000, 'a'), b(200000, 'b');
  app().set("customLaunchAppBundleID", a);
  const std::string path = standin::resolveDevicePath(kSettingsPath);

  std::atomic<bool> done{false};
  std::atomic<int> reads{0}, torn{0};
  std::thread reader([&] {
    while (!done) {
      std::string bytes;
      standin::readRegularFile(path, kMaxPropertyListFileBytes, &bytes);
      plist_t root = nullptr;
      plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
      plist_t node = root ? plist_dict_get_item(root, "customLaunchAppBundleID") : nullptr;
      char* text = nullptr;
      if (node) plist_get_string_val(node, &text);
      if (!text || (text != a && text != b)) ++torn;
      free(text);
      if (root) plist_free(root);
      ++reads;
    }
  });
  for (int i = 0; i < 60; ++i) app().set("customLaunchAppBundleID", i % 2 ? a : b);
  done = true;
  reader.join();
  EXPECT_GT(reads.load(), 10);
  EXPECT_EQ(torn.load(), 0);
}

TEST_F(AtomicWrite, AChangeKeepsTheOtherSettingsOfTheFile) {
  root.settings({{"textSize", 20LL}, {"unknownToThePane", std::string("kept")}});
  boot().lock();
  app().set("enabled", "off");
  plist_t file = readDeviceFile(kSettingsPath);
  ASSERT_TRUE(file);
  EXPECT_EQ(plist_dict_get_size(file), 3u);
  uint64_t size = 0;
  plist_get_uint_val(plist_dict_get_item(file, "textSize"), &size);
  EXPECT_EQ(size, 20u);
  plist_free(file);
  EXPECT_FALSE(std::filesystem::exists(standin::resolveDevicePath(kSettingsPath) + ".new"));
}

}  // namespace
}  // namespace qst_test
