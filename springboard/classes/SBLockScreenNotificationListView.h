// SBLockScreenNotificationListView: the view of the lock-screen list, holding
// its table; it is the table's data source and delegate.
#pragma once

#include <vector>

#include "uikit/UIView.h"

namespace sb {

struct SBLockScreenNotificationListViewObj : UIViewObj {
  id _heightForListItemCache = nullptr;  // NSMutableDictionary: list item -> NSNumber height, retained
  id tableView = nullptr;                // UITableView, retained and a subview
  id controller = nullptr;               // SBLockScreenNotificationListController, not retained: it owns us
  ~SBLockScreenNotificationListViewObj() override;
};

// Reloads the table (heights, cells, layout) and then gives every row its
// content alpha, as SpringBoard does after each change of the list.
void reloadNotificationList(id listView);

// The table gains the row of the item now at `index`, or loses the rows of
// the items that were at `indexes`; the other rows keep their cells, and the
// rows whose place changed get their content alpha again.
void insertNotificationRow(id listView, NSUInteger index);
void deleteNotificationRows(id listView, const std::vector<NSUInteger>& indexes);

}  // namespace sb
