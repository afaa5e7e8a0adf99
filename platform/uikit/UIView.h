// UIView (class "UIView"): a rectangle in its superview's space, holding its
// subviews (retained, in order; the superview is not retained).
//   -initWithFrame: (CGRect), -init (a zero frame, through initWithFrame:),
//   -frame / -setFrame:, -bounds, -superview, -addSubview: (moves the view
//   from any earlier superview; nil, the view itself and its ancestors are
//   refused), -removeFromSuperview, -subviews (an array at this moment),
//   -layoutSubviews (does nothing here; subclasses lay out), -setNeedsLayout
//   and -layoutIfNeeded (which sends layoutSubviews once when needed),
//   -alpha / -setAlpha:, -backgroundColor / -setBackgroundColor:,
//   -isHidden / -setHidden:.
#pragma once

#include <vector>

#include "coregraphics/CGGeometry.h"
#include "runtime/objc.h"

struct UIViewObj : objc_object {
  CGRect frame;
  UIViewObj* superview = nullptr;  // not retained: the superview owns us
  std::vector<id> subviews;        // retained
  CGFloat alpha = 1;
  id backgroundColor = nullptr;  // retained
  BOOL hidden = NO;
  bool needsLayout = false;
  ~UIViewObj() override;
};

namespace standin {

Class uiViewClass();

}  // namespace standin

void registerUIView();
