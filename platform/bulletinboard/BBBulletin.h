// BBBulletin: a bulletin record that keeps every field set. Object fields
// (title, message, subtitle, date, publicationDate, lastInterruptDate,
// section, bulletinID, defaultAction) have a getter and a set...: setter
// that retains the new value and releases the old; dateIsAllDay is a BOOL.
#pragma once

#include "runtime/strong.h"

struct BBBulletinObj : objc_object {
  StrongId title, message, subtitle;                  // NSString
  StrongId date, publicationDate, lastInterruptDate;  // NSDate
  StrongId section, bulletinID;                       // NSString
  StrongId defaultAction;                             // BBAction
  BOOL dateIsAllDay = NO;
};

void registerBBBulletin();
