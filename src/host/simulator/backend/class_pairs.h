// Class pairs and super sends in the simulator: the platform's runtime.
#pragma once

#include "backend/runtime.h"

namespace qst::prefs {

inline Class allocateClassPair(Class superclass, const char* name) { return objc_allocateClassPair(superclass, name); }

// [super name args...] from a method of `cls`.
template <class R, class... A>
R msgSendSuper(Class cls, id self, const char* name, A... args) {
  return ::msgSendSuper<R, A...>(cls, self, sel(name), args...);
}

}  // namespace qst::prefs
