#include "uikit/UITableView.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "foundation/NSArray.h"
#include "foundation/NSIndexPath.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UITableViewCell.h"
#include "uikit/table_rows.h"

namespace {

using namespace table_rows;

Class gUITableView = nil;

UITableViewObj* asTable(id self) { return static_cast<UITableViewObj*>(self); }

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
  if (!standin::isArray(indexPaths)) return places;
  Class indexPathClass = objc_getClass("NSIndexPath");
  for (id path : standin::arrayItems(indexPaths))
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
  if (position == 2)
    y = rect.origin.y + rect.size.height / 2 - height / 2;
  else if (position == 3)
    y = rect.origin.y + rect.size.height - height;
  else if (position == 0) {  // as little as brings the row into view
    if (rect.origin.y >= top && rect.origin.y + rect.size.height <= top + height)
      y = top;
    else if (rect.origin.y > top)
      y = rect.origin.y + rect.size.height - height;
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
  return standin::arrayWith(cells);
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
  Class cls = gUITableView = objc_defineClass<UITableViewObj>(standin::uiViewClass(), "UITableView");
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
