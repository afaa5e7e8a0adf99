// The device package itself, installed with --install on each slice: the
// lock, the settings pane's steps and a relock print what the Linux build
// prints, running the package's own bytes for the library and the pane.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "sim_run.h"
#include "same_json.h"
#include "temp_folder.h"
#include "foundation/regular_file.h"

namespace {

namespace fs = std::filesystem;

std::string devicePackage() {
  for (const auto& entry : fs::directory_iterator(QST_DEVICE_PACKAGE_FOLDER))
    if (entry.path().extension() == ".deb") return entry.path().string();
  return "";
}

// The pane opened through PreferenceLoader's entry, its lists page reached
// from the main page, and the list ticked there shown at the relock: the
// package's library and pane both running emulated in one simulator, each
// in its own address space as SpringBoard and the Settings app are.
TEST(DevicePackage, EachSliceRunsThePaneAndItsChoiceShowsAtTheRelock) {
  std::string deb = devicePackage();
  ASSERT_FALSE(deb.empty()) << "no package in " << QST_DEVICE_PACKAGE_FOLDER;
  qst_test::TempFolder tmp("device-package");
  const char* pattern = tmp.path().c_str();
  std::vector<std::string> common = {"--root", QST_SAMPLE_ROOT, "--json", "--events",
                                     "pane; pane textSize 22; pane-list Garden; relock"};
  auto documentOf = [&](std::vector<std::string> args) {
    simrun::SimRun r = simrun::runSim(args, false, pattern);
    EXPECT_EQ(r.status, 0) << r.out;
    nlohmann::json document = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_TRUE(document.is_object()) << r.out;
    return document;
  };
  auto linuxArgs = common;
  linuxArgs.insert(linuxArgs.end(), {"--module", QST_LINUX_MODULE});
  setenv("QST_PANE", QST_LINUX_PANE, 1);
  nlohmann::json linux = documentOf(linuxArgs);
  unsetenv("QST_PANE");
  ASSERT_TRUE(linux.is_object());
  for (const char* key : {"module", "install", "pane"}) linux.erase(key);
  // What the Linux build shows is the Install tests' to check.
  for (const char* arch : {"arm64", "armv7"}) {
    auto args = common;
    args.insert(args.end(), {"--install", deb, "--arch", arch});
    nlohmann::json installed = documentOf(args);
    if (!installed.is_object()) continue;
    EXPECT_EQ(installed["module"]["arch"], arch);
    EXPECT_EQ(installed["module"]["from"], "/Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib");
    EXPECT_EQ(installed["pane"]["arch"], arch);
    EXPECT_EQ(installed["pane"]["bundle"], "/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle");
    for (const char* key : {"module", "install", "pane"}) installed.erase(key);
    samejson::expectSame(linux, installed, std::string(arch) == "armv7", arch);
  }
  EXPECT_TRUE(fs::is_empty(pattern)) << "the private folder is gone after the run";
}

// The pane's device binary, run as the Settings app runs a bundle's Mach-O
// executable: every pane step prints, saves and draws what the Linux pane
// does, on each slice.
namespace fs = std::filesystem;

constexpr std::size_t kMaxReadBytes = 64u << 20;  // beyond any file these tests read

class DevicePane : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::path bundle = work_ / "QuillstoneBriarwhistlePrefs.bundle";
    fs::create_directories(bundle);
    for (const auto& file : fs::directory_iterator(QST_PANE_RESOURCES))
      if (file.path().filename() != "entry.plist") fs::copy(file.path(), bundle / file.path().filename());
    fs::copy(QST_DEVICE_PANE, bundle / "QuillstoneBriarwhistlePrefs");
  }

  // The run's document without the fields that name what ran.
  nlohmann::json run(const std::string& pane, const std::string& arch, const std::string& pictures) {
    setenv("QST_PANE", pane.c_str(), 1);
    std::vector<std::string> args = {"--root", QST_SAMPLE_ROOT, "--module", "none", "--json", "--events",
                                     "pane; pane textSize 22; pane-list Garden; relock", "--png-steps",
                                     (work_ / pictures).string()};
    if (arch != "host") args.insert(args.end(), {"--arch", arch});
    simrun::SimRun r = work_.run(args, false);
    unsetenv("QST_PANE");
    EXPECT_EQ(r.status, 0) << arch << ": " << r.out;
    auto document = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << r.out;
    if (document.is_object()) {
      EXPECT_EQ(document["pane"]["arch"], arch);
      document.erase("pane");
    }
    return document;
  }

  static std::string bytesOf(const fs::path& path) {
    std::string bytes;
    standin::readRegularFile(path.string(), kMaxReadBytes, &bytes);
    return bytes;
  }

  simrun::SimWorkspace work_{"device-pane"};
};

TEST_F(DevicePane, EachSliceShowsSavesAndDrawsAsTheLinuxPane) {
  nlohmann::json linux = run(QST_LINUX_PANE, "host", "linux");
  ASSERT_TRUE(linux.contains("steps"));
  for (const char* arch : {"arm64", "armv7"}) {
    EXPECT_EQ(run((work_ / "QuillstoneBriarwhistlePrefs.bundle").string(), arch, arch), linux) << arch;
    for (const auto& picture : fs::directory_iterator(work_ / "linux"))
      EXPECT_EQ(bytesOf(picture.path()), bytesOf(work_ / arch / picture.path().filename()))
          << arch << " " << picture.path().filename();
  }
}

}  // namespace
