// The settings file as its three users share it: the library reads it, the
// settings pane writes it, and the simulator writes it as another program
// would. Each setting's key, the kind of value stored under it and the value
// the library takes when the key is absent are stated here once, in the order
// the library reads them. The pane's specifier plist, which the Settings app
// reads, states the same defaults again; a test holds it to this table.
//
// Plain constants with no platform in them: the library's freestanding
// device build includes this header as the simulator does.
#pragma once

namespace qst {

// Where the pane writes and the library reads.
inline constexpr const char* kSettingsFilePath =
    "/var/mobile/Library/Preferences/org.velmorra.quillstonebriarwhistleprefs.plist";
// The identifiers of the reminder lists to show, an array.
inline constexpr const char* kCalendarSelectionFilePath =
    "/var/mobile/Library/Preferences/org.velmorra.quillstonebriarwhistle.calendars.plist";
// The pane's own icon, the "iconFile" default.
inline constexpr const char* kDefaultIconPath =
    "/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle/iconIOS7@2x.png";

enum class SettingKind {
  Boolean,  // stored as a boolean; read with boolValue
  Choice,   // stored as an integer; read with integerValue, and a value outside `choices` reads as the default
  Number,   // stored as an integer; read with intValue, 32 bits sign-extended into the machine word
  Color,    // stored as an integer; read with integerValue as a colour index
  Text,     // stored as a string; kept as stored
};

struct Setting {
  const char* key;
  SettingKind kind;
  // The default, in the field of the setting's kind: `on` for a Boolean,
  // `number` for a Choice or Number, `text` for a Text, and for a Color the
  // UIColor class method that makes the colour (no index stands for every
  // default: the date's index 2 is half-transparent white, not gray).
  bool on = false;
  long long number = 0;
  const char* text = nullptr;
  // A Choice's values; the rest of the array is unused.
  long long choices[3] = {};
};

namespace settings_table {

constexpr Setting boolean(const char* key, bool on) { return {key, SettingKind::Boolean, on}; }
constexpr Setting choice(const char* key, long long fallback, long long a, long long b, long long c) {
  return {key, SettingKind::Choice, false, fallback, nullptr, {a, b, c}};
}
constexpr Setting number(const char* key, long long fallback) { return {key, SettingKind::Number, false, fallback}; }
constexpr Setting color(const char* key, const char* method) { return {key, SettingKind::Color, false, 0, method}; }
constexpr Setting text(const char* key, const char* fallback) { return {key, SettingKind::Text, false, 0, fallback}; }

}  // namespace settings_table

inline constexpr Setting kSettings[] = {
    settings_table::boolean("enabled", true),
    settings_table::boolean("showPriority", true),
    settings_table::boolean("showItemsWithoutDueDate", true),
    settings_table::boolean("showItemsWithDueDate", true),
    settings_table::boolean("showItemsWithPastDueDate", true),
    settings_table::boolean("compatibilityMode", true),
    settings_table::boolean("hideOnNowPlayingScreen", true),
    settings_table::text("customLaunchAppBundleID", ""),
    settings_table::boolean("showSeparatorLines", true),
    settings_table::boolean("rightAlignedDate", false),
    settings_table::boolean("displayLocation", false),
    settings_table::boolean("sameHeightRows", true),
    // 0 leave the underlay alone, 1 none while only own and companion rows
    // are listed, 2 refuse the list's requests.
    settings_table::choice("wallpaperBlurMode", 2, 0, 1, 2),
    // 0 the store's order, 1 undated first, 2 undated last.
    settings_table::choice("reminderSorting", 0, 0, 1, 2),
    // 0 no action, 1 open Reminders, 3 open "customLaunchAppBundleID".
    settings_table::choice("swipeAction", 1, 0, 1, 3),
    // 999 also gives the title its list's colour.
    settings_table::color("textColor", "whiteColor"),
    settings_table::number("textSize", 14),
    settings_table::color("subtitleTextColor", "grayColor"),
    settings_table::number("subtitleTextSize", 14),
    settings_table::color("dateTextColor", "grayColor"),
    settings_table::number("dateTextSize", 14),
    // -1 ends the due-date window now.
    settings_table::number("daysToDisplay", 365),
    // 0 shows every reminder.
    settings_table::number("maxRemindersToDisplay", 0),
    // "NONE", "DOT", "DOT_LARGE" or an image's path.
    settings_table::text("iconFile", kDefaultIconPath),
};

inline constexpr int kSettingCount = sizeof kSettings / sizeof kSettings[0];

constexpr bool sameKey(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// The table's row for `key`, or null.
constexpr const Setting* findSetting(const char* key) {
  for (const Setting& setting : kSettings)
    if (sameKey(setting.key, key)) return &setting;
  return nullptr;
}

// The row for a key named in code: a key the table does not hold stops the
// build, as dereferencing null cannot be a constant.
consteval const Setting& setting(const char* key) { return *findSetting(key); }

// A Choice's stored value when it is one of its choices, else its default.
constexpr long long chosen(const Setting& setting, long long stored) {
  for (long long c : setting.choices)
    if (stored == c) return stored;
  return setting.number;
}

}  // namespace qst
