#include "substrate/substrate.h"

#include <atomic>

namespace {
std::atomic<MSHookObserver> gObserver{nullptr};
}

void MSSetHookObserver(MSHookObserver observer) { gObserver.store(observer); }

void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* result) {
  IMP previous = nil;
  MSHookEvent event;
  event.cls = cls;
  event.selector = selector;
  event.replacement = replacement;
  if (cls && selector) {
    if (IMP own = class_getOwnMethodImplementation(cls, selector)) {
      event.found = MSHookEvent::Found::Own;
      event.previous = own;
    } else if (IMP inherited = class_lookupMethod(cls, selector)) {
      event.found = MSHookEvent::Found::Inherited;
      event.previous = inherited;
    }
    event.types = class_getMethodTypeEncoding(cls, selector);
  }
  IMP install = replacement, handedBack = nil;
  if (event.found != MSHookEvent::Found::Missing) handedBack = event.previous;
  if (MSHookObserver observer = gObserver.load(); observer && cls && selector) observer(event, &install, &handedBack);
  if (event.found != MSHookEvent::Found::Missing) {
    // Replaces the class's own method, or installs one on the class in front
    // of the inherited one; either way the class's table is the only one touched.
    class_replaceMethod(cls, selector, install, event.types);
    previous = handedBack;
  }
  if (result) *result = previous;
}
