// A choice row's page as the Settings app opens it, on the real pane (the build's, and each slice of the device
// build's) with a specifier plist of the test's own: Preferences' PSListItemsController lists the row's choices,
// ticks the current one and saves a pick; a row naming a page class no image has opens nothing, and says why.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "pane.h"
#include "settings_app.h"
#include "sim_run.h"

namespace qst_test {
namespace {

namespace fs = std::filesystem;

// Where the device preset builds the pane, both slices in one file; empty
// when this build runs no device code (QST_EMULATED_TESTS off).
fs::path devicePane() {
#ifdef QST_DEVICE_PANE
  return QST_DEVICE_PANE;
#else
  return {};
#endif
}

constexpr const char* kPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>title</key><string>Choices</string><key>items</key><array>
<dict><key>cell</key><string>PSGroupCell</string><key>label</key><string>Rows</string></dict>
<dict><key>cell</key><string>PSLinkCell</string><key>detail</key><string>QuillstoneBriarwhistleListsController</string>
<key>id</key><string>lists</string><key>isController</key><true/><key>label</key><string>Reminder lists</string></dict>
<dict><key>cell</key><string>PSLinkListCell</string><key>default</key><integer>0</integer>
<key>detail</key><string>%DETAIL%</string><key>key</key><string>reminderSorting</string>
<key>label</key><string>Order</string>
<key>validTitles</key><array><string>As in Reminders</string><string>Undated first</string><string>Undated last</string></array>
<key>validValues</key><array><integer>0</integer><integer>1</integer><integer>2</integer></array></dict>
</array></dict></plist>)";

// The pane runs as GetParam() says: "host" (the Linux build) or a slice of the device build.
class ChoicePages : public PaneTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void TearDown() override {
    unsetenv("QST_PANE");
    unsetenv("QST_ARCH");
  }

  // The real pane whose rows are its lists page and the choice above, the choice's page class `detail`; the
  // Settings app and the simulator open it from now on.
  bool usePaneWith(const std::string& detail) {
    fs::path folder = pane_ / "QuillstoneBriarwhistlePrefs.bundle";
    fs::copy(sb::SettingsApp::defaultBundleFolder(), folder, fs::copy_options::recursive);
    if (GetParam() != "host") {
      if (devicePane().empty()) return false;
      EXPECT_TRUE(fs::exists(devicePane())) << "the device build's pane is missing: " << devicePane();
      fs::copy_file(devicePane(), folder / "QuillstoneBriarwhistlePrefs", fs::copy_options::overwrite_existing);
      setenv("QST_ARCH", GetParam().c_str(), 1);
    }
    std::string plist = kPlist;
    plist.replace(plist.find("%DETAIL%"), 8, detail);
    std::ofstream(folder / "QuillstoneBriarwhistlePrefs.plist") << plist;
    setenv("QST_PANE", folder.c_str(), 1);
    return true;
  }

  sb::PaneRow orderRow() {
    for (const auto& row : app().mainPage().rows)
      if (row.key == "reminderSorting") return row;
    ADD_FAILURE() << "the main page shows no Order row";
    return {};
  }

  // Each item of the choice page as "name: on/off".
  std::vector<std::string> choicePageRows() {
    sb::PanePage page = app().choicePage("reminderSorting");
    EXPECT_EQ(page.title, "Order");
    std::vector<std::string> rows;
    for (const auto& row : page.rows) {
      EXPECT_EQ(row.cell, "item") << row.label;
      rows.push_back(row.label + ": " + row.value);
    }
    return rows;
  }

  static std::optional<uint64_t> storedSorting() {
    plist_t root = readDeviceFile(kSettingsPath);
    plist_t node = root ? plist_dict_get_item(root, "reminderSorting") : nullptr;
    std::optional<uint64_t> value;
    if (node && plist_get_node_type(node) == PLIST_UINT) {
      uint64_t n = 0;
      plist_get_uint_val(node, &n);
      value = n;
    }
    if (root) plist_free(root);
    return value;
  }

  simrun::SimRun sim(const std::string& events, bool json) {
    std::vector<std::string> args{"--root", root.path(), "--events", events};
    if (json) args.insert(args.begin(), "--json");
    return work_.run(args, !json);
  }

  TempFolder pane_{"choice-pane"};
  simrun::SimWorkspace work_{"choice-sim"};
};

TEST_P(ChoicePages, ARowNamingPSListItemsControllerOpensItsChoicesTicksTheValueAndSavesAPick) {
  if (!usePaneWith("PSListItemsController")) GTEST_SKIP() << "this build runs no device code";
  boot();
  EXPECT_EQ(app().arch(), GetParam());
  sb::PaneRow row = orderRow();
  EXPECT_EQ(row.cell, "choice");
  EXPECT_EQ(row.value, "As in Reminders");
  EXPECT_EQ(row.choices, (std::vector<std::string>{"As in Reminders", "Undated first", "Undated last"}));
  EXPECT_EQ(choicePageRows(),
            (std::vector<std::string>{"As in Reminders: on", "Undated first: off", "Undated last: off"}));

  app().set("reminderSorting", "Undated last");
  EXPECT_EQ(storedSorting(), 2u);
  EXPECT_EQ(choicePageRows(),
            (std::vector<std::string>{"As in Reminders: off", "Undated first: off", "Undated last: on"}));
  EXPECT_EQ(orderRow().value, "Undated last");
  device->lock();
  EXPECT_EQ(library<NSInteger>("reminderSorting"), 2) << "the library reads the pick at the lock";

  try {
    app().check("reminderSorting", "Sideways");
    ADD_FAILURE() << "a name the page does not offer is refused";
  } catch (const sb::PaneError& e) {
    EXPECT_STREQ(e.what(), R"("Order" offers "As in Reminders", "Undated first", "Undated last", not "Sideways")");
  }

  // The simulator works the choice through the same page.
  auto doc = simrun::jsonOf(sim("pane reminderSorting \"Undated first\"; pane", true));
  ASSERT_EQ(doc["steps"].size(), 2u);
  EXPECT_FALSE(doc["steps"][0].contains("pane"));
  nlohmann::json shown;
  for (const auto& paneRow : doc["steps"][1]["pane"])
    if (paneRow["key"] == "reminderSorting") shown = paneRow;
  EXPECT_EQ(shown, (nlohmann::json{
                       {"group", "Rows"}, {"label", "Order"}, {"key", "reminderSorting"}, {"value", "Undated first"}}));
}

TEST_P(ChoicePages, ARowNamingAClassNoImageHasOpensNoPageAndSaysWhy) {
  if (!usePaneWith("QuillstoneBriarwhistleNoSuchPage")) GTEST_SKIP() << "this build runs no device code";
  boot();
  const std::string why =
      R"("Order" opens no page: its page class "QuillstoneBriarwhistleNoSuchPage" is in no image the Settings app has loaded)";
  sb::PaneRow row = orderRow();
  EXPECT_EQ(row.value, "As in Reminders") << "the row itself shows";
  EXPECT_TRUE(row.choices.empty());
  for (auto work : {+[](sb::SettingsApp& a) { a.set("reminderSorting", "Undated first"); },
                    +[](sb::SettingsApp& a) { a.check("reminderSorting", "Undated first"); },
                    +[](sb::SettingsApp& a) { a.choicePage("reminderSorting"); }}) {
    try {
      work(app());
      ADD_FAILURE() << "the page opened";
    } catch (const sb::PaneError& e) {
      EXPECT_EQ(e.what(), why);
    }
  }
  EXPECT_EQ(storedSorting(), std::nullopt) << "nothing was saved";

  simrun::SimRun r = sim("relock; pane reminderSorting \"Undated first\"", false);
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("bad step"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(why), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("== lock"), std::string::npos) << "nothing ran\n" << r.out;
}

INSTANTIATE_TEST_SUITE_P(Panes, ChoicePages, ::testing::Values("host", "arm64", "armv7"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace qst_test
