// UITableViewCell (class "UITableViewCell", a UIView): one row of a table.
//   -initWithStyle:reuseIdentifier: (NSInteger, id; the identifier is
//   copied), -initWithFrame: (style 0, no identifier), -reuseIdentifier,
//   -contentView (a subview filling the cell after layout), -layoutSubviews,
//   -prepareForReuse (sent by the table when the cell is dequeued),
//   -_setSeparatorHidden: and -_setDrawsSeparatorAtTopOfSection: (UIKit's
//   private separator switches, on every cell from iOS 7 on).
#pragma once

#include "uikit/UIView.h"

struct UITableViewCellObj : UIViewObj {
  NSInteger style = 0;
  id reuseIdentifier = nullptr;  // retained
  id contentView = nullptr;      // retained, also a subview
  BOOL separatorHidden = NO;
  BOOL drawsSeparatorAtTopOfSection = YES;
  ~UITableViewCellObj() override;
};

inline constexpr CGFloat kDefaultRowHeight = 44;

namespace standin {

Class uiTableViewCellClass();

}  // namespace standin

void registerUITableViewCell();  // after UIView
