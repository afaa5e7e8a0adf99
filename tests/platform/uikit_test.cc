#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "foundation/NSArray.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UIKit.h"

namespace {

CGSize measure(const char* text, CGFloat pointSize) {
  id font = msgSend<id, CGFloat>(objc_getClass("UIFont"), "systemFontOfSize:", pointSize);
  return msgSend<CGSize, id>(NSStr(text), "sizeWithFont:", font);
}

TEST(TextMeasurement, OneLineSizeComesFromTheFont) {
  AutoreleasePool pool;
  const CGSize row = measure("AAAAAAAAAAA", 14);
  EXPECT_GT(measure("AAAAAAAAAAAA", 14).width, row.width);
  EXPECT_GT(row.width, measure("iiiiiiiiiii", 14).width);  // real advances, not a fixed width per letter
  EXPECT_EQ(measure("i", 14).height, row.height);
  EXPECT_EQ(measure("", 14).height, row.height);
  EXPECT_EQ(measure("", 14).width, 0);
  EXPECT_GT(measure("AAAAAAAAAAA", 20).height, row.height);
  EXPECT_GT(measure("AAAAAAAAAAA", 20).width, row.width);
  // Whole points, rounded up from the face's metrics: 1.15 em of line for
  // Helvetica's metrics, about two thirds of an em per "A".
  EXPECT_EQ(row.height, 17);
  EXPECT_EQ(row.width, 103);
}

// ---- tables --------------------------------------------------------------

struct RowSource : objc_object {
  std::vector<CGFloat> heights;
  NSInteger sections = -1;  // -1: does not answer numberOfSectionsInTableView:
  const char* reuseIdentifier = nullptr;
  std::vector<std::string> asked;
  std::vector<id> dequeued;
};
RowSource* asSource(id self) { return static_cast<RowSource*>(self); }

struct RecordingCell : UITableViewCellObj {
  int layouts = 0;
  static inline int deallocated = 0;
  ~RecordingCell() override { ++deallocated; }
};

id indexPath(NSInteger row, NSInteger section) {
  return msgSend<id, NSInteger, NSInteger>(objc_getClass("NSIndexPath"), "indexPathForRow:inSection:", row, section);
}

std::string place(id indexPath) {
  return std::to_string(msgSend<NSInteger>(indexPath, "section")) + ":" +
         std::to_string(msgSend<NSInteger>(indexPath, "row"));
}

Class rowSourceClass(bool answersSections) {
  const char* name = answersSections ? "SectionedRowSource" : "RowSource";
  if (Class existing = objc_getClass(name)) return existing;
  Class cls = objc_defineClass<RowSource>(NSObjectClass(), name);
  class_addMethod(cls, sel("tableView:numberOfRowsInSection:"), +[](id self, SEL, id, NSInteger section) {
    asSource(self)->asked.push_back("rows " + std::to_string(section));
    return static_cast<NSInteger>(asSource(self)->heights.size());
  }, "q@:@q");
  class_addMethod(cls, sel("tableView:heightForRowAtIndexPath:"), +[](id self, SEL, id, id indexPath) {
    asSource(self)->asked.push_back("height " + place(indexPath));
    return asSource(self)->heights[msgSend<NSInteger>(indexPath, "row")];
  }, "d@:@@");
  class_addMethod(cls, sel("tableView:cellForRowAtIndexPath:"), +[](id self, SEL, id table, id indexPath) {
    RowSource* source = asSource(self);
    source->asked.push_back("cell " + place(indexPath));
    id identifier = source->reuseIdentifier ? NSStr(source->reuseIdentifier) : nil;
    id cell = msgSend<id, id>(table, "dequeueReusableCellWithIdentifier:", identifier);
    if (cell) {
      source->dequeued.push_back(cell);
      return cell;
    }
    cell = msgSend<id, NSInteger, id>(msgSend<id>(objc_getClass("RecordingCell"), "alloc"),
                                      "initWithStyle:reuseIdentifier:", 0, identifier);
    return objc_autorelease(cell);
  }, "@@:@@");
  if (answersSections)
    class_addMethod(cls, sel("numberOfSectionsInTableView:"), +[](id self, SEL, id) {
      return asSource(self)->sections;
    }, "q@:@");
  if (!objc_getClass("RecordingCell")) {
    Class cell = objc_defineClass<RecordingCell>(UITableViewCellClass(), "RecordingCell");
    class_addMethod(cell, sel("layoutSubviews"), +[](id self, SEL cmd) {
      msgSendSuper<void>(objc_getClass("RecordingCell"), self, cmd);
      ++static_cast<RecordingCell*>(self)->layouts;
    }, "v@:");
  }
  return cls;
}

struct TableFixture : ::testing::Test {
  AutoreleasePool pool;
  id source = nullptr;
  id table = nullptr;
  void make(bool answersSections = false) {
    source = objc_new(rowSourceClass(answersSections));
    table = msgSend<id, CGRect, NSInteger>(msgSend<id>(objc_getClass("UITableView"), "alloc"), "initWithFrame:style:",
                                           CGRectMake(0, 0, 320, 400), 0);
    msgSend<void, id>(table, "setDataSource:", source);
    msgSend<void, id>(table, "setDelegate:", source);
  }
  void TearDown() override {
    objc_release(table);
    objc_release(source);
  }
};

TEST_F(TableFixture, ReloadAsksHeightsThenLaysOutEachCell) {
  make();
  asSource(source)->heights = {43, 60.5};
  msgSend<void>(table, "reloadData");
  EXPECT_EQ(asSource(source)->asked,
            (std::vector<std::string>{"rows 0", "height 0:0", "height 0:1", "cell 0:0", "cell 0:1"}));
  std::vector<id> cells = NSArrayItems(msgSend<id>(table, "visibleCells"));
  ASSERT_EQ(cells.size(), 2u);
  for (id cell : cells) {
    EXPECT_EQ(msgSend<id>(cell, "superview"), table);
    EXPECT_EQ(static_cast<RecordingCell*>(cell)->layouts, 1);
  }
  id second = indexPath(1, 0);
  EXPECT_EQ(msgSend<id>(table, "cellForRowAtIndexPath:", second), cells[1]);
  EXPECT_TRUE(msgSend<BOOL>(msgSend<id>(table, "indexPathForCell:", cells[1]), "isEqual:", second));
  const CGRect rect = msgSend<CGRect>(table, "rectForRowAtIndexPath:", second);
  EXPECT_EQ(rect.origin.y, 43);
  EXPECT_EQ(rect.size.height, 60.5);
  EXPECT_EQ(msgSend<CGRect>(cells[1], "frame").origin.y, 43);
  EXPECT_EQ(msgSend<CGRect>(msgSend<id>(cells[1], "contentView"), "frame").size.height, 60.5);

  id stranger = objc_new("UITableViewCell");
  EXPECT_EQ(msgSend<id>(table, "indexPathForCell:", stranger), nil);
  EXPECT_EQ(msgSend<id>(table, "cellForRowAtIndexPath:", indexPath(5, 0)), nil);
  objc_release(stranger);
}

TEST_F(TableFixture, OnlyCellsWithAnIdentifierAreHandedOutAgain) {
  make();
  asSource(source)->heights = {44, 44};
  asSource(source)->reuseIdentifier = "Bulletin";
  msgSend<void>(table, "reloadData");
  std::vector<id> firstCells = NSArrayItems(msgSend<id>(table, "visibleCells"));
  msgSend<void>(table, "reloadData");
  ASSERT_EQ(asSource(source)->dequeued.size(), 2u);
  EXPECT_EQ(asSource(source)->dequeued[0], firstCells[0]);
  EXPECT_EQ(asSource(source)->dequeued[1], firstCells[1]);

  // Cells made without an identifier leave for good at the next reload.
  asSource(source)->reuseIdentifier = nullptr;
  asSource(source)->dequeued.clear();
  msgSend<void>(table, "reloadData");  // the two "Bulletin" cells wait unused
  const int before = RecordingCell::deallocated;
  msgSend<void>(table, "reloadData");
  EXPECT_TRUE(asSource(source)->dequeued.empty());
  EXPECT_EQ(RecordingCell::deallocated, before + 2);
  EXPECT_EQ(msgSend<id>(table, "dequeueReusableCellWithIdentifier:", NSStr("Other")), nil);
}

}  // namespace
