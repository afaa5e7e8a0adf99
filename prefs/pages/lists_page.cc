#include "pages/lists_page.h"

#include "host/eventkit.h"
#include "host/log.h"
#include "store/files.h"

namespace qst::prefs {
namespace {

// EKEntityTypeReminder, and EKAuthorizationStatus.
constexpr NSUInteger kReminders = 1;
constexpr NSInteger kNotDetermined = 0, kAuthorized = 3;
// PSCellType values.
constexpr NSInteger kButtonCell = 13;

// A selection file that names more lists the store lacks than this is not
// one the pane wrote; the page shows the first ones, each tap taking one off,
// rather than compare every name with every other.
constexpr NSUInteger kMostMissingShown = 100;

// The store's lists in a dot of their colour, as Reminders shows them.
constexpr CGFloat kDotCanvas = 29, kDotDiameter = 14;

Class listsPageClass() { return objc_getClass(kListsPageClassName); }

// The Settings app does not link EventKit, and a framework's classes are
// there only once it is loaded: the page loads it before its first use.
Class eventStoreClass() {
  if (Class found = objc_getClass("EKEventStore")) return found;
  id framework = msgSend<id, id>(objc_getClass("NSBundle"),
                                 "bundleWithPath:", QST_STR("/System/Library/Frameworks/EventKit.framework"));
  if (!framework || !msgSend<BOOL>(framework, "load")) return nil;
  return objc_getClass("EKEventStore");
}

id group(id name, id footer) {
  id g = msgSend<id, id>(objc_getClass("PSSpecifier"), "groupSpecifierWithName:", name);
  if (footer) msgSend<void, id, id>(g, "setProperty:forKey:", footer, QST_STR("footerText"));
  return g;
}

id row(id page, id name, id identifier, const char* action) {
  id r = msgSend<id, id, id, SEL, SEL, id, NSInteger, id>(
      objc_getClass("PSSpecifier"), "preferenceSpecifierNamed:target:set:get:detail:cell:edit:", name, page, nullptr,
      nullptr, nil, kButtonCell, nil);
  msgSend<void, id>(r, "setIdentifier:", identifier);
  msgSend<void, SEL>(r, "setButtonAction:", sel(action));
  return r;
}

id colorDot(CGColorRef color) {
  if (!color) return nil;
  UIGraphicsBeginImageContextWithOptions(CGSizeMake(kDotCanvas, kDotCanvas), NO, 0);
  CGContextRef context = UIGraphicsGetCurrentContext();
  CGFloat inset = (kDotCanvas - kDotDiameter) / 2;
  CGContextSetFillColorWithColor(context, color);
  CGContextFillEllipseInRect(context, CGRectMake(inset, inset, kDotDiameter, kDotDiameter));
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image;
}

void addList(id page, id rows, id calendar, id selected) {
  id identifier = msgSend<id>(calendar, "calendarIdentifier");
  id r = row(page, msgSend<id>(calendar, "title"), identifier, "toggleList:");
  if (id dot = colorDot(msgSend<CGColorRef>(calendar, "CGColor")))
    msgSend<void, id, id>(r, "setProperty:forKey:", dot, QST_STR("iconImage"));
  BOOL ticked = msgSend<BOOL, id>(selected, "containsObject:", identifier);
  msgSend<void, id, id>(r,
                        "setProperty:forKey:", msgSend<id, BOOL>(objc_getClass("NSNumber"), "numberWithBool:", ticked),
                        QST_STR("checked"));
  msgSend<void, id>(rows, "addObject:", r);
}

void addMissing(id page, id rows, id calendars, id selected) {
  id known = objc_autorelease(objc_new(objc_getClass("NSMutableArray")));
  for (id calendar : each(calendars))
    msgSend<void, id>(known, "addObject:", msgSend<id>(calendar, "calendarIdentifier"));
  id missing = objc_autorelease(objc_new(objc_getClass("NSMutableArray")));
  for (id identifier : each(selected)) {
    if (count(missing) == kMostMissingShown) break;
    if (!msgSend<BOOL, id>(known, "containsObject:", identifier) &&
        !msgSend<BOOL, id>(missing, "containsObject:", identifier))
      msgSend<void, id>(missing, "addObject:", identifier);
  }
  if (count(missing) == 0) return;
  msgSend<void, id>(
      rows, "addObject:",
      group(QST_STR("Missing lists"), QST_STR("These lists are ticked but no longer in Reminders. Tap one to "
                                              "take it off.")));
  for (id identifier : each(missing)) {
    id name = isString(identifier) ? format(QST_STR("Missing list %@"), identifier) : QST_STR("Missing list");
    msgSend<void, id>(rows, "addObject:", row(page, name, identifier, "removeMissingList:"));
  }
}

// Runs on the main thread once the store has answered the first request.
void accessAnswered(id self, SEL, id) {
  msgSend<void>(self, "reloadSpecifiers");
  objc_release(self);
}

void requestAccess(id page, id store, NSInteger status) {
  if (status != kNotDetermined) {
    // Already decided: the request only lets the system record that the
    // pane asked; nothing waits for its answer.
    requestAccessToEntityType(store, kReminders, [](BOOL, id) {});
    return;
  }
  objc_retain(page);
  requestAccessToEntityType(store, kReminders, [page](BOOL, id) {
    msgSend<void, SEL, id, BOOL>(page, "performSelectorOnMainThread:withObject:waitUntilDone:", sel("accessAnswered:"),
                                 nil, NO);
  });
}

id specifiers(id self, SEL) {
  if (id loaded = ivar<id>(self, "_specifiers")) return loaded;
  AutoreleasePool pool;
  id rows = objc_autorelease(objc_new(objc_getClass("NSMutableArray")));
  Class storeClass = eventStoreClass();
  if (!storeClass) {
    // Nothing to ask, so nothing waits for an answer.
    msgSend<void, id>(rows, "addObject:",
                      group(QST_STR("Lists"), QST_STR("Reminders cannot be read here, so no lists "
                                                      "can be shown.")));
    storeIvar(self, "_specifiers", rows);
    return rows;
  }
  id store = objc_autorelease(objc_new(storeClass));
  NSInteger status = msgSend<NSInteger, NSUInteger>(storeClass, "authorizationStatusForEntityType:", kReminders);
  requestAccess(self, store, status);

  if (status == kNotDetermined) {
    msgSend<void, id>(rows, "addObject:", group(QST_STR("Lists"), QST_STR("Waiting for access to your reminders…")));
  } else if (status != kAuthorized) {
    msgSend<void, id>(rows, "addObject:",
                      group(QST_STR("Lists"), QST_STR("Access to your reminders was refused, so no lists can be shown "
                                                      "and none will show on the lock screen. Allow it in Settings, "
                                                      "Privacy, Reminders.")));
  } else {
    id calendars = msgSend<id, NSUInteger>(store, "calendarsForEntityType:", kReminders);
    id selected = selectedListIdentifiers();
    msgSend<void, id>(rows, "addObject:",
                      group(QST_STR("Lists"), QST_STR("Reminders of the ticked lists show on the lock screen, from "
                                                      "the next time it locks.")));
    for (id calendar : each(calendars)) addList(self, rows, calendar, selected);
    addMissing(self, rows, calendars, selected);
  }
  storeIvar(self, "_specifiers", rows);
  return rows;
}

void toggleList(id self, SEL, id specifier) {
  if (!toggleSelectedList(msgSend<id>(specifier, "identifier")))
    NSLog(QST_STR("%@ could not write the list selection"), logPrefix());
  msgSend<void>(self, "reloadSpecifiers");
}

void removeMissingList(id self, SEL, id specifier) {
  if (!removeSelectedList(msgSend<id>(specifier, "identifier")))
    NSLog(QST_STR("%@ could not write the list selection"), logPrefix());
  msgSend<void>(self, "reloadSpecifiers");
}

// The framework's cell, with the check mark of a ticked list.
id cellForRow(id self, SEL, id tableView, id indexPath) {
  id cell = msgSendSuper<id, id, id>(listsPageClass(), self, "tableView:cellForRowAtIndexPath:", tableView, indexPath);
  id checked = msgSend<id, id>(msgSend<id>(cell, "specifier"), "propertyForKey:", QST_STR("checked"));
  if (checked) msgSend<void, BOOL>(cell, "setChecked:", msgSend<BOOL>(checked, "boolValue"));
  return cell;
}

}  // namespace

void registerListsPage() {
  static const MethodRow methods[] = {
      {"specifiers", specifiers},
      {"toggleList:", toggleList},
      {"removeMissingList:", removeMissingList},
      {"accessAnswered:", accessAnswered},
      {"tableView:cellForRowAtIndexPath:", cellForRow},
  };
  makeClass("PSListController", kListsPageClassName, methods);
}

}  // namespace qst::prefs
