#include "uikit/UIApplication.h"

#include "foundation/NSArray.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "uikit/UIView.h"

namespace {

// Made on first request and kept for the life of the process.
id gMainScreen = nil;
id gKeyWindow = nil;
id gSharedApplication = nil;

id mainScreen(id, SEL) {
  if (!gMainScreen) gMainScreen = objc_new("UIScreen");
  return gMainScreen;
}
CGFloat scale(id, SEL) { return kMainScreenScale; }
CGRect bounds(id, SEL) { return kMainScreenBounds; }

id screen(id, SEL) { return mainScreen(nil, nullptr); }

id sharedApplication(id, SEL) {
  if (!gSharedApplication) gSharedApplication = objc_new("UIApplication");
  return gSharedApplication;
}
id windows(id, SEL) {
  if (!gKeyWindow)
    gKeyWindow =
        msgSend<id, CGRect>(msgSend<id>(objc_getClass("UIWindow"), "alloc"), "initWithFrame:", kMainScreenBounds);
  return standin::arrayWith({gKeyWindow});
}
id keyWindow(id self, SEL cmd) {
  windows(self, cmd);
  return gKeyWindow;
}

}  // namespace

void registerUIApplication() {
  if (objc_getClass("UIApplication")) return;
  Class screenClass = objc_defineClass<objc_object>(standin::nsObjectClass(), "UIScreen");
  class_addClassMethod(screenClass, sel("mainScreen"), mainScreen);
  class_addMethod(screenClass, sel("scale"), scale);
  class_addMethod(screenClass, sel("bounds"), bounds);

  Class windowClass = objc_defineClass<UIViewObj>(standin::uiViewClass(), "UIWindow");
  class_addMethod(windowClass, sel("screen"), screen);

  Class appClass = objc_defineClass<objc_object>(standin::nsObjectClass(), "UIApplication");
  class_addClassMethod(appClass, sel("sharedApplication"), sharedApplication);
  class_addMethod(appClass, sel("windows"), windows);
  class_addMethod(appClass, sel("keyWindow"), keyWindow);
}
