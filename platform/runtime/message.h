// Typed message sending.
//
// msgSend<R>(receiver, selector, args...) finds the method along the
// receiver's class chain and calls it with the C++ signature
// R(id, SEL, args...). As on the device:
//  - messaging nil calls nothing and returns a zero value of R;
//  - an unknown selector raises "unrecognized selector sent to instance";
// and, where the device would silently corrupt its stack, a call through a
// signature other than the implementation's raises too, naming both.
#pragma once

#include <type_traits>

#include "runtime/objc.h"

namespace objc_detail {
[[noreturn]] void unrecognizedSelector(id receiver, SEL sel);
[[noreturn]] void signatureMismatch(id receiver, SEL sel, const std::type_info& expected, const std::type_info& called);
}  // namespace objc_detail

// Calls an implementation with an explicit signature, checking it.
template <class R, class... A>
R imp_call(const IMP& imp, id self, SEL cmd, A... args) {
  using Fn = R (*)(id, SEL, A...);
  const std::type_info* signature = imp.signature;
  const auto fn = reinterpret_cast<Fn>(imp.fn);  // read before the call, which may look up again
  if (signature != objc_signatureOf<Fn>() && (!signature || *signature != typeid(Fn)))
    objc_detail::signatureMismatch(self, cmd, signature ? *signature : typeid(void), typeid(Fn));
  return fn(self, cmd, args...);
}

template <class T>
class Strong;

namespace objc_detail {
template <class T>
struct IsStrong : std::false_type {};
template <class T>
struct IsStrong<Strong<T>> : std::true_type {};

// Object pointers of any concrete kind, strong references and nil travel as id.
template <class T>
using Arg = std::conditional_t<std::is_same_v<T, std::nullptr_t> || IsStrong<T>::value ||
                                   (std::is_pointer_v<T> &&
                                    std::is_base_of_v<objc_object, std::remove_cv_t<std::remove_pointer_t<T>>>),
                               id, T>;
}  // namespace objc_detail

// The argument types may be given explicitly (msgSend<void, BOOL>(cell, s, 1))
// or deduced from the arguments; either way they must match the method's.
template <class R, class... A>
R msgSend(id self, SEL cmd, A... args) {
  if (!self) {
    if constexpr (std::is_void_v<R>)
      return;
    else
      return R{};
  }
  const IMP& imp = objc_msgLookup(self->isa, cmd);
  if (!imp) objc_detail::unrecognizedSelector(self, cmd);
  return imp_call<R, objc_detail::Arg<A>...>(imp, self, cmd, args...);
}

// Same, by selector name.
template <class R, class... A>
R msgSend(id self, const char* name, A... args) {
  return msgSend<R, A...>(self, sel_registerName(name), args...);
}

// True when the receiver's class chain has an implementation (nil: false).
inline bool respondsTo(id self, SEL cmd) { return self && class_respondsToSelector(self->isa, cmd); }

// [super cmd]: the method found from the superclass of `cls` on, where cls is
// the class that holds the calling implementation.
template <class R, class... A>
R msgSendSuper(Class cls, id self, SEL cmd, A... args) {
  if (!self) {
    if constexpr (std::is_void_v<R>)
      return;
    else
      return R{};
  }
  const IMP& imp = objc_msgLookup(class_getSuperclass(cls), cmd);
  if (!imp) objc_detail::unrecognizedSelector(self, cmd);
  return imp_call<R, objc_detail::Arg<A>...>(imp, self, cmd, args...);
}
