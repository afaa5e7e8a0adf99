// The object runtime and CydiaSubstrate, as the library sees them. On a
// device these are <objc/runtime.h>, <objc/message.h> and <substrate.h>;
// here they are the platform's stand-ins with the same calls.
#pragma once

#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "runtime/strong.h"
#include "substrate/substrate.h"

namespace qst {

// The saved implementation of one replaced method, called with the receiver,
// selector and arguments its replacement received. The signature is fixed
// here, so a pass-through is one line and the compiler checks its arguments.
template <class Signature>
class Saved;

template <class R, class... A>
class Saved<R(id, SEL, A...)> {
 public:
  R operator()(id self, SEL cmd, A... args) const { return imp_call<R, A...>(imp_, self, cmd, args...); }
  IMP* slot() { return &imp_; }
  explicit operator bool() const { return static_cast<bool>(imp_); }

 private:
  IMP imp_;
};

// [obj respondsToSelector:s], sent as a message so a class's own answer
// counts; nil answers NO.
inline bool respondsToSelector(id obj, SEL s) { return msgSend<BOOL, SEL>(obj, "respondsToSelector:", s); }

// Reads the instance variable `name` of obj, found by name through its class
// as SpringBoard's ivars must be (their layout is not public). A nil object
// or an ivar the class lacks reads as zero.
template <class T>
T ivar(id obj, const char* name) {
  if (!obj) return T{};
  Ivar iv = class_getInstanceVariable(object_getClass(obj), name);
  if (!iv) return T{};
  return *reinterpret_cast<T*>(reinterpret_cast<char*>(obj) + ivar_getOffset(iv));
}

template <class T>
bool hasIvar(id obj, const char* name) {
  return obj && class_getInstanceVariable(object_getClass(obj), name) != nullptr;
}

}  // namespace qst
