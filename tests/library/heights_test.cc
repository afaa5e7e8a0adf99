#include "classes/SBLockScreenNotificationListController.h"
#include "foundation/NSDictionary.h"
#include "lock_screen.h"
#include "runtime/objc.h"

namespace qst_test {
namespace {

const char* const kAtOffice =
    "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER;VALUE=DATE-TIME:19760401T005545Z\r\n"
    "X-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-TITLE=Office:geo:51.5,-0.12\r\nX-APPLE-PROXIMITY:ARRIVE\r\nEND:VALARM";

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
    id cache = *reinterpret_cast<id*>(reinterpret_cast<char*>(device->listView()) +
                                      ivar_getOffset(class_getInstanceVariable(object_getClass(device->listView()),
                                                                               "_heightForListItemCache")));
    return msgSend<id, id>(cache, "objectForKey:", item);
  }
  CGFloat oneLineRow() { return heightOf("com.apple.MobileSMS"); }
  CGFloat twoLineRow() { return heightOf("com.apple.mobilemail"); }
};

const char* const kWithSubtitle = "QuillstoneBriarwhistle 0|";
const char* const kWithout = "QuillstoneBriarwhistle 1|";

// At SpringBoard's own text size an own row is exactly as tall as
// SpringBoard's row of one line: 13 points, the line, 13 points.
TEST_F(Heights, WithoutLocationEveryOwnRowIsOneLineTall) {
  auto& device = lockWith({{"textSize", 15ll}, {"subtitleTextSize", 12ll}});
  EXPECT_EQ(heightOf(kWithSubtitle), oneLineRow());
  EXPECT_EQ(heightOf(kWithout), oneLineRow());

  // A larger title: the row ends 13 points below its title line, as laid out
  // in the cell, whatever the row's title says.
  root.settings({{"textSize", 30ll}, {"dateTextSize", 10ll}});
  device.relock();
  auto own = rows("QuillstoneBriarwhistle");
  ASSERT_EQ(own.size(), 2u);
  for (const auto& row : own) {
    EXPECT_EQ(row.primary.frame.origin.y, 13) << row.bulletinID;
    EXPECT_EQ(heightOf(row.bulletinID), row.primary.frame.size.height + 26) << row.bulletinID;
  }
  EXPECT_GT(heightOf(kWithout), oneLineRow());
}

// With the location line, at SpringBoard's sizes: a row with a subtitle is as
// tall as SpringBoard's two-line row; one without, as its one-line row, or
// two-line with sameHeightRows.
TEST_F(Heights, WithLocationRowsWithoutSubtitleAreShorterUnlessSameHeight) {
  auto& device = lockWith({{"displayLocation", true}, {"sameHeightRows", false}, {"textSize", 15ll},
                           {"subtitleTextSize", 15ll}});
  EXPECT_EQ(heightOf(kWithSubtitle), twoLineRow());
  EXPECT_EQ(heightOf(kWithout), oneLineRow());
  root.settings({{"displayLocation", true}, {"textSize", 15ll}, {"subtitleTextSize", 15ll}});
  device.relock();
  EXPECT_EQ(heightOf(kWithout), twoLineRow());
  EXPECT_EQ(heightOf(kWithSubtitle), twoLineRow());
}

TEST_F(Heights, TheCacheHoldsTheHeightInSinglePrecision) {
  auto& device = lockWith({{"textSize", 17ll}});
  CGFloat height = heightOf(kWithout);
  EXPECT_EQ(msgSend<RealDouble>(cached(kWithout), "doubleValue"), static_cast<double>(static_cast<float>(height)));
  root.settings({{"textSize", 30ll}});
  device.relock();
  CGFloat taller = heightOf(kWithout);
  EXPECT_GT(taller, height);
  EXPECT_EQ(msgSend<float>(cached(kWithout), "floatValue"), static_cast<float>(taller));
}

TEST_F(Heights, ForeignRowsKeepSpringBoardsHeight) {
  auto& device = lockWith({{"enabled", false}});
  CGFloat springBoards = heightOf("com.apple.MobileSMS");
  CGFloat ownBySpringBoard = heightOf(kWithout);
  id cachedBefore = cached("com.apple.MobileSMS");
  root.settings({{"textSize", 30ll}});
  device.relock();
  EXPECT_EQ(heightOf("com.apple.MobileSMS"), springBoards);
  EXPECT_EQ(cached("com.apple.MobileSMS") != nil, cachedBefore != nil);
  EXPECT_NE(heightOf(kWithout), ownBySpringBoard);
}

}  // namespace
}  // namespace qst_test
