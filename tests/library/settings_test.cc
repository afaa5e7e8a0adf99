#include "lock_screen.h"

// The settings as SpringBoard's lock screen shows them: the rows' titles,
// sections, actions, labels and icons, the underlay and the rows' stay.
namespace qst_test {
namespace {

using RGBA = std::array<CGFloat, 4>;
constexpr RGBA kWhite{1, 1, 1, 1}, kGray{0.5, 0.5, 0.5, 1}, kHalfWhite{1, 1, 1, 0.5}, kRed{1, 0, 0, 1},
    kBlack{0, 0, 0, 1};

const char* const kMessage = R"([{"section": "com.apple.MobileSMS", "title": "Anna", "minutesBeforeNow": 3}])";
const char* const kYesterday = "DUE:20261205T120000Z";
const char* const kTomorrow = "DUE:20261207T120000Z";
const char* const kIn400Days = "DUE:20280110T120000Z";

// A 1x1 PNG.
const unsigned char kPng[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                              0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
                              0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
                              0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF, 0x89, 0x99,
                              0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
const std::string_view kPngBytes(reinterpret_cast<const char*>(kPng), sizeof kPng);

class Settings : public LockScreenTest {
 protected:
  sb::RowState own() { return rows("QuillstoneBriarwhistle").at(0); }
  std::vector<std::string> ownTitles() {
    std::vector<std::string> titles;
    for (const auto& row : rows("QuillstoneBriarwhistle")) titles.push_back(row.title);
    return titles;
  }
  bool underlayShown() { return device->snapshot().underlay.shown; }
};

TEST_F(Settings, EveryDefaultWithoutAFile) {
  reminders({{"SUMMARY:a", "PRIORITY:1", kTomorrow}, {"SUMMARY:far", kIn400Days}});
  root.notifications(kMessage);
  root.file("/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle/iconIOS7@2x.png", kPngBytes);
  auto& device = boot();
  device.lock();
  EXPECT_EQ(ownTitles(), std::vector<std::string>{"!!! a"});  // enabled, marks, 365 days, no limit
  auto row = own();
  EXPECT_EQ(row.section, "com.apple.reminders");
  EXPECT_EQ(row.subtitle, "");
  EXPECT_EQ(row.defaultAction, "url x-apple-reminder://");
  EXPECT_EQ(row.primary.fontSize, 14);
  EXPECT_EQ(row.relevanceDate.fontSize, 14);
  EXPECT_EQ(row.primary.color, kWhite);
  EXPECT_EQ(row.relevanceDate.color, kGray);
  EXPECT_EQ(row.relevanceDate.frame.origin.x, 57 + row.primary.frame.size.width);  // not right-aligned
  EXPECT_TRUE(row.separatorShown);
  EXPECT_TRUE(row.icon);  // the pane's icon
  EXPECT_FALSE(underlayShown());  // refused even with another application's row
  device.nowPlaying();
  device.wait(5);
  EXPECT_EQ(ownRows(), 0u);
}

class SettingsFormats : public Settings, public ::testing::WithParamInterface<PlistFormat> {};

TEST_P(SettingsFormats, XmlAndBinaryFilesReadTheSame) {
  reminders({{"SUMMARY:past", "PRIORITY:1", kYesterday}, {"SUMMARY:tomorrow", kTomorrow}});
  root.settings({{"enabled", true},
                 {"showPriority", false},
                 {"swipeAction", 3ll},
                 {"customLaunchAppBundleID", std::string("com.example.todo")},
                 {"textSize", 20ll},
                 {"daysToDisplay", -1ll},
                 {"dateTextColor", 0ll}},
                GetParam());
  boot().lock();
  EXPECT_EQ(ownTitles(), std::vector<std::string>{"past"});
  auto row = own();
  EXPECT_EQ(row.defaultAction, "bundle com.example.todo");
  EXPECT_EQ(row.primary.fontSize, 20);
  EXPECT_EQ(row.relevanceDate.color, kRed);
}

INSTANTIATE_TEST_SUITE_P(Both, SettingsFormats, ::testing::Values(PlistFormat::XML, PlistFormat::Binary));

TEST_F(Settings, EnumeratedValuesOutsideTheirSetTakeTheDefault) {
  reminders({{"SUMMARY:ten", "DUE:20261207T100000Z"}, {"SUMMARY:undated"}, {"SUMMARY:nine", "DUE:20261207T090000Z"}});
  root.notifications(kMessage);
  root.settings({{"swipeAction", 2ll}, {"wallpaperBlurMode", 7ll}, {"reminderSorting", 7ll}});
  auto& device = boot();
  device.lock();
  EXPECT_EQ(own().defaultAction, "url x-apple-reminder://");
  EXPECT_FALSE(underlayShown());
  EXPECT_EQ(publishedTitles(), (std::vector<std::string>{"ten", "undated", "nine"}));
  root.settings({{"swipeAction", 0ll}, {"wallpaperBlurMode", 1ll}, {"reminderSorting", 2ll}});
  device.relock();
  EXPECT_EQ(own().defaultAction, "none");
  EXPECT_TRUE(underlayShown());  // mode 1 with another application's row
  EXPECT_EQ(publishedTitles(), (std::vector<std::string>{"nine", "ten", "undated"}));
}

// An integer beyond 32 bits: a 64-bit device reads it whole, a 32-bit one
// clamps it to its largest NSInteger; either way it is no valid choice
// and the default stands (read truncated it would be 0 or 3).
TEST_F(Settings, EnumeratedValuesBeyondThirtyTwoBits) {
  reminders({{"SUMMARY:a"}});
  root.settings({{"swipeAction", 4294967296ll}, {"wallpaperBlurMode", std::string("4294967297")}});
  root.notifications(kMessage);
  auto& device = boot();
  device.lock();
  EXPECT_EQ(own().defaultAction, "url x-apple-reminder://");
  EXPECT_FALSE(underlayShown());
  root.settings({{"swipeAction", std::string("4294967299")}, {"wallpaperBlurMode", 4294967296ll}});
  device.relock();
  EXPECT_EQ(own().defaultAction, "url x-apple-reminder://");
  EXPECT_FALSE(underlayShown());
}

TEST_F(Settings, ListColourFlagIsWrittenOnlyWhenTheKeyIsPresent) {
  reminders({{"SUMMARY:a"}}, "#00FF00");
  root.settings({{"textColor", 999ll}});
  auto& device = boot();
  device.lock();
  EXPECT_EQ(own().primary.color, (RGBA{0, 1, 0, 1}));
  root.settings({});
  device.relock();
  EXPECT_EQ(own().primary.color, (RGBA{0, 1, 0, 1}));  // key absent: unchanged
  root.settings({{"textColor", 1ll}});
  device.relock();
  EXPECT_EQ(own().primary.color, kBlack);
}

TEST_F(Settings, ColourIndices) {
  reminders({{"SUMMARY:a", kTomorrow, "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:19760401T005545Z\r\n"
                                      "X-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-TITLE=Office:geo:51.5,-0.12\r\n"
                                      "END:VALARM"}});
  root.settings({{"textColor", -1ll}, {"subtitleTextColor", 2ll}, {"dateTextColor", 2ll}, {"displayLocation", true}});
  auto& device = boot();
  device.lock();
  auto row = own();
  EXPECT_EQ(row.primary.color, kWhite);
  EXPECT_EQ(row.subtitleLabel.color, kGray);
  EXPECT_EQ(row.relevanceDate.color, kHalfWhite);
  root.settings({{"textColor", 10ll}, {"dateTextColor", 999ll}, {"displayLocation", true}});
  device.relock();
  row = own();
  EXPECT_EQ(row.primary.color, kWhite);
  EXPECT_EQ(row.relevanceDate.color, kWhite);
}

TEST_F(Settings, SizesAreRead32Bit) {
  reminders({{"SUMMARY:a", kTomorrow}});
  root.settings({{"textSize", 4294967312ll}, {"dateTextSize", 4294967308ll}});  // 2^32 + 16, 2^32 + 12
  boot().lock();
  EXPECT_EQ(own().primary.fontSize, 16);
  EXPECT_EQ(own().relevanceDate.fontSize, 12);
}

TEST_F(Settings, StringsAreConvertedByTheirOwnRules) {
  reminders({{"SUMMARY:a", "PRIORITY:1"}});
  root.settings({{"textSize", std::string(" 18pt")}, {"showPriority", std::string("Yes")}});
  auto& device = boot();
  device.lock();
  EXPECT_EQ(own().primary.fontSize, 18);
  EXPECT_EQ(own().title, "!!! a");
  root.settings({{"enabled", std::string("no")}});
  device.relock();
  EXPECT_EQ(ownRows(), 0u);
}

TEST_F(Settings, IconFileNoneOrMissingShowsNoIcon) {
  reminders({{"SUMMARY:a"}});
  root.file("/icons/mine.png", kPngBytes);
  root.settings({{"iconFile", std::string("/icons/mine.png")}});
  auto& device = boot();
  device.lock();
  ASSERT_TRUE(own().icon);
  root.settings({{"iconFile", std::string("NONE")}});
  device.relock();
  EXPECT_FALSE(own().icon);
  root.settings({{"iconFile", std::string("/icons/missing.png")}});
  device.relock();
  EXPECT_FALSE(own().icon);
}

}  // namespace
}  // namespace qst_test
