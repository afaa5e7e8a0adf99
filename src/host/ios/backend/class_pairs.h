// Class pairs and super sends on the device: the runtime's C interface.
#pragma once

#include "backend/runtime.h"

extern "C" {
Class objc_allocateClassPair(Class superclass, const char* name, __SIZE_TYPE__ extraBytes);
void objc_registerClassPair(Class cls);
Class class_getSuperclass(Class cls);
struct objc_super {
  id receiver;
  Class super_class;
};
// Cast to each call's signature, as objc_msgSend is.
void objc_msgSendSuper(void);
}

namespace qst::prefs {

inline Class allocateClassPair(Class superclass, const char* name) {
  return objc_allocateClassPair(superclass, name, 0);
}

// [super name args...] from a method of `cls`; only object and scalar
// results, which both processors return in registers.
template <class R, class... A>
R msgSendSuper(Class cls, id self, const char* name, A... args) {
  objc_super super{self, class_getSuperclass(cls)};
  using Fn = R (*)(objc_super*, SEL, typename ios_abi::Arg<A>::type...);
  return reinterpret_cast<Fn>(objc_msgSendSuper)(&super, sel(name), args...);
}

}  // namespace qst::prefs
