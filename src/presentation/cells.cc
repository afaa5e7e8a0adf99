#include "presentation/cells.h"

#include "host/springboard.h"
#include "list/recognition.h"
#include "presentation/cell_layout.h"
#include "settings/settings.h"
#include "host/captured.h"

namespace qst {
namespace {

id indexPathOfCell(id cell) { return msgSend<id, id>(enclosingTableView(cell), "indexPathForCell:", cell); }

}  // namespace

id enclosingTableView(id view) {
  id tableViewClass = classNamed("UITableView");
  for (id v = msgSend<id>(view, "superview"); v; v = msgSend<id>(v, "superview"))
    if (msgSend<BOOL, id>(v, "isKindOfClass:", tableViewClass)) return v;
  return nil;
}

Saved<id(id, SEL, NSInteger, id)> savedInitWithStyle;
Saved<void(id, SEL, CGFloat)> savedSetContentAlpha;
Saved<void(id, SEL)> savedLayoutSubviews;

// Without a reuse identifier the table never hands a cell styled for one
// row to another row.
id initWithStyle(id self, SEL cmd, NSInteger style, id) { return savedInitWithStyle(self, cmd, style, nil); }

void setContentAlpha(id self, SEL cmd, CGFloat alpha) {
  if (!isEnabled) return savedSetContentAlpha(self, cmd, alpha);
  AutoreleasePool pool;
  id indexPath = indexPathOfCell(self);
  // Messaging nil answers 0: a cell without an index path counts as row 0.
  if (msgSend<NSInteger>(indexPath, "row") == 0 && msgSend<NSInteger>(indexPath, "section") == 0)
    return savedSetContentAlpha(self, cmd, 1.0);
  bool own = isOwnListItem(listItemAtIndexPath(sBLockScreenNotificationListController, indexPath));
  savedSetContentAlpha(self, cmd, own ? 1.0 : alpha);
}

void layoutSubviews(id self, SEL cmd) {
  savedLayoutSubviews(self, cmd);
  if (!isEnabled) return;
  AutoreleasePool pool;
  id item = listItemAtIndexPath(sBLockScreenNotificationListController, indexPathOfCell(self));
  if (isKind(item, "SBAwayBulletinListItem")) {
    if (!isOwnBulletinID(bulletinID(activeBulletin(item)))) return;  // another source's row: SpringBoard's look
  } else {
    item = nil;  // rows of other kinds are styled like own rows
  }
  styleCell(self, item);
}

}  // namespace qst
