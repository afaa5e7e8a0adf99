#include "settings_app.h"

#include "choice_page.h"

#include <cmath>
#include <cstdlib>
#include <set>

#include "foundation/NSArray.h"
#include "module_loader.h"
#include "foundation/NSBundle.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "foundation/PropertyList.h"
#include "preferences/preferences.h"
#include "runtime/autorelease.h"
#include "runtime/images.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace sb {
namespace {

id property(id specifier, const char* key) { return msgSend<id, id>(specifier, "propertyForKey:", standin::str(key)); }
std::string text(id value) { return standin::isString(value) ? standin::utf8Of(value) : ""; }
NSInteger cellType(id specifier) { return msgSend<NSInteger>(specifier, "cellType"); }
bool isNumericField(id specifier) { return msgSend<BOOL>(property(specifier, "isNumeric"), "boolValue"); }

std::string numberText(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

// What a value looks like in a row or a field.
std::string valueText(id value) {
  if (standin::isString(value)) return standin::utf8Of(value);
  if (standin::isNumber(value)) {
    auto* n = static_cast<NSNumberObj*>(value);
    if (n->kind == NSNumberObj::Kind::Bool) return n->s ? "on" : "off";
    return numberText(msgSend<RealDouble>(value, "doubleValue"));
  }
  return value ? standin::utf8Of(msgSend<id>(value, "description")) : "";
}

std::string cellName(id specifier) {
  switch (cellType(specifier)) {
    case PSSwitchCell: return "switch";
    case PSLinkListCell: return "choice";
    case PSSliderCell: return "slider";
    case PSEditTextCell: return isNumericField(specifier) ? "number" : "text";
    case PSLinkCell: return "link";
    case PSButtonCell: return "list";
    case PSListItemCell: return "item";
    default: return "text";
  }
}

id currentValue(id specifier) {
  SEL getter = msgSend<SEL>(specifier, "getter");
  return getter ? msgSend<id, id>(msgSend<id>(specifier, "target"), getter, specifier) : nil;
}

std::string shownValue(id controller, id specifier, NSInteger section, NSInteger row) {
  switch (cellType(specifier)) {
    case PSSwitchCell: return msgSend<BOOL>(currentValue(specifier), "boolValue") ? "on" : "off";
    case PSLinkListCell: {
      id value = currentValue(specifier);
      id title = msgSend<id, id>(msgSend<id>(specifier, "titleDictionary"), "objectForKey:", value);
      return title ? text(title) : valueText(value);
    }
    case PSLinkCell: return "";
    case PSButtonCell:
    case PSListItemCell: {
      // The page's own cell says whether the row is ticked.
      id cell = msgSend<id, id, id>(controller, "tableView:cellForRowAtIndexPath:", nil,
                                    standin::indexPathForRow(row, section));
      return msgSend<BOOL>(cell, "isChecked") ? "on" : "off";
    }
    default: return valueText(currentValue(specifier));
  }
}

PanePage pageOf(id controller, const std::string& title, const std::string& groupPrefix) {
  AutoreleasePool pool;
  PanePage page;
  page.title = title;
  NSInteger section = -1, row = 0;
  for (id specifier : standin::arrayItems(msgSend<id>(controller, "specifiers"))) {
    if (cellType(specifier) == PSGroupCell) {
      page.groups.push_back(
          {groupPrefix + text(msgSend<id>(specifier, "name")), text(property(specifier, "footerText"))});
      ++section;
      row = 0;
      continue;
    }
    if (section < 0) {
      page.groups.push_back({groupPrefix, ""});
      section = 0;
    }
    page.rows.push_back(
        {page.groups.back().title, text(msgSend<id>(specifier, "name")), text(property(specifier, "key")),
         cellName(specifier), shownValue(controller, specifier, section, row++),
         StrongId(property(specifier, "iconImage")),
         cellType(specifier) == PSLinkListCell ? choiceNames(controller, specifier) : std::vector<std::string>{}});
  }
  return page;
}

std::string inQuotes(const std::string& s) { return "\"" + s + "\""; }

// What a number pad with a minus key can type: "365", "-1".
bool isWholeNumber(const std::string& s) {
  size_t first = !s.empty() && s[0] == '-' ? 1 : 0;
  return s.size() > first && s.size() <= 18 && s.find_first_not_of("0123456789", first) == std::string::npos;
}

}  // namespace

std::string SettingsApp::defaultBundleFolder() {
  if (const char* path = std::getenv("QST_PANE"); path && *path) return path;
#ifdef QST_PANE_BUNDLE
  return QST_PANE_BUNDLE;
#else
  return "";
#endif
}

namespace {

// What Preferences.app links: libobjc, Foundation, UIKit (and CoreImage,
// which UIKit links) and the Preferences framework. EventKit is not among
// them: a bundle that needs it links it or loads it.
std::set<std::string> settingsAppImages() {
  return {kObjcImage, kFoundationImage, kUIKitImage, kCoreImageImage, kPreferencesImage};
}

}  // namespace

SettingsApp::SettingsApp(const std::string& bundleFolder, const std::string& devicePath, const std::string& arch)
    : folder_(bundleFolder), process_(kSettingsAppFolder, settingsAppImages()) {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  id info = standin::propertyListFromHostFile(folder_ + "/Info.plist");
  std::string executable = standin::textForKeyIn(info, "CFBundleExecutable"),
              principal = standin::textForKeyIn(info, "NSPrincipalClass");
  if (executable.empty() || principal.empty())
    throw PaneError("the settings pane " + folder_ + " has no Info.plist naming its executable and principal class");
  id bundle = standin::bundleAtHostFolder(devicePath.empty() ? folder_ : devicePath, folder_);
  // As the app loads a bundle: mapped once, never unmapped.
  std::string image = folder_ + "/" + executable;
  if (!bundle) throw PaneError("cannot load the settings pane " + folder_ + ": no such folder");
  bundlePath_ = devicePath.empty() ? folder_ : devicePath;
  executable_ = executable;
  // A Linux build is mapped with dlopen; a device build's slice is loaded
  // as NSBundle's load has dyld load it.
  try {
    arch_ = loader::mapModule(image, arch, loader::ModuleKind::Bundle);
  } catch (const loader::ModuleLoadError& e) {
    throw PaneError("cannot load the settings pane " + image + ": " + e.what());
  }
  process_.load(image);
  standin::setBundleLoaded(bundle, image);
  Class cls = static_cast<Class>(msgSend<id>(bundle, "principalClass"));
  if (!cls || !class_respondsToSelector(cls, sel("specifiers")))
    throw PaneError("the settings pane has no list controller " + principal);
  principal_.adopt(objc_new(cls));
}

SettingsApp::~SettingsApp() {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  principal_ = nullptr;
}

PanePage SettingsApp::mainPage() {
  ObjcProcessScope inApp(process_);
  id specifierPlist = standin::propertyListFromHostFile(
      folder_ + "/" +
      standin::textForKeyIn(standin::propertyListFromHostFile(folder_ + "/Info.plist"), "CFBundleExecutable") +
      ".plist");
  return pageOf(principal_, standin::textForKeyIn(specifierPlist, "title"), "");
}

id SettingsApp::openLists() {
  id link = msgSend<id, id>(principal_, "specifierForID:", standin::str("lists"));
  id page = link ? msgSend<id, id>(principal_, "controllerForSpecifier:", link) : nil;
  if (!page) throw PaneError("the settings pane has no \"Reminder lists\" page");
  return page;
}

PanePage SettingsApp::listsPage() {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  id page = openLists();
  std::string title = text(msgSend<id>(msgSend<id>(page, "specifier"), "name"));
  return pageOf(page, title, title + ": ");
}

id SettingsApp::controlFor(const std::string& key) {
  id found = nil;
  for (id specifier : standin::arrayItems(msgSend<id>(principal_, "specifiers"))) {
    bool byKey = text(property(specifier, "key")) == key;
    bool byID = !property(specifier, "key") && text(msgSend<id>(specifier, "identifier")) == key;
    if ((byKey || byID) && msgSend<SEL>(specifier, "setter")) found = specifier;
  }
  if (!found) throw PaneError("the settings pane has no control for \"" + key + "\"");
  return found;
}

id SettingsApp::valueFor(id specifier, const std::string& value) {
  std::string label = inQuotes(text(msgSend<id>(specifier, "name")));
  switch (cellType(specifier)) {
    case PSSwitchCell:
      if (value == "on" || value == "off") return standin::numberWithBool(value == "on");
      throw PaneError(label + " is a switch: on or off, not " + inQuotes(value));
    case PSSliderCell: {
      double min = msgSend<RealDouble>(property(specifier, "min"), "doubleValue");
      double max = msgSend<RealDouble>(property(specifier, "max"), "doubleValue");
      char* end = nullptr;
      double n = value.empty() ? NAN : std::strtod(value.c_str(), &end);
      if (!std::isfinite(n) || *end || n < min || n > max)
        throw PaneError(label + " slides from " + numberText(min) + " to " + numberText(max) + ", not " +
                        inQuotes(value));
      return standin::numberWithFloat(static_cast<float>(n));
    }
    case PSEditTextCell:
      if (isNumericField(specifier) && !isWholeNumber(value))
        throw PaneError(label + " takes a whole number, not " + inQuotes(value));
      return standin::stringWithUTF8(value);
    default: throw PaneError(label + " holds no value to change");
  }
}

// A choice is picked on the page its row opens, as the user picks it.
void SettingsApp::check(const std::string& key, const std::string& value) {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  id specifier = controlFor(key);
  if (cellType(specifier) == PSLinkListCell)
    ChoicePage(principal_, specifier).named(value);
  else
    valueFor(specifier, value);
}

void SettingsApp::set(const std::string& key, const std::string& value) {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  id specifier = controlFor(key);
  if (cellType(specifier) == PSLinkListCell) {
    ChoicePage page(principal_, specifier);
    page.tap(page.named(value));
    return;
  }
  id v = valueFor(specifier, value);
  msgSend<void, id, id>(msgSend<id>(specifier, "target"), msgSend<SEL>(specifier, "setter"), v, specifier);
}

PanePage SettingsApp::choicePage(const std::string& key) {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  id specifier = controlFor(key);
  std::string title = text(msgSend<id>(specifier, "name"));
  if (cellType(specifier) != PSLinkListCell) throw PaneError(inQuotes(title) + " is no choice");
  ChoicePage page(principal_, specifier);
  return pageOf(page.controller(), title, title + ": ");
}

id SettingsApp::listRow(id page, const std::string& name) {
  std::string names;
  for (id specifier : standin::arrayItems(msgSend<id>(page, "specifiers"))) {
    if (cellType(specifier) != PSButtonCell) continue;
    std::string shown = text(msgSend<id>(specifier, "name"));
    if (shown == name) return specifier;
    names += (names.empty() ? "" : ", ") + inQuotes(shown);
  }
  throw PaneError("the lists page has no list called " + inQuotes(name) +
                  (names.empty() ? " (it shows none)" : " (it shows " + names + ")"));
}

void SettingsApp::checkList(const std::string& name) {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  listRow(openLists(), name);
}

void SettingsApp::tapList(const std::string& name) {
  ObjcProcessScope inApp(process_);
  AutoreleasePool pool;
  id row = listRow(openLists(), name);
  msgSend<void, id>(msgSend<id>(row, "target"), msgSend<SEL>(row, "buttonAction"), row);
}

}  // namespace sb
