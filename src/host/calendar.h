// Dates and calendars, as the library sees them (NSCalendar, NSDate,
// NSDateComponents), with the current calendar and moment read afresh at
// each call as the library's rules require.
#pragma once

#include "host/foundation.h"

namespace qst {

inline id currentCalendar() { return msgSend<id>(classNamed("NSCalendar"), "currentCalendar"); }
inline id now() { return msgSend<id>(classNamed("NSDate"), "date"); }

// Due components to an absolute date in the current calendar and zone.
inline id dateFromComponents(id components) {
  return msgSend<id, id>(currentCalendar(), "dateFromComponents:", components);
}

inline id addingComponents(id components, id date) {
  return msgSend<id, id, id, NSUInteger>(currentCalendar(), "dateByAddingComponents:toDate:options:", components, date,
                                         NSUInteger{0});
}

// A components value with only the given fields set; autoreleased.
inline id dateComponents(NSInteger years, NSInteger days) {
  id c = objc_autorelease(objc_new(classNamed("NSDateComponents")));
  if (years != NSDateComponentUndefined) msgSend<void, NSInteger>(c, "setYear:", years);
  if (days != NSDateComponentUndefined) msgSend<void, NSInteger>(c, "setDay:", days);
  return c;
}

inline NSInteger compare(id a, id b) { return msgSend<NSInteger, id>(a, "compare:", b); }

}  // namespace qst
