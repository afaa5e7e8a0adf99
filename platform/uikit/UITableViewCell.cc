#include "uikit/UITableViewCell.h"

#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UIApplication.h"

namespace {

Class gCell = nil;

UITableViewCellObj* asCell(id self) { return static_cast<UITableViewCellObj*>(self); }

id initWithStyle(id self, SEL, NSInteger style, id reuseIdentifier) {
  const CGRect defaultFrame = CGRectMake(0, 0, kMainScreenBounds.size.width, kDefaultRowHeight);
  self = msgSendSuper<id, CGRect>(gCell, self, sel("initWithFrame:"), defaultFrame);
  if (!self) return nil;
  UITableViewCellObj* cell = asCell(self);
  cell->style = style;
  cell->reuseIdentifier =
      respondsTo(reuseIdentifier, sel("copy")) ? msgSend<id>(reuseIdentifier, "copy") : objc_retain(reuseIdentifier);
  cell->contentView = msgSend<id, CGRect>(msgSend<id>(standin::uiViewClass(), "alloc"),
                                          "initWithFrame:", CGRect{{0, 0}, defaultFrame.size});
  msgSend<void, id>(self, "addSubview:", cell->contentView);
  return self;
}

// Designated through initWithStyle:reuseIdentifier:, as on the device, so a
// subclass that overrides only that still sets every cell up.
id initWithFrame(id self, SEL, CGRect frame) {
  self = msgSend<id, NSInteger, id>(self, "initWithStyle:reuseIdentifier:", 0, nil);
  msgSend<void, CGRect>(self, "setFrame:", frame);
  return self;
}

id reuseIdentifier(id self, SEL) { return asCell(self)->reuseIdentifier; }
id contentView(id self, SEL) { return asCell(self)->contentView; }

void layoutSubviews(id self, SEL) {
  const CGRect bounds = msgSend<CGRect>(self, "bounds");
  msgSend<void, CGRect>(asCell(self)->contentView, "setFrame:", bounds);
}

void prepareForReuse(id, SEL) {}

// UIKit's private separator switches, which every UITableViewCell has from
// iOS 7 on (nst's iOS-Runtime-Headers, UIKit's UITableViewCell.h, 7.0 to 9.3).
void setSeparatorHidden(id self, SEL, BOOL hidden) { asCell(self)->separatorHidden = hidden; }
void setDrawsSeparatorAtTop(id self, SEL, BOOL draws) { asCell(self)->drawsSeparatorAtTopOfSection = draws; }

}  // namespace

UITableViewCellObj::~UITableViewCellObj() {
  objc_release(reuseIdentifier);
  objc_release(contentView);
}

Class standin::uiTableViewCellClass() { return gCell; }

void registerUITableViewCell() {
  if (gCell) return;
  Class cls = gCell = objc_defineClass<UITableViewCellObj>(standin::uiViewClass(), "UITableViewCell");
  class_addMethod(cls, sel("initWithStyle:reuseIdentifier:"), initWithStyle);
  class_addMethod(cls, sel("initWithFrame:"), initWithFrame);
  class_addMethod(cls, sel("reuseIdentifier"), reuseIdentifier);
  class_addMethod(cls, sel("contentView"), contentView);
  class_addMethod(cls, sel("layoutSubviews"), layoutSubviews);
  class_addMethod(cls, sel("prepareForReuse"), prepareForReuse);
  class_addMethod(cls, sel("_setSeparatorHidden:"), setSeparatorHidden);
  class_addMethod(cls, sel("_setDrawsSeparatorAtTopOfSection:"), setDrawsSeparatorAtTop);
}
