// Shared between the date classes' files: their registration, run by
// registerNSDate, and ICU's view of a zone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <unicode/timezone.h>

#include "foundation/NSDate.h"

void registerNSTimeZoneClass();
void registerNSDateComponentsClass();
void registerNSCalendarClass();

namespace standin {

Class nsDateClass();
Class nsTimeZoneClass();
Class nsDateComponentsClass();

}  // namespace standin

// Foundation's identifiers of the calendars a user can pick, in the order a
// message lists them ("gregorian", "buddhist", "japanese").
bool knownCalendarIdentifier(const std::string& identifier);
const std::vector<std::string>& knownCalendarIdentifiers();
// A copy of the current zone's name, safe to take on any thread.
std::string currentTimeZoneName();
// Told after the current zone or calendar identifier changed, so that
// +currentCalendar stops handing out the settings it made before.
void currentDateSettingsChanged();
// ICU's zone for an IANA name (or a custom "GMT+05:00"); nullptr for a name
// ICU does not know.
std::unique_ptr<icu::TimeZone> icuTimeZoneNamed(const std::string& name);

// Drops what -[NSCalendar dateFromComponents:] kept in the components.
void forgetAnsweredMoment(NSDateComponentsObj* components);

// ICU counts milliseconds since 1970.
inline double icuDateFromReference(NSTimeInterval t) { return (t + NSTimeIntervalSince1970) * 1000.0; }
inline NSTimeInterval referenceFromICUDate(double udate) { return udate / 1000.0 - NSTimeIntervalSince1970; }
