// NSString: UTF-8 storage; lengths and ranges count UTF-16 units, as on the
// device. Classes "NSString" and "NSMutableString" (no mutation methods yet).
#pragma once

#include <limits>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/objc.h"

struct NSStringObj : objc_object {
  std::string utf8;
};

struct NSRange {
  NSUInteger location = 0;
  NSUInteger length = 0;
};
// Foundation's NSObjCRuntime.h: `static const NSInteger NSNotFound =
// NSIntegerMax;` (the largest NSInteger, 0x7FFFFFFF on 32-bit ARM and
// 0x7FFFFFFFFFFFFFFF on 64-bit), not all ones. A module for the device
// compares against that value, and the emulator carries the host's
// NSIntegerMax to a 32-bit guest as its own.
inline constexpr NSUInteger NSNotFound = static_cast<NSUInteger>(__LONG_MAX__);
static_assert(NSNotFound == static_cast<NSUInteger>(std::numeric_limits<NSInteger>::max()));
// Two NSUIntegers, each the machine word (the device's compiler writes
// "{_NSRange=QQ}" on arm64 and "{_NSRange=II}" on 32-bit ARM).
template <>
struct ObjCTypeEncoding<NSRange> {
  static std::string get() { return "{_NSRange=LL}"; }
};

namespace standin {

// A constant string, like @"..." on the device: never deallocated, and the
// same object for the same text.
id str(const char* text);
// A new autoreleased string; nil when `utf8` is not valid UTF-8 (as
// stringWithUTF8String: answers).
id stringWithUTF8(std::string_view utf8);
// The text of a string; "" for nil. Raises for a non-string.
std::string utf8Of(id str);
bool isString(id obj);

}  // namespace standin

// The name of a class as a string (autoreleased); nil for nil.
id NSStringFromClass(Class cls);

// Arguments of stringWithFormat: and NSLog. A format never reads an argument
// as a format: "%@" of a string holding "%n" prints it as it stands.
namespace standin {
using FormatArg = std::variant<id, long long, unsigned long long, double, const char*>;
using FormatArgs = std::vector<FormatArg>;
}  // namespace standin
// A method taking standin::FormatArgs is variadic on the device (stringWithFormat:):
// its arguments follow the format, read by its conversions.
template <>
struct ObjCTypeEncoding<standin::FormatArgs> {
  static std::string get() { return std::string(kFormatArgumentsEncoding); }
};

namespace standin {

std::string formatToUTF8(std::string_view format, const standin::FormatArgs& args);
// [NSString stringWithFormat:fmt, ...]; autoreleased.
id stringWithFormat(id format, const standin::FormatArgs& args);

template <class T>
standin::FormatArg formatArgOf(T value) {
  if constexpr (std::is_same_v<T, std::nullptr_t>)
    return id{nullptr};
  else if constexpr (std::is_pointer_v<T> && std::is_base_of_v<objc_object, std::remove_cv_t<std::remove_pointer_t<T>>>)
    return static_cast<id>(value);
  else if constexpr (std::is_same_v<T, const char*> || std::is_same_v<T, char*>)
    return static_cast<const char*>(value);
  else if constexpr (std::is_floating_point_v<T>)
    return static_cast<double>(value);
  else if constexpr (std::is_same_v<T, bool>)
    return static_cast<long long>(value);
  else if constexpr (std::is_unsigned_v<T>)
    return static_cast<unsigned long long>(value);
  else
    return static_cast<long long>(value);
}

}  // namespace standin

void registerNSString();
