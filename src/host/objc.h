// The object runtime and CydiaSubstrate, as the library sees them. The
// backend chosen at configure time supplies the calls (objc_getClass,
// class_addMethod, MSHookMessageEx, a typed msgSend, StrongId,
// AutoreleasePool): the device's runtime itself, or the simulator's
// stand-ins. What follows is built on those calls alone.
#pragma once

#include "backend/runtime.h"
#include "host/encoding.h"

namespace qst {

// The saved implementation of one replaced method, called with the receiver,
// selector and arguments its replacement received. The signature is fixed
// here, so a pass-through is one line and the compiler checks its arguments.
template <class Signature>
class Saved;

template <class R, class... A>
class Saved<R(id, SEL, A...)> {
 public:
  R operator()(id self, SEL cmd, A... args) const { return callImplementation<R, A...>(imp_, self, cmd, args...); }
  IMP* slot() { return &imp_; }
  explicit operator bool() const { return static_cast<bool>(imp_); }

 private:
  IMP imp_{};
};

// A method replacement as the runtime takes it, made from any function of a
// method's shape (receiver, selector, arguments).
struct Replacement {
  template <class R, class... A>
  Replacement(R (*fn)(id, SEL, A...)) : imp(implementationOf(fn)) {}
  IMP imp;
};

// A method added to a class (class_addMethod): its implementation and its
// type encoding, derived from the function's C++ signature.
struct AddedMethod {
  template <class R, class... A>
  AddedMethod(R (*fn)(id, SEL, A...)) : imp(implementationOf(fn)), types(encoding::of<R, id, SEL, A...>()) {}
  IMP imp;
  const char* types;
};

inline BOOL addMethod(Class cls, const char* selector, const AddedMethod& method) {
  return class_addMethod(cls, sel(selector), method.imp, method.types);
}

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
