// The simulator's inputs: scenario steps and ISO 8601 moments.
#include <gtest/gtest.h>

#include "scenario.h"
#include "time_text.h"

namespace sbtest {
namespace {

using Kind = sb::ScenarioStep::Kind;

TEST(ScenarioTest, ReadsEveryStepWithItsArguments) {
  auto steps = sb::parseScenario(
      " nowplaying; wait 5.5 ;notify com.apple.MobileSMS See you at  eight;companion Dentist visit;"
      "clear; edit 2; relock; screen-off; nowplaying-end;");
  ASSERT_EQ(steps.size(), 9u);
  EXPECT_EQ(steps[0].kind, Kind::NowPlaying);
  EXPECT_EQ(steps[1].kind, Kind::Wait);
  EXPECT_EQ(steps[1].seconds, 5.5);
  EXPECT_EQ(steps[1].text, "wait 5.5");
  EXPECT_EQ(steps[2].bundleID, "com.apple.MobileSMS");
  EXPECT_EQ(steps[2].title, "See you at  eight");  // the title as written
  EXPECT_EQ(steps[3].title, "Dentist visit");
  EXPECT_EQ(steps[5].row, 2);
  EXPECT_EQ(steps[7].kind, Kind::ScreenOff);
  EXPECT_EQ(steps[8].kind, Kind::NowPlayingEnd);
  EXPECT_TRUE(sb::parseScenario("").empty());
  EXPECT_TRUE(sb::parseScenario(" ; ;").empty());
}

TEST(ScenarioTest, ReadsThePanesStepsWithValuesAsTheUserPicksThem) {
  auto steps = sb::parseScenario(
      "pane; pane textColor \"Same as the list's colour\"; pane customLaunchAppBundleID \"\"; "
      "pane-list Shopping list");
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].kind, Kind::Pane);
  EXPECT_EQ(steps[1].kind, Kind::PaneSet);
  EXPECT_EQ(steps[1].key, "textColor");
  EXPECT_EQ(steps[1].paneValue, "Same as the list's colour");
  EXPECT_EQ(steps[2].paneValue, "");
  EXPECT_EQ(steps[3].kind, Kind::PaneList);
  EXPECT_EQ(steps[3].listName, "Shopping list");
  EXPECT_THROW(sb::parseScenario("pane textColor"), sb::ScenarioError);
  EXPECT_THROW(sb::parseScenario("pane-list"), sb::ScenarioError);
}

TEST(ScenarioTest, ReadsSettingsOverlayAndOpenSteps) {
  auto steps = sb::parseScenario(
      "set textSize 20; set iconFile /var/mobile/My Icons/a.png; set customLaunchAppBundleID \"\"; "
      "set enabled no; unset textSize; overlay WeatherLockScreen; open 3");
  ASSERT_EQ(steps.size(), 7u);
  EXPECT_EQ(steps[0].kind, Kind::Set);
  EXPECT_EQ(steps[0].key, "textSize");
  EXPECT_EQ(steps[0].value, sb::SettingValue(20LL));
  EXPECT_EQ(steps[1].value, sb::SettingValue(std::string("/var/mobile/My Icons/a.png")));  // spaces kept
  EXPECT_EQ(steps[2].value, sb::SettingValue(std::string()));
  EXPECT_EQ(steps[3].value, sb::SettingValue(false));
  EXPECT_EQ(steps[4].kind, Kind::Unset);
  EXPECT_EQ(steps[4].key, "textSize");
  EXPECT_EQ(steps[5].pluginName, "WeatherLockScreen");
  EXPECT_EQ(steps[6].kind, Kind::Open);
  EXPECT_EQ(steps[6].row, 3);
}

TEST(ScenarioTest, RejectsUnknownStepsAndBadArguments) {
  for (const char* bad : {"dance", "NowPlaying", "wait", "wait five", "wait -1", "wait 5s", "wait inf", "wait nan",
                          "wait 1 2", "notify com.apple.MobileSMS", "notify", "companion", "edit", "edit -1",
                          "edit 1.5", "edit one", "edit 99999999999", "clear now", "relock twice", "screen-off 1",
                          "nowplaying loud", "wait 5; jump", "set", "set textSize", "set textSize big",
                          "set enabled maybe", "unset", "unset a b", "overlay", "overlay a b", "open", "open -1",
                          "open x"}) {
    EXPECT_THROW(sb::parseScenario(bad), sb::ScenarioError) << bad;
  }
}

TEST(TimeTextTest, ReadsUTCOffsetAndZoneLocalMoments) {
  auto utc = sb::parseISO8601("2026-03-14T09:30:00Z", "Europe/London");
  ASSERT_TRUE(utc);
  EXPECT_EQ(sb::formatISO8601UTC(*utc), "2026-03-14T09:30:00Z");
  EXPECT_EQ(sb::parseISO8601("2026-03-14T10:30:00+01:00", "UTC"), utc);
  EXPECT_EQ(sb::parseISO8601("2026-03-14T04:30-0500", "UTC"), utc);
  // Without an offset the zone decides: London is on summer time in July.
  EXPECT_EQ(sb::formatISO8601UTC(*sb::parseISO8601("2026-07-01T12:00", "Europe/London")), "2026-07-01T11:00:00Z");
  EXPECT_EQ(sb::formatISO8601UTC(*sb::parseISO8601("2026-07-01", "Asia/Tokyo")), "2026-06-30T15:00:00Z");
}

TEST(TimeTextTest, RefusesWhatIsNotAMoment) {
  for (const char* bad : {"", "now", "2026-13-01", "2026-03-14T25:00", "2026-03-14T09:30:00+1", "14/03/2026"})
    EXPECT_FALSE(sb::parseISO8601(bad, "UTC")) << bad;
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
