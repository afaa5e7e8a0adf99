// UILabel (class "UILabel", a UIView): one line of text with a font and a
// colour. -text / -setText: (copied), -font / -setFont: (the system font of
// 17 points by default), -textColor / -setTextColor: (black by default).
#pragma once

#include "uikit/UIView.h"

struct UILabelObj : UIViewObj {
  id text = nullptr;       // retained
  id font = nullptr;       // retained
  id textColor = nullptr;  // retained
  ~UILabelObj() override;
};

void registerUILabel();  // after UIView, UIFont and UIColor
