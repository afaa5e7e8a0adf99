// NSCalendar: the Gregorian, Buddhist or Japanese calendar in a time zone, on
// ICU. +currentCalendar is the one the user picked, as Apple's is (its
// documentation: "the logical calendar for the current user"; CFCalendar
// takes it from the user's locale, kCFLocaleCalendarIdentifier). Fields left
// undefined in components take their smallest value (year 1, January, the
// 1st, midnight) and the era its default (below); additions are made field
// by field from the largest, days and larger in wall-clock time, hours and
// smaller as elapsed time, as ICU (and the device, which uses ICU too) does.
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <memory>
#include <climits>
#include <cmath>
#include <mutex>
#include <string_view>
#include <utility>

#include <unicode/gregocal.h>

#include "foundation/NSString.h"
#include "foundation/date_internal.h"
#include "foundation/icu_cache.h"
#include "foundation/moment_memo.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

// The era of components that leave it undefined: ICU's default, which for
// the Japanese calendar is the era current when its data was made. The ICU
// of iOS 7 to 9 ends with Heisei (ICU's era 235), so a year without an era
// is a Heisei year there, whatever the clock says.
NSInteger defaultEra(const std::string& identifier) {
  if (identifier == "japanese") return 235;
  if (identifier == "buddhist") return 0;  // BE, its only era
  return icu::GregorianCalendar::AD;
}

// What a calendar computes with: its identifier and its zone's name. Never
// changed once made, so calendars share one: +currentCalendar hands out the
// same settings until the user's calendar or zone changes, and -setTimeZone:
// gives its receiver new settings of its own (copy on write), leaving every
// other calendar as it was.
struct CalendarSettings {
  std::string identifier;
  std::string zoneName;
  NSInteger defaultEra;  // of the identifier, worked out once
};
using SharedSettings = std::shared_ptr<const CalendarSettings>;

struct NSCalendarObj : objc_object {
  SharedSettings settings;
};

Class gCalendar = nil;

std::mutex gCurrentMutex;
std::string gCurrentIdentifier = "gregorian";
// Bumped after every change of the current identifier or zone.
std::atomic<unsigned long> gCurrentGeneration{0};

std::string currentIdentifier() {
  std::lock_guard lock(gCurrentMutex);
  return gCurrentIdentifier;
}

SharedSettings makeSettings(std::string identifier, std::string zoneName) {
  const NSInteger era = defaultEra(identifier);
  return std::make_shared<const CalendarSettings>(CalendarSettings{std::move(identifier), std::move(zoneName), era});
}

// The current settings, made again on a thread only after a change: a
// sort by due date asks for the current calendar at every comparison. The
// generation is read before the names, so a change made meanwhile is seen
// at the next call at the latest.
SharedSettings currentSettings() {
  struct Remembered {
    unsigned long generation = ~0ul;
    SharedSettings settings;
  };
  __attribute__((tls_model("initial-exec"))) thread_local Remembered remembered;
  const unsigned long now = gCurrentGeneration.load(std::memory_order_acquire);
  if (remembered.generation != now || !remembered.settings) {
    remembered.settings = makeSettings(currentIdentifier(), currentTimeZoneName());
    remembered.generation = now;
  }
  return remembered.settings;
}

NSCalendarObj* asCalendar(id obj) { return static_cast<NSCalendarObj*>(obj); }
// A calendar made by +alloc and -init alone is Gregorian, without a zone
// of its own (its dates are in UTC).
const SharedSettings& settingsPointer(id self) {
  static const SharedSettings* const kPlain = new SharedSettings(makeSettings("gregorian", ""));
  const SharedSettings& own = asCalendar(self)->settings;
  return own ? own : *kPlain;
}
const CalendarSettings& settingsOf(id self) { return *settingsPointer(self); }

bool isKind(id obj, Class cls) { return obj && cls && class_isSubclassOf(obj->isa, cls); }

bool fitsICU(NSInteger value) { return value >= INT32_MIN && value <= INT32_MAX; }

id makeCalendar(Class cls, SharedSettings settings) {
  auto* calendar = static_cast<NSCalendarObj*>(msgSend<id>(cls, allocSelector()));
  calendar->settings = std::move(settings);
  return objc_autorelease(calendar);
}

id currentCalendar(id self, SEL) { return makeCalendar(reinterpret_cast<Class>(self), currentSettings()); }

// -initWithCalendarIdentifier: answers nil for an identifier it does not
// know (Apple's documentation), releasing the receiver as init methods do.
id initWithCalendarIdentifier(id self, SEL, id identifier) {
  const std::string name = standin::isString(identifier) ? standin::utf8Of(identifier) : std::string();
  if (!knownCalendarIdentifier(name)) {
    objc_release(self);
    return nil;
  }
  asCalendar(self)->settings = makeSettings(name, currentTimeZoneName());
  return self;
}

id calendarIdentifier(id self, SEL) { return standin::stringWithUTF8(settingsOf(self).identifier); }

id timeZone(id self, SEL) { return standin::timeZoneWithName(settingsOf(self).zoneName); }
void setTimeZone(id self, SEL, id zone) {
  if (isKind(zone, standin::nsTimeZoneClass()))
    asCalendar(self)->settings = makeSettings(settingsOf(self).identifier, static_cast<NSTimeZoneObj*>(zone)->name);
}

NSInteger orDefault(NSInteger value, NSInteger fallback) {
  return value == NSDateComponentUndefined ? fallback : value;
}

// The same components are turned into dates again and again (a sort
// compares each reminder's due date many times, a filter adds the same days
// to the same moment), and each answer depends on nothing but its inputs:
// each thread keeps its recent answers (moment_memo.h), by the calendar's
// settings and the fields asked about.
MomentMemo& rememberedMoments() {
  __attribute__((tls_model("initial-exec"))) thread_local MomentMemo remembered;
  return remembered;
}

// The moment a components object made in one calendar's settings, kept in
// the object: a sort asks each reminder's due date of fresh calendars that
// share their settings, again at every comparison. Set once, by whichever
// thread answers first; a setter drops it (a change while another thread
// reads is the caller's race, as on the device).
struct AnsweredMoment {
  SharedSettings settings;  // held, so no other settings can have its address
  UDate moment;
};

void keepAnsweredMoment(NSDateComponentsObj* components, const SharedSettings& settings, UDate moment) {
  auto* answer = new AnsweredMoment{settings, moment};
  const void* none = nullptr;
  if (!components->answered.compare_exchange_strong(none, answer, std::memory_order_acq_rel)) delete answer;
}

id dateFromComponents(id self, SEL, id componentsObj) {
  if (!isKind(componentsObj, standin::nsDateComponentsClass())) return nil;
  auto* components = static_cast<NSDateComponentsObj*>(componentsObj);
  const SharedSettings& settings = settingsPointer(self);
  if (auto* answer = static_cast<const AnsweredMoment*>(components->answered.load(std::memory_order_acquire));
      answer && answer->settings == settings)
    return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(answer->moment));
  const std::pair<UCalendarDateFields, NSInteger> fields[] = {
      {UCAL_ERA, orDefault(components->era, settings->defaultEra)},
      {UCAL_YEAR, orDefault(components->year, 1)},
      {UCAL_MONTH, orDefault(components->month, 1) - 1},  // ICU counts months from 0
      {UCAL_DATE, orDefault(components->day, 1)},
      {UCAL_HOUR_OF_DAY, orDefault(components->hour, 0)},
      {UCAL_MINUTE, orDefault(components->minute, 0)},
      {UCAL_SECOND, orDefault(components->second, 0)},
  };
  const bool ownZone = isKind(components->timeZone, standin::nsTimeZoneClass());
  const std::string& zone = ownZone ? static_cast<NSTimeZoneObj*>(components->timeZone)->name : settings->zoneName;
  MomentQuery key{
      MomentOperation::fromComponents, settings.get(), ownZone ? std::string_view(zone) : std::string_view(), 0, {}};
  for (std::size_t i = 0; i < key.fields.size(); ++i) key.fields[i] = fields[i].second;
  MomentMemo& memo = rememberedMoments();
  if (const UDate* known = memo.find(key)) {
    keepAnsweredMoment(components, settings, *known);
    return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(*known));
  }

  icu::Calendar* calendar = cachedCalendar(settings->identifier, zone);
  if (!calendar) return nil;
  calendar->clear();
  for (auto [field, value] : fields) {
    if (!fitsICU(value)) return nil;
    calendar->set(field, static_cast<int32_t>(value));
  }
  UErrorCode status = U_ZERO_ERROR;
  UDate moment = calendar->getTime(status);
  if (U_FAILURE(status)) return nil;
  memo.insert(key, settings, moment);
  keepAnsweredMoment(components, settings, moment);
  return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(moment));
}

// Options (wrapping, matching) are not supported: every addition carries
// into the larger fields.
id dateByAddingComponents(id self, SEL, id componentsObj, id date, NSUInteger) {
  if (!isKind(date, standin::nsDateClass())) return nil;
  UDate start = icuDateFromReference(standin::timeIntervalSinceReferenceDate(date));
  if (!isKind(componentsObj, standin::nsDateComponentsClass()))
    return standin::dateWithTimeIntervalSinceReferenceDate(standin::timeIntervalSinceReferenceDate(date));
  auto* components = static_cast<NSDateComponentsObj*>(componentsObj);
  const SharedSettings& settings = settingsPointer(self);
  if (!std::isfinite(start)) return nil;
  const std::pair<UCalendarDateFields, NSInteger> fields[] = {
      {UCAL_ERA, components->era},       {UCAL_YEAR, components->year},        {UCAL_MONTH, components->month},
      {UCAL_DATE, components->day},      {UCAL_HOUR_OF_DAY, components->hour}, {UCAL_MINUTE, components->minute},
      {UCAL_SECOND, components->second},
  };
  MomentQuery key{MomentOperation::adding, settings.get(), {}, std::bit_cast<std::uint64_t>(start), {}};
  for (std::size_t i = 0; i < key.fields.size(); ++i) key.fields[i] = fields[i].second;
  MomentMemo& memo = rememberedMoments();
  if (const UDate* known = memo.find(key))
    return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(*known));

  icu::Calendar* calendar = cachedCalendar(settings->identifier, settings->zoneName);
  if (!calendar) return nil;
  // ICU works in whole milliseconds; the remainder is put back afterwards.
  double wholeMillis = std::floor(start);
  UErrorCode status = U_ZERO_ERROR;
  calendar->setTime(wholeMillis, status);
  for (auto [field, amount] : fields) {
    if (amount == NSDateComponentUndefined) continue;
    if (!fitsICU(amount)) return nil;
    calendar->add(field, static_cast<int32_t>(amount), status);
  }
  UDate result = calendar->getTime(status);
  if (U_FAILURE(status)) return nil;
  result += start - wholeMillis;
  memo.insert(key, settings, result);
  return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(result));
}

}  // namespace

const std::vector<std::string>& knownCalendarIdentifiers() {
  static const auto* identifiers = new std::vector<std::string>{"gregorian", "buddhist", "japanese"};
  return *identifiers;
}

std::string standin::knownCalendarsText() {
  std::string text;
  for (const std::string& known : knownCalendarIdentifiers()) text += (text.empty() ? "" : ", ") + known;
  return text;
}

bool knownCalendarIdentifier(const std::string& identifier) {
  for (const std::string& known : knownCalendarIdentifiers())
    if (identifier == known) return true;
  return false;
}

void currentDateSettingsChanged() { gCurrentGeneration.fetch_add(1, std::memory_order_acq_rel); }

bool standin::setCurrentCalendarIdentifier(const std::string& identifier) {
  if (!knownCalendarIdentifier(identifier)) return false;
  {
    std::lock_guard lock(gCurrentMutex);
    gCurrentIdentifier = identifier;
  }
  currentDateSettingsChanged();
  return true;
}

void registerNSCalendarClass() {
  gCalendar = objc_defineClass<NSCalendarObj>(standin::nsObjectClass(), "NSCalendar");
  Class c = gCalendar;
  class_addClassMethod(c, sel("currentCalendar"), currentCalendar);
  class_addClassMethod(c, sel("autoupdatingCurrentCalendar"), currentCalendar);
  class_addMethod(c, sel("initWithCalendarIdentifier:"), initWithCalendarIdentifier);
  class_addMethod(c, sel("calendarIdentifier"), calendarIdentifier);
  class_addMethod(c, sel("timeZone"), timeZone);
  class_addMethod(c, sel("setTimeZone:"), setTimeZone);
  class_addMethod(c, sel("dateFromComponents:"), dateFromComponents);
  class_addMethod(c, sel("dateByAddingComponents:toDate:options:"), dateByAddingComponents);
}

void forgetAnsweredMoment(NSDateComponentsObj* components) {
  delete static_cast<const AnsweredMoment*>(components->answered.exchange(nullptr, std::memory_order_acq_rel));
}
