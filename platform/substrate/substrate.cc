#include "substrate/substrate.h"

void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* result) {
  IMP previous = nil;
  if (cls && selector) {
    const char* types = class_getMethodTypeEncoding(cls, selector);
    if (class_getOwnMethodImplementation(cls, selector)) {
      previous = class_replaceMethod(cls, selector, replacement, types);
    } else if (IMP inherited = class_lookupMethod(cls, selector)) {
      class_addMethod(cls, selector, replacement, types);
      previous = inherited;
    }
  }
  if (result) *result = previous;
}
