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
//
// CGFloat and a real double are both "d" here, as a 64-bit device encodes
// them, but a 32-bit device passes CGFloat as a float and a real double as a
// double. C++ spells CGFloat `double` on this host, so a real double is
// declared with its own type, RealDouble, and which positions of a
// signature hold one is derived beside its encoding (objc_realDoublesOf).
//
// What the device's runtime reports for a method is what its compiler wrote
// for one slice; deviceEncoding makes that text from this one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

struct objc_object;
struct objc_class;
struct objc_selector;

// A double on every processor: a time interval (NSTimeInterval), the C
// library's floor. Converts to and from double both ways, so arithmetic
// reads as it would on a device. Trivially copyable, so both hosts' calling
// conventions pass it as the one double it holds (System V x86-64 classes a
// structure of one double as SSE, AAPCS64 as a homogeneous aggregate of one
// member) and libffi calls it as a double.
struct RealDouble {
  double value = 0;
  constexpr RealDouble() = default;
  constexpr RealDouble(double v) : value(v) {}
  constexpr operator double() const { return value; }
  constexpr RealDouble& operator+=(double d) {
    value += d;
    return *this;
  }
  constexpr RealDouble& operator-=(double d) {
    value -= d;
    return *this;
  }
  constexpr RealDouble& operator*=(double d) {
    value *= d;
    return *this;
  }
  constexpr RealDouble& operator/=(double d) {
    value /= d;
    return *this;
  }
};
static_assert(std::is_trivially_copyable_v<RealDouble> && sizeof(RealDouble) == sizeof(double));

// How a variadic method's arguments after the format (stringWithFormat:,
// NSLog) are encoded on this side: one marker the runtime and the emulator
// both read, where the device's runtime lists no argument at all.
inline constexpr std::string_view kFormatArgumentsEncoding = "{NSFormatArgs=}";

template <class T, class = void>
struct ObjCTypeEncoding {
  static std::string get() { return "?"; }
};

template <class T>
std::string objc_encode() {
  using U = std::remove_cv_t<T>;
  if constexpr (std::is_void_v<U>)
    return "v";
  else if constexpr (std::is_same_v<U, bool>)
    return "B";
  else if constexpr (std::is_same_v<U, char> || std::is_same_v<U, signed char>)
    return "c";
  else if constexpr (std::is_same_v<U, unsigned char>)
    return "C";
  else if constexpr (std::is_same_v<U, short>)
    return "s";
  else if constexpr (std::is_same_v<U, unsigned short>)
    return "S";
  else if constexpr (std::is_same_v<U, int>)
    return "i";
  else if constexpr (std::is_same_v<U, unsigned>)
    return "I";
  else if constexpr (std::is_same_v<U, long>)
    return "l";
  else if constexpr (std::is_same_v<U, unsigned long>)
    return "L";
  else if constexpr (std::is_same_v<U, long long>)
    return "q";
  else if constexpr (std::is_same_v<U, unsigned long long>)
    return "Q";
  else if constexpr (std::is_same_v<U, float>)
    return "f";
  else if constexpr (std::is_same_v<U, double> || std::is_same_v<U, RealDouble>)
    return "d";
  else if constexpr (std::is_same_v<U, const objc_selector*>)
    return ":";
  else if constexpr (std::is_same_v<U, objc_class*>)
    return "#";
  // Pointers are complete types even when what they point to is not, so
  // this asks nothing of an opaque structure (a semaphore, a context).
  else if constexpr (std::is_pointer_v<U> && std::is_convertible_v<U, const objc_object*>)
    return "@";
  else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*>)
    return "*";
  // A pointer to a number is "^" and the number's encoding, as @encode
  // writes it: a module run for another processor writes through it.
  else if constexpr (std::is_pointer_v<U> && std::is_arithmetic_v<std::remove_cv_t<std::remove_pointer_t<U>>>)
    return "^" + objc_encode<std::remove_cv_t<std::remove_pointer_t<U>>>();
  else if constexpr (std::is_pointer_v<U>)
    return "^v";
  else
    return ObjCTypeEncoding<U>::get();
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

// Which types of a signature are real doubles: bit i for the i-th type of
// its encoding (the result first). The positions the bridge to a 32-bit
// guest reads as doubles where a "d" would otherwise be a CGFloat.
template <class... T>
std::uint64_t objc_realDoublesOf() {
  static_assert(sizeof...(T) <= 64, "a signature of more than 63 arguments");
  std::uint64_t bits = 0, bit = 1;
  ((bits |= std::is_same_v<std::remove_cv_t<T>, RealDouble> ? bit : 0, bit <<= 1), ...);
  return bits;
}

// The slice of the device's binary a process runs. Its compiler encodes
// NSInteger, BOOL and CGFloat differently on each (see deviceEncoding).
enum class DeviceSlice { Arm64, Armv7 };
const char* deviceSliceName(DeviceSlice slice);  // "arm64", "armv7"

// The encoding the device's compiler writes for `slice` of a method or
// function whose encoding here is `types` (real doubles at `realDoubles`,
// see objc_realDoublesOf), as the device's runtime reports it:
//  - NSInteger and NSUInteger ("l", "L" here) are long on a 64-bit slice
//    and int on a 32-bit one (objc4's NSObjCRuntime.h: `#if __LP64__ ...
//    typedef long NSInteger; #else typedef int NSInteger;`), which clang
//    encodes "q"/"Q" and "i"/"I";
//  - BOOL is bool ("B") on a 64-bit iOS slice and signed char ("c") on a
//    32-bit one (objc4's objc.h: OBJC_BOOL_IS_BOOL is 0 for iOS when
//    !__LP64__, "BOOL is explicitly signed so @encode(BOOL) == "c"");
//  - CGFloat is double on a 64-bit slice and float on a 32-bit one (Apple's
//    CGFloat reference), a real double a double on both; the members of a
//    structure are CGFloats (CGPoint, CGSize, CGRect) or NSUIntegers
//    (NSRange), never real doubles;
//  - a block is "@?" alone: the device's readers of a method's encoding
//    (objc4's SkipFirstType in objc-typeencoding.mm) step over "@?" and no
//    further, and clang writes a block's signature only into a protocol's
//    extended encodings;
//  - a variadic method's encoding lists its fixed arguments only.
// The frame offsets clang writes after each type are left out, as the
// literals a module passes to class_addMethod leave them out; the runtime's
// readers skip them. Raises std::invalid_argument for an encoding that ends
// inside a type.
std::string deviceEncoding(std::string_view types, std::uint64_t realDoubles, DeviceSlice slice);

// `types` without the frame offsets and the qualifiers (const, in, out, ...)
// a compiler writes into a method's encoding: "r*16@0:8" is "*@:". Neither
// changes how a call passes its arguments, so a module's literal is compared
// with an encoding made here in this form.
std::string plainEncoding(std::string_view types);
