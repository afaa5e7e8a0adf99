// The Preferences framework (the Settings app's list controllers and
// specifiers), as much of it as a preference bundle uses:
//
// PSSpecifier (class "PSSpecifier"): one row or group of a settings page.
//   +preferenceSpecifierNamed:target:set:get:detail:cell:edit:
//   +groupSpecifierWithName:, -name, -identifier, -setIdentifier:,
//   -propertyForKey:, -setProperty:forKey:, -properties, -cellType, -target,
//   -setTarget:, -detailControllerClass, -setDetailControllerClass:,
//   -editPaneClass, -values, -titleDictionary, -setValues:titles:,
//   -loadValuesAndTitlesFromDataSource (the target's methods named by the
//   `valuesDataSource` and `titlesDataSource` properties), -setButtonAction:,
//   -buttonAction, -getter, -setter.
// PSListController (class "PSListController"): a page of specifiers.
//   -specifiers (the `_specifiers` ivar, nil until a subclass fills it),
//   -bundle (+[NSBundle bundleForClass:] of the controller's class),
//   -loadSpecifiersFromPlistName:target: (the plist of that name in
//   [self bundle]: `title` and `items`, each item a specifier, its `detail`
//   class found by name in the process, its `pane` class with the bundle's
//   -classNamed:; rows with a `key` read and write through the controller's
//   readPreferenceValue: and setPreferenceValue:specifier: unless the item
//   names `get`/`set`), -readPreferenceValue: (the specifier's `default`),
//   -setPreferenceValue:specifier: (keeps nothing), -reloadSpecifiers,
//   -reloadSpecifier:, -specifierForID:, -specifier, -setSpecifier:,
//   -tableView:cellForRowAtIndexPath: (a PSTableCell for the row of that
//   section, sections beginning at each group specifier),
//   -indexPathForSpecifier:, -controllerForSpecifier: (a new page of the
//   row's detail class, given the row; nil when it has none).
// PSListItemsController (class "PSListItemsController", a PSListController):
//   the choice page of a PSLinkListCell row given with -setSpecifier:. An
//   untitled group, then a PSListItemCell item for each of the row's values
//   (after -loadValuesAndTitlesFromDataSource when the row names both data
//   sources), named by its title; -tableView:cellForRowAtIndexPath: ticks the
//   item of the row's current value; -tableView:didSelectRowAtIndexPath: and
//   -listItemSelected: hand the item's value to the row's setter.
// PSTableCell (class "PSTableCell"): -specifier, -setChecked:, -isChecked.
//
// The framework's classes are its image's (kPreferencesImage): a process
// that has not loaded the framework finds none of them by name.
#pragma once

#include <string>

#include "runtime/objc.h"

// PSCellType, as the specifier plists name the cells.
enum PSCellType : NSInteger {
  PSGroupCell = 0,
  PSLinkCell = 1,
  PSLinkListCell = 2,
  PSListItemCell = 3,
  PSTitleValueCell = 4,
  PSSliderCell = 5,
  PSSwitchCell = 6,
  PSStaticTextCell = 7,
  PSEditTextCell = 8,
  PSSegmentCell = 9,
  PSGiantIconCell = 10,
  PSGiantCell = 11,
  PSSecureEditTextCell = 12,
  PSButtonCell = 13,
  PSEditTextViewCell = 14,
};

namespace standin {

// The cell type a plist's `cell` names; -1 for a name it does not know.
NSInteger cellTypeFromName(const std::string& name);

// The specifier a list controller shows at the index path's section and
// row (sections begin at each group specifier); nil for none.
id specifierAtIndexPath(id controller, id indexPath);

}  // namespace standin

struct PSSpecifierObj : objc_object {
  id name = nullptr, identifier = nullptr, properties = nullptr;  // retained; properties mutable
  id values = nullptr, titleDictionary = nullptr;                 // retained
  id target = nullptr;                                            // not retained, as the framework's
  SEL getter = nullptr, setter = nullptr, action = nullptr;
  Class detailControllerClass = nullptr, editPaneClass = nullptr;
  NSInteger cellType = PSGroupCell;
  ~PSSpecifierObj() override;
};

struct PSListControllerObj : objc_object {
  id _specifiers = nullptr;  // retained
  id specifier = nullptr;    // retained: the row that opened this page
  ~PSListControllerObj() override;
};

struct PSTableCellObj : objc_object {
  id specifier = nullptr;  // retained
  BOOL checked = NO;
  ~PSTableCellObj() override;
};

void registerPreferences();
