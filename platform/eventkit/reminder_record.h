// What one reminder file says, as plain values. The parser fills these from
// the iCalendar text; the EventKit object classes are built from them.
#pragma once

#include <optional>
#include <string>
#include <vector>

// A DUE value. A DATE carries only the day; a DATE-TIME adds the time of day
// and says how that time is to be read.
struct ReminderDue {
  enum class Zone { Floating, Utc, Named };

  int year = 0, month = 0, day = 0;
  bool hasTimeOfDay = false;
  int hour = 0, minute = 0, second = 0;
  Zone zone = Zone::Floating;
  std::string zoneName;  // the TZID parameter, for Zone::Named
};

// The proximity values EventKit uses for location alarms.
enum class AlarmProximity : long { None = 0, Enter = 1, Leave = 2 };

// A VALARM. Without a structured location it is a time alarm.
struct ReminderAlarm {
  bool hasLocation = false;
  std::string locationTitle;
  AlarmProximity proximity = AlarmProximity::None;
};

struct ReminderRecord {
  std::string uid;
  std::string title;  // valid UTF-8; "" without SUMMARY
  long priority = 0;
  std::optional<ReminderDue> due;
  bool completed = false;
  std::vector<ReminderAlarm> alarms;
};
