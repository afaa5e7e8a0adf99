#include "pages/main_page.h"

#include "pages/control_values.h"
#include "store/files.h"

namespace qst::prefs {
namespace {

id key(id specifier) { return msgSend<id, id>(specifier, "propertyForKey:", NSStr("key")); }

id iconSpecifier(id page) { return msgSend<id, id>(page, "specifierForID:", NSStr("iconFile")); }

// A stored icon path that is none of the list's own choices: the user's
// own image.
bool isCustomIcon(id page, id value) {
  return msgSend<BOOL, id>(value, "isKindOfClass:", objc_getClass("NSString")) && length(value) > 0 &&
         !msgSend<BOOL, id>(msgSend<id>(iconSpecifier(page), "values"), "containsObject:", value);
}

// The icon list offers the user's own image too, once there is one, so
// that the list shows it as chosen.
void offerCustomIcon(id specifiers) {
  id icon = nil;
  for (id s : each(specifiers))
    if (isEqualToString(msgSend<id>(s, "identifier"), NSStr("iconFile"))) icon = s;
  id stored = storedSetting(NSStr("iconFile"));
  if (!icon || !msgSend<BOOL, id>(stored, "isKindOfClass:", objc_getClass("NSString")) || length(stored) == 0 ||
      msgSend<BOOL, id>(msgSend<id>(icon, "values"), "containsObject:", stored))
    return;
  id values = msgSend<id>(msgSend<id>(icon, "values"), "mutableCopy");
  id titles = objc_new(objc_getClass("NSMutableArray"));
  id shown = msgSend<id>(icon, "titleDictionary");
  for (id v : each(values)) msgSend<void, id>(titles, "addObject:", msgSend<id, id>(shown, "objectForKey:", v));
  msgSend<void, id>(values, "addObject:", stored);
  msgSend<void, id>(titles, "addObject:", NSStr("Custom image"));
  msgSend<void, id, id>(icon, "setValues:titles:", values, titles);
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
  return isCustomIcon(self, stored) ? stored : NSStr("");
}

void setCustomIconFile(id self, SEL, id text, id) {
  if (!msgSend<BOOL, id>(text, "isKindOfClass:", objc_getClass("NSString"))) return;
  if (length(text) > 0) save(NSStr("iconFile"), text);
  else if (isCustomIcon(self, storedSetting(NSStr("iconFile")))) save(NSStr("iconFile"), nil);
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
