// NSTimeZone: a zone named by its IANA identifier, checked against ICU's
// zone data; and the process's current zone, which the host sets.
#include <mutex>

#include "foundation/NSString.h"
#include "foundation/date_internal.h"
#include "foundation/icu_cache.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gTimeZone = nil;
std::mutex gCurrentMutex;
std::string gCurrentName = "UTC";

bool icuKnows(const std::string& name) {
  if (name.empty()) return false;
  icu::UnicodeString canonical;
  UBool isSystemID = false;
  UErrorCode status = U_ZERO_ERROR;
  icu::TimeZone::getCanonicalID(icu::UnicodeString::fromUTF8(name), canonical, isSystemID, status);
  return U_SUCCESS(status);
}

NSTimeZoneObj* asZone(id obj) { return static_cast<NSTimeZoneObj*>(obj); }

id makeZone(Class cls, const std::string& name) {
  auto* zone = static_cast<NSTimeZoneObj*>(msgSend<id>(cls, allocSelector()));
  zone->name = name;
  return objc_autorelease(zone);
}

id timeZoneWithName(id self, SEL, id name) {
  if (!standin::isString(name) || !icuKnows(standin::utf8Of(name))) return nil;
  return makeZone(reinterpret_cast<Class>(self), standin::utf8Of(name));
}
// The device's system, local and default zones are all the current one here.
id currentZone(id self, SEL) { return makeZone(reinterpret_cast<Class>(self), currentTimeZoneName()); }

id name(id self, SEL) { return standin::stringWithUTF8(asZone(self)->name); }

NSInteger secondsFromGMTForDate(id self, SEL, id date) {
  const icu::TimeZone* zone = cachedICUTimeZone(asZone(self)->name);
  if (!zone) return 0;
  int32_t raw = 0, dst = 0;
  UErrorCode status = U_ZERO_ERROR;
  zone->getOffset(icuDateFromReference(standin::timeIntervalSinceReferenceDate(date)), false, raw, dst, status);
  return U_SUCCESS(status) ? (raw + dst) / 1000 : 0;
}

BOOL isEqual(id self, SEL, id other) {
  return other && class_isSubclassOf(other->isa, gTimeZone) && asZone(other)->name == asZone(self)->name;
}
NSUInteger hash(id self, SEL) { return std::hash<std::string>{}(asZone(self)->name); }

}  // namespace

Class standin::nsTimeZoneClass() { return gTimeZone; }

std::unique_ptr<icu::TimeZone> icuTimeZoneNamed(const std::string& name) {
  if (!icuKnows(name)) return nullptr;
  return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
}

id standin::timeZoneWithName(const std::string& ianaName) {
  if (!icuKnows(ianaName)) return nil;
  return makeZone(gTimeZone, ianaName);
}

bool standin::setCurrentTimeZone(const std::string& ianaName) {
  if (!icuKnows(ianaName)) return false;
  {
    std::lock_guard lock(gCurrentMutex);
    gCurrentName = ianaName;
  }
  currentDateSettingsChanged();
  return true;
}

std::string currentTimeZoneName() {
  std::lock_guard lock(gCurrentMutex);
  return gCurrentName;
}

// The host sets the zone before it starts anything that reads it; the
// reference stays valid until the next set.
const std::string& standin::currentZoneName() {
  std::lock_guard lock(gCurrentMutex);
  return gCurrentName;
}

void registerNSTimeZoneClass() {
  gTimeZone = objc_defineClass<NSTimeZoneObj>(standin::nsObjectClass(), "NSTimeZone");
  Class c = gTimeZone;
  class_addClassMethod(c, sel("timeZoneWithName:"), timeZoneWithName);
  class_addClassMethod(c, sel("systemTimeZone"), currentZone);
  class_addClassMethod(c, sel("localTimeZone"), currentZone);
  class_addClassMethod(c, sel("defaultTimeZone"), currentZone);
  class_addMethod(c, sel("name"), name);
  class_addMethod(c, sel("description"), name);
  class_addMethod(c, sel("secondsFromGMTForDate:"), secondsFromGMTForDate);
  class_addMethod(c, sel("isEqual:"), isEqual);
  class_addMethod(c, sel("hash"), hash);
}
