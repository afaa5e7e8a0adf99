// springboard-sim --install: a package booted as a device boots it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "sim_run.h"
#include "deb_writer.h"
#include "foundation/regular_file.h"
#include "install/deb_package.h"

#ifdef QST_LINUX_MODULE
namespace sbtest {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLoadIns = "./Library/MobileSubstrate/DynamicLibraries/";
constexpr const char* kPaneBundle = "./Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle/";

std::string fileBytes(const fs::path& path) {
  std::string bytes;
  standin::readRegularFile(path.string(), sb::kMaxPackageBytes, &bytes);
  return bytes;
}

std::string filter(const std::string& bundle) {
  return "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>Bundles</key><array><string>" + bundle +
         "</string></array></dict></dict></plist>";
}

// The device package's layout with the Linux builds in it.
std::vector<DebEntry> linuxPackage(const std::string& filterBundle = "com.apple.springboard", bool withEntry = true) {
  std::vector<DebEntry> data = {
      {"./", "", 'd'},
      {kLoadIns + std::string("QuillstoneBriarwhistle.dylib"), fileBytes(QST_LINUX_MODULE)},
      {kLoadIns + std::string("QuillstoneBriarwhistle.plist"), filter(filterBundle)},
  };
  for (const auto& file : fs::directory_iterator(QST_PANE_BUNDLE))
    data.push_back({kPaneBundle + file.path().filename().string(), fileBytes(file.path())});
  if (withEntry)
    data.push_back({"./Library/PreferenceLoader/Preferences/QuillstoneBriarwhistlePrefs.plist",
                    fileBytes(QST_PANE_ENTRY)});
  return data;
}

class Install : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy(QST_SAMPLE_ROOT, root(), fs::copy_options::recursive); }
  fs::path root() const { return work_ / "root"; }

  std::string package(const std::string& bytes) {
    fs::path path = work_ / "package.deb";
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  simrun::SimRun run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--root", root().string()});
    return work_.run(args);
  }

  simrun::SimWorkspace work_{"install-test"};
};

nlohmann::json withoutOrigins(nlohmann::json document) {
  for (const char* key : {"module", "install", "pane"}) document.erase(key);
  return document;
}

TEST_F(Install, ThePackageBootsAsTheBuildDoesAndItsPaneIsOpenedThroughItsEntry) {
  const std::string scenario = "pane; pane textSize 22; pane-list Garden; relock";
  auto b = simrun::jsonOf(run({"--json", "--events", scenario}));
  auto i = simrun::jsonOf(run({"--json", "--events", scenario, "--install", package(debOf(linuxPackage()))}));
  EXPECT_EQ(withoutOrigins(b), withoutOrigins(i));
  EXPECT_EQ(i["module"]["from"], "/Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib");
  EXPECT_EQ(i["pane"]["bundle"], "/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle");
  EXPECT_EQ(i["install"]["panes"][0]["label"], "QuillstoneBriarwhistle");
  // The list ticked on the lists page brings its reminders in at the relock.
  EXPECT_EQ(i["rows"].dump().find("Plant the tulips"), std::string::npos);
  EXPECT_NE(i["steps"][3]["rows"].dump().find("\"title\":\"Plant the tulips"), std::string::npos);
}

TEST_F(Install, AFilterNamingAnotherProcessLoadsNothingAndSaysSo) {
  auto document = simrun::jsonOf(run({"--json", "--install", package(debOf(linuxPackage("com.apple.mobilesafari")))}));
  EXPECT_TRUE(document["module"].is_null());
  EXPECT_EQ(document["install"]["loadIns"][0]["loaded"], false);
  EXPECT_NE(document["install"]["loadIns"][0]["reason"].get<std::string>().find("does not select SpringBoard"),
            std::string::npos);
  EXPECT_EQ(document["rows"].dump().find("QuillstoneBriarwhistle "), std::string::npos);

  simrun::SimRun text = run({"--install", package(debOf(linuxPackage("com.apple.mobilesafari")))});
  EXPECT_NE(text.out.find("no library loaded into SpringBoard"), std::string::npos) << text.out;
}

TEST_F(Install, APackageWithoutAnEntryHasNoPane) {
  simrun::SimRun r = run({"--events", "pane", "--install", package(debOf(linuxPackage("com.apple.springboard", false)))});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("adds no settings pane"), std::string::npos) << r.out;
}

TEST_F(Install, BadPackagesAreRefusedWholeAndNothingIsWritten) {
  std::string good = debOf(linuxPackage());
  const DebEntry ok{"./Library/ok", "fine"};
  std::map<std::string, std::string> bad = {
      {"a path climbing out", debOf({ok, {"./../../escaped", "out"}})},
      {"an absolute path", debOf({ok, {"/escaped", "out"}})},
      {"a symbolic link", debOf({{"./Library/link", "", 'l', "/etc"}})},
      {"a hard link", debOf({ok, {"./Library/hard", "", 'h', "./Library/ok"}})},
      {"no ar archive", "this is not a package"},
      {"truncated", good.substr(0, good.size() / 2)},
      {"an uncompressed data.tar.gz", debOf({ok}, "data.tar.gz", false)},
      {"an xz data member", debOf({ok}, "data.tar.xz")},
  };
  auto before = simrun::stateOf(root());
  for (const auto& [what, bytes] : bad) {
    simrun::SimRun r = run({"--install", package(bytes)});
    EXPECT_EQ(r.status, 2) << what << ": " << r.out;
    EXPECT_NE(r.out.find("--install"), std::string::npos) << what << ": " << r.out;
    EXPECT_EQ(simrun::stateOf(root()), before) << what;
    EXPECT_TRUE(fs::is_empty(work_.tmp())) << what;
  }
  fs::path huge = work_ / "huge.deb";
  std::ofstream(huge).close();
  fs::resize_file(huge, (64u << 20) + 1);
  simrun::SimRun r = run({"--install", huge.string()});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("larger than a package may be"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace sbtest
#endif
