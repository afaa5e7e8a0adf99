// The device's Foundation and libdispatch, declared from their public C
// interface: strings, the system log, the system version and semaphores.
#pragma once

#include "backend/runtime.h"

// A string literal as a constant string of the device's Foundation, laid out
// by the compiler as @"..." would be; only a literal is accepted.
#define QST_STR(literal) ((id)__builtin___CFStringMakeConstantString("" literal ""))

struct NSRange {
  NSUInteger location;
  NSUInteger length;
};

inline constexpr NSUInteger NSNotFound = static_cast<NSUInteger>(__LONG_MAX__);
inline constexpr NSInteger NSDateComponentUndefined = __LONG_MAX__;
using NSTimeInterval = double;  // a double on both processors, unlike CGFloat
using RealDouble = double;      // Foundation's double (doubleValue), unlike CGFloat
enum NSComparisonResult : NSInteger { NSOrderedAscending = -1, NSOrderedSame = 0, NSOrderedDescending = 1 };

namespace ios_c {
extern "C" {
void NSLog(id format, ...);
id NSStringFromClass(Class cls);
extern double NSFoundationVersionNumber;
}
}  // namespace ios_c

using ios_c::NSFoundationVersionNumber;
using ios_c::NSStringFromClass;

namespace ios_abi {
// What a value becomes when passed to a variadic format: a strong reference
// passes its object.
template <class T>
T vararg(T value) {
  return value;
}
inline id vararg(const StrongId& value) { return value.get(); }
}  // namespace ios_abi

template <class... A>
void NSLog(id format, A... args) {
  ios_c::NSLog(format, ios_abi::vararg(args)...);
}

namespace qst {

// [NSString stringWithFormat:fmt, ...]: a variadic method, so the send is
// cast to the variadic signature.
template <class... A>
id format(id fmt, A... args) {
  using Fn = id (*)(id, SEL, id, ...);
  return reinterpret_cast<Fn>(objc_msgSend)(classNamed("NSString"), sel("stringWithFormat:"), fmt,
                                            ios_abi::vararg(args)...);
}

// A string made at run time from UTF-8 text; autoreleased, nil for nil.
inline id stringWithUTF8(const char* text) {
  return text ? msgSend<id, const char*>(classNamed("NSString"), "stringWithUTF8String:", text) : nil;
}

inline bool isString(id obj) { return msgSend<BOOL, id>(obj, "isKindOfClass:", classNamed("NSString")); }

inline const char* UTF8String(id string) { return msgSend<const char*>(string, "UTF8String"); }

}  // namespace qst

// ---- libdispatch ------------------------------------------------------------------
struct dispatch_semaphore_s;
using dispatch_semaphore_t = dispatch_semaphore_s*;
using dispatch_time_t = unsigned long long;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;

extern "C" {
dispatch_semaphore_t dispatch_semaphore_create(long value);
long dispatch_semaphore_wait(dispatch_semaphore_t sema, dispatch_time_t timeout);
long dispatch_semaphore_signal(dispatch_semaphore_t sema);
// dispatch_release takes any dispatch object; a semaphore is the only one
// the library makes.
void dispatch_release(dispatch_semaphore_t object);
}
