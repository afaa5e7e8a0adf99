// SpringBoard's lock-screen classes and BulletinBoard's records, as the
// library uses them.
#pragma once

#include "host/foundation.h"

namespace qst {

inline id activeBulletin(id listItem) { return msgSend<id>(listItem, "activeBulletin"); }
inline id bulletinID(id bulletin) { return msgSend<id>(bulletin, "bulletinID"); }
inline id listItems(id controller) { return ivar<id>(controller, "_listItems"); }

inline id listItemAtIndexPath(id controller, id indexPath) {
  return msgSend<id, id>(controller, "listItemAtIndexPath:", indexPath);
}

// The observer's message that a bulletin has gone: the controller takes its
// row out of the list.
inline void removeBulletin(id controller, id bulletin) {
  msgSend<void, id, id>(controller, "observer:removeBulletin:", ivar<id>(controller, "_observer"), bulletin);
}

// Kinds of SpringBoard object are told by the exact name of their class, so
// an instance of a subclass does not pass.
inline bool isKind(id obj, const char* className) {
  if (!obj) return false;
  const char* name = UTF8String(NSStringFromClass(object_getClass(obj)));
  return name && __builtin_strcmp(name, className) == 0;
}

}  // namespace qst
