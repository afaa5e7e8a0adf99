#include "pages/main_page.h"

#include "host/log.h"
#include "pages/control_values.h"
#include "qst/settings_table.h"
#include "pages/lists_page.h"
#include "store/files.h"

namespace qst::prefs {
namespace {

id key(id specifier) { return msgSend<id, id>(specifier, "propertyForKey:", QST_STR("key")); }

// The setting the icon list and the custom image's field both store.
id iconFileKey() { return stringWithUTF8(setting("iconFile").key); }

id iconRow(id specifiers) {
  for (id s : each(specifiers))
    if (isEqualToString(msgSend<id>(s, "identifier"), QST_STR("iconFile"))) return s;
  return nil;
}

// A stored icon path that is none of the list's own choices (or is the
// choice added for it): the user's own image.
bool isCustomIcon(id row, id value) {
  if (!isString(value) || length(value) == 0) return false;
  id offered = msgSend<id, id>(row, "propertyForKey:", QST_STR("customImage"));
  return msgSend<BOOL, id>(offered, "isEqual:", value) ||
         !msgSend<BOOL, id>(msgSend<id>(row, "values"), "containsObject:", value);
}

// The icon list offers the user's own image too, once there is one, so
// that the list shows it as chosen.
void offerCustomIcon(id specifiers) {
  id row = iconRow(specifiers);
  id stored = storedSetting(iconFileKey());
  if (!row || !isCustomIcon(row, stored)) return;
  id values = msgSend<id>(msgSend<id>(row, "values"), "mutableCopy");
  id titles = objc_new(objc_getClass("NSMutableArray"));
  id shown = msgSend<id>(row, "titleDictionary");
  for (id v : each(values)) msgSend<void, id>(titles, "addObject:", msgSend<id, id>(shown, "objectForKey:", v));
  msgSend<void, id>(values, "addObject:", stored);
  msgSend<void, id>(titles, "addObject:", QST_STR("Custom image"));
  msgSend<void, id, id>(row, "setValues:titles:", values, titles);
  msgSend<void, id, id>(row, "setProperty:forKey:", stored, QST_STR("customImage"));
  objc_release(values);
  objc_release(titles);
}

// The page's class is made at load time, so it lies in no image and the
// framework would take the Settings app's own bundle for it, where none of
// the pane's files are: the page names its own bundle, found by the
// identifier the Settings app loaded it under.
id bundle(id self, SEL) {
  id own = msgSend<id, id>(objc_getClass("NSBundle"),
                           "bundleWithIdentifier:", QST_STR("org.velmorra.quillstonebriarwhistleprefs"));
  return own ? own : msgSendSuper<id>(objc_getClass(kMainPageClassName), self, "bundle");
}

// The framework finds a row's page class by name in the process, where the
// lists page, made at load time, is. Should a row come without it (a
// framework that looked only in the bundle's own image, where a class made
// at run time is not), the row is made again here with its page class,
// keeping everything else the plist gave it.
id withListsPage(id self, id loaded) {
  Class page = objc_getClass(kListsPageClassName);
  id rows = objc_autorelease(objc_new(objc_getClass("NSMutableArray")));
  for (id s : each(loaded)) {
    id row = s;
    if (isEqualToString(msgSend<id>(s, "identifier"), QST_STR("lists")) && page &&
        !msgSend<id>(s, "detailControllerClass")) {
      row = msgSend<id, id, id, SEL, SEL, id, NSInteger, id>(
          objc_getClass("PSSpecifier"),
          "preferenceSpecifierNamed:target:set:get:detail:cell:edit:", msgSend<id>(s, "name"), self,
          msgSend<SEL>(s, "setter"), msgSend<SEL>(s, "getter"), page, msgSend<NSInteger>(s, "cellType"), nil);
      id properties = msgSend<id>(s, "properties");
      for (id k : each(msgSend<id>(properties, "allKeys")))
        msgSend<void, id, id>(row, "setProperty:forKey:", msgSend<id, id>(properties, "objectForKey:", k), k);
      msgSend<void, id>(row, "setIdentifier:", msgSend<id>(s, "identifier"));
    }
    msgSend<void, id>(rows, "addObject:", row);
  }
  return rows;
}

id specifiers(id self, SEL) {
  if (id loaded = ivar<id>(self, "_specifiers")) return loaded;
  id loaded = withListsPage(
      self,
      msgSend<id, id, id>(self, "loadSpecifiersFromPlistName:target:", QST_STR("QuillstoneBriarwhistlePrefs"), self));
  offerCustomIcon(loaded);
  storeIvar(self, "_specifiers", loaded);
  return loaded;
}

id readPreferenceValue(id, SEL, id specifier) {
  id stored = storedSetting(key(specifier));
  return stored ? stored : shownWhenAbsent(specifier);
}

void save(id settingKey, id value) {
  if (!storeSetting(settingKey, value)) NSLog(QST_STR("%@ could not write the settings file"), logPrefix());
}

void setPreferenceValue(id, SEL, id value, id specifier) {
  id settingKey = key(specifier);
  if (!settingKey) return;
  StoredValue stored = storedValueFor(specifier, value);
  if (stored.kind == StoredValue::Kind::Refuse) {
    NSLog(QST_STR("%@ %@ cannot hold %@; the setting is unchanged"), logPrefix(), settingKey, value);
    return;
  }
  save(settingKey, stored.kind == StoredValue::Kind::Store ? stored.value : nil);
}

// The text field under the icon list: the path of the user's own image.
id customIconFile(id self, SEL, id) {
  id stored = storedSetting(iconFileKey());
  return isCustomIcon(iconRow(msgSend<id>(self, "specifiers")), stored) ? stored : QST_STR("");
}

void setCustomIconFile(id self, SEL, id text, id) {
  if (!isString(text)) return;
  if (length(text) > 0)
    save(iconFileKey(), text);
  else if (isCustomIcon(iconRow(msgSend<id>(self, "specifiers")), storedSetting(iconFileKey())))
    save(iconFileKey(), nil);
  msgSend<void>(self, "reloadSpecifiers");
}

}  // namespace

void registerMainPage() {
  static const MethodRow methods[] = {
      {"specifiers", specifiers},
      {"bundle", bundle},
      {"readPreferenceValue:", readPreferenceValue},
      {"setPreferenceValue:specifier:", setPreferenceValue},
      {"customIconFile:", customIconFile},
      {"setCustomIconFile:specifier:", setCustomIconFile},
  };
  makeClass("PSListController", kMainPageClassName, methods);
}

}  // namespace qst::prefs
