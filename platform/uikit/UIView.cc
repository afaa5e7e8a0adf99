#include "uikit/UIView.h"

#include <algorithm>

#include "foundation/NSArray.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gUIView = nil;

UIViewObj* asView(id self) { return static_cast<UIViewObj*>(self); }
bool isView(id obj) { return obj && class_isSubclassOf(object_getClass(obj), gUIView); }

// Detaches `view` from its superview; the caller must hold its own
// reference if it still needs the view afterwards.
void detach(UIViewObj* view) {
  UIViewObj* parent = view->superview;
  if (!parent) return;
  auto& siblings = parent->subviews;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), static_cast<id>(view)), siblings.end());
  view->superview = nullptr;
  objc_release(view);
}

id initWithFrame(id self, SEL, CGRect frame) {
  asView(self)->frame = frame;
  return self;
}

id init(id self, SEL) { return msgSend<id, CGRect>(self, "initWithFrame:", CGRect{}); }

CGRect frame(id self, SEL) { return asView(self)->frame; }
void setFrame(id self, SEL, CGRect frame) { asView(self)->frame = frame; }
CGRect bounds(id self, SEL) { return CGRect{{0, 0}, asView(self)->frame.size}; }
id superview(id self, SEL) { return asView(self)->superview; }

void addSubview(id self, SEL, id view) {
  if (!isView(view)) return;
  for (UIViewObj* ancestor = asView(self); ancestor; ancestor = ancestor->superview)
    if (ancestor == view) return;  // would make a cycle
  objc_retain(view);
  detach(asView(view));  // a view already here moves to the front
  // A view gets its subviews a few at a time (a cell its labels): room for
  // several at the first spares the list a reallocation at each.
  std::vector<id>& subviews = asView(self)->subviews;
  if (subviews.capacity() == 0) subviews.reserve(8);
  subviews.push_back(view);
  asView(view)->superview = asView(self);
}

void removeFromSuperview(id self, SEL) { detach(asView(self)); }

id subviews(id self, SEL) { return standin::arrayWith(asView(self)->subviews); }

void layoutSubviews(id, SEL) {}
void setNeedsLayout(id self, SEL) { asView(self)->needsLayout = true; }
void layoutIfNeeded(id self, SEL) {
  if (!asView(self)->needsLayout) return;
  asView(self)->needsLayout = false;
  msgSend<void>(self, "layoutSubviews");
}

CGFloat alpha(id self, SEL) { return asView(self)->alpha; }
void setAlpha(id self, SEL, CGFloat alpha) { asView(self)->alpha = alpha; }
id backgroundColor(id self, SEL) { return asView(self)->backgroundColor; }
void setBackgroundColor(id self, SEL, id color) {
  objc_retain(color);
  objc_release(asView(self)->backgroundColor);
  asView(self)->backgroundColor = color;
}
BOOL isHidden(id self, SEL) { return asView(self)->hidden; }
void setHidden(id self, SEL, BOOL hidden) { asView(self)->hidden = hidden; }

}  // namespace

UIViewObj::~UIViewObj() {
  for (id view : subviews) {
    asView(view)->superview = nullptr;
    objc_release(view);
  }
  objc_release(backgroundColor);
}

Class standin::uiViewClass() { return gUIView; }

void registerUIView() {
  if (gUIView) return;
  Class cls = gUIView = objc_defineClass<UIViewObj>(standin::nsObjectClass(), "UIView");
  class_addMethod(cls, sel("initWithFrame:"), initWithFrame);
  class_addMethod(cls, sel("init"), init);
  class_addMethod(cls, sel("frame"), frame);
  class_addMethod(cls, sel("setFrame:"), setFrame);
  class_addMethod(cls, sel("bounds"), bounds);
  class_addMethod(cls, sel("superview"), superview);
  class_addMethod(cls, sel("addSubview:"), addSubview);
  class_addMethod(cls, sel("removeFromSuperview"), removeFromSuperview);
  class_addMethod(cls, sel("subviews"), subviews);
  class_addMethod(cls, sel("layoutSubviews"), layoutSubviews);
  class_addMethod(cls, sel("setNeedsLayout"), setNeedsLayout);
  class_addMethod(cls, sel("layoutIfNeeded"), layoutIfNeeded);
  class_addMethod(cls, sel("alpha"), alpha);
  class_addMethod(cls, sel("setAlpha:"), setAlpha);
  class_addMethod(cls, sel("backgroundColor"), backgroundColor);
  class_addMethod(cls, sel("setBackgroundColor:"), setBackgroundColor);
  class_addMethod(cls, sel("isHidden"), isHidden);
  class_addMethod(cls, sel("setHidden:"), setHidden);
}
