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
    root.notifications(R"([{"section": "com.apple.MobileSMS", "title": "Anna", "minutesBeforeNow": 3}])");
    root.settings(settings);
    auto& d = boot();
    d.lock();
    return d;
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
  static CGFloat line(CGFloat size) {
    id font = msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", size);
    return msgSend<CGSize, id>(NSStr("AAAAAAAAAAA"), "sizeWithFont:", font).height;
  }
};

const char* const kWithSubtitle = "QuillstoneBriarwhistle 0|";
const char* const kWithout = "QuillstoneBriarwhistle 1|";

TEST_F(Heights, WithoutLocationEveryOwnRowGetsTheTitleLine) {
  lockWith({{"textSize", 20ll}, {"subtitleTextSize", 12ll}});
  EXPECT_EQ(heightOf(kWithSubtitle), line(20) + 26);
  EXPECT_EQ(heightOf(kWithout), line(20) + 26);
}

TEST_F(Heights, WithLocationRowsWithoutSubtitleAreShorterUnlessSameHeight) {
  auto& device = lockWith({{"displayLocation", true}, {"sameHeightRows", false}, {"subtitleTextSize", 12ll}});
  EXPECT_EQ(heightOf(kWithSubtitle), line(14) + line(12) + 26);
  EXPECT_EQ(heightOf(kWithSubtitle) - heightOf(kWithout), line(12));
  root.settings({{"displayLocation", true}, {"subtitleTextSize", 12ll}});
  device.relock();
  EXPECT_EQ(heightOf(kWithout), line(14) + line(12) + 26);
}

TEST_F(Heights, TheCacheHoldsTheHeightInSinglePrecision) {
  auto& device = lockWith({{"textSize", 17ll}});
  CGFloat height = heightOf(kWithout);
  EXPECT_EQ(msgSend<double>(cached(kWithout), "doubleValue"), static_cast<double>(static_cast<float>(height)));
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
