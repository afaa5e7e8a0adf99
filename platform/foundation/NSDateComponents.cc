// NSDateComponents: calendar fields, each undefined until set, and an
// optional time zone.
#include "foundation/date_internal.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gComponents = nil;

NSDateComponentsObj* asComponents(id obj) { return static_cast<NSDateComponentsObj*>(obj); }

id newComponents(id self, SEL) { return objc_new(reinterpret_cast<Class>(self)); }

// One getter and one setter per field, generated from the member.
template <NSInteger NSDateComponentsObj::* field>
NSInteger getField(id self, SEL) {
  return asComponents(self)->*field;
}
template <NSInteger NSDateComponentsObj::* field>
void setField(id self, SEL, NSInteger value) {
  asComponents(self)->*field = value;
  forgetAnsweredMoment(asComponents(self));
}

template <NSInteger NSDateComponentsObj::* field>
void addField(Class cls, const char* getter, const char* setter) {
  class_addMethod(cls, sel(getter), getField<field>);
  class_addMethod(cls, sel(setter), setField<field>);
}

id timeZone(id self, SEL) { return asComponents(self)->timeZone; }
void setTimeZone(id self, SEL, id zone) {
  objc_retain(zone);
  objc_release(asComponents(self)->timeZone);
  asComponents(self)->timeZone = zone;
  forgetAnsweredMoment(asComponents(self));
}

}  // namespace

NSDateComponentsObj::~NSDateComponentsObj() {
  objc_release(timeZone);
  forgetAnsweredMoment(this);
}

Class standin::nsDateComponentsClass() { return gComponents; }

void registerNSDateComponentsClass() {
  gComponents = objc_defineClass<NSDateComponentsObj>(standin::nsObjectClass(), "NSDateComponents");
  Class c = gComponents;
  class_addClassMethod(c, sel("new"), newComponents);
  addField<&NSDateComponentsObj::era>(c, "era", "setEra:");
  addField<&NSDateComponentsObj::year>(c, "year", "setYear:");
  addField<&NSDateComponentsObj::month>(c, "month", "setMonth:");
  addField<&NSDateComponentsObj::day>(c, "day", "setDay:");
  addField<&NSDateComponentsObj::hour>(c, "hour", "setHour:");
  addField<&NSDateComponentsObj::minute>(c, "minute", "setMinute:");
  addField<&NSDateComponentsObj::second>(c, "second", "setSecond:");
  class_addMethod(c, sel("timeZone"), timeZone);
  class_addMethod(c, sel("setTimeZone:"), setTimeZone);
}
