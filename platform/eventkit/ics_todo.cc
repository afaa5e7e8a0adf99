#include "eventkit/ics_todo.h"

#include <cstdlib>
#include <string>
#include <strings.h>

#include "eventkit/utf8_repair.h"

namespace {
// libical's own copy of a parameter's value (quotes removed), or "".
std::string parameterText(icalproperty* prop, const char* name) {
  char* value = icalproperty_get_parameter_as_string_r(prop, name);
  std::string text = value ? value : "";
  std::free(value);
  return text;
}

bool plausibleDue(const icaltimetype& t) {
  if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31) return false;
  if (t.is_date) return true;
  return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60;
}

std::optional<ReminderDue> readDue(icalcomponent* todo) {
  icalproperty* prop = icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY);
  if (!prop) return std::nullopt;
  const icaltimetype t = icalproperty_get_due(prop);
  if (icaltime_is_null_time(t) || !plausibleDue(t)) return std::nullopt;
  ReminderDue due;
  due.year = t.year;
  due.month = t.month;
  due.day = t.day;
  if (t.is_date) return due;
  due.hasTimeOfDay = true;
  due.hour = t.hour;
  due.minute = t.minute;
  due.second = t.second;
  if (icaltime_is_utc(t)) {
    due.zone = ReminderDue::Zone::Utc;
  } else if (std::string tzid = parameterText(prop, "TZID"); !tzid.empty()) {
    due.zone = ReminderDue::Zone::Named;
    due.zoneName = repairUTF8(tzid);
  }
  return due;
}

// The location extensions calendar servers put on a location reminder's
// VALARM: X-APPLE-STRUCTURED-LOCATION (its X-TITLE parameter names the
// place) and X-APPLE-PROXIMITY (ARRIVE or DEPART).
ReminderAlarm readAlarm(icalcomponent* valarm) {
  ReminderAlarm alarm;
  AlarmProximity proximity = AlarmProximity::None;
  for (icalproperty* p = icalcomponent_get_first_property(valarm, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(valarm, ICAL_X_PROPERTY)) {
    const char* name = icalproperty_get_x_name(p);
    if (!name) continue;
    if (strcasecmp(name, "X-APPLE-STRUCTURED-LOCATION") == 0 && !alarm.hasLocation) {
      alarm.hasLocation = true;
      alarm.locationTitle = repairUTF8(parameterText(p, "X-TITLE"));
    } else if (strcasecmp(name, "X-APPLE-PROXIMITY") == 0) {
      const char* value = icalproperty_get_x(p);
      if (value && strcasecmp(value, "ARRIVE") == 0)
        proximity = AlarmProximity::Enter;
      else if (value && strcasecmp(value, "DEPART") == 0)
        proximity = AlarmProximity::Leave;
    }
  }
  // A proximity without a place to be near means nothing: a time alarm.
  if (alarm.hasLocation) alarm.proximity = proximity;
  return alarm;
}

bool isCompleted(icalcomponent* todo) {
  if (icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY)) return true;
  icalproperty* status = icalcomponent_get_first_property(todo, ICAL_STATUS_PROPERTY);
  return status && icalproperty_get_status(status) == ICAL_STATUS_COMPLETED;
}
}  // namespace

ReminderRecord readTodo(icalcomponent* todo) {
  ReminderRecord record;
  if (icalproperty* uid = icalcomponent_get_first_property(todo, ICAL_UID_PROPERTY))
    if (const char* value = icalproperty_get_uid(uid)) record.uid = repairUTF8(value);
  if (icalproperty* summary = icalcomponent_get_first_property(todo, ICAL_SUMMARY_PROPERTY))
    if (const char* value = icalproperty_get_summary(summary)) record.title = repairUTF8(value);
  if (icalproperty* priority = icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY))
    record.priority = icalproperty_get_priority(priority);
  record.due = readDue(todo);
  record.completed = isCompleted(todo);
  for (icalcomponent* a = icalcomponent_get_first_component(todo, ICAL_VALARM_COMPONENT); a;
       a = icalcomponent_get_next_component(todo, ICAL_VALARM_COMPONENT))
    record.alarms.push_back(readAlarm(a));
  return record;
}
