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
//   the data source for tableView:cellForRowAtIndexPath: of every row in
//   order. Each cell is placed at its row's rectangle, added as a subview
//   and sent layoutSubviews. There is no scrolling: every row is loaded and
//   visible. A data source that gives no cell raises
//   NSInternalInconsistencyException, as on the device.
//   -insertRowsAtIndexPaths:withRowAnimation: (places after the update) and
//   -deleteRowsAtIndexPaths:withRowAnimation: (places before it) change only
//   those rows, as on the device: the height and cell of each inserted row
//   are asked for, a deleted row's cell leaves (into the reuse queue when it
//   has an identifier); the other rows keep their cells and move. The rows
//   below a change are placed again at the next layoutSubviews (or
//   layoutIfNeeded). An update that does not agree with the data source's
//   row counts, or names a place that does not exist, reloads the table.
//   -dequeueReusableCellWithIdentifier: a waiting cell with that identifier
//   (sent prepareForReuse) or nil; at most kReuseQueueLimit cells wait.
//   -indexPathForCell: (nil for a cell not in the table; a new index path);
//   -cellForRowAtIndexPath:; -visibleCells; -rectForRowAtIndexPath: (zero
//   for an unknown row); -numberOfSections, -numberOfRowsInSection:.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "uikit/UIView.h"

struct UITableViewObj : UIViewObj {
  struct Row {
    NSInteger section = 0;
    id cell = nullptr;  // retained (besides being a subview); nil until loaded
    CGRect rect;        // its origin is current only for rows below firstStaleRow
    bool placed = false;  // the cell's frame is `rect`
  };
  NSInteger style = 0;
  id dataSource = nullptr;  // not retained
  id delegate = nullptr;    // not retained
  CGFloat rowHeight = 44;
  std::vector<Row> rows;                 // every section's rows, in order
  std::vector<NSInteger> rowsInSection;  // row count of each section
  std::vector<std::size_t> sectionStart; // index in `rows` of each section's first row
  // Where each loaded cell's row is in `rows`; an entry at or past
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
