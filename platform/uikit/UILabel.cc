#include "uikit/UILabel.h"

#include "runtime/message.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"

namespace {

constexpr CGFloat kDefaultLabelFontSize = 17;

Class gUILabel = nil;

UILabelObj* asLabel(id self) { return static_cast<UILabelObj*>(self); }

void store(id& slot, id value) {
  objc_retain(value);
  objc_release(slot);
  slot = value;
}

id text(id self, SEL) { return asLabel(self)->text; }
void setText(id self, SEL, id text) {
  // Copied as the device copies: a mutable string changed later does not
  // change the label.
  id copy = respondsTo(text, sel("copy")) ? msgSend<id>(text, "copy") : objc_retain(text);
  objc_release(asLabel(self)->text);
  asLabel(self)->text = copy;
}
// Both are null_resettable (UIKit's UILabel.h): unset, or set to nil, they
// read as the system font of 17 points and black. The default is made when
// first read, as most labels are given their own at once.
id font(id self, SEL) {
  if (!asLabel(self)->font) store(asLabel(self)->font, standin::systemFontOfSize(kDefaultLabelFontSize));
  return asLabel(self)->font;
}
void setFont(id self, SEL, id font) { store(asLabel(self)->font, font); }
id textColor(id self, SEL) {
  if (!asLabel(self)->textColor) store(asLabel(self)->textColor, standin::colorWithRGBA(0, 0, 0, 1));
  return asLabel(self)->textColor;
}
void setTextColor(id self, SEL, id color) { store(asLabel(self)->textColor, color); }

}  // namespace

UILabelObj::~UILabelObj() {
  objc_release(text);
  objc_release(font);
  objc_release(textColor);
}

void registerUILabel() {
  if (gUILabel) return;
  Class cls = gUILabel = objc_defineClass<UILabelObj>(standin::uiViewClass(), "UILabel");
  class_addMethod(cls, sel("text"), text);
  class_addMethod(cls, sel("setText:"), setText);
  class_addMethod(cls, sel("font"), font);
  class_addMethod(cls, sel("setFont:"), setFont);
  class_addMethod(cls, sel("textColor"), textColor);
  class_addMethod(cls, sel("setTextColor:"), setTextColor);
}
