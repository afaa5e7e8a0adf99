#include "classes/SBLockScreenBulletinCell.h"

#include <algorithm>

#include "classes/cell_metrics.h"
#include "classes/classes.h"
#include "foundation/NSString.h"
#include "foundation/clock.h"
#include "foundation/NSDate.h"
#include "runtime/message.h"
#include "time_text.h"
#include "uikit/NSStringDrawing.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"

namespace sb {
namespace {

using namespace metrics;
Class gNotificationCell = nullptr, gLockScreenCell = nullptr;

SBLockScreenNotificationCellObj* asCell(id self) { return static_cast<SBLockScreenNotificationCellObj*>(self); }

id newLabel(id cell, CGFloat fontSize, id color) {
  id label = msgSend<id, CGRect>(msgSend<id>(objc_getClass("UILabel"), "alloc"), "initWithFrame:", CGRect{});
  msgSend<void, id>(label, "setFont:", standin::systemFontOfSize(fontSize));
  msgSend<void, id>(label, "setTextColor:", color);
  msgSend<void, id>(cell, "addSubview:", label);
  return label;
}

id initNotificationCell(id self, SEL cmd, NSInteger style, id reuseIdentifier) {
  self = msgSendSuper<id, NSInteger, id>(gNotificationCell, self, cmd, style, reuseIdentifier);
  if (!self) return nil;
  SBNotificationCellObj* cell = asCell(self);
  id white = standin::colorWithRGBA(1, 1, 1, 1), faint = standin::colorWithRGBA(1, 1, 1, 0.5);
  cell->primaryLabel = newLabel(self, kTitleFontSize, white);
  cell->secondaryLabel = newLabel(self, kMessageFontSize, white);
  cell->subtitleLabel = newLabel(self, kSubtitleFontSize, white);
  cell->relevanceDateLabel = newLabel(self, kDateFontSize, faint);
  return self;
}

id initLockScreenCell(id self, SEL cmd, NSInteger style, id reuseIdentifier) {
  self = msgSendSuper<id, NSInteger, id>(gLockScreenCell, self, cmd, style, reuseIdentifier);
  if (!self) return nil;
  SBLockScreenNotificationCellObj* cell = asCell(self);
  cell->_unlockTextLabel = newLabel(self, kUnlockFontSize, standin::colorWithRGBA(1, 1, 1, 0.5));
  msgSend<void, id>(cell->_unlockTextLabel, "setText:", standin::str(kUnlockText));
  return self;
}

id primaryLabel(id self, SEL) { return asCell(self)->primaryLabel; }
id secondaryLabel(id self, SEL) { return asCell(self)->secondaryLabel; }
id subtitleLabel(id self, SEL) { return asCell(self)->subtitleLabel; }
id relevanceDateLabel(id self, SEL) { return asCell(self)->relevanceDateLabel; }

CGRect contentBounds(id self, SEL) {
  CGRect bounds = msgSend<CGRect>(self, "bounds");
  return CGRect{{0, 0}, bounds.size};
}

void setContentAlpha(id self, SEL, CGFloat alpha) { asCell(self)->_currentContentAlpha = alpha; }

CGSize measure(id label) {
  return standin::sizeOfStringWithFont(msgSend<id>(label, "text"), msgSend<id>(label, "font"));
}

void place(id label, CGFloat x, CGFloat y, CGSize size) {
  msgSend<void, CGRect>(label, "setFrame:", CGRect{{x, y}, size});
}

// Title with the date after it on one line, the subtitle and the message
// below; the unlock text at the right edge of the title line.
void layoutSubviews(id self, SEL cmd) {
  msgSendSuper<void>(gLockScreenCell, self, cmd);
  SBLockScreenNotificationCellObj* cell = asCell(self);
  CGFloat width = msgSend<CGRect>(self, "contentBounds").size.width;
  CGFloat room = width - kTextInset - kGap;
  CGSize title = measure(cell->primaryLabel), date = measure(cell->relevanceDateLabel);
  CGSize subtitle = measure(cell->subtitleLabel), message = measure(cell->secondaryLabel);
  CGSize unlock = measure(cell->_unlockTextLabel);
  title.width = std::min(title.width, std::max<CGFloat>(0, room - date.width - kGap - unlock.width - kGap));
  place(cell->primaryLabel, kTextInset, kRowMargin, title);
  place(cell->relevanceDateLabel, kTextInset + title.width + kGap, kRowMargin + title.height - date.height, date);
  place(cell->_unlockTextLabel, width - kGap - unlock.width, kRowMargin + title.height - unlock.height, unlock);
  CGFloat y = kRowMargin + title.height;
  if (standin::utf8Of(msgSend<id>(cell->subtitleLabel, "text")).empty()) subtitle.height = 0;
  subtitle.width = std::min(subtitle.width, room);
  place(cell->subtitleLabel, kTextInset, y, subtitle);
  message.width = std::min(message.width, room);
  place(cell->secondaryLabel, kTextInset, y + subtitle.height, message);
}

void setDrawsSeparators(id self, SEL, BOOL draws) { asCell(self)->_drawsSeparators = draws; }

}  // namespace

SBNotificationCellObj::~SBNotificationCellObj() {
  for (id label : {primaryLabel, secondaryLabel, subtitleLabel, relevanceDateLabel, icon}) objc_release(label);
}

SBLockScreenNotificationCellObj::~SBLockScreenNotificationCellObj() { objc_release(_unlockTextLabel); }

void configureBulletinCell(id cell, id listItem) {
  SBNotificationCellObj* c = asCell(cell);
  id bulletin = msgSend<id>(listItem, "activeBulletin");
  msgSend<void, id>(c->primaryLabel, "setText:", msgSend<id>(bulletin, "title"));
  msgSend<void, id>(c->secondaryLabel, "setText:", msgSend<id>(bulletin, "message"));
  msgSend<void, id>(c->subtitleLabel, "setText:", msgSend<id>(bulletin, "subtitle"));
  id date = msgSend<id>(bulletin, "date");
  std::string dateText;
  if (date)
    dateText = rowDateText(standin::timeIntervalSinceReferenceDate(date), msgSend<BOOL>(bulletin, "dateIsAllDay"),
                           standin::clockNow(), standin::currentZoneName());
  msgSend<void, id>(c->relevanceDateLabel, "setText:", standin::stringWithUTF8(dateText));
  id icon = msgSend<id>(listItem, "iconImage");
  objc_retain(icon);
  objc_release(c->icon);
  c->icon = icon;
}

void registerBulletinCell(const ClassRegistration& table) {
  gNotificationCell = table.define<SBNotificationCellObj>("SBNotificationCell");
  table.method(gNotificationCell, "initWithStyle:reuseIdentifier:", initNotificationCell);
  table.method(gNotificationCell, "primaryLabel", primaryLabel);
  table.method(gNotificationCell, "secondaryLabel", secondaryLabel);
  table.method(gNotificationCell, "subtitleLabel", subtitleLabel);
  table.method(gNotificationCell, "relevanceDateLabel", relevanceDateLabel);
  table.method(gNotificationCell, "contentBounds", contentBounds);

  using T = SBLockScreenNotificationCellObj;
  gLockScreenCell = table.define<T>("SBLockScreenNotificationCell");
  SB_TABLE_IVAR(table, gLockScreenCell, T, _drawsSeparators);
  SB_TABLE_IVAR(table, gLockScreenCell, T, _currentContentAlpha);
  SB_TABLE_IVAR(table, gLockScreenCell, T, _unlockTextLabel);
  table.method(gLockScreenCell, "initWithStyle:reuseIdentifier:", initLockScreenCell);
  table.method(gLockScreenCell, "setContentAlpha:", setContentAlpha);
  table.method(gLockScreenCell, "layoutSubviews", layoutSubviews);
  table.method(gLockScreenCell, "setDrawsSeparators:", setDrawsSeparators);

  table.define<SBLockScreenBulletinCellObj>("SBLockScreenBulletinCell");
}

}  // namespace sb
