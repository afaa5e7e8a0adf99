#include "lock_screen.h"
#include "substrate/substrate.h"
#include "runtime/objc.h"

namespace qst_test {
namespace {

std::vector<std::string> gSeparatorCalls;
IMP gSeparatorSaved[3];

class Cells : public LockScreenTest {
 protected:
  sb::Device& lockWith(PlistDict settings, const std::string& version = "7.1") {
    reminders({{"SUMMARY:Milk", "DUE:20261207T090000Z"}});
    root.notifications(
        R"([{"section": "com.apple.MobileSMS", "title": "Anna", "message": "Lunch?", "minutesBeforeNow": 3}])");
    root.settings(settings);
    return locked(version);
  }
  id cellAt(NSInteger row) { return msgSend<id, id>(device->tableView(), "cellForRowAtIndexPath:", indexPath(row)); }
  CGFloat width() { return msgSend<CGRect>(cellAt(0), "contentBounds").size.width; }
};

TEST_F(Cells, OwnRowLabelsTakeTheSettingsDatesAlignRightOrGrowTallerAndTitlesTakeTheListColour) {
  auto& device = lockWith({{"textSize", 18ll},
                           {"subtitleTextSize", 11ll},
                           {"dateTextSize", 12ll},
                           {"textColor", 0ll},
                           {"dateTextColor", 2ll}});
  auto row = own();
  EXPECT_EQ(row.primary.fontSize, 18);
  EXPECT_EQ(row.subtitleLabel.fontSize, 11);
  EXPECT_EQ(row.relevanceDate.fontSize, 12);
  EXPECT_EQ(row.primary.color, (std::array<CGFloat, 4>{1, 0, 0, 1}));
  EXPECT_EQ(row.relevanceDate.color, (std::array<CGFloat, 4>{1, 1, 1, 0.5}));
  EXPECT_EQ(row.secondary.color[3], 0);  // the message is invisible
  EXPECT_EQ(row.unlockText.text, "");
  EXPECT_EQ(row.primary.frame.origin.x, 47);
  EXPECT_EQ(row.relevanceDate.frame.origin.x, 57 + row.primary.frame.size.width);  // right after the title
  root.settings({{"rightAlignedDate", true}});
  device.relock();
  auto date = own().relevanceDate.frame;
  EXPECT_EQ(date.origin.x + date.size.width, width() - 10);
  root.settings({{"textSize", 10ll}, {"dateTextSize", 30ll}, {"displayLocation", true}});
  device.relock();
  row = own();
  CGFloat line = 13 + row.relevanceDate.frame.size.height;
  EXPECT_EQ(row.relevanceDate.frame.origin.y, 13);
  EXPECT_EQ(row.primary.frame.origin.y + row.primary.frame.size.height, line);
  EXPECT_EQ(row.subtitleLabel.frame.origin.y, line);

  // The title in the list's colour, white for an identifier without one.
  root.settings({{"textColor", 999ll}});
  device.relock();
  device.deliver(bulletin("QuillstoneBriarwhistle 5|0.5 0.25 0 1"));
  device.deliver(bulletin("QuillstoneBriarwhistle without colour"));
  EXPECT_EQ(rows("QuillstoneBriarwhistle 5").at(0).primary.color, (std::array<CGFloat, 4>{0.5, 0.25, 0, 1}));
  EXPECT_EQ(rows("QuillstoneBriarwhistle without").at(0).primary.color, (std::array<CGFloat, 4>{1, 1, 1, 1}));
  EXPECT_GE(logged("QST: did not find custom color string! (1)"), 1);
}

TEST_F(Cells, LongTitleIsCutToItsRoom) {
  root.list(kWork, "Work");
  reminders({});
  root.selectCalendars({kHome, kWork});
  root.reminder(kWork, {std::string("SUMMARY:") + std::string(200, 'W'), "DUE:20261207T090000Z"});
  locked();
  auto row = rows("QuillstoneBriarwhistle").at(0);
  EXPECT_EQ(row.primary.frame.size.width, width() - 67 - row.relevanceDate.frame.size.width);
}

TEST_F(Cells, ForeignRowsAreLeftAsSpringBoardDrewThemAndNoCellIsReused) {
  auto& device = lockWith({{"enabled", false}});
  EXPECT_EQ(msgSend<id>(cellAt(0), "reuseIdentifier"), nil);
  auto drawn = [&] {
    auto r = rows("com.apple.MobileSMS").at(0);
    return std::tuple(r.primary.fontSize, r.primary.color, r.primary.frame.size.width, r.unlockText.text,
                      r.separatorShown);
  };
  auto before = drawn();
  root.settings({{"textSize", 30ll}, {"textColor", 0ll}, {"showSeparatorLines", false}});
  device.relock();
  EXPECT_EQ(drawn(), before);
}

// The companion's order puts the reminders below the other applications' rows.
TEST_F(Cells, RemindersBelowOtherRowsStayAtFullAlpha) {
  root.sorting({"System Items", "QuillstoneBriarwhistle"});
  reminders({{"SUMMARY:Milk"}, {"SUMMARY:Bread"}});
  root.notifications(R"([{"section": "com.apple.MobileSMS", "title": "Anna", "minutesBeforeNow": 3},
                          {"section": "com.apple.mobilemail", "title": "Ben", "minutesBeforeNow": 9}])");
  boot().lock();
  auto all = device->snapshot().rows;
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].bulletinID.rfind("com.apple.MobileSMS", 0), 0u);
  EXPECT_EQ(all[0].alpha, 1.0);
  EXPECT_FLOAT_EQ(all[1].alpha, 0.85);  // SpringBoard's fade: 0.15 less a row (a float on 32-bit ARM)
  for (size_t row : {2u, 3u}) {
    EXPECT_EQ(all[row].bulletinID.rfind("QuillstoneBriarwhistle", 0), 0u) << row;
    EXPECT_EQ(all[row].alpha, 1.0) << row;
  }
  // Asked again later, an own row still refuses the fade; another row takes it.
  msgSend<void, CGFloat>(cellAt(3), "setContentAlpha:", 0.3);
  msgSend<void, CGFloat>(cellAt(1), "setContentAlpha:", 0.3);
  all = device->snapshot().rows;
  EXPECT_EQ(all[3].alpha, 1.0);
  EXPECT_FLOAT_EQ(all[1].alpha, 0.3);
  // Whatever alpha the first row is given, another application's included, it is drawn at full alpha.
  msgSend<void, CGFloat>(cellAt(0), "setContentAlpha:", 0.3);
  EXPECT_EQ(device->snapshot().rows.at(0).alpha, 1.0);
}

template <int N>
void spySeparator(id self, SEL cmd, BOOL on) {
  gSeparatorCalls.push_back(sel_getName(cmd) + std::string(on ? "YES" : "NO"));
  imp_call<void, BOOL>(gSeparatorSaved[N], self, cmd, on);
}

class Separators : public Cells,
                   public ::testing::WithParamInterface<std::pair<std::string, std::vector<std::string>>> {};

TEST_P(Separators, CallsOfEachSystem) {
  reminders({{"SUMMARY:Milk"}});
  root.settings({{"showSeparatorLines", false}});
  boot(GetParam().first);
  Class cell = objc_getClass("SBLockScreenBulletinCell");
  MSHookMessageEx(cell, sel("setDrawsSeparators:"), spySeparator<0>, &gSeparatorSaved[0]);
  MSHookMessageEx(cell, sel("_setSeparatorHidden:"), spySeparator<1>, &gSeparatorSaved[1]);
  MSHookMessageEx(cell, sel("_setDrawsSeparatorAtTopOfSection:"), spySeparator<2>, &gSeparatorSaved[2]);
  gSeparatorCalls.clear();
  device->lock();
  ASSERT_GE(gSeparatorCalls.size(), GetParam().second.size());
  std::vector<std::string> last(gSeparatorCalls.end() - static_cast<long>(GetParam().second.size()),
                                gSeparatorCalls.end());
  EXPECT_EQ(last, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, Separators,
    ::testing::Values(std::make_pair(std::string("7.1"), std::vector<std::string>{"setDrawsSeparators:NO"}),
                      std::make_pair(std::string("8.0"),
                                     std::vector<std::string>{"_setSeparatorHidden:YES",
                                                              "_setDrawsSeparatorAtTopOfSection:NO"})));

class Heights : public LockScreenTest {
 protected:
  sb::Device& lockWith(PlistDict settings) {
    reminders({{"SUMMARY:short", kAtOffice},
               {"SUMMARY:a much longer title that would never fit on one line of the lock screen at all"}});
    // SpringBoard's own rows at its 15-point text: one line, and two lines.
    root.notifications(R"([{"section": "com.apple.MobileSMS", "title": "Anna", "minutesBeforeNow": 3},
                            {"section": "com.apple.mobilemail", "title": "Ben", "message": "Lunch at one?",
                             "minutesBeforeNow": 5}])");
    root.settings(settings);
    return locked();
  }
  CGFloat heightOf(const std::string& prefix) {
    return msgSend<CGFloat, id, id>(device->listView(), "tableView:heightForRowAtIndexPath:", device->tableView(),
                                    indexPath(rowOf(prefix)));
  }
  id cached(const std::string& prefix) {
    id item = msgSend<id, id>(device->listController(), "listItemAtIndexPath:", indexPath(rowOf(prefix)));
    id cache = *reinterpret_cast<id*>(
        reinterpret_cast<char*>(device->listView()) +
        ivar_getOffset(class_getInstanceVariable(object_getClass(device->listView()), "_heightForListItemCache")));
    return msgSend<id, id>(cache, "objectForKey:", item);
  }
  CGFloat oneLineRow() { return heightOf("com.apple.MobileSMS"); }
  CGFloat twoLineRow() { return heightOf("com.apple.mobilemail"); }
};

const char* const kWithSubtitle = "QuillstoneBriarwhistle 0|";
const char* const kWithout = "QuillstoneBriarwhistle 1|";

TEST_F(Heights, OneLineWithoutLocationAndWithItRowsWithoutSubtitleAreShorterUnlessSameHeight) {
  auto& device = lockWith({{"textSize", 15ll}, {"subtitleTextSize", 12ll}});
  EXPECT_EQ(heightOf(kWithSubtitle), oneLineRow());
  EXPECT_EQ(heightOf(kWithout), oneLineRow());

  // A larger title: the row ends 13 points below its title line, as laid out in the cell.
  root.settings({{"textSize", 30ll}, {"dateTextSize", 10ll}});
  device.relock();
  auto own = rows("QuillstoneBriarwhistle");
  ASSERT_EQ(own.size(), 2u);
  for (const auto& row : own) {
    EXPECT_EQ(row.primary.frame.origin.y, 13) << row.bulletinID;
    EXPECT_EQ(heightOf(row.bulletinID), row.primary.frame.size.height + 26) << row.bulletinID;
  }

  root.settings({{"displayLocation", true}, {"sameHeightRows", false}, {"textSize", 15ll}, {"subtitleTextSize", 15ll}});
  device.relock();
  EXPECT_EQ(heightOf(kWithSubtitle), twoLineRow());
  EXPECT_EQ(heightOf(kWithout), oneLineRow());
  root.settings({{"displayLocation", true}, {"textSize", 15ll}, {"subtitleTextSize", 15ll}});
  device.relock();
  EXPECT_EQ(heightOf(kWithout), twoLineRow());
  EXPECT_EQ(heightOf(kWithSubtitle), twoLineRow());
}

// Each system's own font: at 88 points a line of Helvetica Neue (iOS 7 and 8)
// is 104.984 points and one of San Francisco (iOS 9) 105.016, so the rows,
// measured rounded up, differ by a point.
class FontRows : public LockScreenTest, public ::testing::WithParamInterface<std::pair<std::string, CGFloat>> {};

TEST_P(FontRows, AnOwnRowIsAsTallAsItsSystemsFontMakesIt) {
  reminders({{"SUMMARY:a"}});
  root.settings({{"textSize", 88ll}});
  locked(GetParam().first);
  EXPECT_EQ(own().height, GetParam().second) << GetParam().first;
}

using SystemAndHeight = std::pair<std::string, CGFloat>;
INSTANTIATE_TEST_SUITE_P(Versions, FontRows,
                         ::testing::Values(SystemAndHeight{"7.1", 131}, SystemAndHeight{"8.4", 131},
                                           SystemAndHeight{"9.3", 132}),
                         [](const auto& info) {
                           std::string name = std::string("iOS") + info.param.first;
                           name[name.find('.')] = '_';
                           return name;
                         });

// The cache holds an own row's height in single precision.
TEST_F(Heights, ForeignRowsKeepSpringBoardsHeightAndTheCacheHoldsOwnOnesInSinglePrecision) {
  auto& device = lockWith({{"enabled", false}});
  CGFloat springBoards = heightOf("com.apple.MobileSMS");
  CGFloat ownBySpringBoard = heightOf(kWithout);
  id cachedBefore = cached("com.apple.MobileSMS");
  root.settings({{"textSize", 17ll}});
  device.relock();
  CGFloat height = heightOf(kWithout);
  EXPECT_EQ(msgSend<RealDouble>(cached(kWithout), "doubleValue"), static_cast<double>(static_cast<float>(height)));
  root.settings({{"textSize", 30ll}});
  device.relock();
  EXPECT_EQ(heightOf("com.apple.MobileSMS"), springBoards);
  EXPECT_EQ(cached("com.apple.MobileSMS") != nil, cachedBefore != nil);
  CGFloat taller = heightOf(kWithout);
  EXPECT_NE(taller, ownBySpringBoard);
  EXPECT_GT(taller, height);
  EXPECT_EQ(msgSend<float>(cached(kWithout), "floatValue"), static_cast<float>(taller));
}

}  // namespace
}  // namespace qst_test
