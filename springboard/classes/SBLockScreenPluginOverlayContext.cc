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

}  // namespace

SBLockScreenPluginOverlayContextObj::~SBLockScreenPluginOverlayContextObj() {
  for (id held : {pluginName, pluginController, lockScreenViewController}) objc_release(held);
}

std::string overlayUnderlayRequester(const std::string& pluginName) { return "OverlayContext" + pluginName; }

void registerPluginOverlayContext(const ClassRegistration& table) {
  table.define<objc_object>("SBLockOverlayContext");
  gOverlayContext = table.define<SBLockScreenPluginOverlayContextObj>("SBLockScreenPluginOverlayContext");
  table.method(gOverlayContext, "initWithPluginName:pluginController:lockScreenViewController:", initWithPluginName);
}

}  // namespace sb
