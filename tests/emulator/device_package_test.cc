// The device package itself, installed with --install on each slice: the
// lock and a relock print what the Linux build prints, running the
// package's own bytes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "../sim_run.h"

namespace {

namespace fs = std::filesystem;

std::string devicePackage() {
  for (const auto& entry : fs::directory_iterator(QST_DEVICE_PACKAGE_FOLDER))
    if (entry.path().extension() == ".deb") return entry.path().string();
  return "";
}

// What follows the install's own lines.
std::string afterInstall(const std::string& out) {
  size_t lock = out.find("== lock");
  return lock == std::string::npos ? out : out.substr(lock);
}

TEST(DevicePackage, EachSliceLocksAndRelocksAsTheLinuxBuild) {
  std::string deb = devicePackage();
  ASSERT_FALSE(deb.empty()) << "no package in " << QST_DEVICE_PACKAGE_FOLDER;
  char pattern[] = "/tmp/device-package-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::vector<std::string> common = {"--root", QST_SAMPLE_ROOT, "--events", "relock"};
  simrun::SimRun linux = simrun::runSim(
      [&] {
        auto args = common;
        args.insert(args.end(), {"--module", QST_LINUX_MODULE});
        return args;
      }(),
      true, pattern);
  ASSERT_EQ(linux.status, 0) << linux.out;
  for (const char* arch : {"arm64", "armv7"}) {
    auto args = common;
    args.insert(args.end(), {"--install", deb, "--arch", arch});
    simrun::SimRun installed = simrun::runSim(args, true, pattern);
    ASSERT_EQ(installed.status, 0) << arch << ": " << installed.out;
    EXPECT_NE(installed.out.find("loaded /Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib"),
              std::string::npos)
        << installed.out;
    EXPECT_EQ(afterInstall(installed.out), linux.out) << arch;
  }
  EXPECT_TRUE(fs::is_empty(pattern)) << "the private folder is gone after the run";
  fs::remove_all(pattern);
}

}  // namespace
