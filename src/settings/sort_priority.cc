#include "settings/sort_priority.h"

#include "host/foundation.h"
#include "host/log.h"

extern "C" {
NSInteger sortPriority = 0;
}

namespace qst {

void loadSortPriority() {
  AutoreleasePool pool;
  id sources = objc_autorelease(msgSend<id>(
      msgSend<id>(classNamed("NSArray"), "alloc"),
      "initWithContentsOfFile:", QST_STR("/var/mobile/Library/Preferences/org.velmorra.corvane.sorting.plist")));
  NSUInteger system = sources ? msgSend<NSUInteger>(sources, "indexOfObject:", QST_STR("System Items")) : NSNotFound;
  if (system == NSNotFound) {
    NSLog(QST_STR("%@ system sort priority not found, no custom sorting of items will be done!"), logPrefix());
    sortPriority = kNoCustomSorting;
    return;
  }
  NSUInteger own = msgSend<NSUInteger>(sources, "indexOfObject:", QST_STR("QuillstoneBriarwhistle"));
  if (own == NSNotFound) {
    sortPriority = kNoCustomSorting;
    return;
  }
  auto q = static_cast<NSInteger>(own);
  sortPriority = own < system ? 10 - q : -10 - q;
}

}  // namespace qst
