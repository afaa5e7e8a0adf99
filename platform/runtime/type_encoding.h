// The Objective-C type encoding of a C++ type, as the device's compiler
// writes it for @encode, so that an implementation can say what it takes and
// returns. A module run for another processor reads it to move arguments
// across; it cannot lie, as it is made from the function's own C++ type.
//
// Departures from @encode, each because the C++ type says more than the
// device's encoding would: `long` is "l" and `unsigned long` "L" (the
// machine word, whatever its width), a block is "@?" followed by its
// signature in angle brackets, and a type without an encoding is "?".
// Other frameworks declare their structures with ObjCTypeEncoding.
#pragma once

#include <functional>
#include <string>
#include <type_traits>

struct objc_object;
struct objc_class;
struct objc_selector;

template <class T, class = void>
struct ObjCTypeEncoding {
  static std::string get() { return "?"; }
};

template <class T>
std::string objc_encode() {
  using U = std::remove_cv_t<T>;
  if constexpr (std::is_void_v<U>) return "v";
  else if constexpr (std::is_same_v<U, bool>) return "B";
  else if constexpr (std::is_same_v<U, char> || std::is_same_v<U, signed char>) return "c";
  else if constexpr (std::is_same_v<U, unsigned char>) return "C";
  else if constexpr (std::is_same_v<U, short>) return "s";
  else if constexpr (std::is_same_v<U, unsigned short>) return "S";
  else if constexpr (std::is_same_v<U, int>) return "i";
  else if constexpr (std::is_same_v<U, unsigned>) return "I";
  else if constexpr (std::is_same_v<U, long>) return "l";
  else if constexpr (std::is_same_v<U, unsigned long>) return "L";
  else if constexpr (std::is_same_v<U, long long>) return "q";
  else if constexpr (std::is_same_v<U, unsigned long long>) return "Q";
  else if constexpr (std::is_same_v<U, float>) return "f";
  else if constexpr (std::is_same_v<U, double>) return "d";
  else if constexpr (std::is_same_v<U, const objc_selector*>) return ":";
  else if constexpr (std::is_same_v<U, objc_class*>) return "#";
  // Pointers are complete types even when what they point to is not, so
  // this asks nothing of an opaque structure (a semaphore, a context).
  else if constexpr (std::is_pointer_v<U> && std::is_convertible_v<U, const objc_object*>) return "@";
  else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*>) return "*";
  // A pointer to a number is "^" and the number's encoding, as @encode
  // writes it: a module run for another processor writes through it.
  else if constexpr (std::is_pointer_v<U> && std::is_arithmetic_v<std::remove_cv_t<std::remove_pointer_t<U>>>)
    return "^" + objc_encode<std::remove_cv_t<std::remove_pointer_t<U>>>();
  else if constexpr (std::is_pointer_v<U>) return "^v";
  else return ObjCTypeEncoding<U>::get();
}

template <class R, class... A>
struct ObjCTypeEncoding<std::function<R(A...)>> {
  static std::string get() { return "@?<" + objc_encode<R>() + "@?" + (std::string() + ... + objc_encode<A>()) + ">"; }
};

// The encoding of a method's implementation R(id, SEL, A...): "v@:@".
template <class R, class... A>
const char* objc_encodeMethod() {
  static const std::string types = objc_encode<R>() + "@:" + (std::string() + ... + objc_encode<A>());
  return types.c_str();
}

// The encoding of a C function R(A...): the result, then each argument.
template <class R, class... A>
const char* objc_encodeFunction() {
  static const std::string types = objc_encode<R>() + (std::string() + ... + objc_encode<A>());
  return types.c_str();
}
