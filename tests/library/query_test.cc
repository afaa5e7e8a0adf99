#include "lock_screen.h"

namespace qst_test {
namespace {

using Query = LockScreenTest;

// Due texts relative to the fixed "now" (2026-12-06 12:00:00 UTC).
const char* const kTomorrow = "DUE:20261207T120000Z";

TEST_F(Query, MissingOrEmptySelectionMeansNoFetch) {
  root.list(kHome, "Home");
  root.reminder(kHome, {"SUMMARY:Milk"});
  auto& device = locked();
  EXPECT_EQ(logged("QST: no enabled calendars found, not searching the DB!"), 1);
  EXPECT_TRUE(published().empty());
  root.selectCalendars({});
  device.relock();
  EXPECT_EQ(logged("QST: no enabled calendars found, not searching the DB!"), 2);
  EXPECT_EQ(logged("QST: got 0 reminders"), 2);
}

TEST_F(Query, UnknownCalendarIsLoggedAndTheKnownOnesStillCount) {
  root.list(kHome, "Home");
  root.reminder(kHome, {"SUMMARY:Milk"});
  root.selectCalendars({"11111111-2222-3333-4444-555555555555", kHome});
  boot().lock();
  EXPECT_EQ(logged("QST: unable to find calendar with UUID 11111111-2222-3333-4444-555555555555, skipping"), 1);
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"Milk"});
}

TEST_F(Query, CompletedRemindersAndUnselectedListsStayOut) {
  reminders({{"SUMMARY:Open"}, {"SUMMARY:Done", "STATUS:COMPLETED"}});
  root.list(kWork, "Work");
  root.reminder(kWork, {"SUMMARY:Not selected"});
  boot().lock();
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"Open"});
}

TEST_F(Query, SortingPutsUndatedFirstOrLastThenOrdersByDueDate) {
  reminders({{"SUMMARY:ten", "DUE:20261207T100000Z"}, {"SUMMARY:undated"}, {"SUMMARY:nine", "DUE:20261207T090000Z"}});
  for (const auto& [mode, titles] : {std::pair<long long, std::vector<std::string>>{0, {"ten", "undated", "nine"}},
                                     {1, {"undated", "nine", "ten"}},
                                     {2, {"nine", "ten", "undated"}}}) {
    root.settings({{"reminderSorting", mode}, {"showPriority", false}});
    if (!device) boot().lock();
    else device->relock();
    EXPECT_EQ(publishedTitles(), titles) << mode;
  }
}

TEST_F(Query, TheLimitCountsPositionsNotRows) {
  reminders({{"SUMMARY:undated"}, {"SUMMARY:a", kTomorrow}, {"SUMMARY:b", kTomorrow}});
  root.settings({{"reminderSorting", 1ll}, {"maxRemindersToDisplay", 2ll}, {"showItemsWithoutDueDate", false}});
  boot().lock();
  auto bulletins = published();
  ASSERT_EQ(bulletins.size(), 1u);
  EXPECT_EQ(indexOf(bulletins[0]), 1);
  EXPECT_EQ(remindersFound(), 3);
}

TEST_F(Query, LimitsAtOrBeyondTheListOrNegativeVisitAll) {
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}, {"SUMMARY:c"}});
  root.settings({{"maxRemindersToDisplay", 5ll}});
  auto& device = locked();
  EXPECT_EQ(published().size(), 3u);
  root.settings({{"maxRemindersToDisplay", -4ll}});
  device.relock();
  EXPECT_EQ(published().size(), 3u);
}

TEST_F(Query, DayWindow) {
  reminders({{"SUMMARY:in 300 days", "DUE:20271002T120000Z"}, {"SUMMARY:in 400 days", "DUE:20280110T120000Z"}});
  root.settings({{"showPriority", false}});
  boot().lock();
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"in 300 days"});
}

TEST_F(Query, WindowEndingNowKeepsThePastAndTheVeryMoment) {
  reminders({{"SUMMARY:past", "DUE:20261201T120000Z"},
             {"SUMMARY:now", "DUE:20261206T120000Z"},
             {"SUMMARY:next second", "DUE:20261206T120001Z"}});
  root.settings({{"daysToDisplay", -1ll}, {"showPriority", false}});
  auto& device = locked();
  EXPECT_EQ(publishedTitles(), (std::vector<std::string>{"past", "now"}));
  root.settings({{"daysToDisplay", 0ll}, {"showPriority", false}, {"showItemsWithPastDueDate", false}});
  device.relock();
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"now"});  // due at this moment is not past
}

TEST_F(Query, PastDueSwitch) {
  reminders({{"SUMMARY:a minute ago", "DUE:20261206T115900Z"},
             {"SUMMARY:in a minute", "DUE:20261206T120100Z"},
             {"SUMMARY:today, no time", "DUE;VALUE=DATE:20261206"}});
  root.settings({{"showItemsWithPastDueDate", false}, {"daysToDisplay", 1ll}, {"showPriority", false}});
  boot().lock();
  // A date without a time is the start of its day, already past at noon.
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"in a minute"});
}

TEST_F(Query, DueDateSwitches) {
  reminders({{"SUMMARY:undated"}, {"SUMMARY:dated", kTomorrow}});
  root.settings({{"showItemsWithDueDate", false}, {"showPriority", false}});
  auto& device = locked();
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"undated"});
  root.settings({{"showItemsWithDueDate", false}, {"showItemsWithoutDueDate", false}, {"showItemsWithPastDueDate", false}});
  device.relock();
  EXPECT_TRUE(published().empty());
}

}  // namespace
}  // namespace qst_test
