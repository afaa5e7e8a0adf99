#include "uikit/UIViewController.h"

#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UIApplication.h"

namespace {

Class gViewController = nullptr;

UIViewControllerObj* asController(id self) { return static_cast<UIViewControllerObj*>(self); }

id initWithNibName(id self, SEL, id, id) { return msgSendSuper<id>(gViewController, self, sel("init")); }

id init(id self, SEL) { return msgSend<id, id, id>(self, "initWithNibName:bundle:", nil, nil); }

void setView(id self, SEL, id view) {
  objc_retain(view);
  objc_release(asController(self)->view_);
  asController(self)->view_ = view;
}

BOOL isViewLoaded(id self, SEL) { return asController(self)->view_ != nullptr; }

id view(id self, SEL) {
  if (!asController(self)->view_) {
    msgSend<void>(self, "loadView");
    if (asController(self)->view_) msgSend<void>(self, "viewDidLoad");
  }
  return asController(self)->view_;
}

void loadView(id self, SEL) {
  id plain = msgSend<id, CGRect>(msgSend<id>(objc_getClass("UIView"), "alloc"), "initWithFrame:", kMainScreenBounds);
  setView(self, nullptr, plain);
  objc_release(plain);
}

void viewDidLoad(id, SEL) {}

}  // namespace

UIViewControllerObj::~UIViewControllerObj() { objc_release(view_); }

void registerUIViewController() {
  gViewController = objc_defineClass<UIViewControllerObj>(standin::nsObjectClass(), "UIViewController");
  class_addMethod(gViewController, sel("initWithNibName:bundle:"), initWithNibName);
  class_addMethod(gViewController, sel("init"), init);
  class_addMethod(gViewController, sel("view"), view);
  class_addMethod(gViewController, sel("setView:"), setView);
  class_addMethod(gViewController, sel("isViewLoaded"), isViewLoaded);
  class_addMethod(gViewController, sel("loadView"), loadView);
  class_addMethod(gViewController, sel("viewDidLoad"), viewDidLoad);
}
