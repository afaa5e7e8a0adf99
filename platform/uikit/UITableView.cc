#include "uikit/UITableView.h"

#include <cmath>

#include "foundation/NSArray.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/UITableViewCell.h"

namespace {

Class gUITableView = nil;

UITableViewObj* asTable(id self) { return static_cast<UITableViewObj*>(self); }

NSInteger nonNegative(NSInteger n) { return n < 0 ? 0 : n; }

// Takes the loaded cells out of the table: those that can be reused wait in
// the queue, the rest are dropped.
void unloadRows(UITableViewObj* table) {
  std::vector<UITableViewObj::Row> rows;
  rows.swap(table->rows);
  table->rowsInSection.clear();
  for (auto& row : rows) {
    if (row.cell) {
      msgSend<void>(row.cell, "removeFromSuperview");
      if (msgSend<id>(row.cell, "reuseIdentifier")) table->reuseQueue.push_back(row.cell);
      else objc_release(row.cell);
    }
    objc_release(row.indexPath);
  }
}

// Asks how many rows there are and how tall each is; no cells yet.
void measureRows(id self, UITableViewObj* table) {
  id source = table->dataSource;
  if (!source) return;
  const NSInteger sections = respondsTo(source, sel("numberOfSectionsInTableView:"))
                                 ? nonNegative(msgSend<NSInteger, id>(source, "numberOfSectionsInTableView:", self))
                                 : 1;
  Class indexPathClass = objc_getClass("NSIndexPath");
  const bool delegateGivesHeights = respondsTo(table->delegate, sel("tableView:heightForRowAtIndexPath:"));
  const CGFloat width = table->frame.size.width;
  CGFloat y = 0;
  for (NSInteger section = 0; section < sections; ++section) {
    const NSInteger count =
        nonNegative(msgSend<NSInteger, id, NSInteger>(source, "tableView:numberOfRowsInSection:", self, section));
    table->rowsInSection.push_back(count);
    for (NSInteger r = 0; r < count; ++r) {
      id indexPath = msgSend<id, NSInteger, NSInteger>(indexPathClass, "indexPathForRow:inSection:", r, section);
      CGFloat height = delegateGivesHeights ? msgSend<CGFloat, id, id>(table->delegate,
                                                                         "tableView:heightForRowAtIndexPath:", self,
                                                                         indexPath)
                                            : table->rowHeight;
      if (!(height > 0) || !std::isfinite(height)) height = 0;
      table->rows.push_back({section, r, objc_retain(indexPath), nullptr, CGRectMake(0, y, width, height)});
      y += height;
    }
  }
}

void loadCells(id self, UITableViewObj* table) {
  for (std::size_t i = 0; i < table->rows.size(); ++i) {
    id indexPath = table->rows[i].indexPath;
    id cell = msgSend<id, id, id>(table->dataSource, "tableView:cellForRowAtIndexPath:", self, indexPath);
    if (!cell)
      objc_raise("NSInternalInconsistencyException",
                 "UITableView dataSource must return a cell from tableView:cellForRowAtIndexPath:");
    table->rows[i].cell = objc_retain(cell);
    msgSend<void, CGRect>(cell, "setFrame:", table->rows[i].rect);
    msgSend<void, id>(self, "addSubview:", cell);
    msgSend<void>(cell, "layoutSubviews");
  }
}

void reloadData(id self, SEL) {
  UITableViewObj* table = asTable(self);
  if (table->reloading) return;  // a data source reloading from inside a reload
  table->reloading = true;
  struct Done {
    UITableViewObj* table;
    ~Done() { table->reloading = false; }
  } done{table};
  AutoreleasePool pool;
  unloadRows(table);
  measureRows(self, table);
  loadCells(self, table);
}

const UITableViewObj::Row* findRow(id self, id indexPath) {
  if (!indexPath) return nullptr;
  const NSInteger section = msgSend<NSInteger>(indexPath, "section"), row = msgSend<NSInteger>(indexPath, "row");
  for (const auto& r : asTable(self)->rows)
    if (r.section == section && r.row == row) return &r;
  return nullptr;
}

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
  if (!cell) return nil;
  for (const auto& r : asTable(self)->rows)
    if (r.cell == cell) return r.indexPath;
  return nil;
}

id cellForRow(id self, SEL, id indexPath) {
  const auto* row = findRow(self, indexPath);
  return row ? row->cell : nil;
}

CGRect rectForRow(id self, SEL, id indexPath) {
  const auto* row = findRow(self, indexPath);
  return row ? row->rect : CGRect{};
}

id visibleCells(id self, SEL) {
  std::vector<id> cells;
  for (const auto& r : asTable(self)->rows)
    if (r.cell) cells.push_back(r.cell);
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
  for (auto& row : rows) {
    objc_release(row.cell);
    objc_release(row.indexPath);
  }
  for (id cell : reuseQueue) objc_release(cell);
}

void registerUITableView() {
  if (gUITableView) return;
  Class cls = gUITableView = objc_defineClass<UITableViewObj>(UIViewClass(), "UITableView");
  class_addMethod(cls, sel("initWithFrame:style:"), initWithFrameStyle, "@@:{CGRect={CGPoint=dd}{CGSize=dd}}q");
  class_addMethod(cls, sel("initWithFrame:"), initWithFrame, "@@:{CGRect={CGPoint=dd}{CGSize=dd}}");
  class_addMethod(cls, sel("reloadData"), reloadData, "v@:");
  class_addMethod(cls, sel("dequeueReusableCellWithIdentifier:"), dequeueReusableCell, "@@:@");
  class_addMethod(cls, sel("indexPathForCell:"), indexPathForCell, "@@:@");
  class_addMethod(cls, sel("cellForRowAtIndexPath:"), cellForRow, "@@:@");
  class_addMethod(cls, sel("rectForRowAtIndexPath:"), rectForRow, "{CGRect={CGPoint=dd}{CGSize=dd}}@:@");
  class_addMethod(cls, sel("visibleCells"), visibleCells, "@@:");
  class_addMethod(cls, sel("numberOfSections"), numberOfSections, "q@:");
  class_addMethod(cls, sel("numberOfRowsInSection:"), numberOfRowsInSection, "q@:q");
  class_addMethod(cls, sel("dataSource"), dataSource, "@@:");
  class_addMethod(cls, sel("setDataSource:"), setDataSource, "v@:@");
  class_addMethod(cls, sel("delegate"), delegate, "@@:");
  class_addMethod(cls, sel("setDelegate:"), setDelegate, "v@:@");
  class_addMethod(cls, sel("rowHeight"), rowHeight, "d@:");
  class_addMethod(cls, sel("setRowHeight:"), setRowHeight, "v@:d");
}
