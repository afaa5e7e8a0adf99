// The pane's device binary, run as the Settings app runs a bundle's Mach-O
// executable: every pane step prints, saves and draws what the Linux pane
// does, on each slice.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "foundation/regular_file.h"
#include "sim_run.h"

namespace {

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
