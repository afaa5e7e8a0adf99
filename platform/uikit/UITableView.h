// UITableView (class "UITableView", a UIView): rows from a data source.
//   -initWithFrame:style: (CGRect, NSInteger), -initWithFrame: (style 0),
//   -dataSource / -setDataSource:, -delegate / -setDelegate: (neither is
//   retained), -rowHeight / -setRowHeight: (used when the delegate gives no
//   heights; 44 by default).
//   -reloadData: the cells of the previous load leave the table (those with
//   a reuse identifier wait in the reuse queue, the others are dropped);
//   then it asks the data source for numberOfSectionsInTableView: (when it
//   answers it; 1 otherwise) and tableView:numberOfRowsInSection:, the
//   delegate for tableView:heightForRowAtIndexPath: of every row, and then
//   the data source for tableView:cellForRowAtIndexPath: of the rows in view
//   only, in order. A data source that gives no cell raises
//   NSInternalInconsistencyException, as on the device.
//   Rows in view: those that meet the table's frame height from the content
//   offset down. As on the device, only they have cells: each is placed at
//   its row's rectangle, added as a subview, sent layoutSubviews, and then
//   the delegate is told tableView:willDisplayCell:forRowAtIndexPath: (when
//   it answers it). A row that leaves the view gives its cell up (into the
//   reuse queue when it has an identifier, else it is let go); a row that
//   comes into view asks the data source for a cell again, which may be a
//   reused one. -setContentOffset: and
//   -scrollToRowAtIndexPath:atScrollPosition:animated: (0 none, 1 top,
//   2 middle, 3 bottom; never animated) scroll, within the content;
//   -contentOffset, -contentSize.
//   -insertRowsAtIndexPaths:withRowAnimation: (places after the update) and
//   -deleteRowsAtIndexPaths:withRowAnimation: (places before it) change only
//   those rows, as on the device: the height of each inserted row is asked
//   for and, when it is in view, its cell; a deleted row's cell leaves (into
//   the reuse queue when it has an identifier); the other rows keep their
//   cells and move, and rows that come into view or leave it gain or give up
//   theirs. The rows below a change are placed again at the next
//   layoutSubviews (or layoutIfNeeded). An update that does not agree with
//   the data source's row counts, or names a place that does not exist,
//   reloads the table.
//   -dequeueReusableCellWithIdentifier: a waiting cell with that identifier
//   (sent prepareForReuse) or nil; at most kReuseQueueLimit cells wait.
//   -indexPathForCell: (nil for a cell not in the table; a new index path);
//   -cellForRowAtIndexPath: (nil for a row out of view); -visibleCells;
//   -rectForRowAtIndexPath: (zero for an unknown row); -numberOfSections,
//   -numberOfRowsInSection:.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "uikit/UIView.h"

struct UITableViewObj : UIViewObj {
  struct Row {
    NSInteger section = 0;
    id cell = nullptr;    // retained (besides being a subview); nil while out of view
    CGRect rect;          // its origin is current only for rows below firstStaleRow
    bool placed = false;  // the cell's frame is `rect`
  };
  NSInteger style = 0;
  id dataSource = nullptr;  // not retained
  id delegate = nullptr;    // not retained
  CGFloat rowHeight = 44;
  CGFloat contentOffsetY = 0;             // the top of the view within the rows
  std::vector<Row> rows;                  // every section's rows, in order
  std::vector<NSInteger> rowsInSection;   // row count of each section
  std::vector<std::size_t> sectionStart;  // index in `rows` of each section's first row
  // Where each loaded cell's row is in `rows` (the rows in view); an entry at or past
  // firstStaleRow may be out of date since a change above it.
  std::unordered_map<id, std::size_t> rowOfCell;
  std::size_t firstStaleRow = 0;  // rows from here on have not been renumbered or re-positioned
  std::vector<id> reuseQueue;     // retained
  bool updating = false;
  ~UITableViewObj() override;
};

// Cells kept for reuse beyond what the table shows: a screenful and more.
inline constexpr std::size_t kReuseQueueLimit = 32;

void registerUITableView();  // after UIView and UITableViewCell
