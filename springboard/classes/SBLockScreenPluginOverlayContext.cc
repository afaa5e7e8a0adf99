#include "classes/SBLockScreenPluginOverlayContext.h"

#include "classes/classes.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace sb {
namespace {

Class gOverlayContext = nullptr;

id initWithPluginName(id self, SEL, id name, id pluginController, id lockScreenViewController) {
  self = msgSendSuper<id>(gOverlayContext, self, sel("init"));
  if (!self) return nil;
  auto* context = static_cast<SBLockScreenPluginOverlayContextObj*>(self);
  context->pluginName = objc_retain(name);
  context->pluginController = objc_retain(pluginController);
  context->lockScreenViewController = objc_retain(lockScreenViewController);
  return self;
}

id pluginName(id self, SEL) { return static_cast<SBLockScreenPluginOverlayContextObj*>(self)->pluginName; }

}  // namespace

SBLockScreenPluginOverlayContextObj::~SBLockScreenPluginOverlayContextObj() {
  for (id held : {pluginName, pluginController, lockScreenViewController}) objc_release(held);
}

std::string overlayUnderlayRequester(const std::string& pluginName) { return "OverlayContext" + pluginName; }

void registerPluginOverlayContext() {
  gOverlayContext = objc_defineClass<SBLockScreenPluginOverlayContextObj>(standin::nsObjectClass(),
                                                                          "SBLockScreenPluginOverlayContext");
  class_addMethod(gOverlayContext, sel("initWithPluginName:pluginController:lockScreenViewController:"),
                  initWithPluginName);
  class_addMethod(gOverlayContext, sel("pluginName"), pluginName);
}

}  // namespace sb
