#include <functional>
#include <string>

#include "eventkit/EKObjects.h"
#include "eventkit/eventkit.h"
#include "eventkit/utf8_repair.h"
#include "foundation/NSString.h"
#include "base/stand_in_note.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {
EKCalendarObj* asCalendar(id self) { return static_cast<EKCalendarObj*>(self); }

id calendarIdentifier(id self, SEL) { return asCalendar(self)->calendarIdentifier; }
id title(id self, SEL) { return asCalendar(self)->title; }
CGColorRef cgColor(id self, SEL) { return asCalendar(self)->color; }
// Calendars are the same when they stand for the same list.
BOOL isEqual(id self, SEL, id other) {
  if (self == other) return YES;
  if (!other || object_getClass(other) != object_getClass(self)) return NO;
  return standin::utf8Of(asCalendar(self)->calendarIdentifier) ==
         standin::utf8Of(asCalendar(other)->calendarIdentifier);
}
NSUInteger hash(id self, SEL) {
  return std::hash<std::string>()(standin::utf8Of(asCalendar(self)->calendarIdentifier));
}
id description(id self, SEL) {
  return standin::stringWithFormat(standin::str("EKCalendar <%@> %@"),
                                   {asCalendar(self)->calendarIdentifier, asCalendar(self)->title});
}
}  // namespace

id standin::calendarWithList(const ReminderList& list) {
  auto* calendar = static_cast<EKCalendarObj*>(objc_new("EKCalendar"));
  // Folder names are bytes; the identifier must still be a string.
  calendar->calendarIdentifier.store(standin::stringWithUTF8(repairUTF8(list.identifier)));
  calendar->title.store(standin::stringWithUTF8(list.displayName));
  calendar->folder = list.folder;
  calendar->deviceFolder = std::string(kReminderListsDevicePath) + "/" + list.identifier;
  // A device's calendar always has a colour: the store gives one to every
  // calendar it keeps. Which one it gives a calendar created without any no
  // public source shows; this store gives an opaque gray, visible on the
  // lock screen as every list's titles and dots must be.
  constexpr ListColor kUncolouredCalendar{0x8E / 255.0, 0x8E / 255.0, 0x93 / 255.0, 1};
  if (list.colorFileUnreadable)
    StandInNote("EventKit: " + calendar->deviceFolder + "/color holds no \"#RRGGBB\" or \"#RRGGBBAA\" colour; " +
                "the list takes " + (list.color ? "its calendar's own colour" : "the store's default colour"));
  const ListColor c = list.color.value_or(kUncolouredCalendar);
  calendar->color = standin::createColorRGBA(c.red, c.green, c.blue, c.alpha);
  return objc_autorelease(calendar);
}

void registerEKCalendar() {
  Class c = objc_defineClass<EKCalendarObj>(standin::nsObjectClass(), "EKCalendar");
  class_addMethod(c, sel("calendarIdentifier"), calendarIdentifier);
  class_addMethod(c, sel("title"), title);
  class_addMethod(c, sel("CGColor"), cgColor);
  class_addMethod(c, sel("isEqual:"), isEqual);
  class_addMethod(c, sel("hash"), hash);
  class_addMethod(c, sel("description"), description);
}
