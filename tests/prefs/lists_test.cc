// The "Reminder lists" page: the store's lists with their colours and check marks.
#include <chrono>
#include <thread>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "foundation/NSRunLoop.h"
#include "pane.h"
#include "settings_app.h"
#include "sim_run.h"

namespace qst_test {
namespace {

constexpr const char* kGone = "0D7B1A53-7C43-4C2B-9E22-6E1F3A9C00FF";

class Lists : public PaneTest {
 protected:
  void SetUp() override {
    PaneTest::SetUp();
    root.list(kHome, "Home", "#FF0000");
    root.list(kWork, "Work", "#0000FF");
    root.reminder(kHome, {"SUMMARY:Water the plants"});
    root.reminder(kWork, {"SUMMARY:Send the report"});
  }

  std::map<std::string, sb::PaneRow> listRows() {
    std::map<std::string, sb::PaneRow> rows;
    for (auto& row : app().listsPage().rows) rows[row.label] = row;
    return rows;
  }
};

TEST_F(Lists, EveryListWithItsColourAndTickAndATapWritesExactlyTheSelection) {
  root.selectCalendars({kHome});
  boot().lock();
  auto rows = listRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows["Home"].value, "on");
  EXPECT_EQ(rows["Work"].value, "off");
  EXPECT_EQ(rows["Home"].group, "Reminder lists: Lists");
  for (const char* name : {"Home", "Work"}) {
    ASSERT_TRUE(rows[name].icon) << name << " shows its colour";
    EXPECT_EQ(msgSend<CGSize>(rows[name].icon.get(), "size").width, 29);
  }

  // A tap writes exactly the selection, and the next lock shows that list's reminders.
  app().tapList("Work");
  EXPECT_EQ(selectedLists(), (std::vector<std::string>{kHome, kWork}));
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"Water the plants"}) << "only at the next lock";
  device->relock();
  EXPECT_EQ(publishedTitles(), (std::vector<std::string>{"Water the plants", "Send the report"}));
  EXPECT_EQ(listRows()["Work"].value, "on");

  app().tapList("Home");
  EXPECT_EQ(selectedLists(), std::vector<std::string>{kWork});
  device->relock();
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"Send the report"});

  // The root keeps its own selection: the pane wrote elsewhere.
  std::string bytes;
  standin::readRegularFile(root.path() + kCalendarsPath, kMaxPropertyListFileBytes, &bytes);
  EXPECT_NE(bytes.find(kHome), std::string::npos);
  EXPECT_EQ(bytes.find(kWork), std::string::npos);
}

TEST_F(Lists, WithoutASelectionFileTheFirstTapMakesOne) {
  boot().lock();
  EXPECT_EQ(ownRows(), 0u);
  app().tapList("Home");
  EXPECT_EQ(selectedLists(), std::vector<std::string>{kHome});
  device->relock();
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"Water the plants"});
}

TEST_F(Lists, AListTheStoreNoLongerHasIsShownMissingAndATapTakesItOff) {
  root.selectCalendars({kGone, kHome, kGone});
  boot().lock();
  auto rows = listRows();
  std::string missing = std::string("Missing list ") + kGone;
  ASSERT_TRUE(rows.count(missing)) << "one row, though the file names it twice";
  EXPECT_EQ(rows[missing].group, "Reminder lists: Missing lists");
  EXPECT_EQ(app().listsPage().rows.size(), 3u);
  app().tapList(missing);
  EXPECT_EQ(selectedLists(), std::vector<std::string>{kHome});
  EXPECT_FALSE(listRows().count(missing));
}

TEST_F(Lists, TheFirstVisitAsksForAccessAndThePageFillsWhenTheAnswerComes) {
  root.selectCalendars({kHome});
  root.file("/var/mobile/Library/Calendar/access-not-asked", "");
  boot();  // no lock: the library's own request would be the first
  sb::PanePage waiting = app().listsPage();
  EXPECT_TRUE(waiting.rows.empty());
  ASSERT_EQ(waiting.groups.size(), 1u);
  EXPECT_NE(waiting.groups[0].footer.find("Waiting for access"), std::string::npos) << waiting.groups[0].footer;
  // The answer comes on the store's thread; the page reloads on the main one.
  for (int i = 0; i < 500 && standin::pendingTimerCountForTesting() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(standin::pendingTimerCountForTesting(), 1u) << "the page's reload waits for the main loop";
  device->wait(0);
  EXPECT_EQ(standin::pendingTimerCountForTesting(), 0u);
  auto rows = listRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows["Home"].value, "on");
}

TEST_F(Lists, RefusedAccessIsSaidPlainlyAndNoListIsOffered) {
  root.selectCalendars({kHome});
  root.file("/var/mobile/Library/Calendar/access-denied", "");
  boot().lock();
  sb::PanePage page = app().listsPage();
  EXPECT_TRUE(page.rows.empty());
  ASSERT_EQ(page.groups.size(), 1u);
  EXPECT_NE(page.groups[0].footer.find("refused"), std::string::npos) << page.groups[0].footer;
  EXPECT_THROW(app().tapList("Home"), sb::PaneError);
}

// A pane whose page relies on the framework's idea of its bundle.
TEST(NaivePane, APageMadeAtRunTimeReadsTheSettingsAppsFolderAndShowsNothing) {
  standin::setLogEcho(false);
  AutoreleasePool pool;
  sb::SettingsApp naive(NAIVE_PANE);
  EXPECT_TRUE(naive.mainPage().rows.empty());

  sb::SettingsApp own(sb::SettingsApp::defaultBundleFolder());
  bool listsRow = false;
  for (const auto& row : own.mainPage().rows) listsRow |= row.label == "Reminder lists";
  EXPECT_TRUE(listsRow);
}

// springboard-sim's pane steps, run as a user runs the simulator.
namespace fs = std::filesystem;

using simrun::SimRun;

class PaneSim : public ::testing::Test {
 protected:
  void SetUp() override {
    root.list(kHome, "Home");
    root.list(kWork, "Work");
    root.reminder(kHome, {"SUMMARY:Water the plants"});
    root.reminder(kWork, {"SUMMARY:Send the report"});
    root.selectCalendars({kHome});
  }

  SimRun run(std::vector<std::string> args, bool withStderr = true) {
    args.insert(args.begin(), {"--root", root.path()});
    return sim.run(args, withStderr);
  }

  DeviceRoot root;
  simrun::SimWorkspace sim{"pane-sim"};
};

// What a ticked list brings at the relock is Install.ThePackageBootsAsTheBuildDoesAndItsPaneIsOpenedThroughItsEntry's.
TEST_F(PaneSim, TheJSONStepCarriesThePaneAndItsChanges) {
  auto before = simrun::stateOf(root.path());
  auto doc =
      simrun::jsonOf(run({"--json", "--events", "pane; pane textColor Red; pane-list Work; relock; pane"}, false));
  auto steps = doc["steps"];
  ASSERT_EQ(steps.size(), 5u);
  auto titleColour = [](const nlohmann::json& pane) {
    for (auto& row : pane)
      if (row["key"] == "textColor") return row;
    return nlohmann::json();
  };
  EXPECT_EQ(titleColour(steps[0]["pane"]),
            (nlohmann::json{{"group", "Text"}, {"label", "Title colour"}, {"key", "textColor"}, {"value", "White"}}));
  EXPECT_EQ(titleColour(steps[4]["pane"])["value"], "Red");
  EXPECT_FALSE(steps[1].contains("pane")) << "a change shows nothing of the pane";
  EXPECT_EQ(simrun::stateOf(root.path()), before) << "the device root is only read";
  EXPECT_TRUE(fs::is_empty(sim.tmp())) << "the private folder is removed";
}

TEST_F(PaneSim, AValueTheControlCannotProduceIsRefusedBeforeAnythingRuns) {
  for (const char* step : {"pane swipeAction Sideways", "pane enabled yes", "pane textSize 400",
                           "pane daysToDisplay soon", "pane-list Garden", "pane noSuchKey 1", "pane textColor"}) {
    SimRun r = run({"--events", std::string("relock; ") + step});
    EXPECT_EQ(r.status, 2) << step;
    EXPECT_EQ(r.out.find("== lock"), std::string::npos) << step << ": nothing ran\n" << r.out;
    EXPECT_NE(r.out.find("bad step"), std::string::npos) << r.out;
  }
}

TEST_F(PaneSim, PictureStepsDrawThePaneAsTheSettingsAppShowsIt) {
  fs::path pictures = sim.tmp().parent_path() / (sim.tmp().filename().string() + "-png");
  SimRun r = run({"--events", "pane; pane-list Work", "--png-steps", pictures.string()});
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* name : {"01-pane.png", "02-pane-list.png"}) {
    std::string head;
    standin::readRegularFileHead((pictures / name).string(), 24, &head);
    head.resize(24);
    const auto* header = reinterpret_cast<const unsigned char*>(head.data());
    unsigned width = header[16] << 24 | header[17] << 16 | header[18] << 8 | header[19];
    unsigned height = header[20] << 24 | header[21] << 16 | header[22] << 8 | header[23];
    EXPECT_EQ(width, 640u) << name;
    EXPECT_GT(height, 300u) << name;
  }
  EXPECT_GT(fs::file_size(pictures / "01-pane.png"), fs::file_size(pictures / "02-pane-list.png"));
  fs::remove_all(pictures);
}

}  // namespace
}  // namespace qst_test
