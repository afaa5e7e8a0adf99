#include "foundation/NSArray.h"
#include "foundation/NSBundle.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSLog.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/PropertyList.h"
#include "preferences/preferences.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

PSListControllerObj* page(id self) { return static_cast<PSListControllerObj*>(self); }

id string(id dictionary, const char* key) {
  id value = msgSend<id>(dictionary, "objectForKey:", standin::str(key));
  return standin::isString(value) ? value : nil;
}

SEL selectorNamed(id name) { return name ? sel_registerName(standin::utf8Of(name).c_str()) : nullptr; }

// One item of a plist as the framework makes it a specifier.
id specifierFromItem(id item, id target, id bundle) {
  if (!standin::isDictionary(item)) return nil;
  id cellName = string(item, "cell");
  NSInteger cell = cellName ? standin::cellTypeFromName(standin::utf8Of(cellName)) : -1;
  if (cell < 0) return nil;
  id key = string(item, "key");
  SEL get = selectorNamed(string(item, "get")), set = selectorNamed(string(item, "set"));
  if (key && !get) get = sel("readPreferenceValue:");
  if (key && !set) set = sel("setPreferenceValue:specifier:");
  // The page a row opens is found by name in the whole process, as
  // NSClassFromString finds it: Preferences' own PSListItemsController, a
  // class of the pane's image or one made at run time all count, a class of
  // an image the process has not loaded does not. Only the edit pane
  // (`pane`) is looked up in the bundle (-[NSBundle classNamed:], nil for a
  // class that is not the bundle's own).
  id detailName = string(item, "detail"), paneName = string(item, "pane");
  id detail = detailName ? objc_getClass(standin::utf8Of(detailName).c_str()) : nil;
  id edit = paneName ? msgSend<id, id>(bundle, "classNamed:", paneName) : nil;
  id label = string(item, "label");
  id s = msgSend<id, id, id, SEL, SEL, id, NSInteger, id>(
      objc_getClass("PSSpecifier"),
      "preferenceSpecifierNamed:target:set:get:detail:cell:edit:", label ? label : standin::str(""), target, set, get,
      detail, cell, edit);
  for (id k : standin::arrayItems(msgSend<id>(item, "allKeys")))
    msgSend<void, id, id>(s, "setProperty:forKey:", msgSend<id, id>(item, "objectForKey:", k), k);
  if (id identifier = string(item, "id")) msgSend<void, id>(s, "setIdentifier:", identifier);
  id values = msgSend<id>(item, "objectForKey:", standin::str("validValues"));
  id titles = msgSend<id>(item, "objectForKey:", standin::str("validTitles"));
  if (standin::isArray(values) && standin::isArray(titles))
    msgSend<void, id, id>(s, "setValues:titles:", values, titles);
  if (id action = string(item, "action")) msgSend<void, SEL>(s, "setButtonAction:", selectorNamed(action));
  return s;
}

// The controller's bundle is that of its class (+[NSBundle bundleForClass:]);
// a page class made at run time gets the Settings app's own bundle, unless
// it answers -bundle itself.
id bundle(id self, SEL) { return msgSend<id, id>(objc_getClass("NSBundle"), "bundleForClass:", object_getClass(self)); }

id loadSpecifiersFromPlistName(id self, SEL, id name, id target) {
  id from = msgSend<id>(self, "bundle");
  std::string path =
      standin::isString(name) ? standin::bundleHostPathForResource(from, standin::utf8Of(name), "plist") : "";
  id plist = standin::propertyListFromHostFile(path);
  id items = standin::isDictionary(plist) ? msgSend<id>(plist, "objectForKey:", standin::str("items")) : nil;
  if (!standin::isArray(items)) {
    NSLog(standin::str("Preferences: no specifiers in %s"), path.c_str());
    return standin::arrayWith({});
  }
  std::vector<id> specifiers;
  for (id item : standin::arrayItems(items))
    if (id s = specifierFromItem(item, target, from)) specifiers.push_back(s);
  return standin::arrayWith(specifiers);
}

id specifiers(id self, SEL) { return page(self)->_specifiers; }

id readPreferenceValue(id, SEL, id specifier) {
  return msgSend<id, id>(specifier, "propertyForKey:", standin::str("default"));
}
void setPreferenceValue(id, SEL, id, id) {}

void reloadSpecifiers(id self, SEL) {
  objc_release(page(self)->_specifiers);
  page(self)->_specifiers = nullptr;
  msgSend<id>(self, "specifiers");
}
void reloadSpecifier(id, SEL, id) {}

id specifierForID(id self, SEL, id identifier) {
  for (id s : standin::arrayItems(msgSend<id>(self, "specifiers")))
    if (msgSend<BOOL, id>(msgSend<id>(s, "identifier"), "isEqual:", identifier)) return s;
  return nil;
}

id specifier(id self, SEL) { return page(self)->specifier; }
void setSpecifier(id self, SEL, id specifier) {
  objc_retain(specifier);
  objc_release(page(self)->specifier);
  page(self)->specifier = specifier;
}

// The first row of the page, in order, for which `found(item, section,
// row)` holds; nil for none. Sections begin at each group specifier; rows
// before the first group make a section of their own.
template <class Found>
id findRow(id controller, Found found) {
  NSInteger section = -1, row = 0;
  for (id item : standin::arrayItems(msgSend<id>(controller, "specifiers"))) {
    if (msgSend<NSInteger>(item, "cellType") == PSGroupCell) {
      ++section;
      row = 0;
      continue;
    }
    if (section < 0) section = 0;
    if (found(item, section, row++)) return item;
  }
  return nil;
}

// The row's place in the table; nil for a group or a specifier the page
// does not show.
id indexPathForSpecifier(id self, SEL, id specifier) {
  id place = nil;
  findRow(self, [&](id item, NSInteger section, NSInteger row) {
    if (item == specifier) place = standin::indexPathForRow(row, section);
    return place != nil;
  });
  return place;
}

// The page a row opens: a new controller of the row's detail class, given
// the row; nil when the row names no class the process has.
id controllerForSpecifier(id, SEL, id specifier) {
  Class detail = static_cast<Class>(msgSend<id>(specifier, "detailControllerClass"));
  if (!detail) return nil;
  id page = objc_autorelease(objc_new(detail));
  msgSend<void, id>(page, "setSpecifier:", specifier);
  return page;
}

id cellForRow(id self, SEL, id, id indexPath) {
  id item = standin::specifierAtIndexPath(self, indexPath);
  if (!item) return nil;
  auto* cell = static_cast<PSTableCellObj*>(objc_new("PSTableCell"));
  cell->specifier = objc_retain(item);
  return objc_autorelease(cell);
}

id cellSpecifier(id self, SEL) { return static_cast<PSTableCellObj*>(self)->specifier; }
void setChecked(id self, SEL, BOOL checked) { static_cast<PSTableCellObj*>(self)->checked = checked; }
BOOL isChecked(id self, SEL) { return static_cast<PSTableCellObj*>(self)->checked; }

}  // namespace

id standin::specifierAtIndexPath(id controller, id indexPath) {
  if (!indexPath) return nil;
  NSInteger section = msgSend<NSInteger>(indexPath, "section"), row = msgSend<NSInteger>(indexPath, "row");
  return findRow(controller, [&](id, NSInteger s, NSInteger r) { return s == section && r == row; });
}

PSListControllerObj::~PSListControllerObj() {
  objc_release(_specifiers);
  objc_release(specifier);
}
PSTableCellObj::~PSTableCellObj() { objc_release(specifier); }

void registerPSSpecifier();
void registerPSListItemsController();

void registerPreferences() {
  registerPSSpecifier();
  Class c = objc_defineClass<PSListControllerObj>(standin::nsObjectClass(), "PSListController");
  OBJC_IVAR(c, PSListControllerObj, _specifiers, "@");
  class_addMethod(c, sel("specifiers"), specifiers);
  class_addMethod(c, sel("bundle"), bundle);
  class_addMethod(c, sel("loadSpecifiersFromPlistName:target:"), loadSpecifiersFromPlistName);
  class_addMethod(c, sel("readPreferenceValue:"), readPreferenceValue);
  class_addMethod(c, sel("setPreferenceValue:specifier:"), setPreferenceValue);
  class_addMethod(c, sel("reloadSpecifiers"), reloadSpecifiers);
  class_addMethod(c, sel("reloadSpecifier:"), reloadSpecifier);
  class_addMethod(c, sel("specifierForID:"), specifierForID);
  class_addMethod(c, sel("specifier"), specifier);
  class_addMethod(c, sel("setSpecifier:"), setSpecifier);
  class_addMethod(c, sel("tableView:cellForRowAtIndexPath:"), cellForRow);
  class_addMethod(c, sel("indexPathForSpecifier:"), indexPathForSpecifier);
  class_addMethod(c, sel("controllerForSpecifier:"), controllerForSpecifier);
  Class cell = objc_defineClass<PSTableCellObj>(standin::nsObjectClass(), "PSTableCell");
  class_addMethod(cell, sel("specifier"), cellSpecifier);
  class_addMethod(cell, sel("setChecked:"), setChecked);
  class_addMethod(cell, sel("isChecked"), isChecked);
  registerPSListItemsController();
}
