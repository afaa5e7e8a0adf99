// The reminder files as the store reads them, before any object is made.
#include <gtest/gtest.h>

#include "eventkit/ics_reminder.h"
#include "eventkit/utf8_repair.h"
#include "eventkit/vdir.h"
#include "reminder_device_root.h"

namespace {

ReminderRecord parsed(std::string_view todoLines) {
  std::optional<ReminderRecord> record = parseReminderICS(reminderICS(todoLines));
  EXPECT_TRUE(record.has_value());
  return record.value_or(ReminderRecord{});
}

TEST(ReminderICS, DueDateGivesTheDayOnly) {
  const ReminderRecord r = parsed("UID:1\nDUE;VALUE=DATE:20261207");
  ASSERT_TRUE(r.due);
  EXPECT_EQ(r.due->year, 2026);
  EXPECT_EQ(r.due->month, 12);
  EXPECT_EQ(r.due->day, 7);
  EXPECT_FALSE(r.due->hasTimeOfDay);
}

TEST(ReminderICS, DueDateTimeKeepsHowItsTimeIsRead) {
  const ReminderRecord zoned = parsed("DUE;TZID=Europe/Berlin:20261207T093005");
  ASSERT_TRUE(zoned.due);
  EXPECT_TRUE(zoned.due->hasTimeOfDay);
  EXPECT_EQ(zoned.due->hour, 9);
  EXPECT_EQ(zoned.due->minute, 30);
  EXPECT_EQ(zoned.due->second, 5);
  EXPECT_EQ(zoned.due->zone, ReminderDue::Zone::Named);
  EXPECT_EQ(zoned.due->zoneName, "Europe/Berlin");

  const ReminderRecord utc = parsed("DUE:20261207T101010Z");
  ASSERT_TRUE(utc.due);
  EXPECT_EQ(utc.due->zone, ReminderDue::Zone::Utc);
  EXPECT_EQ(utc.due->hour, 10);

  const ReminderRecord floating = parsed("DUE:20261207T230000");
  ASSERT_TRUE(floating.due);
  EXPECT_EQ(floating.due->zone, ReminderDue::Zone::Floating);
  EXPECT_EQ(floating.due->hour, 23);
}

TEST(ReminderICS, UnreadableOrMissingDueMeansUndated) {
  EXPECT_FALSE(parsed("SUMMARY:x").due);
  const ReminderRecord bad = parsed("SUMMARY:still here\nDUE:tomorrow");
  EXPECT_FALSE(bad.due);
  EXPECT_EQ(bad.title, "still here");
  EXPECT_FALSE(parsed("DUE:20261399T250000").due);
}

TEST(ReminderICS, FieldsAndTheirDefaults) {
  const ReminderRecord bare = parsed("UID:abc");
  EXPECT_EQ(bare.uid, "abc");
  EXPECT_FALSE(bare.title);
  EXPECT_EQ(bare.priority, 0);
  EXPECT_FALSE(bare.completed);
  EXPECT_TRUE(bare.alarms.empty());

  const ReminderRecord full = parsed("UID:u\nSUMMARY:Buy milk\\, eggs\nPRIORITY:5\nSTATUS:NEEDS-ACTION");
  EXPECT_EQ(full.title, "Buy milk, eggs");
  EXPECT_EQ(full.priority, 5);
  EXPECT_FALSE(full.completed);
}

TEST(ReminderICS, CompletedByStatusOrCompletionDate) {
  EXPECT_TRUE(parsed("STATUS:COMPLETED").completed);
  EXPECT_TRUE(parsed("COMPLETED:20261201T120000Z").completed);
  EXPECT_FALSE(parsed("STATUS:IN-PROCESS").completed);
}

TEST(ReminderICS, LocationAlarmsOnArrivalAndLeavingAndATimeAlarm) {
  const ReminderRecord r = parsed(
      "BEGIN:VALARM\nACTION:DISPLAY\nTRIGGER:-PT15M\nEND:VALARM\n"
      "BEGIN:VALARM\nX-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-APPLE-RADIUS=100;X-TITLE=Office:geo:52.5,13.4\n"
      "X-APPLE-PROXIMITY:DEPART\nEND:VALARM\n"
      "BEGIN:VALARM\nX-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-TITLE=\"Home, sweet home\":geo:1,2\n"
      "X-APPLE-PROXIMITY:ARRIVE\nEND:VALARM\n"
      "BEGIN:VALARM\nX-APPLE-PROXIMITY:ARRIVE\nTRIGGER:PT0S\nEND:VALARM");
  ASSERT_EQ(r.alarms.size(), 4u);
  EXPECT_FALSE(r.alarms[0].hasLocation);
  EXPECT_EQ(r.alarms[0].proximity, AlarmProximity::None);
  EXPECT_TRUE(r.alarms[1].hasLocation);
  EXPECT_EQ(r.alarms[1].locationTitle, "Office");
  EXPECT_EQ(r.alarms[1].proximity, AlarmProximity::Leave);
  EXPECT_EQ(r.alarms[2].locationTitle, "Home, sweet home");
  EXPECT_EQ(r.alarms[2].proximity, AlarmProximity::Enter);
  // A proximity with no place is still a time alarm.
  EXPECT_FALSE(r.alarms[3].hasLocation);
  EXPECT_EQ(r.alarms[3].proximity, AlarmProximity::None);
}

TEST(RepairUTF8, ReplacesEachIllFormedSubpart) {
  EXPECT_EQ(repairUTF8("plain \xE2\x82\xAC \xF0\x9F\x98\x80"), "plain \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(repairUTF8("\x80"), "\xEF\xBF\xBD");
  EXPECT_EQ(repairUTF8("\xE2\x82x"), "\xEF\xBF\xBDx");        // truncated sequence: one replacement
  EXPECT_EQ(repairUTF8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // overlong
  EXPECT_EQ(repairUTF8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
  EXPECT_EQ(repairUTF8("\xF4\x90\x80\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(repairUTF8("end\xF0\x9F\x98"), "end\xEF\xBF\xBD");
}

TEST(ReminderFolder, ListsAndFilesInNameOrder) {
  ReminderDeviceRoot root;
  root.addList("B-LIST", "Work", "#112233");
  root.addList("A-LIST", "Home  ");
  root.addReminder("A-LIST", "b.ics", reminderICS("UID:b"));
  root.addReminder("A-LIST", "a.ics", reminderICS("UID:a"));
  root.addReminder("A-LIST", "notes.txt", "not a reminder");
  root.addReminder("A-LIST", ".hidden.ics", reminderICS("UID:h"));

  EXPECT_EQ(listIdentifiers(root.listsFolder()), (std::vector<std::string>{"A-LIST", "B-LIST"}));
  const auto paths = reminderFilePaths(root.listFolder("A-LIST").string());
  EXPECT_EQ(paths, (std::vector<std::string>{root.reminderPath("A-LIST", "a.ics"), root.reminderPath("A-LIST", "b.ics")}));

  const auto home = readReminderList(root.listsFolder(), "A-LIST");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->displayName, "Home");
  EXPECT_FALSE(home->color);
  EXPECT_TRUE(readReminderList(root.listsFolder(), "B-LIST")->color);
  EXPECT_FALSE(readReminderList(root.listsFolder(), "C-LIST"));
}

TEST(ReminderFolder, IdentifiersNeverLeaveTheListsFolder) {
  ReminderDeviceRoot root;
  root.addList("real", "Real");
  for (const char* escape : {"", ".", "..", "../Lists/real", "real/", "/etc"}) {
    EXPECT_FALSE(isListIdentifier(escape)) << escape;
    EXPECT_FALSE(readReminderList(root.listsFolder(), escape)) << escape;
  }
}

}  // namespace
