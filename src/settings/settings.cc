#include "settings/settings.h"

#include "host/foundation.h"
#include "qst/settings_table.h"
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

id defaultIconPath() { return stringWithUTF8(kDefaultIconPath); }

// A stored value of a kind that cannot answer the conversion (an array where
// a number belongs) counts as absent rather than taking SpringBoard down.
id valueFor(id settings, const char* key, const char* conversion) {
  id value = msgSend<id>(settings, "objectForKey:", stringWithUTF8(key));
  return respondsToSelector(value, sel(conversion)) ? value : nil;
}

BOOL readBool(id settings, const Setting& setting) {
  id value = valueFor(settings, setting.key, "boolValue");
  return value ? msgSend<BOOL>(value, "boolValue") : setting.on;
}

NSInteger readChoice(id settings, const Setting& setting) {
  id value = valueFor(settings, setting.key, "integerValue");
  return static_cast<NSInteger>(value ? chosen(setting, msgSend<NSInteger>(value, "integerValue")) : setting.number);
}

// intValue: a 32-bit conversion, sign-extended into the machine word.
NSInteger readNumber(id settings, const Setting& setting) {
  id value = valueFor(settings, setting.key, "intValue");
  return value ? static_cast<NSInteger>(msgSend<int>(value, "intValue")) : static_cast<NSInteger>(setting.number);
}

id loadImage(id path) {
  id image = msgSend<id>(msgSend<id>(classNamed("UIImage"), "alloc"), "initWithContentsOfFile:", path);
  return objc_autorelease(image);
}

void readTitleColor(id settings) {
  constexpr const Setting& title = setting("textColor");
  id value = valueFor(settings, title.key, "integerValue");
  if (!value) {
    textColor.store(systemColor(title.text));  // the title-colour flag keeps its value
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

void readColor(id settings, const Setting& setting, StrongId& color, id (*forIndex)(NSInteger)) {
  id value = valueFor(settings, setting.key, "integerValue");
  color.store(value ? forIndex(msgSend<NSInteger>(value, "integerValue")) : systemColor(setting.text));
}

void readIcon(id settings) {
  id value = msgSend<id>(settings, "objectForKey:", stringWithUTF8(setting("iconFile").key));
  if (!isString(value)) {
    iconFile.store(defaultIconPath());
    icon.store(loadImage(iconFile));
    return;
  }
  iconFile.store(value);
  if (!isEqualToString(iconFile, QST_STR("NONE"))) icon.store(loadImage(iconFile));
}

// The settings that are one flag or one number, each with the variable it
// sets; the colours, the launch target and the icon are read by hand below.
struct ScalarTarget {
  const Setting* setting;
  BOOL* flag;         // a Boolean's variable, or null
  NSInteger* number;  // a Choice's or Number's variable, or null
};

constexpr ScalarTarget kScalarTargets[] = {
    {&setting("enabled"), &isEnabled, nullptr},
    {&setting("showPriority"), &showPriority, nullptr},
    {&setting("showItemsWithoutDueDate"), &showItemsWithoutDueDate, nullptr},
    {&setting("showItemsWithDueDate"), &showItemsWithDueDate, nullptr},
    {&setting("showItemsWithPastDueDate"), &showItemsWithPastDueDate, nullptr},
    {&setting("compatibilityMode"), &compatibilityMode, nullptr},
    {&setting("hideOnNowPlayingScreen"), &hideOnNowPlayingScreen, nullptr},
    {&setting("showSeparatorLines"), &showSeparatorLines, nullptr},
    {&setting("rightAlignedDate"), &rightAlignedDate, nullptr},
    {&setting("displayLocation"), &displayLocation, nullptr},
    {&setting("sameHeightRows"), &sameHeightRows, nullptr},
    {&setting("wallpaperBlurMode"), nullptr, &wallpaperBlurMode},
    {&setting("reminderSorting"), nullptr, &reminderSorting},
    {&setting("swipeAction"), nullptr, &swipeAction},
    {&setting("textSize"), nullptr, &textSize},
    {&setting("subtitleTextSize"), nullptr, &subtitleTextSize},
    {&setting("dateTextSize"), nullptr, &dateTextSize},
    {&setting("daysToDisplay"), nullptr, &daysToDisplay},
    {&setting("maxRemindersToDisplay"), nullptr, &maxRemindersToDisplay},
};

}  // namespace

void loadSettings() {
  AutoreleasePool pool;
  id settings = objc_autorelease(msgSend<id>(msgSend<id>(classNamed("NSDictionary"), "alloc"),
                                             "initWithContentsOfFile:", stringWithUTF8(kSettingsFilePath)));

  for (const ScalarTarget& target : kScalarTargets) {
    if (target.flag)
      *target.flag = readBool(settings, *target.setting);
    else if (target.setting->kind == SettingKind::Choice)
      *target.number = readChoice(settings, *target.setting);
    else
      *target.number = readNumber(settings, *target.setting);
  }
  constexpr const Setting& launch = setting("customLaunchAppBundleID");
  id bundle = msgSend<id>(settings, "objectForKey:", stringWithUTF8(launch.key));
  customLaunchAppBundleID.store(bundle ? bundle : stringWithUTF8(launch.text));
  readTitleColor(settings);
  readColor(settings, setting("subtitleTextColor"), subtitleTextColor, textColorForIndex);
  readColor(settings, setting("dateTextColor"), dateTextColor, dateColorForIndex);
  readIcon(settings);
}

}  // namespace qst
