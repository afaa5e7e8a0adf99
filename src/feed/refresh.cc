#include "feed/refresh.h"

#include "feed/compose.h"
#include "feed/query.h"
#include "host/foundation.h"
#include "host/springboard.h"
#include "settings/settings.h"
#include "settings/sort_priority.h"
#include "host/captured.h"
#include "host/log.h"

extern "C" {
StrongId publishedBulletins;
NSInteger cvnItemsCount = 0;
}

namespace qst {
namespace {

// Foundation 1200.0, iOS 9.0 and later (8.3 and 8.4 are 1144.17): the
// controller takes removal calls for the bulletins it was given.
constexpr double kRemovalFoundationVersion = 1200.0;
constexpr NSUInteger kFeed = 0;

void withdrawPreviousPublication(id controller) {
  if (!publishedBulletins) {
    publishedBulletins.adopt(objc_new(classNamed("NSMutableArray")));
    return;
  }
  if (NSFoundationVersionNumber >= kRemovalFoundationVersion)
    for (id bulletin : each(publishedBulletins)) removeBulletin(controller, bulletin);
  msgSend<void>(publishedBulletins, "removeAllObjects");
}

// The add operation is chosen afresh for every bulletin; the iOS 7 one is
// preferred whenever the controller has it.
void handOver(id controller, id bulletin) {
  id observer = ivar<id>(controller, "_observer");
  if (respondsToSelector(controller, sel("observer:addBulletin:forFeed:"))) {
    msgSend<void, id, id, NSUInteger>(controller, "observer:addBulletin:forFeed:", observer, bulletin, kFeed);
  } else if (respondsToSelector(controller, sel("observer:addBulletin:forFeed:playLightsAndSirens:withReply:"))) {
    msgSend<void, id, id, NSUInteger, BOOL, NoArgumentBlock>(
        controller, "observer:addBulletin:forFeed:playLightsAndSirens:withReply:", observer, bulletin, kFeed, NO,
        NoArgumentBlock{});
  } else {
    NSLog(QST_STR("%@ list controller not responding to known selectors!"), logPrefix());
  }
}

void publishReminders(id controller) {
  StrongId reminders = queryReminders();
  NSUInteger n = count(reminders);
  NSLog(QST_STR("%@ got %lu reminders"), logPrefix(), n);
  cvnItemsCount = static_cast<NSInteger>(n);

  NSUInteger visited = positionsToVisit(n);
  for (NSUInteger i = 0; i < visited; ++i) {
    // One pool per reminder, for everything its filter, composition and
    // hand-over make: it all goes before the next reminder.
    AutoreleasePool pool;
    id reminder = objectAtIndex(reminders, i);
    if (!reminderPassesDateFilter(reminder)) continue;
    id bulletin = objc_autorelease(composeBulletin(reminder, i));
    msgSend<void, id>(publishedBulletins, "addObject:", bulletin);
    handOver(controller, bulletin);
  }
}

}  // namespace

Saved<void(id, SEL)> savedLoadView;

void loadView(id self, SEL cmd) {
  sBLockScreenNotificationListController.store(self);
  loadSortPriority();
  loadSettings();
  withdrawPreviousPublication(self);
  if (isEnabled) publishReminders(self);
  savedLoadView(self, cmd);
}

}  // namespace qst
