#include "settings/settings.h"

#include "host/foundation.h"
#include "settings/colors.h"

extern "C" {
BOOL isEnabled = NO;
BOOL showPriority = NO;
BOOL showItemsWithoutDueDate = NO;
BOOL showItemsWithDueDate = NO;
BOOL showItemsWithPastDueDate = NO;
BOOL compatibilityMode = NO;
BOOL hideOnNowPlayingScreen = NO;
StrongId customLaunchAppBundleID;
BOOL showSeparatorLines = NO;
BOOL rightAlignedDate = NO;
BOOL displayLocation = NO;
BOOL sameHeightRows = NO;
NSInteger wallpaperBlurMode = 0;
NSInteger reminderSorting = 0;
NSInteger swipeAction = 0;
StrongId textColor;
BOOL titleColorSameAsListColor = NO;
NSInteger textSize = 0;
StrongId subtitleTextColor;
NSInteger subtitleTextSize = 0;
StrongId dateTextColor;
NSInteger dateTextSize = 0;
NSInteger daysToDisplay = 0;
NSInteger maxRemindersToDisplay = 0;
StrongId iconFile;
StrongId icon;
}

namespace qst {
namespace {

id settingsPath() { return QST_STR("/var/mobile/Library/Preferences/org.velmorra.quillstonebriarwhistleprefs.plist"); }
id defaultIconPath() { return QST_STR("/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle/iconIOS7@2x.png"); }

// A stored value of a kind that cannot answer the conversion (an array where
// a number belongs) counts as absent rather than taking SpringBoard down.
id valueFor(id settings, const char* key, const char* conversion) {
  id value = msgSend<id>(settings, "objectForKey:", stringWithUTF8(key));
  return respondsToSelector(value, sel(conversion)) ? value : nil;
}

BOOL readBool(id settings, const char* key, BOOL fallback) {
  id value = valueFor(settings, key, "boolValue");
  return value ? msgSend<BOOL>(value, "boolValue") : fallback;
}

NSInteger readInteger(id settings, const char* key, NSInteger fallback) {
  id value = valueFor(settings, key, "integerValue");
  return value ? msgSend<NSInteger>(value, "integerValue") : fallback;
}

// intValue: a 32-bit conversion, sign-extended into the machine word.
NSInteger readInt(id settings, const char* key, NSInteger fallback) {
  id value = valueFor(settings, key, "intValue");
  return value ? static_cast<NSInteger>(msgSend<int>(value, "intValue")) : fallback;
}

template <unsigned long N>
NSInteger oneOf(NSInteger value, const NSInteger (&allowed)[N], NSInteger fallback) {
  for (NSInteger a : allowed)
    if (value == a) return value;
  return fallback;
}

id loadImage(id path) {
  id image = msgSend<id>(msgSend<id>(classNamed("UIImage"), "alloc"), "initWithContentsOfFile:", path);
  return objc_autorelease(image);
}

void readTitleColor(id settings) {
  id value = valueFor(settings, "textColor", "integerValue");
  if (!value) {
    textColor.store(systemColor("whiteColor"));  // the title-colour flag keeps its value
    return;
  }
  titleColorSameAsListColor = NO;
  NSInteger index = msgSend<NSInteger>(value, "integerValue");
  if (index == kListColorIndex) {
    titleColorSameAsListColor = YES;
    textColor.store(systemColor("whiteColor"));
  } else {
    textColor.store(textColorForIndex(index));
  }
}

void readColor(id settings, const char* key, StrongId& color, id (*forIndex)(NSInteger)) {
  id value = valueFor(settings, key, "integerValue");
  color.store(value ? forIndex(msgSend<NSInteger>(value, "integerValue")) : systemColor("grayColor"));
}

void readIcon(id settings) {
  id value = msgSend<id>(settings, "objectForKey:", QST_STR("iconFile"));
  if (!isString(value)) {
    iconFile.store(defaultIconPath());
    icon.store(loadImage(iconFile));
    return;
  }
  iconFile.store(value);
  if (!isEqualToString(iconFile, QST_STR("NONE"))) icon.store(loadImage(iconFile));
}

}  // namespace

void loadSettings() {
  AutoreleasePool pool;
  id settings = objc_autorelease(
      msgSend<id>(msgSend<id>(classNamed("NSDictionary"), "alloc"), "initWithContentsOfFile:", settingsPath()));

  isEnabled = readBool(settings, "enabled", YES);
  showPriority = readBool(settings, "showPriority", YES);
  showItemsWithoutDueDate = readBool(settings, "showItemsWithoutDueDate", YES);
  showItemsWithDueDate = readBool(settings, "showItemsWithDueDate", YES);
  showItemsWithPastDueDate = readBool(settings, "showItemsWithPastDueDate", YES);
  compatibilityMode = readBool(settings, "compatibilityMode", YES);
  hideOnNowPlayingScreen = readBool(settings, "hideOnNowPlayingScreen", YES);
  id bundle = msgSend<id>(settings, "objectForKey:", QST_STR("customLaunchAppBundleID"));
  customLaunchAppBundleID.store(bundle ? bundle : QST_STR(""));
  showSeparatorLines = readBool(settings, "showSeparatorLines", YES);
  rightAlignedDate = readBool(settings, "rightAlignedDate", NO);
  displayLocation = readBool(settings, "displayLocation", NO);
  sameHeightRows = readBool(settings, "sameHeightRows", YES);
  wallpaperBlurMode = oneOf(readInteger(settings, "wallpaperBlurMode", 2), {0, 1}, 2);
  reminderSorting = oneOf(readInteger(settings, "reminderSorting", 0), {1, 2}, 0);
  swipeAction = oneOf(readInteger(settings, "swipeAction", 1), {0, 3}, 1);
  readTitleColor(settings);
  textSize = readInt(settings, "textSize", 14);
  readColor(settings, "subtitleTextColor", subtitleTextColor, textColorForIndex);
  subtitleTextSize = readInt(settings, "subtitleTextSize", 14);
  readColor(settings, "dateTextColor", dateTextColor, dateColorForIndex);
  dateTextSize = readInt(settings, "dateTextSize", 14);
  daysToDisplay = readInt(settings, "daysToDisplay", 365);
  maxRemindersToDisplay = readInt(settings, "maxRemindersToDisplay", 0);
  readIcon(settings);
}

}  // namespace qst
