#include "lock_screen.h"

namespace qst_test {
namespace {

using Compose = LockScreenTest;

const char* const kTimeAlarm = "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM";
const std::string kLeavingOffice = locationAlarm("Office", "51.5,-0.12", "DEPART");
const std::string kArrivingHome = locationAlarm("Home", "51.4,-0.1", "ARRIVE");
const std::string kOfficeNoProximity = locationAlarm("Office", "51.5,-0.12");

TEST_F(Compose, PriorityMarksAndTheFirstLocationAlarmsSubtitle) {
  reminders({{"SUMMARY:one", "PRIORITY:1", kTimeAlarm, kLeavingOffice, kArrivingHome},
             {"SUMMARY:five", "PRIORITY:5", kOfficeNoProximity},
             {"SUMMARY:nine", "PRIORITY:9"},
             {"SUMMARY:three", "PRIORITY:3"},
             {"SUMMARY:none"},
             {"SUMMARY:Pay %@ and %n%s 100%", "PRIORITY:1"}});  // never taken as a format
  auto& device = locked();
  EXPECT_EQ(publishedTitles(),
            (std::vector<std::string>{"!!! one", "!! five", "! nine", "three", "none", "!!! Pay %@ and %n%s 100%"}));
  EXPECT_EQ(msgSend<id>(published()[0], "subtitle"), nil);  // displayLocation is off by default
  root.settings({{"showPriority", false}});
  device.relock();
  EXPECT_EQ(publishedTitles()[0], "one");
  root.settings({{"displayLocation", true}});
  device.relock();
  auto b = published();
  EXPECT_EQ(text(b[0], "subtitle"), "Leaving: Office");
  EXPECT_EQ(text(b[1], "subtitle"), "Office");
  EXPECT_EQ(msgSend<id>(b[2], "subtitle"), nil);
}

TEST_F(Compose, FieldsOfEveryBulletinOrderingDatesByTheCompanionOrderAndTheDefaultActionBySwipeSetting) {
  reminders({{"SUMMARY:undated"}, {"SUMMARY:day only", "DUE;VALUE=DATE:20261210"}});
  root.sorting({"Calendar", "Weather", "Mail", "Music", "Photos", "Clock", "Maps", "Notes", "QuillstoneBriarwhistle",
                "System Items"});  // index 8 above the system: 2 years
  auto& device = locked();
  auto b = published();
  // 2026-12-06 + 2 years + 360 days, and one day less for the next index.
  const double inTwoYears = kNow + (365 + 366) * kDay;
  EXPECT_EQ(when(b[0], "publicationDate"), inTwoYears + 360 * kDay);
  EXPECT_EQ(when(b[0], "lastInterruptDate"), inTwoYears + 360 * kDay);
  EXPECT_EQ(when(b[1], "publicationDate"), inTwoYears + 359 * kDay);
  for (id bulletin : b) {
    EXPECT_EQ(text(bulletin, "message"), "QST|");
    EXPECT_FALSE(msgSend<BOOL>(bulletin, "dateIsAllDay"));
    EXPECT_EQ(text(bulletin, "section"), "com.apple.reminders");
  }
  EXPECT_EQ(when(b[0], "date"), -1);
  // 2026-12-10 00:00 in London (UTC in winter).
  EXPECT_EQ(when(b[1], "date"), kNow - 12 * 3600 + 4 * kDay);
  root.settings({{"compatibilityMode", false}});
  device.relock();
  EXPECT_EQ(msgSend<id>(published()[0], "section"), nil);

  auto action = [&] { return msgSend<id>(published()[0], "defaultAction"); };
  EXPECT_EQ(standin::utf8Of(msgSend<id>(msgSend<id>(action(), "launchURL"), "absoluteString")), "x-apple-reminder://");
  root.settings({{"swipeAction", 3ll}, {"customLaunchAppBundleID", std::string("com.example.todo")}});
  device.relock();
  EXPECT_EQ(standin::utf8Of(msgSend<id>(action(), "launchBundleID")), "com.example.todo");
  for (long long swipe : {3ll, 0ll}) {  // another app without its bundle, or nothing
    root.settings({{"swipeAction", swipe}});
    device.relock();
    EXPECT_EQ(action(), nil) << swipe;
  }
}

constexpr long kNoCustomSorting = -100;
const char* const kNotFound = "QST: system sort priority not found, no custom sorting of items will be done!";

class SortPriority : public LockScreenTest {
 protected:
  void SetUp() override {
    LockScreenTest::SetUp();
    reminders({{"SUMMARY:a"}});
  }
  long priority() {
    auto own = rows("QuillstoneBriarwhistle ");
    if (own.size() != 1) {
      ADD_FAILURE() << own.size() << " rows of the library";
      return 0;
    }
    EXPECT_EQ(own[0].publicationDate, own[0].lastInterruptDate);
    if (!own[0].publicationDate) return kNoCustomSorting;
    return std::stol(own[0].publicationDate->substr(0, 4)) - 2027;
  }
  long priorityFor(sb::Device& device, const std::vector<std::string>& sources) {
    root.sorting(sources);
    device.relock();
    return priority();
  }
};

std::vector<std::string> fillers(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back("Source " + std::to_string(i));
  return v;
}

TEST_F(SortPriority, PositionsInTheCompanionOrderAndMissingSourcesMeanNoCustomSorting) {
  auto& device = locked();
  EXPECT_EQ(priority(), kNoCustomSorting);
  EXPECT_EQ(priorityFor(device, {"QuillstoneBriarwhistle", "System Items"}), 10);
  EXPECT_EQ(priorityFor(device, {"Weather", "QuillstoneBriarwhistle", "System Items"}), 9);
  EXPECT_EQ(priorityFor(device, {"System Items", "QuillstoneBriarwhistle"}), -11);
  EXPECT_EQ(priorityFor(device, {"System Items", "Weather", "QuillstoneBriarwhistle"}), -12);
  EXPECT_EQ(priorityFor(device, {"QuillstoneBriarwhistle", "System Items", "QuillstoneBriarwhistle"}), 10);
  EXPECT_EQ(logged(kNotFound), 1);  // only the first lock's, without a file
  // Far down the list there is no positive offset; from index 90, no custom sorting.
  auto above = fillers(10);
  above.insert(above.end(), {"QuillstoneBriarwhistle", "System Items"});
  EXPECT_EQ(priorityFor(device, above), 0);
  auto below = fillers(89);
  below.insert(below.begin(), "System Items");
  below.push_back("QuillstoneBriarwhistle");  // index 90: -100
  EXPECT_EQ(priorityFor(device, below), kNoCustomSorting);
  // A file that lacks either name, or spells one in another case: no ordering dates, and "not found" is logged
  // only for a file without the system's name.
  for (const auto& [sources, notFound] :
       std::vector<std::pair<std::vector<std::string>, int>>{{{"System Items"}, 1},
                                                             {{"System Items", "quillstonebriarwhistle"}, 1},
                                                             {{"system items", "QuillstoneBriarwhistle"}, 2},
                                                             {{"QuillstoneBriarwhistle"}, 3},
                                                             {{}, 4}}) {
    EXPECT_EQ(priorityFor(device, sources), kNoCustomSorting) << notFound;
    EXPECT_EQ(logged(kNotFound), notFound);
  }
}

using Query = LockScreenTest;

const char* const kTomorrow = "DUE:20261207T120000Z";

// No selection file or an empty one: no fetch; an unknown identifier is logged and the known ones still count;
// completed reminders and unselected lists stay out.
TEST_F(Query, MissingEmptyOrUnknownSelectionCompletedRemindersAndUnselectedLists) {
  root.list(kHome, "Home");
  root.reminder(kHome, {"SUMMARY:Milk"});
  root.reminder(kHome, {"SUMMARY:Done", "STATUS:COMPLETED"});
  root.list(kWork, "Work");
  root.reminder(kWork, {"SUMMARY:Not selected"});
  auto& device = locked();
  EXPECT_EQ(logged("QST: no enabled calendars found, not searching the DB!"), 1);
  EXPECT_TRUE(published().empty());
  root.selectCalendars({});
  device.relock();
  EXPECT_EQ(logged("QST: no enabled calendars found, not searching the DB!"), 2);
  EXPECT_EQ(logged("QST: got 0 reminders"), 2);
  root.selectCalendars({"11111111-2222-3333-4444-555555555555", kHome});
  device.relock();
  EXPECT_EQ(logged("QST: unable to find calendar with UUID 11111111-2222-3333-4444-555555555555, skipping"), 1);
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"Milk"});
}

// Each mode with a limit at, beyond or below the list's length, which all visit every reminder.
TEST_F(Query, SortingPutsUndatedFirstOrLastThenOrdersByDueDateAndLimitsAtOrBeyondTheListOrNegativeVisitAll) {
  reminders({{"SUMMARY:ten", "DUE:20261207T100000Z"}, {"SUMMARY:undated"}, {"SUMMARY:nine", "DUE:20261207T090000Z"}});
  for (const auto& [mode, limit, titles] :
       {std::tuple<long long, long long, std::vector<std::string>>{0, 3, {"ten", "undated", "nine"}},
        {1, 5, {"undated", "nine", "ten"}},
        {2, -4, {"nine", "ten", "undated"}}}) {
    root.settings({{"reminderSorting", mode}, {"maxRemindersToDisplay", limit}, {"showPriority", false}});
    lockOrRelock();
    EXPECT_EQ(publishedTitles(), titles) << mode << " " << limit;
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

// Just below the number found the limit cuts the list; at it and just above
// it the list is whole, and no position past the last reminder is visited
// (the array would raise inside SpringBoard).
TEST_F(Query, ALimitJustBelowAtAndJustAboveTheNumberFound) {
  reminders({{"SUMMARY:a"}, {"SUMMARY:b"}, {"SUMMARY:c"}, {"SUMMARY:d"}, {"SUMMARY:e"}, {"SUMMARY:f"}});
  for (const auto& [limit, shown] : {std::pair<long long, size_t>{5, 5}, {6, 6}, {7, 6}}) {
    root.settings({{"maxRemindersToDisplay", limit}, {"showPriority", false}});
    lockOrRelock();
    EXPECT_EQ(published().size(), shown) << "limit " << limit;
  }
}

// The window's last moment is in it, the second after is not.
TEST_F(Query, TheDayWindowEndsOnItsLastSecond) {
  reminders({{"SUMMARY:in a day", "DUE:20261207T120000Z"},
             {"SUMMARY:a second later", "DUE:20261207T120001Z"},
             {"SUMMARY:in two days", "DUE:20261208T120000Z"}});
  root.settings({{"daysToDisplay", 1ll}, {"showPriority", false}});
  lockOrRelock();
  EXPECT_EQ(publishedTitles(), std::vector<std::string>{"in a day"});
  root.settings({{"daysToDisplay", 2ll}, {"showPriority", false}});
  lockOrRelock();
  EXPECT_EQ(publishedTitles(), (std::vector<std::string>{"in a day", "a second later", "in two days"}));
}

TEST_F(Query, DueDateFiltersAndTheDayWindow) {
  reminders({{"SUMMARY:undated"},
             {"SUMMARY:past", "DUE:20261201T120000Z"},
             {"SUMMARY:a minute ago", "DUE:20261206T115900Z"},
             {"SUMMARY:today, no time", "DUE;VALUE=DATE:20261206"},  // the start of its day: already past at noon
             {"SUMMARY:now", "DUE:20261206T120000Z"},
             {"SUMMARY:next second", "DUE:20261206T120001Z"},
             {"SUMMARY:in 300 days", "DUE:20271002T120000Z"},
             {"SUMMARY:in 400 days", "DUE:20280110T120000Z"}});
  const std::vector<std::pair<PlistDict, std::vector<std::string>>> cases = {
      {{}, {"undated", "past", "a minute ago", "today, no time", "now", "next second", "in 300 days"}},
      {{{"daysToDisplay", -1ll}}, {"undated", "past", "a minute ago", "today, no time", "now"}},
      {{{"daysToDisplay", 0ll}, {"showItemsWithPastDueDate", false}}, {"undated", "now"}},  // this moment is not past
      {{{"daysToDisplay", 1ll}, {"showItemsWithPastDueDate", false}}, {"undated", "now", "next second"}},
      {{{"showItemsWithDueDate", false}}, {"undated"}},
      {{{"showItemsWithDueDate", false}, {"showItemsWithoutDueDate", false}, {"showItemsWithPastDueDate", false}}, {}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    auto [settings, titles] = cases[i];
    settings["showPriority"] = false;
    root.settings(settings);
    lockOrRelock();
    EXPECT_EQ(publishedTitles(), titles) << "case " << i;
  }
}

}  // namespace
}  // namespace qst_test
