// NSDate: an immutable moment, seconds since 2001-01-01 00:00:00 UTC.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

#include "foundation/NSString.h"
#include "foundation/clock.h"
#include "foundation/date_internal.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gDate = nil;

id makeDate(Class cls, NSTimeInterval sinceReference) {
  auto* date = static_cast<NSDateObj*>(msgSend<id>(cls, allocSelector()));
  date->sinceReference = sinceReference;
  return date;
}

Class receiverClass(id self) { return reinterpret_cast<Class>(self); }

id dateNow(id self, SEL) { return objc_autorelease(makeDate(receiverClass(self), standin::clockNow())); }
id dateSinceReference(id self, SEL, NSTimeInterval t) { return objc_autorelease(makeDate(receiverClass(self), t)); }
id dateSince1970(id self, SEL, NSTimeInterval t) {
  return objc_autorelease(makeDate(receiverClass(self), t - NSTimeIntervalSince1970));
}
// NSDate has no undefined moment; the far ends are the ones the device uses.
id distantFuture(id self, SEL) { return objc_autorelease(makeDate(receiverClass(self), 63113904000.0)); }
id distantPast(id self, SEL) { return objc_autorelease(makeDate(receiverClass(self), -63114076800.0)); }

NSDateObj* asDate(id obj) { return static_cast<NSDateObj*>(obj); }

// -init is "now", as [[NSDate alloc] init] is on the device.
id initNow(id self, SEL) {
  asDate(self)->sinceReference = standin::clockNow();
  return self;
}
id initSinceReference(id self, SEL, NSTimeInterval t) {
  asDate(self)->sinceReference = t;
  return self;
}

bool isDate(id obj) { return obj && class_isSubclassOf(obj->isa, gDate); }

NSTimeInterval sinceReference(id self, SEL) { return asDate(self)->sinceReference; }
NSTimeInterval since1970(id self, SEL) { return asDate(self)->sinceReference + NSTimeIntervalSince1970; }
NSTimeInterval sinceNow(id self, SEL) { return asDate(self)->sinceReference - standin::clockNow(); }
NSTimeInterval sinceDate(id self, SEL, id other) {
  return asDate(self)->sinceReference - standin::timeIntervalSinceReferenceDate(other);
}

id byAdding(id self, SEL, NSTimeInterval interval) {
  return objc_autorelease(makeDate(gDate, asDate(self)->sinceReference + interval));
}

// A nil or non-date argument compares as the reference date would; the
// device raises there, and a fixed answer keeps callers deterministic.
NSInteger compare(id self, SEL, id other) {
  double a = asDate(self)->sinceReference, b = isDate(other) ? asDate(other)->sinceReference : NSTimeInterval(0);
  if (a < b) return NSOrderedAscending;
  if (a > b) return NSOrderedDescending;
  return NSOrderedSame;
}

BOOL isEqual(id self, SEL, id other) {
  return isDate(other) && asDate(self)->sinceReference == asDate(other)->sinceReference;
}
BOOL isEqualToDate(id self, SEL cmd, id other) { return isEqual(self, cmd, other); }
NSUInteger hash(id self, SEL) { return std::hash<double>{}(asDate(self)->sinceReference); }

id earlierDate(id self, SEL, id other) { return compare(self, nullptr, other) == NSOrderedDescending ? other : self; }
id laterDate(id self, SEL, id other) { return compare(self, nullptr, other) == NSOrderedAscending ? other : self; }

// "2026-12-06 03:01:27 +0000": always UTC, whole seconds.
id description(id self, SEL) {
  double since1970 = std::floor(asDate(self)->sinceReference + NSTimeIntervalSince1970);
  std::tm utc{};
  char text[64] = "";
  // Beyond any calendar (or NaN) the description stays empty.
  std::time_t seconds = std::fabs(since1970) < 1e15 ? static_cast<std::time_t>(since1970) : 0;
  if (std::fabs(since1970) < 1e15 && gmtime_r(&seconds, &utc))
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d +0000", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  return standin::stringWithUTF8(text);
}

}  // namespace

Class standin::nsDateClass() { return gDate; }

id standin::dateWithTimeIntervalSinceReferenceDate(NSTimeInterval t) { return objc_autorelease(makeDate(gDate, t)); }

NSTimeInterval standin::timeIntervalSinceReferenceDate(id date) {
  return isDate(date) ? asDate(date)->sinceReference : NSTimeInterval(0);
}

void registerNSDate() {
  gDate = objc_defineClass<NSDateObj>(standin::nsObjectClass(), "NSDate");
  Class c = gDate;
  class_addClassMethod(c, sel("date"), dateNow);
  class_addClassMethod(c, sel("dateWithTimeIntervalSinceReferenceDate:"), dateSinceReference);
  class_addClassMethod(c, sel("dateWithTimeIntervalSince1970:"), dateSince1970);
  class_addClassMethod(c, sel("distantFuture"), distantFuture);
  class_addClassMethod(c, sel("distantPast"), distantPast);
  class_addMethod(c, sel("init"), initNow);
  class_addMethod(c, sel("initWithTimeIntervalSinceReferenceDate:"), initSinceReference);
  class_addMethod(c, sel("timeIntervalSinceReferenceDate"), sinceReference);
  class_addMethod(c, sel("timeIntervalSince1970"), since1970);
  class_addMethod(c, sel("timeIntervalSinceNow"), sinceNow);
  class_addMethod(c, sel("timeIntervalSinceDate:"), sinceDate);
  class_addMethod(c, sel("dateByAddingTimeInterval:"), byAdding);
  class_addMethod(c, sel("compare:"), compare);
  class_addMethod(c, sel("isEqual:"), isEqual);
  class_addMethod(c, sel("isEqualToDate:"), isEqualToDate);
  class_addMethod(c, sel("hash"), hash);
  class_addMethod(c, sel("earlierDate:"), earlierDate);
  class_addMethod(c, sel("laterDate:"), laterDate);
  class_addMethod(c, sel("description"), description);

  registerNSTimeZoneClass();
  registerNSDateComponentsClass();
  registerNSCalendarClass();
}
