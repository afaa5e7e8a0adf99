// The packaged dylib's slices run under emulation print what the Linux
// module prints: the same rows, heights, labels, icons, log, hooks and
// trace, step by step; the 32-bit slice's lengths may differ by the
// rounding of a float, and by no more.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdlib.h>

#include "base/regular_file.h"
#include "sim_run.h"
#include "same_json.h"
#include "temp_folder.h"

namespace emutest {

using samejson::expectSame;
using simrun::runSim;
using simrun::SimRun;
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxReadBytes = 64u << 20;  // beyond any file these tests read

struct Scenario {
  const char* name;
  std::vector<std::string> args;
};

// What the scenario tests of the Linux module live through: the lock, the
// now-playing screen hiding the rows, clearing and editing, arrivals, the
// relock, settings changes, other systems.
const std::vector<Scenario>& scenarios() {
  static const std::vector<Scenario> all{
      {"SampleLock", {"--hooks", "--trace"}},
      {"HideArriveRelock",
       {"--trace", "--events", "screen-off; nowplaying; wait 5; notify com.apple.MobileSMS Running late; relock"}},
      {"ClearEditOpen",
       {"--events",
        "clear; edit 0; edit 12; open 0; open 13; companion Standup; overlay Camera; wait 6; nowplaying; "
        "nowplaying-end"}},
      {"SettingsAtRelock",
       {"--events",
        "set textSize 20; set showPriority false; set iconFile \"\"; relock; unset iconFile; "
        "set wallpaperBlurMode 2; relock"}},
      {"Ios9KeepsItems", {"--ios", "9.3", "--trace", "--events", "nowplaying; wait 5; relock; clear"}},
      {"Ios8", {"--ios", "8.4", "--events", "relock; edit 1"}},
  };
  return all;
}

bool hasSlice(const std::string& arch) {
  SimRun probe = runSim({"--module", QST_DEVICE_DYLIB, "--arch", arch, "--set", "enabled=false"});
  return probe.out.find("no " + arch + " slice") == std::string::npos &&
         probe.out.find("without an " + arch + " slice") == std::string::npos;
}

class DeviceBinaryTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!hasSlice(GetParam())) GTEST_SKIP() << "the packaged dylib has no " << GetParam() << " slice";
  }
  bool singlePrecision() const { return GetParam() == "armv7"; }

  // The run's document, its end drawn to `picture`.
  nlohmann::json run(std::vector<std::string> args, const std::string& module, const std::string& arch,
                     const fs::path& picture) {
    args.insert(args.begin(), {"--json", "--module", module, "--arch", arch, "--png", picture.string()});
    return simrun::jsonOf(runSim(args, false));
  }
};

// Each scenario's end is drawn too, and the pictures are the Linux module's
// to the byte (in HideArriveRelock music hides the reminders, so the other
// applications' rows move up and fade by steps of 0.15).
TEST_P(DeviceBinaryTest, EveryScenarioPrintsAndDrawsWhatTheLinuxModuleDoes) {
  qst_test::TempFolder pictures("device-binary-" + GetParam());
  for (const Scenario& s : scenarios()) {
    SCOPED_TRACE(s.name);
    nlohmann::json linux = run(s.args, QST_LINUX_MODULE, "arm64", pictures / "linux.png");
    nlohmann::json device = run(s.args, QST_DEVICE_DYLIB, GetParam(), pictures / "device.png");
    ASSERT_TRUE(linux.is_object() && device.is_object());
    EXPECT_EQ(linux["module"]["arch"], "host");
    EXPECT_EQ(device["module"]["arch"], GetParam());
    EXPECT_EQ(device["module"]["file"], "QuillstoneBriarwhistle.dylib");
    linux.erase("module");
    device.erase("module");
    // The 32-bit slice's encodings are its own compiler's (HookEncodingTest, below).
    if (singlePrecision() && linux.contains("hooks") && device.contains("hooks"))
      for (nlohmann::json* doc : {&linux, &device})
        for (auto& hook : (*doc)["hooks"]) hook.erase("types");
    expectSame(linux, device, singlePrecision(), s.name);
    std::string linuxPng, devicePng;
    standin::readRegularFile((pictures / "linux.png").string(), kMaxReadBytes, &linuxPng);
    standin::readRegularFile((pictures / "device.png").string(), kMaxReadBytes, &devicePng);
    EXPECT_FALSE(linuxPng.empty());
    EXPECT_TRUE(linuxPng == devicePng) << "the pictures differ";
  }
}

INSTANTIATE_TEST_SUITE_P(Slices, DeviceBinaryTest, ::testing::Values("arm64", "armv7"),
                         [](const auto& info) { return info.param; });

// The hook table shows each method's type encoding as the slice that runs
// wrote it: the Linux module and the arm64 slice see the 64-bit compiler's,
// the armv7 slice the 32-bit compiler's (CGFloat a float, NSInteger an int,
// BOOL a signed char), while the library's own literal stays as it gave it.

nlohmann::json hooksOf(const std::string& module, const std::string& arch) {
  nlohmann::json doc = simrun::jsonOf(runSim({"--json", "--hooks", "--module", module, "--arch", arch}, false));
  return doc.is_object() ? doc["hooks"] : nlohmann::json::array();
}

std::string typesOf(const nlohmann::json& hooks, const std::string& selector) {
  for (const auto& hook : hooks)
    if (hook["selector"] == selector) return hook["types"];
  return "(no hook of " + selector + ")";
}

TEST(HookEncodingTest, EachSlicePrintsItsOwnCompilersEncodings) {
  nlohmann::json linux = hooksOf(QST_LINUX_MODULE, "arm64");
  nlohmann::json arm64 = hooksOf(QST_DEVICE_DYLIB, "arm64");
  nlohmann::json armv7 = hooksOf(QST_DEVICE_DYLIB, "armv7");
  ASSERT_GT(linux.size(), 5u);
  EXPECT_EQ(arm64, linux);
  ASSERT_EQ(armv7.size(), linux.size());

  // A CGFloat result: a double on a 64-bit slice, a float on a 32-bit one.
  EXPECT_EQ(typesOf(linux, "tableView:heightForRowAtIndexPath:"), "d@:@@");
  EXPECT_EQ(typesOf(armv7, "tableView:heightForRowAtIndexPath:"), "f@:@@");
  // The method the library adds carries the library's literal on both.
  EXPECT_EQ(typesOf(armv7, "removeCustomBulletins_QST"), "v@:");

  // Otherwise the same table; no 32-bit encoding of SpringBoard's methods
  // has a 64-bit word or a bool.
  for (std::size_t i = 0; i < linux.size(); ++i) {
    nlohmann::json a = linux[i], b = armv7[i];
    std::string types = b["types"];
    EXPECT_EQ(types.find_first_of("qQB"), std::string::npos) << b.dump();
    a.erase("types");
    b.erase("types");
    EXPECT_EQ(a, b);
  }
}

// The device package itself, installed with --install on each slice: the
// lock, the settings pane's steps and a relock print and draw what the Linux
// build does, running the package's own bytes for the library and the pane
// (opened through PreferenceLoader's entry, its lists page reached from the
// main page), each in its own address space as SpringBoard and the Settings
// app are.
TEST(DevicePackage, EachSliceRunsThePaneAndItsChoiceShowsAtTheRelock) {
  std::string deb;
  for (const auto& entry : fs::directory_iterator(QST_DEVICE_PACKAGE_FOLDER))
    if (entry.path().extension() == ".deb") deb = entry.path().string();
  ASSERT_FALSE(deb.empty()) << "no package in " << QST_DEVICE_PACKAGE_FOLDER;
  simrun::SimWorkspace work("device-package");
  auto documentOf = [&](const std::string& pictures, std::vector<std::string> args) {
    args.insert(args.end(),
                {"--root", QST_SAMPLE_ROOT, "--json", "--events", "pane; pane textSize 22; pane-list Garden; relock",
                 "--png-steps", (work / pictures).string()});
    return simrun::jsonOf(work.run(args, false));
  };
  setenv("QST_PANE", QST_LINUX_PANE, 1);
  nlohmann::json linux = documentOf("linux", {"--module", QST_LINUX_MODULE});
  unsetenv("QST_PANE");
  ASSERT_TRUE(linux.is_object());
  for (const char* key : {"module", "install", "pane"}) linux.erase(key);
  ASSERT_FALSE(fs::is_empty(work / "linux"));
  // What the Linux build shows is the Install tests' to check.
  for (const char* arch : {"arm64", "armv7"}) {
    nlohmann::json installed = documentOf(arch, {"--install", deb, "--arch", arch});
    if (!installed.is_object()) continue;
    EXPECT_EQ(installed["module"]["arch"], arch);
    EXPECT_EQ(installed["module"]["from"], "/Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib");
    EXPECT_EQ(installed["pane"]["arch"], arch);
    EXPECT_EQ(installed["pane"]["bundle"], "/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle");
    for (const char* key : {"module", "install", "pane"}) installed.erase(key);
    samejson::expectSame(linux, installed, std::string(arch) == "armv7", arch);
    std::string want, got;
    for (const auto& picture : fs::directory_iterator(work / "linux")) {
      standin::readRegularFile(picture.path().string(), kMaxReadBytes, &want);
      standin::readRegularFile((work / arch / picture.path().filename()).string(), kMaxReadBytes, &got);
      EXPECT_TRUE(want == got) << arch << " " << picture.path().filename();
    }
  }
  EXPECT_TRUE(fs::is_empty(work.tmp())) << "the private folder is gone after the run";
}

}  // namespace
}  // namespace emutest
