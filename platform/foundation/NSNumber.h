// NSNumber and its conversions: intValue is a 32-bit conversion of the
// stored value (wrapping), integerValue 64-bit, reals truncate toward zero;
// numberWithFloat: narrows to single precision; boolValue goes through the
// 64-bit integer; description prints reals as iOS 7-10 did. Class "NSNumber".
#pragma once

#include "runtime/objc.h"

struct NSNumberObj : objc_object {
  enum class Kind { Bool, Signed, Unsigned, Float, Double } kind = Kind::Signed;
  long long s = 0;
  unsigned long long u = 0;
  double d = 0;
};

namespace standin {

id numberWithLongLong(long long value);  // autoreleased, like all below
id numberWithUnsignedLongLong(unsigned long long value);
id numberWithDouble(double value);
id numberWithFloat(float value);
id numberWithBool(bool value);
bool isNumber(id obj);

}  // namespace standin

void registerNSNumber();
