#include "feed/compose.h"

#include "feed/bulletin_id.h"
#include "host/calendar.h"
#include "host/foundation.h"
#include "host/uikit.h"
#include "settings/settings.h"
#include "settings/sort_priority.h"

namespace qst {
namespace {

// The message of every own bulletin; the cell styling makes it invisible.
id ownMessage() { return QST_STR("QST|"); }

id priorityMark(NSInteger priority) {
  switch (priority) {
    case 1: return QST_STR("!!! ");
    case 5: return QST_STR("!! ");
    case 9: return QST_STR("! ");
    default: return QST_STR("");
  }
}

id proximityPrefix(NSInteger proximity) {
  switch (proximity) {
    case 1: return QST_STR("Arriving: ");
    case 2: return QST_STR("Leaving: ");
    default: return QST_STR("");
  }
}

id title(id reminder) {
  id own = msgSend<id>(reminder, "title");
  if (!showPriority) return own;
  return format(QST_STR("%@%@"), priorityMark(msgSend<NSInteger>(reminder, "priority")), own);
}

// The first alarm with a location decides; later alarms are ignored.
id locationSubtitle(id reminder) {
  for (id alarm : each(msgSend<id>(reminder, "alarms"))) {
    id location = msgSend<id>(alarm, "structuredLocation");
    if (!location) continue;
    return format(QST_STR("%@%@"), proximityPrefix(msgSend<NSInteger>(alarm, "proximity")),
                  msgSend<id>(location, "title"));
  }
  return nil;
}

id defaultAction() {
  id actionClass = classNamed("BBAction");
  if (swipeAction == 1) {
    id url = msgSend<id, id>(classNamed("NSURL"), "URLWithString:", QST_STR("x-apple-reminder://"));
    return msgSend<id, id, id>(actionClass, "actionWithLaunchURL:callblock:", url, nil);
  }
  if (swipeAction == 3 && isString(customLaunchAppBundleID) && length(customLaunchAppBundleID) > 0)
    return msgSend<id, id, id>(actionClass, "actionWithLaunchBundleID:callblock:", customLaunchAppBundleID.get(), nil);
  return nil;
}

id identifier(id reminder, NSUInteger index) {
  CGColorRef color = msgSend<CGColorRef>(msgSend<id>(reminder, "calendar"), "CGColor");
  id colorText =
      msgSend<id>(msgSend<id, CGColorRef>(classNamed("CIColor"), "colorWithCGColor:", color), "stringRepresentation");
  return ownBulletinID(index, colorText);
}

}  // namespace

id composeBulletin(id reminder, NSUInteger index) {
  id bulletin = objc_new(classNamed("BBBulletin"));
  msgSend<void, id>(bulletin, "setTitle:", title(reminder));
  msgSend<void, id>(bulletin, "setMessage:", ownMessage());
  if (displayLocation)
    if (id subtitle = locationSubtitle(reminder)) msgSend<void, id>(bulletin, "setSubtitle:", subtitle);
  msgSend<void, BOOL>(bulletin, "setDateIsAllDay:", NO);
  if (id due = msgSend<id>(reminder, "dueDateComponents"))
    msgSend<void, id>(bulletin, "setDate:", dateFromComponents(due));
  if (compatibilityMode) msgSend<void, id>(bulletin, "setSection:", QST_STR("com.apple.reminders"));
  if (id action = defaultAction()) msgSend<void, id>(bulletin, "setDefaultAction:", action);
  if (sortPriority != kNoCustomSorting) {
    // A smaller index gives a later date, so the list's newest-first order
    // keeps the reminders in their own order.
    id offset = dateComponents(sortPriority, 360 - static_cast<NSInteger>(index));
    msgSend<void, id>(bulletin, "setPublicationDate:", addingComponents(offset, now()));
    msgSend<void, id>(bulletin, "setLastInterruptDate:", addingComponents(offset, now()));
  }
  msgSend<void, id>(bulletin, "setBulletinID:", identifier(reminder, index));
  return bulletin;
}

}  // namespace qst
