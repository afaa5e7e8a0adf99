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
//   -dequeueReusableCellWithIdentifier: a waiting cell with that identifier
//   (sent prepareForReuse) or nil; -indexPathForCell: (nil for a cell not
//   in the table); -cellForRowAtIndexPath:; -visibleCells;
//   -rectForRowAtIndexPath: (zero for an unknown row);
//   -numberOfSections, -numberOfRowsInSection:.
#pragma once

#include <vector>

#include "uikit/UIView.h"

struct UITableViewObj : UIViewObj {
  struct Row {
    NSInteger section = 0, row = 0;
    id indexPath = nullptr;  // retained
    id cell = nullptr;       // retained (besides being a subview); nil until loaded
    CGRect rect;
  };
  NSInteger style = 0;
  id dataSource = nullptr;  // not retained
  id delegate = nullptr;    // not retained
  CGFloat rowHeight = 44;
  std::vector<Row> rows;         // in section and row order
  std::vector<NSInteger> rowsInSection;
  std::vector<id> reuseQueue;  // retained
  bool reloading = false;
  ~UITableViewObj() override;
};

void registerUITableView();  // after UIView and UITableViewCell
