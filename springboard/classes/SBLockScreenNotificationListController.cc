#include "classes/SBLockScreenNotificationListController.h"

#include <algorithm>

#include "classes/SBAwayBulletinListItem.h"
#include "classes/SBLockScreenNotificationBulletinBannerItem.h"
#include "classes/SBLockScreenNotificationListView.h"
#include "classes/cell_metrics.h"
#include "classes/classes.h"
#include "classes/list_order.h"
#include "foundation/NSRunLoop.h"
#include "foundation/NSString.h"
#include "runtime/nsobject.h"
#include "runtime/strong.h"
#include "uikit/UIApplication.h"

namespace sb {
namespace {

Class gController = nullptr;
constexpr const char* kListRequester = "NotificationList";

id initWithNibName(id self, SEL cmd, id nibName, id bundle) {
  self = msgSendSuper<id, id, id>(gController, self, cmd, nibName, bundle);
  if (!self) return nil;
  auto* controller = asListController(self);
  controller->_listItems = objc_retain(standin::mutableArrayWith());
  controller->_observer = objc_new("NSObject");
  return self;
}

// Builds the list view and its table afresh, becomes its controller's view,
// then lays the list out.
void loadView(id self, SEL) {
  auto* controller = asListController(self);
  CGRect frame{{0, metrics::kListTop}, {metrics::kScreenWidth, metrics::kListBottom - metrics::kListTop}};
  id view = msgSend<id, CGRect>(msgSend<id>(objc_getClass("SBLockScreenNotificationListView"), "alloc"),
                                "initWithFrame:", frame);
  static_cast<SBLockScreenNotificationListViewObj*>(view)->controller = self;
  msgSend<void, id>(controller->lockScreenView, "addSubview:", view);
  if (controller->_notificationView) {
    msgSend<void>(controller->_notificationView, "removeFromSuperview");
    objc_release(controller->_notificationView);
  }
  controller->_notificationView = view;
  msgSend<void, id>(self, "setView:", view);
  layOutNotificationList(self);
}

NSUInteger count(id self, SEL) { return msgSend<NSUInteger>(asListController(self)->_listItems, "count"); }

id listItemAtIndexPath(id self, SEL, id indexPath) {
  if (!indexPath || msgSend<NSInteger>(indexPath, "section") != 0) return nil;
  NSInteger row = msgSend<NSInteger>(indexPath, "row");
  id items = asListController(self)->_listItems;
  if (row < 0 || static_cast<NSUInteger>(row) >= msgSend<NSUInteger>(items, "count")) return nil;
  return msgSend<id, NSUInteger>(items, "objectAtIndex:", static_cast<NSUInteger>(row));
}

// A bulletin becomes a row in date order; SpringBoard then decides, for the
// bulletin and for its banner, whether the screen lights up (iOS 9 asks
// with a completion block).
void wakeScreenFor(id self, id item) {
  if (springBoardState().version.asksRemovalQuestions())
    msgSend<void, id, NoArgumentBlock>(self, "turnOnScreenIfNecessaryForItem:withCompletion:", item, NoArgumentBlock{});
  else
    msgSend<void, id>(self, "turnOnScreenIfNecessaryForItem:", item);
}

void addBulletin(id self, id bulletin) {
  if (!bulletin) return;
  id items = asListController(self)->_listItems;
  id item = objc_autorelease(newAwayBulletinListItem(bulletin));
  NSUInteger index = insertionIndexForBulletin(items, bulletin);
  msgSend<void, id, NSUInteger>(items, "insertObject:atIndex:", item, index);
  layOutInsertedListItem(self, index);
  wakeScreenFor(self, bulletin);
  id banner = objc_autorelease(newBulletinBannerItem(item));
  wakeScreenFor(self, banner);
}

void addBulletinIOS7(id self, SEL, id, id bulletin, NSUInteger) { addBulletin(self, bulletin); }

void addBulletinIOS8(id self, SEL, id, id bulletin, NSUInteger, BOOL, NoArgumentBlock) { addBulletin(self, bulletin); }

// The bulletin's row leaves the list; a bulletin is known by identity or by
// its identifier.
void removeBulletin(id self, SEL, id, id bulletin) {
  if (!bulletin) return;
  // The board usually hands back the very bulletin it gave.
  auto isThisBulletin = [&](id item) {
    return static_cast<SBAwayBulletinListItemObj*>(item)->_activeBulletin == bulletin;
  };
  if (removeListItemsWhere(self, isThisBulletin)) return;
  id bulletinID = msgSend<id>(bulletin, "bulletinID");
  if (!bulletinID) return;
  removeListItemsWhere(self, [&](id item) {
    return msgSend<BOOL, id>(bulletinID,
                             "isEqualToString:", msgSend<id>(msgSend<id>(item, "activeBulletin"), "bulletinID"));
  });
}

void turnOnScreenIfNecessaryForItem(id, SEL, id) {
  springBoardState().screenLit = true;
  ++springBoardState().screenWakeCount;
}

void turnOnScreenIfNecessaryForItemWithCompletion(id self, SEL cmd, id item, NoArgumentBlock completion) {
  turnOnScreenIfNecessaryForItem(self, cmd, item);
  if (completion) completion();
}

}  // namespace

SBLockScreenNotificationListControllerObj::~SBLockScreenNotificationListControllerObj() {
  if (_notificationView) static_cast<SBLockScreenNotificationListViewObj*>(_notificationView)->controller = nullptr;
  for (id held : {_listItems, _observer, _notificationView, lockScreenView}) objc_release(held);
}

id newNotificationListController(id lockScreenView) {
  id controller = msgSend<id>(msgSend<id>(gController, "alloc"), "init");
  asListController(controller)->lockScreenView = objc_retain(lockScreenView);
  return controller;
}

void unloadNotificationListView(id controller) {
  auto* c = asListController(controller);
  if (!c->_notificationView) return;
  static_cast<SBLockScreenNotificationListViewObj*>(c->_notificationView)->controller = nullptr;
  msgSend<void>(c->_notificationView, "removeFromSuperview");
  objc_release(c->_notificationView);
  c->_notificationView = nullptr;
  msgSend<void, id>(controller, "setView:", nil);
}

namespace {

// Returns the loaded list view, or nil when there is none to lay out.
id updateListUnderlay(id controller) {
  auto* c = asListController(controller);
  if (!c->_notificationView) return nil;
  id requester = standin::str(kListRequester);
  if (msgSend<NSUInteger>(controller, "count") > 0)
    msgSend<void, id>(c->lockScreenView, "_addLockContentUnderlayWithRequester:", requester);
  else
    msgSend<void, id>(c->lockScreenView, "_removeLockContentUnderlayWithRequester:", requester);
  return c->_notificationView;
}

// Lists changed while the run loop performs some work, laid out once that
// work is done, as UIKit lays a view out once per pass of its run loop: the
// removal of thousands of rows then asks the count and reloads once, not once
// per row. Outside such work every change is laid out at once.
std::vector<StrongId>& listsAwaitingLayout() {
  static auto* lists = new std::vector<StrongId>;  // main thread only
  return *lists;
}

bool layOutAfterThisWork(id controller) {
  if (!standin::runLoopIsPerforming()) return false;
  auto& waiting = listsAwaitingLayout();
  if (std::none_of(waiting.begin(), waiting.end(), [&](const StrongId& c) { return c.get() == controller; }))
    waiting.emplace_back(controller);
  return true;
}

void layOutListsChangedByThisWork() {
  std::vector<StrongId> waiting;
  waiting.swap(listsAwaitingLayout());
  for (const StrongId& controller : waiting) layOutNotificationList(controller.get());
}

}  // namespace

void layOutNotificationList(id controller) {
  if (id listView = updateListUnderlay(controller)) reloadNotificationList(listView);
}

void layOutInsertedListItem(id controller, NSUInteger index) {
  if (layOutAfterThisWork(controller)) return;
  if (id listView = updateListUnderlay(controller)) insertNotificationRow(listView, index);
}

void layOutRemovedListItems(id controller, const std::vector<NSUInteger>& indexes) {
  if (layOutAfterThisWork(controller)) return;
  if (id listView = updateListUnderlay(controller)) deleteNotificationRows(listView, indexes);
}

void registerNotificationListController(const ClassRegistration& table) {
  using T = SBLockScreenNotificationListControllerObj;
  gController = table.define<T>("SBLockScreenNotificationListController");
  standin::addRunLoopAfterPerformObserver(layOutListsChangedByThisWork);
  SB_TABLE_IVAR(table, gController, T, _notificationView);
  SB_TABLE_IVAR(table, gController, T, _observer);
  SB_TABLE_IVAR(table, gController, T, _listItems);
  table.method(gController, "initWithNibName:bundle:", initWithNibName);
  table.method(gController, "loadView", loadView);
  table.method(gController, "count", count);
  table.method(gController, "listItemAtIndexPath:", listItemAtIndexPath);
  // Each system version has only its own add operation and screen wake.
  table.method(gController, "observer:addBulletin:forFeed:playLightsAndSirens:withReply:", addBulletinIOS8);
  table.method(gController, "observer:addBulletin:forFeed:", addBulletinIOS7);
  table.method(gController, "observer:removeBulletin:", removeBulletin);
  table.method(gController, "turnOnScreenIfNecessaryForItem:", turnOnScreenIfNecessaryForItem);
  table.method(gController,
               "turnOnScreenIfNecessaryForItem:withCompletion:", turnOnScreenIfNecessaryForItemWithCompletion);
}

}  // namespace sb
