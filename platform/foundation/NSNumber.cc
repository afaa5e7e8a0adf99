// NSNumber: a boxed boolean, integer or real and its conversions.
#include "foundation/NSNumber.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

using Kind = NSNumberObj::Kind;
Class gNumber = nil;

NSNumberObj* num(id self) { return static_cast<NSNumberObj*>(self); }

id make(Kind kind, long long s, unsigned long long u, double d) {
  auto* n = static_cast<NSNumberObj*>(msgSend<id>(gNumber, allocSelector()));
  n->kind = kind;
  n->s = s;
  n->u = u;
  n->d = d;
  return objc_autorelease(n);
}

bool isReal(const NSNumberObj* n) { return n->kind == Kind::Float || n->kind == Kind::Double; }

// A real truncated toward zero; values outside 64 bits saturate rather than
// being undefined as a plain C++ conversion would be.
long long truncated(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775807.0) return LLONG_MAX;
  if (d <= -9223372036854775808.0) return LLONG_MIN;
  return static_cast<long long>(d);
}

long long asLongLong(const NSNumberObj* n) {
  switch (n->kind) {
    case Kind::Unsigned: return static_cast<long long>(n->u);
    case Kind::Float:
    case Kind::Double: return truncated(n->d);
    default: return n->s;
  }
}

double asDouble(const NSNumberObj* n) {
  switch (n->kind) {
    case Kind::Unsigned: return static_cast<double>(n->u);
    case Kind::Float:
    case Kind::Double: return n->d;
    default: return static_cast<double>(n->s);
  }
}

int intValue(id self, SEL) {
  return static_cast<int>(static_cast<unsigned long long>(asLongLong(num(self))) & 0xFFFFFFFFull);
}
NSInteger integerValue(id self, SEL) { return asLongLong(num(self)); }
long long longLongValue(id self, SEL) { return asLongLong(num(self)); }
NSUInteger unsignedIntegerValue(id self, SEL) {
  return num(self)->kind == Kind::Unsigned ? num(self)->u : static_cast<NSUInteger>(asLongLong(num(self)));
}
// Darwin's -boolValue is `int64Value != 0` (swift-corelibs-foundation's
// NSNumber.boolValue; CF converts a real to an integer by truncation), so a
// real between -1 and 1 is NO: 0.5 is NO, 1.5 is YES.
BOOL boolValue(id self, SEL) { return asLongLong(num(self)) != 0 || num(self)->u != 0; }
// Foundation's double, not a CGFloat: whole on a 32-bit device too.
RealDouble doubleValue(id self, SEL) { return asDouble(num(self)); }
float floatValue(id self, SEL) { return static_cast<float>(asDouble(num(self))); }

BOOL isEqual(id self, SEL, id other) {
  if (self == other) return YES;
  if (!standin::isNumber(other)) return NO;
  const NSNumberObj* a = num(self);
  const NSNumberObj* b = num(other);
  if (isReal(a) || isReal(b)) return asDouble(a) == asDouble(b);
  if (a->kind == Kind::Unsigned || b->kind == Kind::Unsigned)
    return static_cast<unsigned long long>(asLongLong(a)) == static_cast<unsigned long long>(asLongLong(b));
  return asLongLong(a) == asLongLong(b);
}

NSUInteger hash(id self, SEL) {
  const NSNumberObj* n = num(self);
  if (isReal(n) && n->d != std::floor(n->d)) return std::hash<double>{}(n->d);
  return static_cast<NSUInteger>(asLongLong(n));
}

// -description is -descriptionWithLocale:nil, which before iOS 11 printed a
// float with "%0.7g" and a double with "%0.16g" (Foundation's NSNumber;
// swift-corelibs-foundation's description(withLocale:) keeps those formats):
// 0.1 prints as "0.1", not the round-trip "0.10000000000000001".
id description(id self, SEL) {
  const NSNumberObj* n = num(self);
  char buffer[64];
  switch (n->kind) {
    case Kind::Unsigned: std::snprintf(buffer, sizeof buffer, "%llu", n->u); break;
    case Kind::Float: std::snprintf(buffer, sizeof buffer, "%0.7g", n->d); break;
    case Kind::Double: std::snprintf(buffer, sizeof buffer, "%0.16g", n->d); break;
    default: std::snprintf(buffer, sizeof buffer, "%lld", n->s); break;
  }
  return standin::stringWithUTF8(buffer);
}

id numberWithInt(id, SEL, int v) { return standin::numberWithLongLong(v); }
id numberWithInteger(id, SEL, NSInteger v) { return standin::numberWithLongLong(v); }
id numberWithLongLong(id, SEL, long long v) { return standin::numberWithLongLong(v); }
id numberWithUnsignedInteger(id, SEL, NSUInteger v) { return standin::numberWithUnsignedLongLong(v); }
id numberWithBool(id, SEL, BOOL v) { return standin::numberWithBool(v); }
id numberWithDouble(id, SEL, RealDouble v) { return standin::numberWithDouble(v); }
id numberWithFloat(id, SEL, float v) { return standin::numberWithFloat(v); }

}  // namespace

id standin::numberWithLongLong(long long v) { return make(Kind::Signed, v, 0, 0); }
id standin::numberWithUnsignedLongLong(unsigned long long v) { return make(Kind::Unsigned, 0, v, 0); }
id standin::numberWithDouble(double v) { return make(Kind::Double, 0, 0, v); }
id standin::numberWithFloat(float v) { return make(Kind::Float, 0, 0, static_cast<double>(v)); }
id standin::numberWithBool(bool v) { return make(Kind::Bool, v ? 1 : 0, 0, 0); }
bool standin::isNumber(id obj) { return obj && gNumber && class_isSubclassOf(obj->isa, gNumber); }

void registerNSNumber() {
  gNumber = objc_defineClass<NSNumberObj>(standin::nsObjectClass(), "NSNumber");
  Class c = gNumber;
  class_addClassMethod(c, sel("numberWithInt:"), numberWithInt);
  class_addClassMethod(c, sel("numberWithInteger:"), numberWithInteger);
  class_addClassMethod(c, sel("numberWithLongLong:"), numberWithLongLong);
  class_addClassMethod(c, sel("numberWithUnsignedInteger:"), numberWithUnsignedInteger);
  class_addClassMethod(c, sel("numberWithBool:"), numberWithBool);
  class_addClassMethod(c, sel("numberWithDouble:"), numberWithDouble);
  class_addClassMethod(c, sel("numberWithFloat:"), numberWithFloat);
  class_addMethod(c, sel("intValue"), intValue);
  class_addMethod(c, sel("integerValue"), integerValue);
  class_addMethod(c, sel("longLongValue"), longLongValue);
  class_addMethod(c, sel("unsignedIntegerValue"), unsignedIntegerValue);
  class_addMethod(c, sel("boolValue"), boolValue);
  class_addMethod(c, sel("doubleValue"), doubleValue);
  class_addMethod(c, sel("floatValue"), floatValue);
  class_addMethod(c, sel("isEqual:"), isEqual);
  class_addMethod(c, sel("hash"), hash);
  class_addMethod(c, sel("description"), description);
}
