// NSCalendar: the Gregorian, Buddhist or Japanese calendar in a time zone, on
// ICU. +currentCalendar is the one the user picked, as Apple's is (its
// documentation: "the logical calendar for the current user"; CFCalendar
// takes it from the user's locale, kCFLocaleCalendarIdentifier). Fields left
// undefined in components take their smallest value (year 1, January, the
// 1st, midnight) and the era its default (below); additions are made field
// by field from the largest, days and larger in wall-clock time, hours and
// smaller as elapsed time, as ICU (and the device, which uses ICU too) does.
#include <array>
#include <climits>
#include <cmath>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <unicode/gregocal.h>

#include "foundation/NSString.h"
#include "foundation/date_internal.h"
#include "foundation/icu_cache.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

struct NSCalendarObj : objc_object {
  std::string identifier = "gregorian";
  std::string zoneName;
};

Class gCalendar = nil;

std::mutex gCurrentMutex;
std::string gCurrentIdentifier = "gregorian";

std::string currentIdentifier() {
  std::lock_guard lock(gCurrentMutex);
  return gCurrentIdentifier;
}

NSCalendarObj* asCalendar(id obj) { return static_cast<NSCalendarObj*>(obj); }

bool isKind(id obj, Class cls) { return obj && cls && class_isSubclassOf(obj->isa, cls); }

bool fitsICU(NSInteger value) { return value >= INT32_MIN && value <= INT32_MAX; }

id makeCalendar(Class cls, std::string identifier, std::string zoneName) {
  auto* calendar = static_cast<NSCalendarObj*>(msgSend<id>(cls, sel("alloc")));
  calendar->identifier = std::move(identifier);
  calendar->zoneName = std::move(zoneName);
  return objc_autorelease(calendar);
}

id currentCalendar(id self, SEL) {
  return makeCalendar(reinterpret_cast<Class>(self), currentIdentifier(), currentTimeZoneName());
}

// -initWithCalendarIdentifier: answers nil for an identifier it does not
// know (Apple's documentation), releasing the receiver as init methods do.
id initWithCalendarIdentifier(id self, SEL, id identifier) {
  const std::string name = standin::isString(identifier) ? standin::utf8Of(identifier) : std::string();
  if (!knownCalendarIdentifier(name)) {
    objc_release(self);
    return nil;
  }
  asCalendar(self)->identifier = name;
  asCalendar(self)->zoneName = currentTimeZoneName();
  return self;
}

id calendarIdentifier(id self, SEL) { return standin::stringWithUTF8(asCalendar(self)->identifier); }

// The era of components that leave it undefined: ICU's default, which for
// the Japanese calendar is the era current when its data was made. The ICU
// of iOS 7 to 9 ends with Heisei (ICU's era 235), so a year without an era
// is a Heisei year there, whatever the clock says.
NSInteger defaultEra(const std::string& identifier) {
  if (identifier == "japanese") return 235;
  if (identifier == "buddhist") return 0;  // BE, its only era
  return icu::GregorianCalendar::AD;
}
id timeZone(id self, SEL) { return standin::timeZoneWithName(asCalendar(self)->zoneName); }
void setTimeZone(id self, SEL, id zone) {
  if (isKind(zone, standin::nsTimeZoneClass())) asCalendar(self)->zoneName = static_cast<NSTimeZoneObj*>(zone)->name;
}

// The zone of the components when they carry one, else the calendar's.
const std::string& zoneFor(id self, NSDateComponentsObj* components) {
  if (isKind(components->timeZone, standin::nsTimeZoneClass())) return static_cast<NSTimeZoneObj*>(components->timeZone)->name;
  return asCalendar(self)->zoneName;
}

NSInteger orDefault(NSInteger value, NSInteger fallback) { return value == NSDateComponentUndefined ? fallback : value; }

// The same components are turned into dates again and again (a sort
// compares each reminder's due date many times), and the answer depends on
// nothing else: each thread keeps its recent answers. Bounded: the memo is
// emptied when it fills. Looked up by a view of the calendar's and zone's
// names, so a lookup copies neither.
struct MomentView {
  std::array<NSInteger, 7> fields;
  std::string_view identifier;
  std::string_view zone;
  bool operator==(const MomentView&) const = default;
};
struct MomentKey {
  std::array<NSInteger, 7> fields;
  std::string identifier;
  std::string zone;
  MomentView view() const { return {fields, identifier, zone}; }
};
struct MomentHash {
  using is_transparent = void;
  std::size_t operator()(const MomentView& m) const {
    std::size_t h = std::hash<std::string_view>()(m.zone) ^ (std::hash<std::string_view>()(m.identifier) << 1);
    for (NSInteger f : m.fields) h = h * 1000003u ^ static_cast<std::size_t>(f);
    return h;
  }
  std::size_t operator()(const MomentKey& m) const { return (*this)(m.view()); }
};
struct MomentEqual {
  using is_transparent = void;
  static MomentView viewOf(const MomentView& m) { return m; }
  static MomentView viewOf(const MomentKey& m) { return m.view(); }
  template <class A, class B>
  bool operator()(const A& a, const B& b) const { return viewOf(a) == viewOf(b); }
};
constexpr std::size_t kMaxRememberedMoments = 4096;

id dateFromComponents(id self, SEL, id componentsObj) {
  if (!isKind(componentsObj, standin::nsDateComponentsClass())) return nil;
  auto* components = static_cast<NSDateComponentsObj*>(componentsObj);
  const std::pair<UCalendarDateFields, NSInteger> fields[] = {
      {UCAL_ERA, orDefault(components->era, defaultEra(asCalendar(self)->identifier))},
      {UCAL_YEAR, orDefault(components->year, 1)},
      {UCAL_MONTH, orDefault(components->month, 1) - 1},  // ICU counts months from 0
      {UCAL_DATE, orDefault(components->day, 1)},
      {UCAL_HOUR_OF_DAY, orDefault(components->hour, 0)},
      {UCAL_MINUTE, orDefault(components->minute, 0)},
      {UCAL_SECOND, orDefault(components->second, 0)},
  };
  const std::string& zone = zoneFor(self, components);
  MomentView key{{}, asCalendar(self)->identifier, zone};
  for (std::size_t i = 0; i < key.fields.size(); ++i) key.fields[i] = fields[i].second;
  thread_local std::unordered_map<MomentKey, UDate, MomentHash, MomentEqual> remembered;
  if (auto it = remembered.find(key); it != remembered.end())
    return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(it->second));

  icu::Calendar* calendar = cachedCalendar(asCalendar(self)->identifier, zone);
  if (!calendar) return nil;
  calendar->clear();
  for (auto [field, value] : fields) {
    if (!fitsICU(value)) return nil;
    calendar->set(field, static_cast<int32_t>(value));
  }
  UErrorCode status = U_ZERO_ERROR;
  UDate moment = calendar->getTime(status);
  if (U_FAILURE(status)) return nil;
  if (remembered.size() >= kMaxRememberedMoments) remembered.clear();
  remembered.emplace(MomentKey{key.fields, std::string(key.identifier), std::string(key.zone)}, moment);
  return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(moment));
}

// Options (wrapping, matching) are not supported: every addition carries
// into the larger fields.
id dateByAddingComponents(id self, SEL, id componentsObj, id date, NSUInteger) {
  if (!isKind(date, standin::nsDateClass())) return nil;
  UDate start = icuDateFromReference(standin::timeIntervalSinceReferenceDate(date));
  if (!isKind(componentsObj, standin::nsDateComponentsClass())) return standin::dateWithTimeIntervalSinceReferenceDate(standin::timeIntervalSinceReferenceDate(date));
  auto* components = static_cast<NSDateComponentsObj*>(componentsObj);
  icu::Calendar* calendar = cachedCalendar(asCalendar(self)->identifier, asCalendar(self)->zoneName);
  if (!calendar || !std::isfinite(start)) return nil;
  // ICU works in whole milliseconds; the remainder is put back afterwards.
  double wholeMillis = std::floor(start);
  UErrorCode status = U_ZERO_ERROR;
  calendar->setTime(wholeMillis, status);
  const std::pair<UCalendarDateFields, NSInteger> fields[] = {
      {UCAL_ERA, components->era},       {UCAL_YEAR, components->year},
      {UCAL_MONTH, components->month},   {UCAL_DATE, components->day},
      {UCAL_HOUR_OF_DAY, components->hour}, {UCAL_MINUTE, components->minute},
      {UCAL_SECOND, components->second},
  };
  for (auto [field, amount] : fields) {
    if (amount == NSDateComponentUndefined) continue;
    if (!fitsICU(amount)) return nil;
    calendar->add(field, static_cast<int32_t>(amount), status);
  }
  UDate result = calendar->getTime(status);
  if (U_FAILURE(status)) return nil;
  return standin::dateWithTimeIntervalSinceReferenceDate(referenceFromICUDate(result + (start - wholeMillis)));
}

}  // namespace

bool knownCalendarIdentifier(const std::string& identifier) {
  return identifier == "gregorian" || identifier == "buddhist" || identifier == "japanese";
}

bool standin::setCurrentCalendarIdentifier(const std::string& identifier) {
  if (!knownCalendarIdentifier(identifier)) return false;
  std::lock_guard lock(gCurrentMutex);
  gCurrentIdentifier = identifier;
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
