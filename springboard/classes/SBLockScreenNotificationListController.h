// SBLockScreenNotificationListController (a UIViewController): the model of
// the lock-screen list. Bulletins reach it through its bulletin-observer
// operations and become SBAwayBulletinListItem rows in the list's date
// order. Its view, the SBLockScreenNotificationListView, is loaded the way
// UIKit loads a controller's view: the first `view` after none sends
// loadView.
#pragma once

#include <functional>
#include <vector>

#include "runtime/objc.h"
#include "uikit/UIViewController.h"

namespace sb {

struct SBLockScreenNotificationListControllerObj : UIViewControllerObj {
  id _listItems = nullptr;  // NSMutableArray of SBAwayBulletinListItem, in display order; retained
  id _observer = nullptr;   // the bulletin observer, retained
  // SBLockScreenNotificationListView once the view is loaded, else nil;
  // retained. SpringBoard's own add path reaches it here, not through
  // `view`, so a bulletin arriving without a view loads none.
  id _notificationView = nullptr;
  id lockScreenView = nullptr;  // the SBLockScreenView the list sits on; retained
  ~SBLockScreenNotificationListControllerObj() override;
};

inline SBLockScreenNotificationListControllerObj* asListController(id controller) {
  return static_cast<SBLockScreenNotificationListControllerObj*>(controller);
}

// The block a bulletin-observer add operation and iOS 9's screen wake
// take. What SpringBoard passes or calls in it is not in a class dump;
// the simulator passes none.
using NoArgumentBlock = std::function<void()>;

// A new controller for the list on `lockScreenView`; +1.
id newNotificationListController(id lockScreenView);

// Lets the list view go, as SpringBoard does when the device unlocks; bulletins
// that arrive until the next loadView change the list without laying it out.
void unloadNotificationListView(id controller);

// SpringBoard's layout of the list: asks the controller's `count`, asks for
// the wallpaper underlay under "NotificationList" while there are rows and
// withdraws it when there are none, and reloads the table when the view is
// loaded.
void layOutNotificationList(id controller);

// The same layout after one change of the list, when the view is loaded:
// the count and the underlay as above, then only the changed rows of the
// table (the item now at `index` comes in; the items that were at
// `indexes` leave) and the alphas of the rows that moved. A change made
// while the run loop performs some work (a delayed perform) is laid out
// with a whole layOutNotificationList once that work is done, one for all
// the changes it made.
void layOutInsertedListItem(id controller, NSUInteger index);
void layOutRemovedListItems(id controller, const std::vector<NSUInteger>& indexes);

// Takes out the items for which `remove` holds, then lays the list out.
// Returns how many were taken out.
template <class Predicate>
NSUInteger removeListItemsWhere(id controller, Predicate remove);

}  // namespace sb

#include "foundation/NSArray.h"
#include "runtime/message.h"

template <class Predicate>
NSUInteger sb::removeListItemsWhere(id controller, Predicate remove) {
  id items = asListController(controller)->_listItems;
  std::vector<NSUInteger> removed;
  {
    // The predicate may send messages but does not change the list.
    const std::vector<id>& current = static_cast<NSArrayObj*>(items)->items;
    for (NSUInteger i = 0; i < current.size(); ++i)
      if (remove(current[i])) removed.push_back(i);
  }
  // From the end, so each removal leaves the indexes still to remove alone.
  for (auto it = removed.rbegin(); it != removed.rend(); ++it)
    msgSend<void, NSUInteger>(items, "removeObjectAtIndex:", *it);
  if (!removed.empty()) layOutRemovedListItems(controller, removed);
  return removed.size();
}
