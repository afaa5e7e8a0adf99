#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "eventkit/EKObjects.h"
#include "foundation/NSArray.h"
#include "foundation/NSDate.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {
// A class looked up once, not by name at every object made.
template <std::size_t N>
struct ClassName {
  constexpr ClassName(const char (&text)[N]) { std::copy_n(text, N, name); }
  char name[N];
};
template <ClassName name>
Class classNamed() {
  static Class cls = objc_getClass(name.name);
  return cls;
}

EKReminderObj* asReminder(id self) { return static_cast<EKReminderObj*>(self); }

id reminderTitle(id self, SEL) { return asReminder(self)->title; }
id calendarItemIdentifier(id self, SEL) { return asReminder(self)->calendarItemIdentifier; }
id calendar(id self, SEL) { return asReminder(self)->calendar; }
id dueDateComponents(id self, SEL) { return asReminder(self)->dueDateComponents; }
id alarms(id self, SEL) { return asReminder(self)->alarms; }
NSInteger priority(id self, SEL) { return asReminder(self)->priority; }
BOOL completed(id self, SEL) { return asReminder(self)->completed; }

id structuredLocation(id self, SEL) { return static_cast<EKAlarmObj*>(self)->structuredLocation; }
NSInteger proximity(id self, SEL) { return static_cast<EKAlarmObj*>(self)->proximity; }
id locationTitle(id self, SEL) { return static_cast<EKStructuredLocationObj*>(self)->title; }

id alarmWith(const ReminderAlarm& record) {
  auto* alarm = static_cast<EKAlarmObj*>(objc_new(classNamed<"EKAlarm">()));
  if (record.hasLocation) {
    auto* location = static_cast<EKStructuredLocationObj*>(objc_new(classNamed<"EKStructuredLocation">()));
    location->title.store(standin::stringWithUTF8(record.locationTitle));
    alarm->structuredLocation.adopt(location);
    alarm->proximity = static_cast<NSInteger>(record.proximity);
  }
  return objc_autorelease(alarm);
}

// Zones are looked up once per name for the life of the process: ICU's
// lookup costs more than the rest of a reminder. Only names ICU knows are
// kept, so the table is bounded by its list of zones.
id cachedZone(const std::string& tzid) {
  static std::mutex mutex;
  static auto* zones = new std::unordered_map<std::string, StrongId>;
  {
    std::lock_guard lock(mutex);
    if (auto it = zones->find(tzid); it != zones->end()) return it->second;
  }
  id zone = standin::timeZoneForTZID(tzid);
  if (!zone) return nil;
  std::lock_guard lock(mutex);
  return zones->try_emplace(tzid, zone).first->second;
}

// +1 components: the day, and for a DATE-TIME the time and how to read it.
// The fields are set directly: this store and the components are one platform.
id componentsWith(const ReminderDue& due) {
  auto* components = static_cast<NSDateComponentsObj*>(objc_new(classNamed<"NSDateComponents">()));
  components->year = due.year;
  components->month = due.month;
  components->day = due.day;
  if (!due.hasTimeOfDay) return components;
  components->hour = due.hour;
  components->minute = due.minute;
  components->second = due.second;
  id zone = nil;
  if (due.zone == ReminderDue::Zone::Utc)
    zone = cachedZone("UTC");
  else if (due.zone == ReminderDue::Zone::Named)
    zone = cachedZone(due.zoneName);
  // An unknown TZID leaves the time floating rather than guessing a zone.
  components->timeZone = objc_retain(zone);
  return components;
}
}  // namespace

id standin::timeZoneForTZID(const std::string& tzid) {
  for (std::size_t from = 0; from < tzid.size();) {
    if (id zone = standin::timeZoneWithName(tzid.substr(from))) return zone;
    const std::size_t slash = tzid.find('/', from);
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  return nil;
}

id standin::reminderWithRecord(const ReminderRecord& record, const std::string& identifier, id calendar) {
  auto* reminder = static_cast<EKReminderObj*>(objc_new(classNamed<"EKReminder">()));
  reminder->calendarItemIdentifier.store(standin::stringWithUTF8(identifier));
  reminder->title.store(standin::stringWithUTF8(record.title));
  reminder->priority = record.priority;
  reminder->completed = record.completed;
  reminder->calendar.store(calendar);
  if (record.due) reminder->dueDateComponents.adopt(componentsWith(*record.due));
  std::vector<id> alarmObjects;
  alarmObjects.reserve(record.alarms.size());
  for (const ReminderAlarm& alarm : record.alarms) alarmObjects.push_back(alarmWith(alarm));
  // Most reminders have no alarm; an empty array is immutable and shared.
  static id noAlarms = objc_retain(standin::arrayWith({}));
  reminder->alarms.store(alarmObjects.empty() ? noAlarms : standin::arrayWith(alarmObjects));
  return objc_autorelease(reminder);
}

void registerEKReminder() {
  Class location = objc_defineClass<EKStructuredLocationObj>(standin::nsObjectClass(), "EKStructuredLocation");
  class_addMethod(location, sel("title"), locationTitle);

  Class alarm = objc_defineClass<EKAlarmObj>(standin::nsObjectClass(), "EKAlarm");
  class_addMethod(alarm, sel("structuredLocation"), structuredLocation);
  class_addMethod(alarm, sel("proximity"), proximity);

  Class reminder = objc_defineClass<EKReminderObj>(standin::nsObjectClass(), "EKReminder");
  class_addMethod(reminder, sel("title"), reminderTitle);
  class_addMethod(reminder, sel("calendarItemIdentifier"), calendarItemIdentifier);
  class_addMethod(reminder, sel("calendar"), calendar);
  class_addMethod(reminder, sel("dueDateComponents"), dueDateComponents);
  class_addMethod(reminder, sel("alarms"), alarms);
  class_addMethod(reminder, sel("priority"), priority);
  class_addMethod(reminder, sel("isCompleted"), completed);
  class_addMethod(reminder, sel("completed"), completed);
}
