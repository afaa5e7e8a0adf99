// UILabel (class "UILabel", a UIView): one line of text with a font and a
// colour. -text / -setText: (copied), -font / -setFont: (the system font of
// 17 points by default, and again after nil), -textColor / -setTextColor:
// (black by default, and again after nil).
#pragma once

#include "uikit/UIView.h"

struct UILabelObj : UIViewObj {
  id text = nullptr;       // retained
  id font = nullptr;       // retained; nil until set or first read
  id textColor = nullptr;  // retained; nil until set or first read
  ~UILabelObj() override;
};

void registerUILabel();  // after UIView, UIFont and UIColor
