// Device::snapshot: reads the lock screen's state as a user (or a test)
// would see it, without changing it.
#include <algorithm>

#include "Device.h"
#include "classes/SBLockScreenBulletinCell.h"
#include "classes/SBLockScreenNotificationListController.h"
#include "classes/SBLockScreenView.h"
#include "classes/classes.h"
#include "foundation/NSLog.h"
#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "time_text.h"
#include "trace/trace.h"
#include "uikit/UIColor.h"
#include "uikit/UIImage.h"
#include "uikit/UILabel.h"
#include "uikit/UITableView.h"

namespace sb {
namespace {

std::optional<std::string> dateText(id date) {
  if (!date) return std::nullopt;
  return formatISO8601UTC(standin::timeIntervalSinceReferenceDate(date));
}

LabelState labelState(id label) {
  LabelState state;
  if (!label) return state;
  state.text = standin::utf8Of(msgSend<id>(label, "text"));
  state.fontSize = msgSend<CGFloat>(msgSend<id>(label, "font"), "pointSize");
  CGFloat rgba[4] = {0, 0, 0, 0};
  standin::colorGetRGBA(msgSend<id>(label, "textColor"), rgba);
  std::copy(rgba, rgba + 4, state.color.begin());
  state.frame = msgSend<CGRect>(label, "frame");
  return state;
}

std::optional<IconState> iconState(id image) {
  if (!image) return std::nullopt;
  IconState icon;
  CGSize size = msgSend<CGSize>(image, "size");
  icon.width = size.width;
  icon.height = size.height;
  standin::ImagePixel centre =
      standin::readImagePixel(image, standin::imagePixelWidth(image) / 2, standin::imagePixelHeight(image) / 2);
  icon.centerPixel = {centre.r, centre.g, centre.b, centre.a};
  return icon;
}

void readCell(RowState& row, id cellObject) {
  auto* cell = static_cast<SBLockScreenBulletinCellObj*>(cellObject);
  row.alpha = cell->_currentContentAlpha;
  row.primary = labelState(cell->primaryLabel);
  row.secondary = labelState(cell->secondaryLabel);
  row.subtitleLabel = labelState(cell->subtitleLabel);
  row.relevanceDate = labelState(cell->relevanceDateLabel);
  row.unlockText = labelState(cell->_unlockTextLabel);
  row.icon = iconState(cell->icon);
  row.separatorShown = springBoardState().version.hasIOS7Separators() ? cell->_drawsSeparators : !cell->separatorHidden;
}

}  // namespace

Snapshot Device::snapshot(bool inViewOnly) {
  AutoreleasePool pool;
  trace::Unobserved onlooker;  // reading the screen is not part of what SpringBoard and the library say
  Snapshot snap;
  snap.screenLit = springBoardState().screenLit;
  snap.log = standin::capturedLogLines();
  if (auto* view = static_cast<SBLockScreenViewObj*>(lockScreenView_.get())) {
    snap.underlay.shown = underlayShown(view);
    snap.underlay.requesters = view->underlayRequesters;
  }
  if (!listController_) return snap;
  auto* table = static_cast<UITableViewObj*>(tableView());
  if (table) msgSend<void>(tableView(), "layoutIfNeeded");  // rows below a change move at layout
  // The table has cells only for the rows in view, as on the device: each
  // other row is read by scrolling it into view, which configures its cell as
  // the user's scrolling would, and the list is scrolled back afterwards. The
  // log lines a scroll writes are taken back: they are this reading's.
  const CGPoint offset = table ? msgSend<CGPoint>(tableView(), "contentOffset") : CGPoint{};
  bool scrolled = false;
  auto scrollTo = [&](CGPoint to) {
    AutoreleasePool page;  // what the cells scrolled past made goes with them
    const size_t logged = standin::capturedLogCount();
    msgSend<void, CGPoint>(tableView(), "setContentOffset:", to);
    standin::truncateLogCapture(logged);
    scrolled = true;
  };
  std::vector<id> items = standin::arrayItems(asListController(listController_.get())->_listItems);
  snap.rows.reserve(items.size());
  for (NSUInteger i = 0; i < items.size(); ++i) {
    id bulletin = msgSend<id>(items[i], "activeBulletin");
    RowState row;
    row.bulletinID = standin::utf8Of(msgSend<id>(bulletin, "bulletinID"));
    row.section = standin::utf8Of(msgSend<id>(bulletin, "section"));
    row.title = standin::utf8Of(msgSend<id>(bulletin, "title"));
    row.subtitle = standin::utf8Of(msgSend<id>(bulletin, "subtitle"));
    row.message = standin::utf8Of(msgSend<id>(bulletin, "message"));
    row.date = dateText(msgSend<id>(bulletin, "date"));
    row.publicationDate = dateText(msgSend<id>(bulletin, "publicationDate"));
    row.lastInterruptDate = dateText(msgSend<id>(bulletin, "lastInterruptDate"));
    row.dateIsAllDay = msgSend<BOOL>(bulletin, "dateIsAllDay");
    id action = msgSend<id>(bulletin, "defaultAction");
    row.defaultAction = action ? standin::utf8Of(msgSend<id>(action, "description")) : "none";
    if (springBoardState().version.asksRemovalQuestions()) {
      row.canBeCleared = msgSend<BOOL>(items[i], "canBeRemovedByNotificationCenterPresentation");
      row.canBeRemovedByUnlock = msgSend<BOOL>(items[i], "canBeRemovedByUnlock");
    } else {
      row.canBeCleared = msgSend<BOOL>(items[i], "canBeClearedByNotificationCenter");
    }
    row.canEdit = canEdit(static_cast<NSInteger>(i));
    // The table's last load: the height it was given and the cell it shows.
    if (table && i < table->rows.size()) {
      row.height = table->rows[i].rect.size.height;
      if (!table->rows[i].cell && !inViewOnly) scrollTo(CGPoint{0, table->rows[i].rect.origin.y});
      if (id cell = table->rows[i].cell;
          cell && msgSend<BOOL, Class>(cell, "isKindOfClass:", objc_getClass("SBLockScreenBulletinCell")))
        readCell(row, cell);
    }
    snap.rows.push_back(std::move(row));
  }
  if (scrolled) scrollTo(offset);
  return snap;
}

}  // namespace sb
