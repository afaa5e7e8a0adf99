// Preferences' choice page, the page a PSLinkListCell row names as its
// `detail`: one row for each value the row offers, titled as the row titles
// it, the current value ticked, and a tap handing the value to the row's
// setter. Its methods are the ones class dumps of the framework list for
// the class (iOS 8.3's: -specifiers, -itemsFromParent, -itemsFromDataSource,
// -listItemSelected:, -tableView:cellForRowAtIndexPath:,
// -tableView:didSelectRowAtIndexPath:). The page stays up after a tap
// (NewTerm's HBNTPreferencesListItemsController pops itself after the
// framework's tap for that reason); going back is the user's.
#include "foundation/NSArray.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSString.h"
#include "preferences/preferences.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

constexpr const char* kValueKey = "value";  // where each item keeps the value it stands for

Class gListItemsController = nullptr;

PSListControllerObj* page(id self) { return static_cast<PSListControllerObj*>(self); }

id parentRow(id self) { return page(self)->specifier; }

id property(id specifier, const char* key) { return msgSend<id, id>(specifier, "propertyForKey:", standin::str(key)); }

// What the parent row reads now through its getter; nil without one.
id currentValue(id row) {
  SEL getter = msgSend<SEL>(row, "getter");
  id target = msgSend<id>(row, "target");
  return getter && respondsTo(target, getter) ? msgSend<id, id>(target, getter, row) : nil;
}

// An untitled group, then an item for each of the parent row's values.
id itemsFromParent(id self, SEL) {
  id row = parentRow(self);
  std::vector<id> items{msgSend<id, id>(objc_getClass("PSSpecifier"), "groupSpecifierWithName:", nil)};
  id titles = msgSend<id>(row, "titleDictionary"), values = msgSend<id>(row, "values");
  for (id value : standin::isArray(values) ? standin::arrayItems(values) : std::vector<id>{}) {
    id title = msgSend<id, id>(titles, "objectForKey:", value);
    id item = msgSend<id, id, id, SEL, SEL, id, NSInteger, id>(
        objc_getClass("PSSpecifier"), "preferenceSpecifierNamed:target:set:get:detail:cell:edit:",
        standin::isString(title) ? title : standin::str(""), self, nullptr, nullptr, nil, PSListItemCell, nil);
    msgSend<void, id, id>(item, "setProperty:forKey:", value, standin::str(kValueKey));
    items.push_back(item);
  }
  return standin::arrayWith(items);
}

// The parent row asks its target for the values and titles first.
id itemsFromDataSource(id self, SEL) {
  msgSend<void>(parentRow(self), "loadValuesAndTitlesFromDataSource");
  return msgSend<id>(self, "itemsFromParent");
}

id specifiers(id self, SEL) {
  if (page(self)->_specifiers) return page(self)->_specifiers;
  id row = parentRow(self);
  bool fromDataSource = property(row, "valuesDataSource") && property(row, "titlesDataSource");
  id items = msgSend<id>(self, fromDataSource ? "itemsFromDataSource" : "itemsFromParent");
  page(self)->_specifiers = objc_retain(items);
  return items;
}

bool isItem(id specifier) { return specifier && msgSend<NSInteger>(specifier, "cellType") == PSListItemCell; }

// The framework's cell, ticked when its item is the parent row's value.
id cellForRow(id self, SEL cmd, id table, id indexPath) {
  id cell = msgSendSuper<id, id, id>(gListItemsController, self, cmd, table, indexPath);
  id item = msgSend<id>(cell, "specifier");
  if (!isItem(item)) return cell;
  id current = currentValue(parentRow(self));
  msgSend<void, BOOL>(cell,
                      "setChecked:", current && msgSend<BOOL, id>(property(item, kValueKey), "isEqual:", current));
  return cell;
}

// The item's value goes to the parent row's setter, with the row.
void listItemSelected(id self, SEL, id indexPath) {
  id item = standin::specifierAtIndexPath(self, indexPath);
  if (!isItem(item)) return;
  id row = parentRow(self);
  SEL setter = msgSend<SEL>(row, "setter");
  id target = msgSend<id>(row, "target");
  if (setter && respondsTo(target, setter)) msgSend<void, id, id>(target, setter, property(item, kValueKey), row);
}

void didSelectRow(id self, SEL, id, id indexPath) { msgSend<void, id>(self, "listItemSelected:", indexPath); }

}  // namespace

void registerPSListItemsController() {
  Class c = objc_defineClass<PSListControllerObj>(objc_getClass("PSListController"), "PSListItemsController");
  gListItemsController = c;
  class_addMethod(c, sel("specifiers"), specifiers);
  class_addMethod(c, sel("itemsFromParent"), itemsFromParent);
  class_addMethod(c, sel("itemsFromDataSource"), itemsFromDataSource);
  class_addMethod(c, sel("tableView:cellForRowAtIndexPath:"), cellForRow);
  class_addMethod(c, sel("tableView:didSelectRowAtIndexPath:"), didSelectRow);
  class_addMethod(c, sel("listItemSelected:"), listItemSelected);
}
