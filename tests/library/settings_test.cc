#include <optional>
#include <sstream>

#include "qst/settings_table.h"
#include "../platform/image_writers.h"
#include "lock_screen.h"

// The settings as SpringBoard's lock screen shows them.
namespace qst_test {
namespace {

using RGBA = std::array<CGFloat, 4>;
constexpr RGBA kWhite{1, 1, 1, 1}, kGray{0.5, 0.5, 0.5, 1}, kBlack{0, 0, 0, 1};

const char* const kYesterday = "DUE:20261205T120000Z";
const char* const kTomorrow = "DUE:20261207T120000Z";
const char* const kIn400Days = "DUE:20280110T120000Z";
const std::string kOffice = locationAlarm("Office", "51.5,-0.12");

// A 1x1 picture (its contents, not its name, tell its format).
const std::string kIconBytes = image_writers::bmpFile(1, 1, {0, 0, 0, 255});

using Settings = LockScreenTest;

// Every setting of a row as text, so two locks compare and a difference names the row and what changed.
std::string look(const sb::RowState& row) {
  std::ostringstream out;
  auto label = [&](const char* name, const sb::LabelState& l) {
    out << " " << name << "(" << l.text << " " << l.fontSize << "pt rgba " << l.color[0] << "," << l.color[1] << ","
        << l.color[2] << "," << l.color[3] << " at " << l.frame.origin.x << "," << l.frame.origin.y << " "
        << l.frame.size.width << "x" << l.frame.size.height << ")";
  };
  out << row.title << " [" << row.section << "] " << row.defaultAction << " height " << row.height;
  label("primary", row.primary);
  label("subtitle", row.subtitleLabel);
  label("date", row.relevanceDate);
  out << (row.separatorShown ? " separator" : " no separator") << (row.icon ? " icon" : " no icon");
  return out.str();
}

// The table's default as the settings file would store it.
std::optional<PlistValue> storedDefault(const qst::Setting& setting) {
  switch (setting.kind) {
    case qst::SettingKind::Boolean: return setting.on;
    case qst::SettingKind::Choice:
    case qst::SettingKind::Number: return setting.number;
    case qst::SettingKind::Text: return std::string(setting.text);
    case qst::SettingKind::Color: break;
  }
  return std::nullopt;
}

RGBA tableColor(const char* key) { return rgba(msgSend<id>(objc_getClass("UIColor"), qst::findSetting(key)->text)); }

// Reminders and a row of another application that show what every setting does.
TEST_F(Settings, WithoutAFileEachSettingTakesTheTablesDefault) {
  reminders({{"SUMMARY:a", "PRIORITY:1", kTomorrow},
             {"SUMMARY:undated"},
             {"SUMMARY:past", kYesterday},
             {"SUMMARY:far", kIn400Days},
             {"SUMMARY:office", kTomorrow, kOffice}});
  root.notifications(kMessage);
  root.file(qst::kDefaultIconPath, kIconBytes);
  auto& device = locked();
  std::vector<std::string> withoutFile;
  for (const auto& row : rows("QuillstoneBriarwhistle")) withoutFile.push_back(look(row));
  ASSERT_GE(withoutFile.size(), 3u);
  bool underlayWithoutFile = underlayShown();
  auto dated = rows("QuillstoneBriarwhistle");
  auto row = *std::find_if(dated.begin(), dated.end(), [](const sb::RowState& r) { return r.title == "!!! a"; });
  EXPECT_EQ(row.primary.color, tableColor("textColor"));
  EXPECT_EQ(row.relevanceDate.color, tableColor("dateTextColor"));
  device.nowPlaying();
  device.wait(5);
  EXPECT_EQ(ownRows() == 0, qst::setting("hideOnNowPlayingScreen").on);
  device.nowPlayingEnd();

  // The same lock with every default written out.
  PlistDict defaults;
  for (const qst::Setting& setting : qst::kSettings)
    if (auto value = storedDefault(setting)) defaults[setting.key] = *value;
  root.settings(defaults);
  device.relock();
  std::vector<std::string> withDefaults;
  for (const auto& r : rows("QuillstoneBriarwhistle")) withDefaults.push_back(look(r));
  EXPECT_EQ(withDefaults, withoutFile);
  EXPECT_EQ(underlayShown(), underlayWithoutFile);

  // The subtitle's colour shows once the location does.
  root.settings({{"displayLocation", true}});
  device.relock();
  auto located = rows("QuillstoneBriarwhistle");
  auto office = std::find_if(located.begin(), located.end(), [](const sb::RowState& r) { return !r.subtitle.empty(); });
  ASSERT_NE(office, located.end());
  EXPECT_EQ(office->subtitleLabel.color, tableColor("subtitleTextColor"));
}

TEST_F(Settings, EnumeratedValuesOutsideTheirSetTakeTheDefault) {
  reminders({{"SUMMARY:ten", "DUE:20261207T100000Z"}, {"SUMMARY:undated"}, {"SUMMARY:nine", "DUE:20261207T090000Z"}});
  root.notifications(kMessage);
  root.settings({{"swipeAction", 2ll}, {"wallpaperBlurMode", 7ll}, {"reminderSorting", 7ll}});
  auto& device = locked();
  EXPECT_EQ(own().defaultAction, "url x-apple-reminder://");
  EXPECT_FALSE(underlayShown());
  EXPECT_EQ(publishedTitles(), (std::vector<std::string>{"ten", "undated", "nine"}));
  // An integer beyond 32 bits: a 64-bit device reads it whole, a 32-bit one clamps it to its largest NSInteger.
  for (const PlistDict& beyond :
       {PlistDict{{"swipeAction", 4294967296ll}, {"wallpaperBlurMode", std::string("4294967297")}},
        PlistDict{{"swipeAction", std::string("4294967299")}, {"wallpaperBlurMode", 4294967296ll}}}) {
    root.settings(beyond);
    device.relock();
    EXPECT_EQ(own().defaultAction, "url x-apple-reminder://");
    EXPECT_FALSE(underlayShown());
  }
}

// The flag is written only when the key is present: without the key a lock keeps the last one's.
TEST_F(Settings, TheListColourFlagStaysUntilTheKeyIsWritten) {
  reminders({{"SUMMARY:a", "PRIORITY:1", kTomorrow, kOffice}}, "#00FF00");
  root.settings({{"textColor", 999ll}});
  auto& device = locked();
  EXPECT_EQ(own().primary.color, (RGBA{0, 1, 0, 1}));
  root.settings({});
  device.relock();
  EXPECT_EQ(own().primary.color, (RGBA{0, 1, 0, 1}));  // key absent: unchanged
}

TEST_F(Settings, ColourIndicesOutsideTheTableGiveWhite) {
  reminders({{"SUMMARY:a", "PRIORITY:1", kTomorrow, kOffice}}, "#00FF00");
  root.settings({{"textColor", 1ll}});
  auto& device = locked();
  EXPECT_EQ(own().primary.color, kBlack);
  root.settings({{"textColor", -1ll}, {"subtitleTextColor", 2ll}, {"displayLocation", true}});
  device.relock();
  EXPECT_EQ(own().primary.color, kWhite);
  EXPECT_EQ(own().subtitleLabel.color, kGray);
  root.settings({{"textColor", 10ll}, {"dateTextColor", 999ll}});
  device.relock();
  EXPECT_EQ(own().primary.color, kWhite);
  EXPECT_EQ(own().relevanceDate.color, kWhite);
}

TEST_F(Settings, TextSizesAreReadInThirtyTwoBits) {
  reminders({{"SUMMARY:a", "PRIORITY:1", kTomorrow, kOffice}}, "#00FF00");
  root.settings({{"textSize", 4294967312ll}, {"dateTextSize", 4294967308ll}});  // 2^32 + 16, 2^32 + 12
  locked();
  EXPECT_EQ(own().primary.fontSize, 16);
  EXPECT_EQ(own().relevanceDate.fontSize, 12);
}

TEST_F(Settings, StringsAreReadAsNumbersAndSwitchesByTheirOwnRules) {
  reminders({{"SUMMARY:a", "PRIORITY:1", kTomorrow, kOffice}}, "#00FF00");
  root.settings({{"textSize", std::string(" 18pt")}, {"showPriority", std::string("Yes")}});
  auto& device = locked();
  EXPECT_EQ(own().primary.fontSize, 18);
  EXPECT_EQ(own().title, "!!! a");
  root.settings({{"enabled", std::string("no")}});
  device.relock();
  EXPECT_EQ(ownRows(), 0u);
}

}  // namespace
}  // namespace qst_test
