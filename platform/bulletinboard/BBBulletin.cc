#include "bulletinboard/BBBulletin.h"

#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {
BBBulletinObj* asBulletin(id self) { return static_cast<BBBulletinObj*>(self); }

template <StrongId BBBulletinObj::* field>
id getField(id self, SEL) {
  return (asBulletin(self)->*field).get();
}
template <StrongId BBBulletinObj::* field>
void setField(id self, SEL, id value) {
  (asBulletin(self)->*field).store(value);
}
// BulletinBoard declares the texts, the section, the identifier and the
// default action `copy` (nst's iOS-Runtime-Headers, BBBulletin.h, 7.0 to
// 9.3): the bulletin keeps a copy, so a mutable string changed afterwards
// leaves it as it was.
template <StrongId BBBulletinObj::* field>
void setCopiedField(id self, SEL, id value) {
  (asBulletin(self)->*field).adopt(value ? msgSend<id>(value, "copy") : nil);
}
template <StrongId BBBulletinObj::* field>
void addObjectProperty(Class cls, const char* getter, const char* setter) {
  class_addMethod(cls, sel(getter), getField<field>);
  class_addMethod(cls, sel(setter), setField<field>);
}
template <StrongId BBBulletinObj::* field>
void addCopiedProperty(Class cls, const char* getter, const char* setter) {
  class_addMethod(cls, sel(getter), getField<field>);
  class_addMethod(cls, sel(setter), setCopiedField<field>);
}

BOOL dateIsAllDay(id self, SEL) { return asBulletin(self)->dateIsAllDay; }
void setDateIsAllDay(id self, SEL, BOOL value) { asBulletin(self)->dateIsAllDay = value; }

id description(id self, SEL) {
  return standin::stringWithFormat(standin::str("<BBBulletin %@ %@>"),
                                   {asBulletin(self)->bulletinID.get(), asBulletin(self)->title.get()});
}
}  // namespace

void registerBBBulletin() {
  Class c = objc_defineClass<BBBulletinObj>(standin::nsObjectClass(), "BBBulletin");
  addCopiedProperty<&BBBulletinObj::title>(c, "title", "setTitle:");
  addCopiedProperty<&BBBulletinObj::message>(c, "message", "setMessage:");
  addCopiedProperty<&BBBulletinObj::subtitle>(c, "subtitle", "setSubtitle:");
  addObjectProperty<&BBBulletinObj::date>(c, "date", "setDate:");
  addObjectProperty<&BBBulletinObj::publicationDate>(c, "publicationDate", "setPublicationDate:");
  addObjectProperty<&BBBulletinObj::lastInterruptDate>(c, "lastInterruptDate", "setLastInterruptDate:");
  addCopiedProperty<&BBBulletinObj::section>(c, "section", "setSection:");
  addCopiedProperty<&BBBulletinObj::bulletinID>(c, "bulletinID", "setBulletinID:");
  addCopiedProperty<&BBBulletinObj::defaultAction>(c, "defaultAction", "setDefaultAction:");
  class_addMethod(c, sel("dateIsAllDay"), dateIsAllDay);
  class_addMethod(c, sel("setDateIsAllDay:"), setDateIsAllDay);
  class_addMethod(c, sel("description"), description);
}
