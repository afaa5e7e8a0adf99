#include "pages/main_page.h"

#include "pages/control_values.h"
#include "store/files.h"

namespace qst::prefs {
namespace {

id key(id specifier) { return msgSend<id, id>(specifier, "propertyForKey:", NSStr("key")); }

id iconRow(id specifiers) {
  for (id s : each(specifiers))
    if (isEqualToString(msgSend<id>(s, "identifier"), NSStr("iconFile"))) return s;
  return nil;
}

// A stored icon path that is none of the list's own choices (or is the
// choice added for it): the user's own image.
bool isCustomIcon(id row, id value) {
  if (!msgSend<BOOL, id>(value, "isKindOfClass:", objc_getClass("NSString")) || length(value) == 0) return false;
  id offered = msgSend<id, id>(row, "propertyForKey:", NSStr("customImage"));
  return msgSend<BOOL, id>(offered, "isEqual:", value) ||
         !msgSend<BOOL, id>(msgSend<id>(row, "values"), "containsObject:", value);
}

// The icon list offers the user's own image too, once there is one, so
// that the list shows it as chosen.
void offerCustomIcon(id specifiers) {
  id row = iconRow(specifiers);
  id stored = storedSetting(NSStr("iconFile"));
  if (!row || !isCustomIcon(row, stored)) return;
  id values = msgSend<id>(msgSend<id>(row, "values"), "mutableCopy");
  id titles = objc_new(objc_getClass("NSMutableArray"));
  id shown = msgSend<id>(row, "titleDictionary");
  for (id v : each(values)) msgSend<void, id>(titles, "addObject:", msgSend<id, id>(shown, "objectForKey:", v));
  msgSend<void, id>(values, "addObject:", stored);
  msgSend<void, id>(titles, "addObject:", NSStr("Custom image"));
  msgSend<void, id, id>(row, "setValues:titles:", values, titles);
  msgSend<void, id, id>(row, "setProperty:forKey:", stored, NSStr("customImage"));
  objc_release(values);
  objc_release(titles);
}

id specifiers(id self, SEL) {
  if (id loaded = ivar<id>(self, "_specifiers")) return loaded;
  id loaded = msgSend<id, id, id>(self, "loadSpecifiersFromPlistName:target:", NSStr("QuillstoneBriarwhistlePrefs"),
                                  self);
  offerCustomIcon(loaded);
  storeIvar(self, "_specifiers", loaded);
  return loaded;
}

id readPreferenceValue(id, SEL, id specifier) {
  id stored = storedSetting(key(specifier));
  return stored ? stored : shownWhenAbsent(specifier);
}

void save(id settingKey, id value) {
  if (!storeSetting(settingKey, value)) NSLog(NSStr("%@ could not write the settings file"), NSStr("QST:"));
}

void setPreferenceValue(id, SEL, id value, id specifier) {
  id settingKey = key(specifier);
  if (!settingKey) return;
  StoredValue stored = storedValueFor(specifier, value);
  if (stored.kind == StoredValue::Kind::Refuse) {
    NSLog(NSStr("%@ %@ cannot hold %@; the setting is unchanged"), NSStr("QST:"), settingKey, value);
    return;
  }
  save(settingKey, stored.kind == StoredValue::Kind::Store ? stored.value : nil);
}

// The text field under the icon list: the path of the user's own image.
id customIconFile(id self, SEL, id) {
  id stored = storedSetting(NSStr("iconFile"));
  return isCustomIcon(iconRow(msgSend<id>(self, "specifiers")), stored) ? stored : NSStr("");
}

void setCustomIconFile(id self, SEL, id text, id) {
  if (!msgSend<BOOL, id>(text, "isKindOfClass:", objc_getClass("NSString"))) return;
  if (length(text) > 0) save(NSStr("iconFile"), text);
  else if (isCustomIcon(iconRow(msgSend<id>(self, "specifiers")), storedSetting(NSStr("iconFile"))))
    save(NSStr("iconFile"), nil);
  msgSend<void>(self, "reloadSpecifiers");
}

}  // namespace

void registerMainPage() {
  static const MethodRow methods[] = {
      {"specifiers", specifiers, "@@:"},
      {"readPreferenceValue:", readPreferenceValue, "@@:@"},
      {"setPreferenceValue:specifier:", setPreferenceValue, "v@:@@"},
      {"customIconFile:", customIconFile, "@@:@"},
      {"setCustomIconFile:specifier:", setCustomIconFile, "v@:@@"},
  };
  makeClass("PSListController", kMainPageClassName, methods);
}

}  // namespace qst::prefs
