// The rows of a UITableView (uikit/UITableView.h): where each row is, which
// rows are in view and have cells, and the loads that ask the data source
// and the delegate for them. The table's methods are built on these.
#pragma once

#include <cstddef>
#include <utility>

#include "uikit/UITableView.h"

namespace table_rows {

// Marks the table busy while it calls out, so a data source that updates
// the table from inside a load or an update is ignored instead of
// corrupting the rows being walked.
class Updating {
 public:
  explicit Updating(UITableViewObj* table) : table_(table), entered_(!table->updating) { table->updating = true; }
  ~Updating() {
    if (entered_) table_->updating = false;
  }
  bool entered() const { return entered_; }
  Updating(const Updating&) = delete;
  Updating& operator=(const Updating&) = delete;

 private:
  UITableViewObj* table_;
  bool entered_;
};

// The index in `rows` of a section's row, or of an index path's, when there
// is such a row.
bool rowIndex(const UITableViewObj* table, NSInteger section, NSInteger row, std::size_t* index);
bool rowIndexOfPath(const UITableViewObj* table, id indexPath, std::size_t* index);
id indexPathAt(const UITableViewObj* table, std::size_t index);  // a new index path

// Places: rows from the first stale one through `last` (or all) are
// renumbered and re-positioned; a change at `index` makes the rows from
// there on stale.
void updatePlaces(UITableViewObj* table, std::size_t last);
void updateAllPlaces(UITableViewObj* table);
void markStaleFrom(UITableViewObj* table, std::size_t index);

CGFloat contentHeight(const UITableViewObj* table);
// The rows that meet the view, [first, end); places must be current.
std::pair<std::size_t, std::size_t> rowsInView(const UITableViewObj* table);

// A cell leaving the table: into the reuse queue, or let go.
void retireCell(UITableViewObj* table, id cell);
// The delegate's height for a row (the table's rowHeight when it gives none).
CGFloat askHeight(id self, UITableViewObj* table, id indexPath);
// The data source's row count for a section, never negative.
NSInteger askRowCount(id self, UITableViewObj* table, NSInteger section);

// Rows that left the view give up their cells; rows in view without one ask
// for it.
void tile(id self, UITableViewObj* table);
// A whole load: the previous cells leave, every row is counted and
// measured, and the rows in view get cells.
void reload(id self, UITableViewObj* table);

}  // namespace table_rows
