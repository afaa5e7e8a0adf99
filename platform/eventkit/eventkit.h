// EventKit's reminder store, read from the reminder lists of the device.
//
// Classes "EKEventStore", "EKCalendar", "EKReminder", "EKAlarm",
// "EKStructuredLocation" and "EKPredicate"; see EKEventStore.h for the
// store's messages and EKObjects.h for the objects it hands out.
#pragma once

// Where the lists live on the device: one folder per list (see vdir.h).
inline constexpr const char* kReminderListsDevicePath = "/var/mobile/Library/Calendar/Lists";
// While this file exists on the device, access to the store is refused.
inline constexpr const char* kReminderAccessDeniedDevicePath = "/var/mobile/Library/Calendar/access-denied";
// While this file exists on the device, the user has not yet been asked.
inline constexpr const char* kReminderAccessNotAskedDevicePath = "/var/mobile/Library/Calendar/access-not-asked";

void registerEventKit();
