// The simulator's object runtime and CydiaSubstrate: the platform's
// stand-ins, which have the device's calls and check every implementation's
// signature when it is called.
#pragma once

#include <functional>

#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "runtime/strong.h"
#include "substrate/substrate.h"

// A block argument for which the library passes none (the reply of the
// observer's add operation): the platform's blocks are std::function values.
using NoArgumentBlock = std::function<void()>;

// A class by name, looked up at each use as on the device.
inline Class classNamed(const char* name) { return objc_getClass(name); }

// Calls a saved implementation through the signature of the replacement
// that holds it.
template <class R, class... A>
R callImplementation(IMP imp, id self, SEL cmd, A... args) {
  return imp_call<R, A...>(imp, self, cmd, args...);
}

template <class R, class... A>
IMP implementationOf(R (*fn)(id, SEL, A...)) {
  return IMP(fn);
}
