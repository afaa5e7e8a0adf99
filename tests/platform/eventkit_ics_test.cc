// The reminder files as the store reads them, before any object is made.
#include <gtest/gtest.h>

#include <tuple>

#include "eventkit/ics_reminder.h"
#include "eventkit/utf8_repair.h"
#include "reminder_device_root.h"

namespace {

// Calendar text written with "\n"; sent with CRLF as servers write it.
std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::vector<std::string> titlesOf(const ReminderFileContents& contents) {
  std::vector<std::string> titles;
  for (const ReminderRecord& r : contents.reminders) titles.push_back(r.title);
  return titles;
}

ReminderRecord parsed(std::string_view todoLines) {
  const ReminderFileContents contents = parseReminderICS(reminderICS(todoLines));
  EXPECT_TRUE(contents.readable);
  EXPECT_EQ(contents.reminders.size(), 1u);
  return contents.reminders.empty() ? ReminderRecord{} : contents.reminders[0];
}

TEST(ReminderICS, DueDatesKeepHowTheirTimeIsRead) {
  using Zone = ReminderDue::Zone;
  using Due = std::tuple<int, int, int, bool, int, int, int, Zone, std::string>;
  for (const auto& [line, want] :
       {std::pair{"UID:1\nDUE;VALUE=DATE:20261207", Due{2026, 12, 7, false, 0, 0, 0, Zone::Floating, ""}},
        {"DUE;TZID=Europe/Berlin:20261207T093005", Due{2026, 12, 7, true, 9, 30, 5, Zone::Named, "Europe/Berlin"}},
        {"DUE:20261207T101010Z", Due{2026, 12, 7, true, 10, 10, 10, Zone::Utc, ""}},
        {"DUE:20261207T230000", Due{2026, 12, 7, true, 23, 0, 0, Zone::Floating, ""}}}) {
    const ReminderRecord r = parsed(line);
    ASSERT_TRUE(r.due) << line;
    const ReminderDue& d = *r.due;
    EXPECT_EQ(Due(d.year, d.month, d.day, d.hasTimeOfDay, d.hour, d.minute, d.second, d.zone, d.zoneName), want)
        << line;
  }

  EXPECT_FALSE(parsed("SUMMARY:x").due);
  EXPECT_FALSE(parsed("DUE:20261399T250000").due);
  const ReminderFileContents bad = parseReminderICS(reminderICS("SUMMARY:still here\nDUE:tomorrow"));
  ASSERT_EQ(bad.reminders.size(), 1u);
  EXPECT_FALSE(bad.reminders[0].due);
  EXPECT_EQ(bad.reminders[0].title, "still here");
  EXPECT_FALSE(bad.problem.empty());
}

TEST(ReminderICS, FieldsAndTheirDefaultsAndLocationAlarms) {
  // No SUMMARY: an empty title, never "(null)".
  const ReminderRecord bare = parsed("UID:abc");
  EXPECT_EQ(std::tuple(bare.uid, bare.title, bare.priority, bare.completed, bare.alarms.size()),
            std::tuple("abc", "", 0L, false, 0u));
  const ReminderRecord full = parsed("UID:u\nSUMMARY:Buy milk\\, eggs\nPRIORITY:5\nSTATUS:NEEDS-ACTION");
  EXPECT_EQ(std::tuple(full.title, full.priority, full.completed), std::tuple("Buy milk, eggs", 5L, false));

  // Only the first of a repeated property counts.
  EXPECT_EQ(parsed("SUMMARY:first\nsummary:second").title, "first");
  EXPECT_EQ(parsed("SUMMARY:fol\n ded\n\t line").title, "folded line");
  // Completed by status or by a completion date.
  EXPECT_TRUE(parsed("STATUS:COMPLETED").completed);
  EXPECT_TRUE(parsed("COMPLETED:20261201T120000Z").completed);
  EXPECT_FALSE(parsed("STATUS:IN-PROCESS").completed);

  const ReminderRecord r = parsed(
      "BEGIN:VALARM\nACTION:DISPLAY\nTRIGGER:-PT15M\nEND:VALARM\n"
      "BEGIN:VALARM\nX-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-APPLE-RADIUS=100;X-TITLE=Office:geo:52.5,13.4\n"
      "X-APPLE-PROXIMITY:DEPART\nEND:VALARM\n"
      "BEGIN:VALARM\nX-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-TITLE=\"Home, sweet home\":geo:1,2\n"
      "X-APPLE-PROXIMITY:ARRIVE\nEND:VALARM\n"
      "BEGIN:VALARM\nX-APPLE-PROXIMITY:ARRIVE\nTRIGGER:PT0S\nEND:VALARM");
  // A proximity with no place is still a time alarm.
  std::vector<std::tuple<bool, std::string, AlarmProximity>> alarms;
  for (const ReminderAlarm& a : r.alarms) alarms.emplace_back(a.hasLocation, a.locationTitle, a.proximity);
  EXPECT_EQ(alarms, (std::vector<std::tuple<bool, std::string, AlarmProximity>>{
                        {false, "", AlarmProximity::None},
                        {true, "Office", AlarmProximity::Leave},
                        {true, "Home, sweet home", AlarmProximity::Enter},
                        {false, "", AlarmProximity::None}}));
}

TEST(ReminderICSShapes, EveryTodoOfEveryCalendarInOrderAndBareTodos) {
  const ReminderFileContents contents = parseReminderICS(
      crlf("BEGIN:VCALENDAR\nVERSION:2.0\n"
           "BEGIN:VTIMEZONE\nTZID:Europe/Berlin\nBEGIN:STANDARD\nDTSTART:19701025T030000\nTZOFFSETFROM:+0200\n"
           "TZOFFSETTO:+0100\nEND:STANDARD\nEND:VTIMEZONE\n"
           "BEGIN:VTODO\nUID:1\nSUMMARY:one\nEND:VTODO\n"
           "BEGIN:VEVENT\nUID:e\nSUMMARY:an event\nBEGIN:VALARM\nTRIGGER:-PT5M\nEND:VALARM\nEND:VEVENT\n"
           "BEGIN:VTODO\nUID:2\nSUMMARY:two\nDUE;TZID=Europe/Berlin:20261207T090000\nEND:VTODO\n"
           "END:VCALENDAR\n"
           "BEGIN:VCALENDAR\nBEGIN:VTODO\nUID:3\nSUMMARY:three\nEND:VTODO\nEND:VCALENDAR\n"));
  EXPECT_TRUE(contents.readable);
  EXPECT_EQ(contents.problem, "");
  EXPECT_EQ(titlesOf(contents), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(contents.components, 3u);
  ASSERT_TRUE(contents.reminders[1].due);
  EXPECT_EQ(contents.reminders[1].due->zoneName, "Europe/Berlin");

  const ReminderFileContents bare = parseReminderICS(
      crlf("BEGIN:VTODO\nUID:a\nSUMMARY:bare\nBEGIN:VALARM\nX-APPLE-STRUCTURED-LOCATION;X-TITLE=Gym:geo:1,2\n"
           "END:VALARM\nEND:VTODO\nbegin:vtodo\nUID:b\nSUMMARY:lower case\nend:vtodo\n"));
  EXPECT_EQ(titlesOf(bare), (std::vector<std::string>{"bare", "lower case"}));
  ASSERT_EQ(bare.reminders[0].alarms.size(), 1u);
  EXPECT_EQ(bare.reminders[0].alarms[0].locationTitle, "Gym");
  EXPECT_EQ(bare.problem, "");
}

TEST(ReminderICSShapes, OverridesFoldIntoTheirSeries) {
  const ReminderFileContents contents = parseReminderICS(crlf(
      "BEGIN:VCALENDAR\n"
      "BEGIN:VTODO\nUID:orphan\nRECURRENCE-ID:20261208T090000Z\nSUMMARY:orphan override\nEND:VTODO\n"
      "BEGIN:VTODO\nUID:s\nRECURRENCE-ID:20261207T090000Z\nSUMMARY:override first\nPRIORITY:1\nEND:VTODO\n"
      "BEGIN:VTODO\nUID:plain\nSUMMARY:plain\nEND:VTODO\n"
      "BEGIN:VTODO\nUID:s\nSUMMARY:series\nRRULE:FREQ=DAILY\nDUE:20261206T090000Z\nEND:VTODO\n"
      "BEGIN:VTODO\nUID:s\nRECURRENCE-ID:20261209T090000Z\nSUMMARY:override later\nEND:VTODO\n"
      "BEGIN:VTODO\nUID:orphan\nRECURRENCE-ID:20261209T090000Z\nSUMMARY:second orphan\nEND:VTODO\n"
      "BEGIN:VTODO\nSUMMARY:no uid\nEND:VTODO\nBEGIN:VTODO\nSUMMARY:no uid either\nRECURRENCE-ID:20261207\nEND:VTODO\n"
      "END:VCALENDAR\n"));
  // The series stands where its first part appeared, with the main to-do's fields.
  EXPECT_EQ(titlesOf(contents),
            (std::vector<std::string>{"orphan override", "series", "plain", "no uid", "no uid either"}));
  EXPECT_EQ(contents.reminders[1].priority, 0);
  EXPECT_TRUE(contents.reminders[1].due);
  EXPECT_EQ(contents.problem, "");
}

TEST(ReminderICSBounds, DeepNestingIsCutOff) {
  std::string deep = "BEGIN:VTODO\r\nSUMMARY:outer\r\n";
  for (int i = 0; i < 100'000; ++i) deep += "BEGIN:X\r\n";
  for (int i = 0; i < 100'000; ++i) deep += "END:X\r\n";
  deep += "END:VTODO\r\n";
  const ReminderFileContents contents = parseReminderICS(deep);
  EXPECT_EQ(titlesOf(contents), (std::vector<std::string>{"outer"}));
  EXPECT_NE(contents.problem.find("nested"), std::string::npos) << contents.problem;
}

TEST(RepairUTF8, ReplacesEachIllFormedSubpart) {
  EXPECT_EQ(repairUTF8("plain \xE2\x82\xAC \xF0\x9F\x98\x80"), "plain \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(repairUTF8("\x80"), "\xEF\xBF\xBD");
  EXPECT_EQ(repairUTF8("\xE2\x82x"), "\xEF\xBF\xBDx");                            // truncated sequence: one replacement
  EXPECT_EQ(repairUTF8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong
  EXPECT_EQ(repairUTF8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
  EXPECT_EQ(repairUTF8("\xF4\x90\x80\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(repairUTF8("end\xF0\x9F\x98"), "end\xEF\xBF\xBD");
}

}  // namespace
