// MSHookMessageEx as Substrate's public source applies it
// (ObjectiveC.cpp, MSHookMessageInternal): the checks of its arguments, the
// search along the class chain (MSFindMethod), the test whether the class
// itself holds the method (class_copyMethodList) and the two ways of
// installing (method_setImplementation on the class's own method, or
// class_addMethod with the found method's types on the class).
#include "substrate/substrate.h"

#include <atomic>
#include <string>

#include "foundation/NSLog.h"

namespace {
std::atomic<MSHookObserver> gObserver{nullptr};
}

void MSSetHookObserver(MSHookObserver observer) { gObserver.store(observer); }

void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* result) {
  // Each refusal returns before *result is written (MSLog goes to syslog).
  if (!cls) return standin::systemLog("MS:Warning: nil class argument");
  if (!selector) return standin::systemLog("MS:Warning: nil sel argument");
  if (!replacement) return standin::systemLog("MS:Warning: nil imp argument");
  MSHookEvent event;
  event.cls = cls;
  event.selector = selector;
  event.replacement = replacement;
  if (IMP own = class_getOwnMethodImplementation(cls, selector)) {
    event.found = MSHookEvent::Found::Own;
    event.previous = own;
  } else if (IMP inherited = class_lookupMethod(cls, selector)) {
    event.found = MSHookEvent::Found::Inherited;
    event.previous = inherited;
  }
  if (event.found != MSHookEvent::Found::Missing) event.types = class_getMethodTypeEncoding(cls, selector);
  IMP install = replacement, handedBack = event.previous;
  if (MSHookObserver observer = gObserver.load()) observer(event, &install, &handedBack);
  if (event.found == MSHookEvent::Found::Missing) {
    standin::systemLog(std::string("MS:Warning: message not found [") + class_getName(cls) + " " +
                       sel_getName(selector) + "]");
    return;
  }
  // An inherited method: Substrate hands back a trampoline that calls the
  // superclass's implementation; here that implementation itself (see
  // docs/limits.md for when the two differ). The replacement goes onto the
  // class alone, so its siblings keep the superclass's method.
  if (result) *result = handedBack;
  class_replaceMethod(cls, selector, install, event.types);
}
