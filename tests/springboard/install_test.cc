// springboard-sim --install: a package booted as a device boots it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "sim_run.h"
#include "deb_writer.h"
#include "base/regular_file.h"
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

std::string plist(const std::string& body) { return "<plist version=\"1.0\">" + body + "</plist>"; }

// The device package's layout with the Linux builds in it; `loadInPlist`
// replaces the filter plist beside the dylib ("-" for none at all).
std::vector<DebEntry> linuxPackage(const std::string& filterBundle = "com.apple.springboard", bool withEntry = true,
                                   const std::string& loadInPlist = "") {
  std::vector<DebEntry> data = {
      {"./", "", 'd'},
      {kLoadIns + std::string("QuillstoneBriarwhistle.dylib"), fileBytes(QST_LINUX_MODULE)},
  };
  if (loadInPlist != "-")
    data.push_back({kLoadIns + std::string("QuillstoneBriarwhistle.plist"),
                    loadInPlist.empty() ? filter(filterBundle) : loadInPlist});
  for (const auto& file : fs::directory_iterator(QST_PANE_BUNDLE))
    data.push_back({kPaneBundle + file.path().filename().string(), fileBytes(file.path())});
  if (withEntry)
    data.push_back(
        {"./Library/PreferenceLoader/Preferences/QuillstoneBriarwhistlePrefs.plist", fileBytes(QST_PANE_ENTRY)});
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

// Substrate's loader key by key: a bundle loaded anywhere in the process,
// the running system's CoreFoundation version, the safe-mode flag, Mode
// "Any", a corrupt plist, and no filter at all.
TEST_F(Install, SubstratesFilterIsAppliedKeyByKeyAsItsLoaderAppliesIt) {
  auto loadIn = [&](const std::string& loadInPlist, const std::string& ios = "7.1") {
    simrun::SimRun r = run({"--json", "--ios", ios, "--install", package(debOf(linuxPackage("", true, loadInPlist)))});
    EXPECT_EQ(r.status, 0) << r.out;
    return r;
  };
  auto document = [](const simrun::SimRun& r) {
    return nlohmann::json::parse(r.out.substr(r.out.find('{')), nullptr, false);
  };
  auto loaded = [&](const std::string& loadInPlist, const std::string& ios = "7.1") {
    nlohmann::json d = document(loadIn(loadInPlist, ios));
    return d["install"]["loadIns"][0]["loaded"].get<bool>();
  };
  const std::string versions =
      "<dict><key>Filter</key><dict><key>CoreFoundationVersion</key><array><real>847.0</real>"
      "<real>1140.0</real></array><key>Bundles</key><array><string>com.apple.UIKit</string>"
      "</array></dict></dict>";
  EXPECT_TRUE(loaded(plist(versions)));  // UIKit is loaded in SpringBoard; 847.24 lies in [847, 1140)
  EXPECT_FALSE(loaded(plist(versions), "8.0"));
  EXPECT_NE(document(loadIn(plist(versions), "9.3"))["install"]["loadIns"][0]["reason"].get<std::string>().find(
                "CoreFoundationVersion from 847 to below 1140 leaves out this system's 1280.30"),
            std::string::npos);
  EXPECT_TRUE(
      loaded(plist("<dict><key>Filter</key><dict><key>Executables</key><array><string>SpringBoard</string>"
                   "</array></dict></dict>")));
  EXPECT_FALSE(
      loaded(plist("<dict><key>Filter</key><dict><key>Flags</key><integer>2</integer><key>Bundles</key>"
                   "<array><string>com.apple.springboard</string></array></dict></dict>")));
  const std::string anyOf =
      "<dict><key>Filter</key><dict><key>Mode</key><string>Any</string><key>Bundles</key><array>"
      "<string>com.apple.mobilesafari</string></array><key>Classes</key><array>"
      "<string>SBLockScreenNotificationListController</string></array></dict></dict>";
  EXPECT_TRUE(loaded(plist(anyOf)));
  EXPECT_FALSE(loaded(plist("<dict><key>Filter</key><dict><key>Mode</key><string>Any</string></dict></dict>")));

  simrun::SimRun corrupt = loadIn("not a property list");
  EXPECT_FALSE(document(corrupt)["install"]["loadIns"][0]["loaded"].get<bool>());
  EXPECT_NE(corrupt.out.find("MS:Error: Corrupt PropertyList: file:///Library/MobileSubstrate/DynamicLibraries/"
                             "QuillstoneBriarwhistle.dylib"),
            std::string::npos)
      << corrupt.out;

  // No plist, or one without a Filter: loaded, as Substrate loads it into
  // every process, with a note saying so.
  for (const std::string& none : {std::string("-"), plist("<dict/>")}) {
    simrun::SimRun r = loadIn(none);
    EXPECT_TRUE(document(r)["install"]["loadIns"][0]["loaded"].get<bool>()) << none;
    EXPECT_NE(r.out.find("springboard-sim: note: /Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib"
                         " has no filter that limits it: a phone loads it into every process"),
              std::string::npos)
        << r.out;
    EXPECT_NE(document(r)["rows"].dump().find("QuillstoneBriarwhistle "), std::string::npos);
  }
}

// PreferenceLoader's walk: subfolders, its filters on the running version,
// bundlePath and both bundle folders, the file name as a missing label,
// rows sorted by label ignoring case, and its log line for a missing bundle.
TEST_F(Install, PreferenceLoaderFindsEntriesAndBundlesWhereItsSourceLooks) {
  const std::string prefs = "./Library/PreferenceLoader/Preferences/";
  auto entry = [](const std::string& entryKeys, const std::string& outer = "") {
    return plist("<dict>" + outer + "<key>entry</key><dict><key>cell</key><string>PSLinkCell</string>" + entryKeys +
                 "<key>isController</key><true/></dict></dict>");
  };
  auto bundleKey = [](const std::string& name) { return "<key>bundle</key><string>" + name + "</string>"; };
  auto label = [](const std::string& text) { return "<key>label</key><string>" + text + "</string>"; };
  std::vector<DebEntry> data = linuxPackage("com.apple.springboard", false);
  for (const auto& file : fs::directory_iterator(QST_PANE_BUNDLE))
    data.push_back({"./System/Library/PreferenceBundles/SystemPane.bundle/" + file.path().filename().string(),
                    fileBytes(file.path())});
  data.push_back({prefs + "b.plist", entry(bundleKey("QuillstoneBriarwhistlePrefs") + label("alpha"))});
  data.push_back({prefs + "Nested/a.plist", entry(bundleKey("SystemPane") + label("Beta"))});
  data.push_back({prefs + "Untitled Pane.plist",
                  entry(bundleKey("Elsewhere") +
                        "<key>bundlePath</key><string>/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle"
                        "</string>")});
  data.push_back({prefs + "gone.plist", entry(bundleKey("NoSuchPane") + label("Gone"))});
  data.push_back({prefs + "later.plist", entry(bundleKey("QuillstoneBriarwhistlePrefs") + label("Later"),
                                               "<key>pl_filter</key><dict><key>CoreFoundationVersion</key><array>"
                                               "<real>1140.1</real></array></dict>")});
  data.push_back({prefs + "entryfilter.plist",
                  plist("<dict><key>entry</key><dict>" + bundleKey("QuillstoneBriarwhistlePrefs") + label("Old") +
                        "<key>pl_filter</key><dict><key>CoreFoundationVersion</key><array><real>0</real>"
                        "<real>800</real></array></dict></dict></dict>")});
  simrun::SimRun r = run({"--json", "--install", package(debOf(data))});
  ASSERT_EQ(r.status, 0) << r.out;
  nlohmann::json d = nlohmann::json::parse(r.out.substr(r.out.find('{')), nullptr, false);
  std::vector<std::string> shown;
  for (const nlohmann::json& pane : d["install"]["panes"])
    shown.push_back(pane["label"].get<std::string>() + " " + pane["bundle"].get<std::string>());
  EXPECT_EQ(shown,
            (std::vector<std::string>{"alpha /Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle",
                                      "Beta /System/Library/PreferenceBundles/SystemPane.bundle",
                                      "Untitled Pane /Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle"}));
  EXPECT_NE(d["log"].dump().find("Discarding specifier for missing isBundle bundle NoSuchPane."), std::string::npos)
      << d["log"];

  // On 8.0 the entry whose filter starts at 1140.1 is listed: floatValue
  // reads 1140.1 as 1140.099976, below the system's 1140.10.
  d = nlohmann::json::parse(run({"--json", "--ios", "8.0", "--install", package(debOf(data))}).out, nullptr, false);
  EXPECT_NE(d["install"]["panes"].dump().find("\"Later\""), std::string::npos);
  EXPECT_EQ(d["install"]["panes"].dump().find("\"Old\""), std::string::npos);
}

TEST_F(Install, APackageWithoutAnEntryHasNoPane) {
  simrun::SimRun r =
      run({"--events", "pane", "--install", package(debOf(linuxPackage("com.apple.springboard", false)))});
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
