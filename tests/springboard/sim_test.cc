// springboard-sim run as a user runs it: on a copy of the sample root, in a temporary folder of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "base/regular_file.h"
#include "sim_run.h"
#include "scenario.h"
#include "time_text.h"

namespace sbtest {
namespace {

namespace fs = std::filesystem;

using simrun::SimRun;
using simrun::stateOf;

class SimTest : public ::testing::Test {
 protected:
  fs::path copyOfSampleRoot() {
    fs::path root = work_ / "root";
    fs::copy(QST_SAMPLE_ROOT, root, fs::copy_options::recursive);
    return root;
  }

  SimRun run(const std::vector<std::string>& args) { return work_.run(args); }

  nlohmann::json runJson(const std::vector<std::string>& args) { return simrun::jsonOf(run(args)); }

  simrun::SimWorkspace work_{"sim-test"};  // its tmp() is the simulator's: what it leaves there, it leaked
};

bool isOwn(const nlohmann::json& row) {
  return row["bulletinID"].get<std::string>().rfind("QuillstoneBriarwhistle ", 0) == 0;
}
size_t ownRows(const nlohmann::json& rows) {
  return static_cast<size_t>(std::count_if(rows.begin(), rows.end(), isOwn));
}

// What the steps change is the SettingsChangeTest cases' and JsonTopLevelIsTheLockBeforeAnyStep's.
TEST_F(SimTest, SettingsStepsLeaveTheRootUntouchedAndNoPrivateFolderBehind) {
  fs::path root = copyOfSampleRoot();
  auto before = stateOf(root);
  runJson({"--root", root.string(), "--json", "--set", "textSize=15", "--set", "enabled=true", "--events",
           "set textSize 22; relock; unset textSize; set iconFile NONE; relock"});
  EXPECT_EQ(stateOf(root), before);
  EXPECT_TRUE(fs::is_empty(work_.tmp()));
  // An error exit after the settings were written cleans up too.
  SimRun failed = run({"--root", root.string(), "--events", "set textSize 22; relock", "--png", "/proc/no/such.png"});
  EXPECT_EQ(failed.status, 2) << failed.out;
  EXPECT_EQ(stateOf(root), before);
  EXPECT_TRUE(fs::is_empty(work_.tmp()));
}

TEST_F(SimTest, SetOptionsReplaceTheSettingsFileAndAreCheckedFirst) {
  nlohmann::json doc = runJson({"--json", "--set", "enabled=false"});
  EXPECT_EQ(ownRows(doc["rows"]), 0u);
  EXPECT_GT(doc["rows"].size(), 0u);
  doc = runJson({"--json", "--set", "showPriority=false"});
  EXPECT_GT(ownRows(doc["rows"]), 0u);  // the root's other keys are gone with its file: enabled by default
  for (const char* bad : {"textSize=big", "=1", "enabled", "enabled=perhaps"}) {
    SimRun r = run({"--set", bad});
    EXPECT_EQ(r.status, 2) << bad << ": " << r.out;
    EXPECT_NE(r.out.find("--set"), std::string::npos) << r.out;
  }
  SimRun r = run({"--events", "set textSize twenty"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_TRUE(fs::is_empty(work_.tmp()));
}

// An option the simulator cannot take is refused as every other input of its own is.
TEST_F(SimTest, OptionErrorsExitTwoWithTheSimulatorsName) {
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--fast"}, {"--root"}, {"--ios", "8.4", "--ios", "9.3"}, {"extra"}}) {
    SimRun r = run(bad);
    EXPECT_EQ(r.status, 2) << bad.front() << ": " << r.out;
    EXPECT_EQ(r.out.rfind("springboard-sim: ", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
  }
  EXPECT_EQ(run({"--help"}).status, 0);
  // The versions a user may give, as one list derived from the versions simulated.
  for (const char* ios : {"10.0", "8.5", "7"}) {
    SimRun r = run({"--ios", ios});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, std::string("springboard-sim: unknown iOS version \"") + ios +
                         "\" (known: 7.0, 7.1, 8.0 ... 8.4, 9.0 ... 9.3)\n");
  }
}

// A key the library does not read is still written, with a note; the row
// icon, a file of the pane's bundle, is still found when --set replaces the
// settings file.
TEST_F(SimTest, SetNotesKeysTheLibraryDoesNotReadAndKeepsTheDefaultIcon) {
  SimRun r = run({"--set", "textsize=20", "--events", "set fontColour 3"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("springboard-sim: note: textsize is not a setting the library reads (textSize is)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("springboard-sim: note: fontColour is not a setting the library reads\n"), std::string::npos);
  EXPECT_EQ(run({"--set", "textSize=20"}).out.find("note:"), std::string::npos);

  nlohmann::json doc = runJson({"--json", "--set", "showPriority=false"});
  ASSERT_GT(ownRows(doc["rows"]), 0u);
  for (const nlohmann::json& row : doc["rows"])
    if (isOwn(row)) {
      EXPECT_FALSE(row["icon"].is_null()) << row["bulletinID"];
    }
  EXPECT_TRUE(fs::is_empty(work_.tmp()));
}

// A colour file the store cannot read leaves the list a colour, and says so.
TEST_F(SimTest, AnUnreadableListColourGivesAVisibleColourAndANote) {
  fs::path root = copyOfSampleRoot();
  const fs::path list = root / "var/mobile/Library/Calendar/Lists/6F0C1A52-3B1E-4C57-9B7A-2D9E4A1B7C01";
  for (const char* colour : {"reddish", "FF2D55", "#F25"}) {
    {
      std::ofstream(list / "color") << colour << "\n";
    }
    SimRun r = run({"--root", root.string(), "--json", "--set", "textColor=999"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("springboard-sim: note: EventKit: /var/mobile/Library/Calendar/Lists/"
                         "6F0C1A52-3B1E-4C57-9B7A-2D9E4A1B7C01/color holds no"),
              std::string::npos)
        << colour;
    nlohmann::json doc =
        simrun::jsonOf(work_.run({"--root", root.string(), "--json", "--set", "textColor=999"}, false));
    for (const nlohmann::json& row : doc["rows"])
      if (isOwn(row)) {
        EXPECT_GT(row["labels"]["primary"]["color"][3].get<double>(), 0) << colour << row["bulletinID"];
      }
  }
}

// Quotes keep a list's name whole, as they keep a pane value; a list the
// selection names but the store no longer has is tapped by its shown name.
TEST_F(SimTest, PaneListTakesAQuotedNameAndAMissingListsShownName) {
  fs::path root = copyOfSampleRoot();
  SimRun r = run({"--root", root.string(), "--events", "pane-list \"Garden\""});
  EXPECT_EQ(r.status, 0) << r.out;
  fs::remove_all(root / "var/mobile/Library/Calendar/Lists/B2D4E6F8-1A3C-4E5F-8A9B-0C1D2E3F4A02");
  r = run({"--root", root.string(), "--events", "pane-list \"Missing list B2D4E6F8-1A3C-4E5F-8A9B-0C1D2E3F4A02\""});
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(SimTest, JsonCarriesTheHookTableAndATracePerStepOnlyWhenAsked) {
  nlohmann::json plain = runJson({"--json", "--events", "nowplaying"});
  EXPECT_FALSE(plain.contains("trace") || plain.contains("hooks") || plain["steps"][0].contains("trace")) << plain;

  nlohmann::json doc =
      runJson({"--json", "--trace", "--hooks", "--ios", "9.0", "--events", "nowplaying; wait 5; open 0"});
  // iOS 9: the thirteen and the added one, two of which find nothing, then
  // iOS 9's two removal questions.
  ASSERT_EQ(doc["hooks"].size(), 16u);
  EXPECT_EQ(doc["hooks"][0]["class"], "SBLockScreenPluginOverlayContext");
  EXPECT_EQ(doc["hooks"][1]["change"], "added");
  EXPECT_EQ(doc["hooks"][1]["types"], "v@:");
  EXPECT_EQ(doc["hooks"][2]["change"], "replaced");
  EXPECT_EQ(doc["hooks"][2]["implementation"], "own");
  for (int missing : {3, 6}) {
    EXPECT_EQ(doc["hooks"][missing]["change"], "none") << missing;
    EXPECT_EQ(doc["hooks"][missing]["implementation"], "none") << missing;
  }
  EXPECT_EQ(doc["hooks"][9]["implementation"], "inherited");  // the cell's initWithStyle:reuseIdentifier:
  EXPECT_EQ(doc["hooks"][14]["selector"], "canBeRemovedByNotificationCenterPresentation");
  EXPECT_EQ(doc["hooks"][15]["selector"], "canBeRemovedByUnlock");
  EXPECT_EQ(doc["hooks"][15]["implementation"], "own");

  ASSERT_TRUE(doc["trace"].is_array());
  const auto& loadView = doc["trace"][0];
  for (const char* key : {"event", "depth", "class", "selector", "receiver", "args"})
    EXPECT_TRUE(loadView.contains(key)) << key;
  bool sawAdd = false;
  for (const auto& e : doc["trace"])
    sawAdd |= e["event"] == "send" && e["selector"] == "observer:addBulletin:forFeed:playLightsAndSirens:withReply:";
  EXPECT_TRUE(sawAdd);
  // Each step carries its own trace: the wait's removals of the own rows
  // (how many is Visibility.OwnRowsLeaveFiveSecondsAfterNowPlaying's).
  EXPECT_NE(doc["steps"][1]["trace"].dump().find("observer:removeBulletin:"), std::string::npos);
  // Opening the first row, now another application's.
  EXPECT_EQ(doc["steps"][2]["opened"].get<std::string>().rfind("bundle com.apple.", 0), 0u)
      << doc["steps"][2]["opened"];
}

// A script reads the lock from the top level and each step from `steps`, whatever the steps did to the list.
TEST_F(SimTest, JsonTopLevelIsTheLockBeforeAnyStep) {
  nlohmann::json lock = runJson({"--json", "--trace"});
  nlohmann::json doc = runJson(
      {"--json", "--trace", "--events", "set textSize 24; relock; nowplaying; wait 5; notify com.apple.MobileSMS Hi"});
  ASSERT_EQ(doc["steps"].size(), 5u);
  // The steps did change what the end shows: bigger titles, a second "got" line, the reminders gone.
  EXPECT_EQ(doc["steps"][1]["rows"][0]["labels"]["primary"]["fontSize"], 24);
  EXPECT_EQ(doc["steps"][1]["log"].size(), 1u);
  EXPECT_EQ(ownRows(doc["steps"][3]["rows"]), 0u);
  EXPECT_GT(ownRows(lock["rows"]), 0u);

  doc.erase("steps");
  EXPECT_EQ(doc, lock);
}

// The document is written piece by piece, step by step.
TEST_F(SimTest, JsonIsPrintedAsTheWholeDocumentWouldBe) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--json"},
        {"--json", "--trace", "--hooks", "--ios", "9.0", "--events",
         "edit 0; open 1; pane textSize 24; notify com.apple.MobileSMS \"Hi\\\\there\"; nowplaying; wait 5; clear"},
        {"--json", "--events", "nowplaying; wait 5; clear; relock"}}) {
    SimRun r = run(args);
    ASSERT_EQ(r.status, 0) << r.out;
    nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << args.back();
    std::ostringstream whole;
    whole << std::setw(2) << doc << "\n";
    EXPECT_EQ(r.out, whole.str()) << args.back();
  }
}

// As command-line tools do: one line, status 0, nothing run; the JSON document carries the same two versions.
TEST_F(SimTest, VersionNamesTheSimulatorAndThePackageItWasBuiltWith) {
  SimRun r = run({"--version"});
  EXPECT_EQ(r.status, 0) << r.out;
  nlohmann::json doc = runJson({"--json"});
  ASSERT_TRUE(doc["version"].is_object()) << doc["version"];
  EXPECT_EQ(doc["version"]["package"], QST_PACKAGE_VERSION);
  const std::string simulator = doc["version"]["simulator"];
  EXPECT_FALSE(simulator.empty());
  EXPECT_EQ(r.out, "springboard-sim " + simulator + " (QuillstoneBriarwhistle " QST_PACKAGE_VERSION ")\n");
  EXPECT_TRUE(fs::is_empty(work_.tmp()));
}

TEST_F(SimTest, DrawsOnePicturePerStepOutsideTheRoot) {
  fs::path pictures = work_ / "pictures";
  SimRun r = run({"--png-steps", pictures.string(), "--events", "nowplaying; wait 5"});
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* name : {"00-lock.png", "01-nowplaying.png", "02-wait.png"}) {
    std::string signature;
    standin::readRegularFileHead((pictures / name).string(), 8, &signature);
    signature.resize(8);
    EXPECT_EQ(signature.substr(1, 3), "PNG") << name;
  }
  fs::path root = copyOfSampleRoot();
  auto before = stateOf(root);
  r = run({"--root", root.string(), "--png-steps", (root / "pictures").string()});
  EXPECT_EQ(r.status, 2) << r.out;
  r = run({"--root", root.string(), "--png", (root / "var" / "screen.png").string()});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(stateOf(root), before);
}

// A user with the Buddhist or Japanese calendar gets the reminders' Gregorian due components read in that calendar.
TEST_F(SimTest, CalendarOptionShowsWhatAUserOfThatCalendarSees) {
  auto firstOwnDate = [&](const std::string& calendar) {
    nlohmann::json doc = runJson({"--json", "--calendar", calendar});
    for (const auto& row : doc["rows"])
      if (isOwn(row) && row["date"].is_string()) return row["date"].get<std::string>();
    return std::string("none");
  };
  EXPECT_EQ(firstOwnDate("gregorian"), "2026-03-10T00:00:00Z");
  EXPECT_EQ(firstOwnDate("buddhist").substr(0, 10), "1483-03-10");
  EXPECT_EQ(firstOwnDate("japanese"), "none");
  EXPECT_EQ(ownRows(runJson({"--json", "--calendar", "japanese"})["rows"]), 3u);
  SimRun bad = run({"--calendar", "hebrew"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.out.find("--calendar \"hebrew\": known are gregorian, buddhist, japanese"), std::string::npos)
      << bad.out;
}

using Kind = sb::ScenarioStep::Kind;

std::string shown(const sb::ScenarioStep& s) {
  static const char* const kinds[] = {"nowplaying", "nowplaying-end", "wait",   "touch",      "notify",   "companion",
                                      "clear",      "edit",           "relock", "screen-off", "set",      "unset",
                                      "overlay",    "open",           "pane",   "pane-set",   "pane-list"};
  std::ostringstream out;
  out << kinds[static_cast<int>(s.kind)];
  if (s.seconds != 0) out << " " << s.seconds;
  if (s.row != 0) out << " row " << s.row;
  for (const std::string* field : {&s.bundleID, &s.title, &s.key, &s.listName, &s.pluginName})
    if (!field->empty()) out << " [" << *field << "]";
  if (s.kind == Kind::PaneSet) out << " \"" << s.paneValue << "\"";
  if (s.kind == Kind::Set) out << " = " << sb::settingText(s.value);
  return out.str();
}

// Titles, paths and pane values are kept as the user wrote them, spaces and empty quotes included.
TEST(ScenarioTest, ReadsEveryStepWithItsArguments) {
  std::vector<std::string> steps;
  for (const auto& step : sb::parseScenario(
           " nowplaying; wait 5.5 ; touch 2;notify com.apple.MobileSMS See you at  eight;companion Dentist "
           "visit;clear; edit 2;"
           " relock; screen-off; nowplaying-end; pane; pane textColor \"Same as the list's colour\"; "
           "pane customLaunchAppBundleID \"\"; pane-list Shopping list; pane-list \"Garden\"; set textSize 20; set "
           "iconFile /var/mobile/My "
           "Icons/a.png; set customLaunchAppBundleID \"\"; set enabled no; unset textSize; overlay WeatherLockScreen; "
           "open 3;"))
    steps.push_back(shown(step));
  EXPECT_EQ(steps, (std::vector<std::string>{"nowplaying",
                                             "wait 5.5",
                                             "touch 2",
                                             "notify [com.apple.MobileSMS] [See you at  eight]",
                                             "companion [Dentist visit]",
                                             "clear",
                                             "edit row 2",
                                             "relock",
                                             "screen-off",
                                             "nowplaying-end",
                                             "pane",
                                             "pane-set [textColor] \"Same as the list's colour\"",
                                             "pane-set [customLaunchAppBundleID] \"\"",
                                             "pane-list [Shopping list]",
                                             "pane-list [Garden]",
                                             "set [textSize] = 20",
                                             "set [iconFile] = \"/var/mobile/My Icons/a.png\"",
                                             "set [customLaunchAppBundleID] = \"\"",
                                             "set [enabled] = false",
                                             "unset [textSize]",
                                             "overlay [WeatherLockScreen]",
                                             "open row 3"}));
  EXPECT_EQ(sb::parseScenario(" nowplaying; wait 5.5 ;")[1].text, "wait 5.5");
  EXPECT_TRUE(sb::parseScenario(" ; ;").empty());
}

TEST(ScenarioTest, RejectsUnknownStepsAndBadArguments) {
  for (const char* bad : {"dance",
                          "NowPlaying",
                          "wait",
                          "wait five",
                          "wait -1",
                          "wait 5s",
                          "wait inf",
                          "wait nan",
                          "wait 1 2",
                          "notify com.apple.MobileSMS",
                          "notify",
                          "companion",
                          "edit",
                          "edit -1",
                          "edit 1.5",
                          "edit one",
                          "edit 99999999999",
                          "clear now",
                          "relock twice",
                          "screen-off 1",
                          "nowplaying loud",
                          "wait 5; jump",
                          "set",
                          "set textSize",
                          "set textSize big",
                          "set enabled maybe",
                          "unset",
                          "unset a b",
                          "overlay",
                          "overlay a b",
                          "open",
                          "open -1",
                          "open x",
                          "pane textColor",
                          "pane-list"}) {
    EXPECT_THROW(sb::parseScenario(bad), sb::ScenarioError) << bad;
  }
}

TEST(TimeTextTest, ReadsUTCOffsetAndZoneLocalMomentsAndRefusesWhatIsNotOne) {
  auto utc = sb::parseISO8601("2026-03-14T09:30:00Z", "Europe/London");
  ASSERT_TRUE(utc);
  EXPECT_EQ(sb::formatISO8601UTC(*utc), "2026-03-14T09:30:00Z");
  EXPECT_EQ(sb::parseISO8601("2026-03-14T10:30:00+01:00", "UTC"), utc);
  EXPECT_EQ(sb::parseISO8601("2026-03-14T04:30-0500", "UTC"), utc);
  // Without an offset the zone decides: London is on summer time in July.
  EXPECT_EQ(sb::formatISO8601UTC(*sb::parseISO8601("2026-07-01T12:00", "Europe/London")), "2026-07-01T11:00:00Z");
  EXPECT_EQ(sb::formatISO8601UTC(*sb::parseISO8601("2026-07-01", "Asia/Tokyo")), "2026-06-30T15:00:00Z");
  for (const char* bad :
       {"", "now", "2026-13-01", "2026-03-14T25:00", "2026-03-14T09:30:00+1", "14/03/2026", "2026-02-30T09:30:00Z",
        "2026-02-29", "2026-04-31", "1900-02-29", "2026-02-00", "2026-03-14T09:30+24:00", "2026-03-14T09:30+01:60"})
    EXPECT_FALSE(sb::parseISO8601(bad, "UTC")) << bad;
  for (const char* leap : {"2028-02-29", "2000-02-29", "2026-12-31T23:59:59Z"})
    EXPECT_TRUE(sb::parseISO8601(leap, "UTC")) << leap;
  EXPECT_FALSE(sb::parseISO8601("2026-03-14T09:30", "Mars/Olympus"));
}

TEST(TimeTextTest, RowDatesReadRelativeToNow) {
  double now = *sb::parseISO8601("2026-03-14T09:30:00Z", "UTC");
  EXPECT_EQ(sb::rowDateText(now - 30, false, now, "Europe/London"), "now");
  EXPECT_EQ(sb::rowDateText(now - 12 * 60, false, now, "Europe/London"), "12m ago");
  EXPECT_EQ(sb::rowDateText(now - 3 * 3600, false, now, "Europe/London"), "06:30");
  EXPECT_EQ(sb::rowDateText(now + 86400, false, now, "Europe/London"), "15 Mar");
  EXPECT_EQ(sb::rowDateText(now, true, now, "Europe/London"), "Today");
  // 23:30 in London is already the next day in Tokyo.
  EXPECT_EQ(sb::rowDateText(now + 14 * 3600, false, now, "Asia/Tokyo"), "15 Mar");
}

}  // namespace
}  // namespace sbtest
