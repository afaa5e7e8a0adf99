#include "presentation/heights.h"

#include "host/springboard.h"
#include "list/recognition.h"
#include "list/underlay.h"
#include "settings/settings.h"
#include "host/captured.h"

namespace qst {
namespace {

constexpr CGFloat kRowMargin = 13.0;

// The height of one line in the system font of the given size; the text is
// fixed so every own row gets the same height whatever its title.
CGFloat lineHeight(NSInteger pointSize) {
  id font = msgSend<id, CGFloat>(classNamed("UIFont"), "systemFontOfSize:", static_cast<CGFloat>(pointSize));
  return msgSend<CGSize, id>(QST_STR("AAAAAAAAAAA"), "sizeWithFont:", font).height;
}

CGFloat ownRowHeight(id item) {
  CGFloat title = lineHeight(textSize);
  CGFloat subtitle = lineHeight(subtitleTextSize);
  bool hasSubtitle = length(msgSend<id>(activeBulletin(item), "subtitle")) != 0;
  CGFloat base = (title + kRowMargin) + kRowMargin;
  if (!displayLocation) return base;
  CGFloat full = ((title + subtitle) + kRowMargin) + kRowMargin;
  return hasSubtitle || sameHeightRows ? full : base;
}

// SpringBoard's own cache of row heights, kept in step with what the table
// is told; it stores single-precision numbers.
void cacheHeight(id listView, id item, CGFloat height) {
  id cache = ivar<id>(listView, "_heightForListItemCache");
  id number = msgSend<id, float>(classNamed("NSNumber"), "numberWithFloat:", static_cast<float>(height));
  msgSend<void, id, id>(cache, "setObject:forKey:", number, item);
}

}  // namespace

Saved<CGFloat(id, SEL, id, id)> savedHeightForRow;

CGFloat heightForRowAtIndexPath(id self, SEL cmd, id tableView, id indexPath) {
  if (!isEnabled) return savedHeightForRow(self, cmd, tableView, indexPath);
  AutoreleasePool pool;
  id item = listItemAtIndexPath(sBLockScreenNotificationListController, indexPath);
  if (isOwnListItem(item)) {
    CGFloat height = ownRowHeight(item);
    cacheHeight(self, item, height);
    return height;
  }
  if (wallpaperBlurMode == 1)
    msgSend<void, id>(sBLockScreenView, "_addLockContentUnderlayWithRequester:", ownUnderlayRequester());
  return savedHeightForRow(self, cmd, tableView, indexPath);
}

}  // namespace qst
