#include "trace/shown_sends.h"

#include "coregraphics/CGGeometry.h"
#include "runtime/message.h"

namespace sb::trace {
namespace {

// The list view's height cache is a plain mutable dictionary; each new one
// is given a subclass that records the library's writes into it, as
// key-value observing gives an observed object a subclass of its own.
Class gTracedHeightCache = nil;
IMP gListViewInitWithFrame;

id listViewInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = imp_call<id, CGRect>(gListViewInitWithFrame, self, cmd, frame);
  Ivar cacheIvar = self ? class_getInstanceVariable(object_getClass(self), "_heightForListItemCache") : nullptr;
  if (!cacheIvar) return self;
  id cache = *reinterpret_cast<id*>(reinterpret_cast<char*>(self) + ivar_getOffset(cacheIvar));
  if (cache && class_isSubclassOf(object_getClass(cache), class_getSuperclass(gTracedHeightCache)))
    cache->isa = gTracedHeightCache;
  return self;
}

void interposeHeightCache() {
  Class listView = objc_getClass("SBLockScreenNotificationListView");
  Class dictionary = objc_getClass("NSMutableDictionary");
  SEL init = sel_registerName("initWithFrame:");
  if (!listView || !dictionary || !class_getOwnMethodImplementation(listView, init)) return;
  gTracedHeightCache = objc_allocateClassPair(dictionary, "SBTracedHeightCache");
  objc_registerClassPair(gTracedHeightCache);
  interposeReceived("SBTracedHeightCache", "setObject:forKey:", "NSMutableDictionary",
                    "SBLockScreenNotificationListView._heightForListItemCache");
  gListViewInitWithFrame = class_replaceMethod(listView, init, listViewInitWithFrame, nullptr);
}

// SpringBoard's commands that change what the lock screen shows: a "send"
// event when the library gives one. Its questions (getters, lookups) are
// left out, so a trace reads as the steps of the conversation.
struct ShownSend {
  const char* className;
  const char* selector;
};
constexpr ShownSend kShownSends[] = {
    {"SBLockScreenNotificationListController", "observer:addBulletin:forFeed:"},
    {"SBLockScreenNotificationListController", "observer:addBulletin:forFeed:playLightsAndSirens:withReply:"},
    {"SBLockScreenNotificationListController", "observer:removeBulletin:"},
    {"SBLockScreenView", "_removeLockContentUnderlayWithRequester:"},
    {"SBLockScreenBulletinCell", "setDrawsSeparators:"},
    {"SBLockScreenBulletinCell", "_setSeparatorHidden:"},
    {"SBLockScreenBulletinCell", "_setDrawsSeparatorAtTopOfSection:"},
    {"SBLockScreenPluginOverlayContext", "performSelector:withObject:afterDelay:"},
};

}  // namespace

void interposeSpringBoard() {
  for (const ShownSend& send : kShownSends) interposeReceived(send.className, send.selector);
  interposeHeightCache();
}

}  // namespace sb::trace
