#include "classes/SBLockScreenNotificationListView.h"

#include <algorithm>

#include "classes/SBLockScreenBulletinCell.h"
#include "classes/SBLockScreenNotificationListController.h"
#include "classes/cell_metrics.h"
#include "classes/classes.h"
#include "foundation/NSArray.h"
#include "foundation/NSDictionary.h"
#include "foundation/NSIndexPath.h"
#include "foundation/NSNumber.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "uikit/NSStringDrawing.h"
#include "uikit/UIFont.h"

namespace sb {
namespace {

using namespace metrics;
Class gListView = nullptr;

SBLockScreenNotificationListViewObj* asListView(id self) {
  return static_cast<SBLockScreenNotificationListViewObj*>(self);
}

id initWithFrame(id self, SEL cmd, CGRect frame) {
  self = msgSendSuper<id, CGRect>(gListView, self, cmd, frame);
  if (!self) return nil;
  SBLockScreenNotificationListViewObj* view = asListView(self);
  view->_heightForListItemCache = objc_retain(standin::mutableDictionaryWith());
  CGRect tableFrame{{0, 0}, frame.size};
  view->tableView =
      msgSend<id, CGRect>(msgSend<id>(objc_getClass("UITableView"), "alloc"), "initWithFrame:", tableFrame);
  msgSend<void, id>(view->tableView, "setDataSource:", self);
  msgSend<void, id>(view->tableView, "setDelegate:", self);
  msgSend<void, id>(self, "addSubview:", view->tableView);
  return self;
}

id listItemAt(id self, id indexPath) {
  return msgSend<id, id>(asListView(self)->controller, "listItemAtIndexPath:", indexPath);
}

NSInteger numberOfRows(id self, SEL, id, NSInteger section) {
  if (section != 0) return 0;
  id items = asListController(asListView(self)->controller)->_listItems;
  return static_cast<NSInteger>(msgSend<NSUInteger>(items, "count"));
}

CGFloat lineHeight(id text, CGFloat fontSize) {
  if (standin::utf8Of(text).empty()) return 0;
  return standin::sizeOfStringWithFont(text, standin::systemFontOfSize(fontSize)).height;
}

// SpringBoard's own height: the margins around the title, subtitle and
// message lines, computed once per item and kept in the cache.
CGFloat heightForRow(id self, SEL, id, id indexPath) {
  id item = listItemAt(self, indexPath);
  if (!item) return kDefaultRowHeight;
  id cache = asListView(self)->_heightForListItemCache;
  if (id cached = msgSend<id, id>(cache, "objectForKey:", item)) return msgSend<RealDouble>(cached, "doubleValue");
  id bulletin = msgSend<id>(item, "activeBulletin");
  CGFloat title = std::max(lineHeight(msgSend<id>(bulletin, "title"), kTitleFontSize),
                           lineHeight(standin::str(kUnlockText), kUnlockFontSize));
  CGFloat height = kRowMargin + title + lineHeight(msgSend<id>(bulletin, "subtitle"), kSubtitleFontSize) +
                   lineHeight(msgSend<id>(bulletin, "message"), kMessageFontSize) + kRowMargin;
  msgSend<void, id, id>(cache, "setObject:forKey:", standin::numberWithDouble(height), item);
  return height;
}

id cellForRow(id self, SEL, id table, id indexPath) {
  id identifier = standin::str(kCellReuseIdentifier);
  id cell = msgSend<id, id>(table, "dequeueReusableCellWithIdentifier:", identifier);
  if (!cell) {
    cell = msgSend<id, NSInteger, id>(msgSend<id>(objc_getClass("SBLockScreenBulletinCell"), "alloc"),
                                      "initWithStyle:reuseIdentifier:", NSInteger{0}, identifier);
    objc_autorelease(cell);
  }
  configureBulletinCell(cell, listItemAt(self, indexPath));
  return cell;
}

// Rows fade towards the slider: each cell takes its row's alpha as it
// comes into view.
void willDisplayCell(id, SEL, id, id cell, id indexPath) {
  msgSend<void, CGFloat>(cell, "setContentAlpha:", contentAlphaForRow(msgSend<NSInteger>(indexPath, "row")));
}

// Bulletin rows may be edited (slid to delete); other rows may not.
BOOL canEditRow(id self, SEL, id, id indexPath) {
  id item = listItemAt(self, indexPath);
  return item && msgSend<BOOL, Class>(item, "isKindOfClass:", objc_getClass("SBAwayBulletinListItem"));
}

}  // namespace

SBLockScreenNotificationListViewObj::~SBLockScreenNotificationListViewObj() {
  // The table does not retain its data source; make sure it never calls us again.
  msgSend<void, id>(tableView, "setDataSource:", nil);
  msgSend<void, id>(tableView, "setDelegate:", nil);
  objc_release(tableView);
  objc_release(_heightForListItemCache);
}

void reloadNotificationList(id listView) { msgSend<void>(asListView(listView)->tableView, "reloadData"); }

namespace {

id indexPathsOfRows(const std::vector<NSUInteger>& rows) {
  std::vector<id> paths;
  for (NSUInteger row : rows) paths.push_back(standin::indexPathForRow(static_cast<NSInteger>(row), 0));
  return standin::arrayWith(paths);
}

// Rows from `first` on moved up or down by one place or more; below the
// alpha floor a move changes nothing, so only the rows above it (and the
// first) are given their alpha again.
void refreshContentAlpha(id table, NSUInteger first) {
  const auto rows = static_cast<NSUInteger>(msgSend<NSInteger, NSInteger>(table, "numberOfRowsInSection:", 0));
  for (NSUInteger row = first; row < rows; ++row) {
    if (row > first && row > static_cast<NSUInteger>(kFirstRowAtAlphaFloor)) break;
    AutoreleasePool pool;
    const auto place = static_cast<NSInteger>(row);
    id cell = msgSend<id, id>(table, "cellForRowAtIndexPath:", standin::indexPathForRow(place, 0));
    msgSend<void, CGFloat>(cell, "setContentAlpha:", contentAlphaForRow(place));
  }
}

}  // namespace

void insertNotificationRow(id listView, NSUInteger index) {
  AutoreleasePool pool;
  id table = asListView(listView)->tableView;
  msgSend<void, id, NSInteger>(table, "insertRowsAtIndexPaths:withRowAnimation:", indexPathsOfRows({index}), 0);
  refreshContentAlpha(table, index);
}

void deleteNotificationRows(id listView, const std::vector<NSUInteger>& indexes) {
  if (indexes.empty()) return;
  AutoreleasePool pool;
  id table = asListView(listView)->tableView;
  msgSend<void, id, NSInteger>(table, "deleteRowsAtIndexPaths:withRowAnimation:", indexPathsOfRows(indexes), 0);
  refreshContentAlpha(table, *std::min_element(indexes.begin(), indexes.end()));
}

void registerNotificationListView(const ClassRegistration& table) {
  using T = SBLockScreenNotificationListViewObj;
  gListView = table.define<T>("SBLockScreenNotificationListView");
  SB_TABLE_IVAR(table, gListView, T, _heightForListItemCache);
  table.method(gListView, "initWithFrame:", initWithFrame);
  table.method(gListView, "tableView:numberOfRowsInSection:", numberOfRows);
  table.method(gListView, "tableView:heightForRowAtIndexPath:", heightForRow);
  table.method(gListView, "tableView:cellForRowAtIndexPath:", cellForRow);
  table.method(gListView, "tableView:canEditRowAtIndexPath:", canEditRow);
  table.method(gListView, "tableView:willDisplayCell:forRowAtIndexPath:", willDisplayCell);
}

}  // namespace sb
