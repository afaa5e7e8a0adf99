// SBLockScreenBulletinCell: the cell of one lock-screen notification row.
#pragma once

#include "uikit/UITableViewCell.h"

namespace sb {

struct SBLockScreenBulletinCellObj : UITableViewCellObj {
  // Each label is retained and is also a subview of the cell.
  id primaryLabel = nullptr;     // title
  id secondaryLabel = nullptr;   // message
  id subtitleLabel = nullptr;
  id relevanceDateLabel = nullptr;
  id _unlockTextLabel = nullptr;  // "slide to view"
  id icon = nullptr;              // UIImage from the list item, retained; nil for none
  CGFloat contentAlpha = 1;
  // iOS 7 switches with drawsSeparators; iOS 8 and 9 with the two others.
  BOOL drawsSeparators = YES;
  BOOL separatorHidden = NO;
  BOOL drawsSeparatorAtTopOfSection = YES;
  ~SBLockScreenBulletinCellObj() override;
};

// Fills the cell's texts and icon from a list item, as the list view does
// before the table lays the cell out.
void configureBulletinCell(id cell, id listItem);

}  // namespace sb
