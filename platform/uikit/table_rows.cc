#include "uikit/table_rows.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "foundation/NSIndexPath.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"

namespace table_rows {

static NSInteger nonNegative(NSInteger n) { return n < 0 ? 0 : n; }

// --- Places of rows ---------------------------------------------------------

// The index in `rows` of a section's row, when there is such a row.
bool rowIndex(const UITableViewObj* table, NSInteger section, NSInteger row, std::size_t* index) {
  if (section < 0 || section >= static_cast<NSInteger>(table->rowsInSection.size())) return false;
  if (row < 0 || row >= table->rowsInSection[section]) return false;
  *index = table->sectionStart[section] + static_cast<std::size_t>(row);
  return true;
}

bool rowIndexOfPath(const UITableViewObj* table, id indexPath, std::size_t* index) {
  if (!indexPath) return false;
  return rowIndex(table, msgSend<NSInteger>(indexPath, "section"), msgSend<NSInteger>(indexPath, "row"), index);
}

id indexPathAt(const UITableViewObj* table, std::size_t index) {
  const NSInteger section = table->rows[index].section;
  return standin::indexPathForRow(static_cast<NSInteger>(index - table->sectionStart[section]), section);
}

// Renumbers and re-positions the rows from the first stale one through
// `last`: each row starts where the one above it ends. A change makes only
// the rows below it stale, so a run of changes costs one pass when the rows
// are next asked about, not one per change.
void updatePlaces(UITableViewObj* table, std::size_t last) {
  const std::size_t end = std::min(last + 1, table->rows.size());
  for (std::size_t i = table->firstStaleRow; i < end; ++i) {
    auto& row = table->rows[i];
    const CGFloat y = i == 0 ? 0 : table->rows[i - 1].rect.origin.y + table->rows[i - 1].rect.size.height;
    if (row.rect.origin.y != y) row.placed = false;
    row.rect.origin.y = y;
    if (row.cell) table->rowOfCell[row.cell] = i;
  }
  table->firstStaleRow = std::max(table->firstStaleRow, end);
}

void updateAllPlaces(UITableViewObj* table) {
  if (!table->rows.empty()) updatePlaces(table, table->rows.size() - 1);
}

void markStaleFrom(UITableViewObj* table, std::size_t index) {
  table->firstStaleRow = std::min(table->firstStaleRow, index);
  table->needsLayout = true;
}

// --- Cells ------------------------------------------------------------------

// A cell leaving the table waits for reuse when it has an identifier and
// the queue has room; otherwise it is let go.
void retireCell(UITableViewObj* table, id cell) {
  msgSend<void>(cell, "removeFromSuperview");
  table->rowOfCell.erase(cell);
  if (table->reuseQueue.size() < kReuseQueueLimit && msgSend<id>(cell, "reuseIdentifier"))
    table->reuseQueue.push_back(cell);
  else
    objc_release(cell);
}

static void trimReuseQueue(UITableViewObj* table) {
  while (table->reuseQueue.size() > kReuseQueueLimit) {
    objc_release(table->reuseQueue.back());
    table->reuseQueue.pop_back();
  }
}

CGFloat askHeight(id self, UITableViewObj* table, id indexPath) {
  if (!respondsTo(table->delegate, sel("tableView:heightForRowAtIndexPath:"))) return table->rowHeight;
  CGFloat height = msgSend<CGFloat, id, id>(table->delegate, "tableView:heightForRowAtIndexPath:", self, indexPath);
  return height > 0 && std::isfinite(height) ? height : 0;
}

// Asks the data source for the cell of row `index` (whose place is current)
// and puts it there; the delegate hears of it last, once the cell is in the
// table and laid out.
static void loadCell(id self, UITableViewObj* table, std::size_t index) {
  id indexPath = indexPathAt(table, index);
  id cell = msgSend<id, id, id>(table->dataSource, "tableView:cellForRowAtIndexPath:", self, indexPath);
  if (!cell)
    objc_raise("NSInternalInconsistencyException",
               "UITableView dataSource must return a cell from tableView:cellForRowAtIndexPath:");
  auto& row = table->rows[index];
  row.cell = objc_retain(cell);
  row.placed = true;
  table->rowOfCell[cell] = index;
  msgSend<void, CGRect>(cell, "setFrame:", row.rect);
  msgSend<void, id>(self, "addSubview:", cell);
  msgSend<void>(cell, "layoutSubviews");
  if (respondsTo(table->delegate, sel("tableView:willDisplayCell:forRowAtIndexPath:")))
    msgSend<void, id, id, id>(table->delegate, "tableView:willDisplayCell:forRowAtIndexPath:", self, cell, indexPath);
}

// --- The rows in view -------------------------------------------------------

CGFloat contentHeight(const UITableViewObj* table) {
  if (table->rows.empty()) return 0;
  const auto& last = table->rows.back().rect;
  return last.origin.y + last.size.height;
}

// The offset stays within the content: from the top to where the last row
// ends at the bottom of the view. Places must be current.
static void clampOffset(UITableViewObj* table) {
  const CGFloat most = std::max<CGFloat>(0, contentHeight(table) - table->frame.size.height);
  if (!(table->contentOffsetY <= most)) table->contentOffsetY = most;  // NaN too
  if (table->contentOffsetY < 0) table->contentOffsetY = 0;
}

// The rows that meet the view, [first, end); places must be current. A row
// that ends where the view begins is above it; an empty row at the top of
// the view is in it.
std::pair<std::size_t, std::size_t> rowsInView(const UITableViewObj* table) {
  const CGFloat top = table->contentOffsetY, bottom = top + table->frame.size.height;
  const auto& rows = table->rows;
  // Rows end in order (each starts where the one above ends), so bisect.
  auto first = std::lower_bound(rows.begin(), rows.end(), top, [](const UITableViewObj::Row& row, CGFloat y) {
    return row.rect.origin.y + row.rect.size.height < y;
  });
  while (first != rows.end() && first->rect.size.height > 0 && first->rect.origin.y + first->rect.size.height <= top)
    ++first;
  auto end = first;
  while (end != rows.end() && end->rect.origin.y < bottom) ++end;
  return {static_cast<std::size_t>(first - rows.begin()), static_cast<std::size_t>(end - rows.begin())};
}

// Rows that left the view give up their cells; rows in view without one
// ask for it. Cells already in view stay where they are until layout.
void tile(id self, UITableViewObj* table) {
  updateAllPlaces(table);
  clampOffset(table);
  const auto [first, end] = rowsInView(table);
  std::vector<std::size_t> leaving;
  for (const auto& [cell, index] : table->rowOfCell)
    if (index < first || index >= end) leaving.push_back(index);
  for (std::size_t index : leaving) {
    retireCell(table, table->rows[index].cell);
    table->rows[index].cell = nullptr;
    table->rows[index].placed = false;
  }
  if (!table->dataSource) return;
  for (std::size_t i = first; i < end; ++i) {
    if (table->rows[i].cell) continue;
    AutoreleasePool pool;
    loadCell(self, table, i);
  }
}

NSInteger askRowCount(id self, UITableViewObj* table, NSInteger section) {
  return nonNegative(
      msgSend<NSInteger, id, NSInteger>(table->dataSource, "tableView:numberOfRowsInSection:", self, section));
}

// --- Whole loads ------------------------------------------------------------

// Takes the loaded cells out of the table: those that can be reused wait in
// the queue, the rest are dropped.
static void unloadRows(UITableViewObj* table) {
  std::vector<UITableViewObj::Row> rows;
  rows.swap(table->rows);
  table->rowsInSection.clear();
  table->sectionStart.clear();
  table->rowOfCell.clear();
  table->firstStaleRow = 0;
  for (auto& row : rows) {
    if (!row.cell) continue;
    msgSend<void>(row.cell, "removeFromSuperview");
    if (msgSend<id>(row.cell, "reuseIdentifier"))
      table->reuseQueue.push_back(row.cell);
    else
      objc_release(row.cell);
  }
}

// Asks how many rows there are and how tall each is; no cells yet.
static void measureRows(id self, UITableViewObj* table) {
  id source = table->dataSource;
  if (!source) return;
  const NSInteger sections = respondsTo(source, sel("numberOfSectionsInTableView:"))
                                 ? nonNegative(msgSend<NSInteger, id>(source, "numberOfSectionsInTableView:", self))
                                 : 1;
  const CGFloat width = table->frame.size.width;
  CGFloat y = 0;
  for (NSInteger section = 0; section < sections; ++section) {
    const NSInteger count = askRowCount(self, table, section);
    table->sectionStart.push_back(table->rows.size());
    table->rowsInSection.push_back(count);
    for (NSInteger r = 0; r < count; ++r) {
      AutoreleasePool pool;
      const CGFloat height = askHeight(self, table, standin::indexPathForRow(r, section));
      table->rows.push_back({section, nullptr, CGRectMake(0, y, width, height), false});
      y += height;
    }
  }
  table->firstStaleRow = table->rows.size();
}

void reload(id self, UITableViewObj* table) {
  unloadRows(table);
  measureRows(self, table);
  tile(self, table);
  // What the new load did not take again is let go, beyond a few.
  trimReuseQueue(table);
  table->needsLayout = false;
}

}  // namespace table_rows
