// The cell of one lock-screen notification row, in SpringBoard's three
// classes: SBNotificationCell (a UITableViewCell) holds the labels and the
// content area, SBLockScreenNotificationCell the "slide to view" text, the
// content alpha and the lay-out, and SBLockScreenBulletinCell, the class the
// list makes, adds only class methods (class dumps of 7.0 to 9.3.3).
#pragma once

#include "uikit/UITableViewCell.h"

namespace sb {

struct SBNotificationCellObj : UITableViewCellObj {
  // Each label is retained and is also a subview of the cell.
  id primaryLabel = nullptr;    // title
  id secondaryLabel = nullptr;  // message
  id subtitleLabel = nullptr;
  id relevanceDateLabel = nullptr;
  id icon = nullptr;  // UIImage from the list item, retained; nil for none
  ~SBNotificationCellObj() override;
};

struct SBLockScreenNotificationCellObj : SBNotificationCellObj {
  id _unlockTextLabel = nullptr;  // "slide to view", retained and a subview
  CGFloat _currentContentAlpha = 1;
  // iOS 7 switches the cell's separators with drawsSeparators; iOS 8 and 9
  // with UITableViewCell's two private switches.
  BOOL _drawsSeparators = YES;
  ~SBLockScreenNotificationCellObj() override;
};

struct SBLockScreenBulletinCellObj : SBLockScreenNotificationCellObj {};

// Fills the cell's texts and icon from a list item, as the list view does
// before the table lays the cell out.
void configureBulletinCell(id cell, id listItem);

}  // namespace sb
