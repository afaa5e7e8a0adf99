// The list's table after arrivals and removals.
#include <map>
#include <set>

#include "classes/SBAwayBulletinListItem.h"
#include "classes/SBLockScreenBulletinCell.h"
#include "classes/SBLockScreenNotificationListController.h"
#include "classes/cell_metrics.h"
#include "springboard_test.h"
#include "foundation/NSArray.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSString.h"
#include "base/regular_file.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UITableView.h"
#include "uikit/png_decode.h"

namespace sbtest {
namespace {

constexpr const char* kSix = R"([
  {"section": "com.example.a", "bulletinID": "a", "title": "A", "message": "first", "minutesBeforeNow": 10},
  {"section": "com.example.b", "bulletinID": "b", "title": "B", "minutesBeforeNow": 20},
  {"section": "com.example.c", "bulletinID": "c", "title": "C", "message": "third", "minutesBeforeNow": 30},
  {"section": "com.example.d", "bulletinID": "d", "title": "D", "minutesBeforeNow": 40},
  {"section": "com.example.e", "bulletinID": "e", "title": "E", "message": "fifth", "minutesBeforeNow": 50},
  {"section": "com.example.f", "bulletinID": "f", "title": "F", "minutesBeforeNow": 60}
])";

class TableUpdates : public SpringBoardTest {
 protected:
  id table() { return device->tableView(); }
  NSInteger tableRows() { return msgSend<NSInteger, NSInteger>(table(), "numberOfRowsInSection:", 0); }
  id cellAt(NSInteger row) {
    return msgSend<id, id>(table(), "cellForRowAtIndexPath:", standin::indexPathForRow(row, 0));
  }

  std::map<std::string, id> cellsByBulletin() {
    std::map<std::string, id> cells;
    auto ids = rowIDs();
    for (size_t i = 0; i < ids.size(); ++i) cells[ids[i]] = cellAt(static_cast<NSInteger>(i));
    return cells;
  }

  // What every row shows and where, after the table laid itself out.
  struct Shown {
    std::string id, title;
    CGFloat height, alpha;
    CGFloat cellY, cellHeight;
    NSInteger pathRow;
    bool operator==(const Shown&) const = default;
  };
  std::vector<Shown> shown() {
    std::vector<Shown> rows;
    auto snap = device->snapshot();  // lays the table out
    for (size_t i = 0; i < snap.rows.size(); ++i) {
      id cell = cellAt(static_cast<NSInteger>(i));
      id path = msgSend<id, id>(table(), "indexPathForCell:", cell);
      CGRect frame = msgSend<CGRect>(cell, "frame");
      rows.push_back({snap.rows[i].bulletinID, snap.rows[i].primary.text, snap.rows[i].height, snap.rows[i].alpha,
                      frame.origin.y, frame.size.height, path ? msgSend<NSInteger>(path, "row") : -1});
    }
    return rows;
  }

  // The rows stack from the top in list order, each cell at its row, each with the alpha of its place.
  void expectLaidOutInOrder(bool alphas = true) {
    std::vector<Shown> rows = shown();
    ASSERT_EQ(static_cast<NSInteger>(rows.size()), tableRows());
    CGFloat y = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(rows[i].id);
      EXPECT_EQ(rows[i].pathRow, static_cast<NSInteger>(i));
      EXPECT_EQ(rows[i].cellY, y);
      EXPECT_EQ(rows[i].cellHeight, rows[i].height);
      if (alphas) {
        EXPECT_EQ(rows[i].alpha, sb::metrics::contentAlphaForRow(static_cast<NSInteger>(i)));
      }
      y += rows[i].height;
    }
    sb::layOutNotificationList(device->listController());  // a full reload of the same list
    std::vector<Shown> reloaded = shown();
    if (!alphas)
      for (size_t i = 0; i < rows.size() && i < reloaded.size(); ++i) rows[i].alpha = reloaded[i].alpha;
    EXPECT_EQ(reloaded, rows);
  }

  // A notifications file of `count` rows a minute apart; `fields(i)` gives each row's section and title members.
  template <class F>
  void notifications(int count, F fields) {
    std::string json = "[";
    for (int i = 0; i < count; ++i)
      json += std::string(i ? "," : "") + "{" + fields(i) + R"(, "minutesBeforeNow": )" + std::to_string(i) + "}";
    root.notifications(json + "]");
  }

  void removeBulletin(const std::string& bulletinID) {
    id controller = device->listController();
    id bulletin = objc_autorelease(objc_new("BBBulletin"));
    msgSend<void, id>(bulletin, "setBulletinID:", standin::stringWithUTF8(bulletinID));
    msgSend<void, id, id>(controller, "observer:removeBulletin:", sb::asListController(controller)->_observer,
                          bulletin);
  }
};

TEST_F(TableUpdates, AnArrivalAtTheTopKeepsTheCellOfEveryOtherRow) {
  root.notifications(kSix);
  boot().lock();
  auto before = cellsByBulletin();
  for (auto& [_, cell] : before) objc_retain(cell);
  device->notify("com.example.new", "Newest");  // at the top: every row moves down
  auto after = cellsByBulletin();
  for (auto& [bulletin, cell] : before) EXPECT_EQ(after[bulletin], cell) << bulletin;
  EXPECT_EQ(after.size(), 7u);
  expectLaidOutInOrder();
  for (auto& [_, cell] : before) objc_release(cell);
}

TEST_F(TableUpdates, RemovalsMoveTheRowsBelowThemUp) {
  root.notifications(kSix);
  boot().lock();
  device->notify("com.example.new", "Newest");
  removeBulletin("a");  // near the top: the rows below move up
  removeBulletin("f");  // the last row
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"com.example.new-arrival-1", "b", "c", "d", "e"}));
  expectLaidOutInOrder();
}

TEST_F(TableUpdates, ClearingEmptiesTheTableForLaterArrivalsToFill) {
  root.notifications(kSix);
  boot().lock();
  device->clear();
  EXPECT_EQ(tableRows(), 0);
  device->notify("com.example.x", "X");
  device->notify("com.example.y", "Y");
  EXPECT_EQ(rowIDs().size(), 2u);
  expectLaidOutInOrder();
}

TEST_F(TableUpdates, UpdatesThatDoNotMatchTheListLeaveATableThatDoes) {
  root.notifications(kSix);
  boot().lock();
  auto update = [&](const char* operation, std::vector<id> paths) {
    msgSend<void, id, NSInteger>(table(), operation, standin::arrayWith(paths), 0);
  };
  // Rows the list does not have, places past the end or in no section, and things that are not index paths.
  update("insertRowsAtIndexPaths:withRowAnimation:", {standin::indexPathForRow(2, 0)});
  EXPECT_EQ(tableRows(), 6);
  update("insertRowsAtIndexPaths:withRowAnimation:", {standin::indexPathForRow(9, 0), standin::indexPathForRow(0, 3)});
  update("deleteRowsAtIndexPaths:withRowAnimation:", {standin::indexPathForRow(-1, 0)});
  update("deleteRowsAtIndexPaths:withRowAnimation:", {standin::indexPathForRow(6, 0)});
  update("deleteRowsAtIndexPaths:withRowAnimation:", {standin::indexPathForRow(1, 0)});  // the list still has it
  update("deleteRowsAtIndexPaths:withRowAnimation:", {standin::str("row 1"), objc_autorelease(objc_new("NSObject"))});
  msgSend<void, id, NSInteger>(table(), "deleteRowsAtIndexPaths:withRowAnimation:", nil, 0);
  msgSend<void, id, NSInteger>(table(), "insertRowsAtIndexPaths:withRowAnimation:", standin::str("0"), 0);
  EXPECT_EQ(rowIDs(), (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
  expectLaidOutInOrder(false);
  // The rows still answer for any place asked.
  EXPECT_EQ(cellAt(6), nil);
  EXPECT_EQ(cellAt(-1), nil);
  CGRect none = msgSend<CGRect, id>(table(), "rectForRowAtIndexPath:", standin::indexPathForRow(99, 0));
  EXPECT_EQ(none.size.height, 0);
  EXPECT_EQ((msgSend<id, id>(table(), "indexPathForCell:", nil)), nil);
}

TEST_F(TableUpdates, CellsLeftOverFromManyRowsAreNotAllKept) {
  notifications(500, [](int) { return R"("section": "com.example.a", "title": "T")"; });
  boot().lock();
  device->clear();
  EXPECT_LE(static_cast<UITableViewObj*>(table())->reuseQueue.size(), kReuseQueueLimit);
  device->relock();  // the list is delivered again: cells are reused, not all kept
  EXPECT_EQ(tableRows(), 500);
  EXPECT_LE(static_cast<UITableViewObj*>(table())->reuseQueue.size(), kReuseQueueLimit);
}

TEST_F(TableUpdates, ScrollingHandsTheCellsOfRowsLeavingTheViewToRowsComingIntoIt) {
  notifications(100, [](int i) { return R"("section": "com.example.a", "title": "Row )" + std::to_string(i) + "\""; });
  boot().lock();
  auto* t = static_cast<UITableViewObj*>(table());
  auto loaded = [&] {
    std::set<id> cells;
    for (const auto& row : t->rows)
      if (row.cell) cells.insert(row.cell);
    return cells;
  };
  const size_t inView = loaded().size();
  const CGFloat viewHeight = msgSend<CGRect>(table(), "frame").size.height;
  EXPECT_GT(inView, 0u);
  EXPECT_LE(static_cast<CGFloat>(inView - 1) * t->rows[0].rect.size.height, viewHeight);
  EXPECT_EQ(msgSend<NSUInteger>(msgSend<id>(table(), "visibleCells"), "count"), inView);
  EXPECT_EQ(cellAt(99), nil);

  std::set<id> everSeen = loaded();
  for (NSInteger row = 0; row < 100; row += 3) {
    msgSend<void, id, NSInteger, BOOL>(
        table(), "scrollToRowAtIndexPath:atScrollPosition:animated:", standin::indexPathForRow(row, 0), 1, NO);
    for (id cell : loaded()) everSeen.insert(cell);
    id cell = cellAt(row);
    ASSERT_TRUE(cell) << row;
    EXPECT_EQ(standin::utf8Of(msgSend<id>(msgSend<id>(cell, "primaryLabel"), "text")), "Row " + std::to_string(row));
    // At the top of the view, or in it when the list's end stops the scroll.
    const CGFloat top = msgSend<CGPoint>(table(), "contentOffset").y, y = msgSend<CGRect>(cell, "frame").origin.y;
    EXPECT_EQ(y, (msgSend<CGRect, id>(table(), "rectForRowAtIndexPath:", standin::indexPathForRow(row, 0)).origin.y));
    EXPECT_TRUE(y == top || (y > top && y < top + viewHeight && row > 90)) << row;
    EXPECT_LE(loaded().size(), inView + 1);
  }
  EXPECT_LE(everSeen.size(), inView + 2);  // reused, not made anew for every row
  // The report still reads every row, and leaves the list where it was.
  auto snap = device->snapshot();
  ASSERT_EQ(snap.rows.size(), 100u);
  for (size_t i = 0; i < snap.rows.size(); ++i) EXPECT_EQ(snap.rows[i].primary.text, "Row " + std::to_string(i));
  EXPECT_EQ(cellAt(0), nil);  // scrolled out of view
  EXPECT_TRUE(cellAt(99));
}

TEST_F(TableUpdates, ManyApplicationsHoldOnlyTheIconsOfTheRowsInView) {
  const std::string icons = std::string(QST_SAMPLE_ROOT) + "/var/mobile/Library/SpringBoard/Icons/";
  std::string mail, sms;
  standin::readRegularFile(icons + "com.apple.mobilemail@2x.png", kMaxImageFileBytes, &mail);
  standin::readRegularFile(icons + "com.apple.MobileSMS@2x.png", kMaxImageFileBytes, &sms);
  notifications(300, [&](int i) {
    const std::string app = "com.example.n" + std::to_string(i);
    root.file(sb::applicationIconDevicePath(app), i % 2 ? mail : sms);
    return R"("section": ")" + app + R"(", "title": "T")";
  });
  boot().lock();
  std::set<id> held;
  size_t cells = 0;
  for (const auto& row : static_cast<UITableViewObj*>(table())->rows)
    if (row.cell) {
      ++cells;
      held.insert(static_cast<sb::SBLockScreenBulletinCellObj*>(row.cell)->icon);
    }
  EXPECT_GT(held.size(), 1u);
  EXPECT_LE(held.size(), cells);
  EXPECT_LT(cells, 20u);

  auto snap = device->snapshot();
  ASSERT_EQ(snap.rows.size(), 300u);
  for (size_t i = 0; i < snap.rows.size(); ++i) {
    ASSERT_TRUE(snap.rows[i].icon) << i;
    EXPECT_EQ(snap.rows[i].icon->centerPixel, snap.rows[i % 2].icon->centerPixel) << i;
  }
  EXPECT_NE(snap.rows[0].icon->centerPixel, snap.rows[1].icon->centerPixel);
}

}  // namespace
}  // namespace sbtest
