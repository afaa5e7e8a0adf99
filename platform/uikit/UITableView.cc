#include "uikit/UITableView.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "foundation/NSArray.h"
#include "foundation/NSIndexPath.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UITableViewCell.h"

namespace {

Class gUITableView = nil;

UITableViewObj* asTable(id self) { return static_cast<UITableViewObj*>(self); }

NSInteger nonNegative(NSInteger n) { return n < 0 ? 0 : n; }

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
  return NSIndexPathForRow(static_cast<NSInteger>(index - table->sectionStart[section]), section);
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

void trimReuseQueue(UITableViewObj* table) {
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
void loadCell(id self, UITableViewObj* table, std::size_t index) {
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
void clampOffset(UITableViewObj* table) {
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
  return nonNegative(msgSend<NSInteger, id, NSInteger>(table->dataSource, "tableView:numberOfRowsInSection:", self, section));
}

// --- Whole loads ------------------------------------------------------------

// Takes the loaded cells out of the table: those that can be reused wait in
// the queue, the rest are dropped.
void unloadRows(UITableViewObj* table) {
  std::vector<UITableViewObj::Row> rows;
  rows.swap(table->rows);
  table->rowsInSection.clear();
  table->sectionStart.clear();
  table->rowOfCell.clear();
  table->firstStaleRow = 0;
  for (auto& row : rows) {
    if (!row.cell) continue;
    msgSend<void>(row.cell, "removeFromSuperview");
    if (msgSend<id>(row.cell, "reuseIdentifier")) table->reuseQueue.push_back(row.cell);
    else objc_release(row.cell);
  }
}

// Asks how many rows there are and how tall each is; no cells yet.
void measureRows(id self, UITableViewObj* table) {
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
      const CGFloat height = askHeight(self, table, NSIndexPathForRow(r, section));
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

void reloadData(id self, SEL) {
  UITableViewObj* table = asTable(self);
  Updating updating(table);
  if (!updating.entered()) return;  // a data source reloading from inside a reload
  AutoreleasePool pool;
  reload(self, table);
}

// --- Row updates ------------------------------------------------------------

using Place = std::pair<NSInteger, NSInteger>;  // section, row

std::vector<Place> placesIn(id indexPaths) {
  std::vector<Place> places;
  if (!NSIsArray(indexPaths)) return places;
  Class indexPathClass = objc_getClass("NSIndexPath");
  for (id path : NSArrayItems(indexPaths))
    if (msgSend<BOOL, Class>(path, "isKindOfClass:", indexPathClass))
      places.emplace_back(msgSend<NSInteger>(path, "section"), msgSend<NSInteger>(path, "row"));
  std::sort(places.begin(), places.end());
  places.erase(std::unique(places.begin(), places.end()), places.end());
  return places;
}

// The data source must now count what the table holds, section by section.
bool agreesWithDataSource(id self, UITableViewObj* table) {
  if (!table->dataSource) return false;
  for (std::size_t s = 0; s < table->rowsInSection.size(); ++s)
    if (askRowCount(self, table, static_cast<NSInteger>(s)) != table->rowsInSection[s]) return false;
  return true;
}

// A row more or less in `section`: the sections after it start that much
// further on.
void countRows(UITableViewObj* table, NSInteger section, NSInteger delta) {
  table->rowsInSection[section] += delta;
  for (std::size_t s = static_cast<std::size_t>(section) + 1; s < table->sectionStart.size(); ++s)
    table->sectionStart[s] += delta;
}

void insertRows(id self, SEL, id indexPaths, NSInteger) {
  UITableViewObj* table = asTable(self);
  Updating updating(table);
  if (!updating.entered()) return;
  AutoreleasePool pool;
  const std::vector<Place> places = placesIn(indexPaths);
  if (places.empty()) return;
  // In ascending order each place counts the rows inserted before it, as the
  // places after the update do.
  std::vector<std::size_t> inserted;
  for (const auto& [section, row] : places) {
    if (section < 0 || section >= static_cast<NSInteger>(table->rowsInSection.size()) || row < 0 ||
        row > table->rowsInSection[section])
      return reload(self, table);
    const std::size_t index = table->sectionStart[section] + static_cast<std::size_t>(row);
    table->rows.insert(table->rows.begin() + static_cast<std::ptrdiff_t>(index),
                       {section, nullptr, CGRectMake(0, 0, table->frame.size.width, 0), false});
    countRows(table, section, +1);
    markStaleFrom(table, index);
    inserted.push_back(index);
  }
  if (!agreesWithDataSource(self, table)) return reload(self, table);
  for (std::size_t index : inserted) {
    AutoreleasePool rowPool;
    table->rows[index].rect.size.height = askHeight(self, table, indexPathAt(table, index));
  }
  tile(self, table);
}

void deleteRows(id self, SEL, id indexPaths, NSInteger) {
  UITableViewObj* table = asTable(self);
  Updating updating(table);
  if (!updating.entered()) return;
  AutoreleasePool pool;
  const std::vector<Place> places = placesIn(indexPaths);
  if (places.empty()) return;
  std::vector<std::size_t> doomed;
  for (const auto& [section, row] : places) {
    std::size_t index = 0;
    if (!rowIndex(table, section, row, &index)) return reload(self, table);
    doomed.push_back(index);
  }
  // From the bottom up, so each removal leaves the places still to remove alone.
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
    AutoreleasePool rowPool;
    const std::size_t index = *it;
    const NSInteger section = table->rows[index].section;
    if (id cell = table->rows[index].cell) retireCell(table, cell);
    table->rows.erase(table->rows.begin() + static_cast<std::ptrdiff_t>(index));
    countRows(table, section, -1);
    markStaleFrom(table, index);
  }
  if (!agreesWithDataSource(self, table)) return reload(self, table);
  tile(self, table);
}

// Moves the cells of rows that moved since the last layout, and fills the
// view with the rows that moved into it.
void layoutSubviews(id self, SEL cmd) {
  msgSendSuper<void>(gUITableView, self, cmd);
  UITableViewObj* table = asTable(self);
  Updating updating(table);
  if (!updating.entered()) return;  // laid out from inside a load or an update: the rows are in flux
  tile(self, table);
  const auto [first, end] = rowsInView(table);
  for (std::size_t i = first; i < end; ++i) {
    auto& row = table->rows[i];
    if (row.placed || !row.cell) continue;
    msgSend<void, CGRect>(row.cell, "setFrame:", row.rect);
    row.placed = true;
  }
}

// --- Scrolling --------------------------------------------------------------

void scrollTo(id self, UITableViewObj* table, CGFloat y) {
  Updating updating(table);
  if (!updating.entered()) return;  // a data source scrolling from inside a load
  AutoreleasePool pool;
  table->contentOffsetY = y;
  tile(self, table);
}

CGPoint contentOffset(id self, SEL) { return CGPointMake(0, asTable(self)->contentOffsetY); }
void setContentOffset(id self, SEL, CGPoint offset) { scrollTo(self, asTable(self), offset.y); }

CGSize contentSize(id self, SEL) {
  UITableViewObj* table = asTable(self);
  updateAllPlaces(table);
  return CGSizeMake(table->frame.size.width, contentHeight(table));
}

void scrollToRow(id self, SEL, id indexPath, NSInteger position, BOOL) {
  UITableViewObj* table = asTable(self);
  std::size_t index = 0;
  if (!rowIndexOfPath(table, indexPath, &index)) return;
  updateAllPlaces(table);
  const CGRect rect = table->rows[index].rect;
  const CGFloat height = table->frame.size.height, top = table->contentOffsetY;
  CGFloat y = rect.origin.y;  // top
  if (position == 2) y = rect.origin.y + rect.size.height / 2 - height / 2;
  else if (position == 3) y = rect.origin.y + rect.size.height - height;
  else if (position == 0) {  // as little as brings the row into view
    if (rect.origin.y >= top && rect.origin.y + rect.size.height <= top + height) y = top;
    else if (rect.origin.y > top) y = rect.origin.y + rect.size.height - height;
  }
  scrollTo(self, table, y);
}

// --- Questions --------------------------------------------------------------

id initWithFrameStyle(id self, SEL, CGRect frame, NSInteger style) {
  self = msgSendSuper<id, CGRect>(gUITableView, self, sel("initWithFrame:"), frame);
  if (self) asTable(self)->style = style;
  return self;
}

id initWithFrame(id self, SEL, CGRect frame) {
  return msgSend<id, CGRect, NSInteger>(self, "initWithFrame:style:", frame, 0);
}

id dequeueReusableCell(id self, SEL, id identifier) {
  if (!identifier) return nil;
  auto& queue = asTable(self)->reuseQueue;
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!msgSend<BOOL, id>(identifier, "isEqual:", msgSend<id>(*it, "reuseIdentifier"))) continue;
    id cell = *it;
    queue.erase(it);
    msgSend<void>(cell, "prepareForReuse");
    return objc_autorelease(cell);
  }
  return nil;
}

id indexPathForCell(id self, SEL, id cell) {
  UITableViewObj* table = asTable(self);
  auto found = table->rowOfCell.find(cell);
  if (found == table->rowOfCell.end()) return nil;
  if (found->second >= table->firstStaleRow) {
    updateAllPlaces(table);
    found = table->rowOfCell.find(cell);
  }
  return indexPathAt(table, found->second);
}

id cellForRow(id self, SEL, id indexPath) {
  std::size_t index = 0;
  return rowIndexOfPath(asTable(self), indexPath, &index) ? asTable(self)->rows[index].cell : nil;
}

CGRect rectForRow(id self, SEL, id indexPath) {
  UITableViewObj* table = asTable(self);
  std::size_t index = 0;
  if (!rowIndexOfPath(table, indexPath, &index)) return CGRect{};
  updatePlaces(table, index);
  return table->rows[index].rect;
}

id visibleCells(id self, SEL) {
  UITableViewObj* table = asTable(self);
  updateAllPlaces(table);
  std::vector<id> cells;
  const auto [first, end] = rowsInView(table);
  for (std::size_t i = first; i < end; ++i)
    if (id cell = table->rows[i].cell) cells.push_back(cell);
  return NSArrayWith(cells);
}

NSInteger numberOfSections(id self, SEL) { return static_cast<NSInteger>(asTable(self)->rowsInSection.size()); }
NSInteger numberOfRowsInSection(id self, SEL, NSInteger section) {
  const auto& counts = asTable(self)->rowsInSection;
  return section >= 0 && section < static_cast<NSInteger>(counts.size()) ? counts[section] : 0;
}

id dataSource(id self, SEL) { return asTable(self)->dataSource; }
void setDataSource(id self, SEL, id source) { asTable(self)->dataSource = source; }
id delegate(id self, SEL) { return asTable(self)->delegate; }
void setDelegate(id self, SEL, id delegate) { asTable(self)->delegate = delegate; }
CGFloat rowHeight(id self, SEL) { return asTable(self)->rowHeight; }
void setRowHeight(id self, SEL, CGFloat height) { asTable(self)->rowHeight = height; }

}  // namespace

UITableViewObj::~UITableViewObj() {
  for (auto& row : rows) objc_release(row.cell);
  for (id cell : reuseQueue) objc_release(cell);
}

void registerUITableView() {
  if (gUITableView) return;
  Class cls = gUITableView = objc_defineClass<UITableViewObj>(UIViewClass(), "UITableView");
  class_addMethod(cls, sel("initWithFrame:style:"), initWithFrameStyle);
  class_addMethod(cls, sel("initWithFrame:"), initWithFrame);
  class_addMethod(cls, sel("reloadData"), reloadData);
  class_addMethod(cls, sel("insertRowsAtIndexPaths:withRowAnimation:"), insertRows);
  class_addMethod(cls, sel("deleteRowsAtIndexPaths:withRowAnimation:"), deleteRows);
  class_addMethod(cls, sel("layoutSubviews"), layoutSubviews);
  class_addMethod(cls, sel("dequeueReusableCellWithIdentifier:"), dequeueReusableCell);
  class_addMethod(cls, sel("indexPathForCell:"), indexPathForCell);
  class_addMethod(cls, sel("cellForRowAtIndexPath:"), cellForRow);
  class_addMethod(cls, sel("rectForRowAtIndexPath:"), rectForRow);
  class_addMethod(cls, sel("visibleCells"), visibleCells);
  class_addMethod(cls, sel("contentOffset"), contentOffset);
  class_addMethod(cls, sel("setContentOffset:"), setContentOffset);
  class_addMethod(cls, sel("contentSize"), contentSize);
  class_addMethod(cls, sel("scrollToRowAtIndexPath:atScrollPosition:animated:"), scrollToRow);
  class_addMethod(cls, sel("numberOfSections"), numberOfSections);
  class_addMethod(cls, sel("numberOfRowsInSection:"), numberOfRowsInSection);
  class_addMethod(cls, sel("dataSource"), dataSource);
  class_addMethod(cls, sel("setDataSource:"), setDataSource);
  class_addMethod(cls, sel("delegate"), delegate);
  class_addMethod(cls, sel("setDelegate:"), setDelegate);
  class_addMethod(cls, sel("rowHeight"), rowHeight);
  class_addMethod(cls, sel("setRowHeight:"), setRowHeight);
}
