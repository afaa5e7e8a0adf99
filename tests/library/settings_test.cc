#include "lock_screen.h"
#include "runtime/strong.h"

namespace qst_test {
namespace {

using Settings = LockScreenTest;

std::array<CGFloat, 4> rgba(id color) {
  std::array<CGFloat, 4> c{};
  msgSend<BOOL, CGFloat*, CGFloat*, CGFloat*, CGFloat*>(color, "getRed:green:blue:alpha:", &c[0], &c[1], &c[2], &c[3]);
  return c;
}

constexpr std::array<CGFloat, 4> kWhite{1, 1, 1, 1}, kGray{0.5, 0.5, 0.5, 1}, kHalfWhite{1, 1, 1, 0.5},
    kRed{1, 0, 0, 1}, kBlack{0, 0, 0, 1};

TEST_F(Settings, EveryDefaultWithoutAFile) {
  boot().lock();
  EXPECT_TRUE(library<BOOL>("isEnabled"));
  EXPECT_TRUE(library<BOOL>("showPriority"));
  EXPECT_TRUE(library<BOOL>("compatibilityMode"));
  EXPECT_TRUE(library<BOOL>("hideOnNowPlayingScreen"));
  EXPECT_TRUE(library<BOOL>("showSeparatorLines"));
  EXPECT_FALSE(library<BOOL>("rightAlignedDate"));
  EXPECT_FALSE(library<BOOL>("displayLocation"));
  EXPECT_TRUE(library<BOOL>("sameHeightRows"));
  EXPECT_EQ(library<NSInteger>("wallpaperBlurMode"), 2);
  EXPECT_EQ(library<NSInteger>("swipeAction"), 1);
  EXPECT_EQ(library<NSInteger>("reminderSorting"), 0);
  EXPECT_EQ(library<NSInteger>("textSize"), 14);
  EXPECT_EQ(library<NSInteger>("subtitleTextSize"), 14);
  EXPECT_EQ(library<NSInteger>("dateTextSize"), 14);
  EXPECT_EQ(library<NSInteger>("daysToDisplay"), 365);
  EXPECT_EQ(library<NSInteger>("maxRemindersToDisplay"), 0);
  EXPECT_EQ(rgba(library<StrongId>("textColor")), kWhite);
  EXPECT_EQ(rgba(library<StrongId>("subtitleTextColor")), kGray);
  EXPECT_EQ(rgba(library<StrongId>("dateTextColor")), kGray);
  EXPECT_EQ(NSStringUTF8(library<StrongId>("customLaunchAppBundleID")), "");
  EXPECT_EQ(NSStringUTF8(library<StrongId>("iconFile")),
            "/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle/iconIOS7@2x.png");
}

class SettingsFormats : public Settings, public ::testing::WithParamInterface<PlistFormat> {};

TEST_P(SettingsFormats, XmlAndBinaryFilesReadTheSame) {
  root.settings({{"enabled", true},
                 {"showPriority", false},
                 {"swipeAction", 3ll},
                 {"customLaunchAppBundleID", std::string("com.example.todo")},
                 {"textSize", 20ll},
                 {"daysToDisplay", -1ll},
                 {"dateTextColor", 0ll}},
                GetParam());
  boot().lock();
  EXPECT_FALSE(library<BOOL>("showPriority"));
  EXPECT_EQ(library<NSInteger>("swipeAction"), 3);
  EXPECT_EQ(NSStringUTF8(library<StrongId>("customLaunchAppBundleID")), "com.example.todo");
  EXPECT_EQ(library<NSInteger>("textSize"), 20);
  EXPECT_EQ(library<NSInteger>("daysToDisplay"), -1);
  EXPECT_EQ(rgba(library<StrongId>("dateTextColor")), kRed);
}

INSTANTIATE_TEST_SUITE_P(Both, SettingsFormats, ::testing::Values(PlistFormat::XML, PlistFormat::Binary));

TEST_F(Settings, EnumeratedValuesOutsideTheirSetTakeTheDefault) {
  root.settings({{"swipeAction", 2ll}, {"wallpaperBlurMode", 7ll}, {"reminderSorting", 7ll}});
  auto& device = boot();
  device.lock();
  EXPECT_EQ(library<NSInteger>("swipeAction"), 1);
  EXPECT_EQ(library<NSInteger>("wallpaperBlurMode"), 2);
  EXPECT_EQ(library<NSInteger>("reminderSorting"), 0);
  root.settings({{"swipeAction", 0ll}, {"wallpaperBlurMode", 1ll}, {"reminderSorting", 2ll}});
  device.relock();
  EXPECT_EQ(library<NSInteger>("swipeAction"), 0);
  EXPECT_EQ(library<NSInteger>("wallpaperBlurMode"), 1);
  EXPECT_EQ(library<NSInteger>("reminderSorting"), 2);
}

TEST_F(Settings, ListColourFlagIsWrittenOnlyWhenTheKeyIsPresent) {
  root.settings({{"textColor", 999ll}});
  auto& device = boot();
  device.lock();
  EXPECT_TRUE(library<BOOL>("titleColorSameAsListColor"));
  EXPECT_EQ(rgba(library<StrongId>("textColor")), kWhite);
  root.settings({});
  device.relock();
  EXPECT_TRUE(library<BOOL>("titleColorSameAsListColor"));  // key absent: unchanged
  root.settings({{"textColor", 1ll}});
  device.relock();
  EXPECT_FALSE(library<BOOL>("titleColorSameAsListColor"));
  EXPECT_EQ(rgba(library<StrongId>("textColor")), kBlack);
}

TEST_F(Settings, ColourIndices) {
  root.settings({{"textColor", -1ll}, {"subtitleTextColor", 2ll}, {"dateTextColor", 2ll}});
  auto& device = boot();
  device.lock();
  EXPECT_EQ(rgba(library<StrongId>("textColor")), kWhite);
  EXPECT_EQ(rgba(library<StrongId>("subtitleTextColor")), kGray);
  EXPECT_EQ(rgba(library<StrongId>("dateTextColor")), kHalfWhite);
  root.settings({{"textColor", 10ll}, {"dateTextColor", 999ll}});
  device.relock();
  EXPECT_EQ(rgba(library<StrongId>("textColor")), kWhite);
  EXPECT_EQ(rgba(library<StrongId>("dateTextColor")), kWhite);
}

TEST_F(Settings, SizesAreRead32Bit) {
  root.settings({{"textSize", 4294967312ll}, {"subtitleTextSize", -3ll}});  // 2^32 + 16
  boot().lock();
  EXPECT_EQ(library<NSInteger>("textSize"), 16);
  EXPECT_EQ(library<NSInteger>("subtitleTextSize"), -3);
}

TEST_F(Settings, StringsAreConvertedByTheirOwnRules) {
  root.settings({{"enabled", std::string("no")}, {"textSize", std::string(" 18pt")}, {"showPriority", std::string("Yes")}});
  boot().lock();
  EXPECT_FALSE(library<BOOL>("isEnabled"));
  EXPECT_EQ(library<NSInteger>("textSize"), 18);
  EXPECT_TRUE(library<BOOL>("showPriority"));
}

TEST_F(Settings, NoneKeepsThePreviouslyLoadedIcon) {
  // A 1x1 PNG.
  const unsigned char png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                               0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
                               0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
                               0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x00, 0x05, 0x00, 0x01, 0xFF, 0x89, 0x99,
                               0x3D, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  root.file("/icons/mine.png", std::string_view(reinterpret_cast<const char*>(png), sizeof png));
  root.settings({{"iconFile", std::string("/icons/mine.png")}});
  auto& device = boot();
  device.lock();
  id loaded = library<StrongId>("icon");
  ASSERT_NE(loaded, nil);
  root.settings({{"iconFile", std::string("NONE")}});
  device.relock();
  EXPECT_EQ(library<StrongId>("icon").get(), loaded);
  root.settings({{"iconFile", std::string("/icons/missing.png")}});
  device.relock();
  EXPECT_EQ(library<StrongId>("icon").get(), nil);
}

}  // namespace
}  // namespace qst_test
