// NSString: construction, comparison, splitting and numeric conversions.
#include "foundation/NSString.h"

#include <climits>
#include <cstring>
#include <map>
#include <mutex>

#include "foundation/NSArray.h"
#include "foundation/utf16.h"
#include "runtime/address_cache.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gString = nil;
Class gMutableString = nil;

NSStringObj* asString(id obj) {
  if (!standin::isString(obj))
    objc_raise("NSInvalidArgumentException",
               std::string("expected a string, got an instance of ") + class_getName(object_getClass(obj)));
  return static_cast<NSStringObj*>(obj);
}

const std::string& text(id self) { return static_cast<NSStringObj*>(self)->utf8; }

id makeString(std::string utf8) {
  auto* s = static_cast<NSStringObj*>(msgSend<id>(gString, allocSelector()));
  s->utf8 = std::move(utf8);
  return objc_autorelease(s);
}

// Skips the blanks NSString's numeric readers skip, then an optional sign.
size_t skipBlanksAndSign(const std::string& s, bool* negative) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\f' || s[i] == '\v'))
    ++i;
  *negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) *negative = s[i++] == '-';
  return i;
}

// The leading decimal number, saturating at the type's limits as NSString's
// readers do on overflow.
long long leadingInteger(const std::string& s, long long min, long long max) {
  bool negative;
  size_t i = skipBlanksAndSign(s, &negative);
  unsigned long long magnitude = 0;
  bool overflow = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (magnitude > (ULLONG_MAX - 9) / 10)
      overflow = true;
    else
      magnitude = magnitude * 10 + static_cast<unsigned>(s[i] - '0');
  }
  if (negative) {
    if (overflow || magnitude > static_cast<unsigned long long>(max) + 1) return min;
    return magnitude == static_cast<unsigned long long>(max) + 1 ? min : -static_cast<long long>(magnitude);
  }
  if (overflow || magnitude > static_cast<unsigned long long>(max)) return max;
  return static_cast<long long>(magnitude);
}

// ---- class methods ------------------------------------------------------------
id stringWithUTF8String(id, SEL, const char* utf8) { return utf8 ? standin::stringWithUTF8(utf8) : nil; }
id stringWithFormat(id, SEL, id format, standin::FormatArgs args) { return standin::stringWithFormat(format, args); }
id emptyString(id, SEL) { return makeString({}); }
id stringWithString(id, SEL, id other) { return makeString(asString(other)->utf8); }

// ---- instance methods -----------------------------------------------------------
NSUInteger length(id self, SEL) { return utf16Length(text(self)); }
const char* UTF8String(id self, SEL) { return text(self).c_str(); }
id description(id self, SEL) { return self; }
id copy(id self, SEL) { return objc_retain(self); }

BOOL hasPrefix(id self, SEL, id prefix) {
  if (!standin::isString(prefix)) return NO;
  const std::string& p = text(prefix);
  return !p.empty() && text(self).compare(0, p.size(), p) == 0;
}

BOOL hasSuffix(id self, SEL, id suffix) {
  if (!standin::isString(suffix)) return NO;
  const std::string& s = text(self);
  const std::string& p = text(suffix);
  return !p.empty() && s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

BOOL isEqualToString(id self, SEL, id other) { return standin::isString(other) && text(self) == text(other); }
BOOL isEqual(id self, SEL, id other) {
  return self == other || (standin::isString(other) && text(self) == text(other));
}

NSUInteger hash(id self, SEL) {
  NSUInteger h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : text(self)) h = (h ^ c) * 1099511628211ull;
  return h;
}

id componentsSeparatedByString(id self, SEL, id separatorObj) {
  const std::string& s = text(self);
  const std::string& sep = asString(separatorObj)->utf8;
  std::vector<id> parts;
  if (sep.empty()) {
    parts.push_back(makeString(s));
  } else {
    size_t from = 0;
    for (size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + sep.size())
      parts.push_back(makeString(s.substr(from, at - from)));
    parts.push_back(makeString(s.substr(from)));
  }
  return standin::arrayWith(parts);
}

id substringWithRange(id self, SEL, NSRange range) {
  std::string out;
  if (!utf16Substring(text(self), range.location, range.length, &out))
    objc_raise("NSRangeException", "-[NSString substringWithRange:]: Range {" + std::to_string(range.location) + ", " +
                                       std::to_string(range.length) + "} out of bounds; string length " +
                                       std::to_string(utf16Length(text(self))));
  return makeString(std::move(out));
}

id substringFromIndex(id self, SEL cmd, NSUInteger index) {
  NSUInteger n = utf16Length(text(self));
  return substringWithRange(self, cmd, NSRange{index, index <= n ? n - index : 1});
}

id stringByAppendingString(id self, SEL, id other) { return makeString(text(self) + asString(other)->utf8); }

// YES for "Y", "y", "T", "t" or a digit 1-9 after blanks, a sign and zeros.
BOOL boolValue(id self, SEL) {
  const std::string& s = text(self);
  bool negative;
  size_t i = skipBlanksAndSign(s, &negative);
  while (i < s.size() && s[i] == '0') ++i;
  if (i >= s.size()) return NO;
  char c = s[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

NSInteger integerValue(id self, SEL) { return leadingInteger(text(self), LLONG_MIN, LLONG_MAX); }
int intValue(id self, SEL) { return static_cast<int>(leadingInteger(text(self), INT_MIN, INT_MAX)); }
RealDouble doubleValue(id self, SEL) { return std::strtod(text(self).c_str(), nullptr); }
float floatValue(id self, SEL) { return static_cast<float>(std::strtod(text(self).c_str(), nullptr)); }

id objectDescription(id self, SEL) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "<%s: %p>", class_getName(object_getClass(self)), static_cast<void*>(self));
  return makeString(buffer);
}

id classDescription(id self, SEL) { return makeString(class_getName(reinterpret_cast<Class>(self))); }

}  // namespace

id NSStringFromClass(Class cls) { return cls ? makeString(class_getName(cls)) : nil; }

bool standin::isString(id obj) { return obj && gString && class_isSubclassOf(obj->isa, gString); }

namespace {

id internedConstant(const char* literal) {
  static std::mutex lock;
  static auto* constants = new std::map<std::string, id>;
  std::lock_guard guard(lock);
  auto& slot = (*constants)[literal];
  if (!slot) {
    auto* s = static_cast<NSStringObj*>(msgSend<id>(gString, allocSelector()));
    s->utf8 = literal;
    s->retainCount = LONG_MAX / 2;  // a constant: never reaches zero
    slot = s;
  }
  return slot;
}

}  // namespace

// A literal is met again and again at the same address: each thread
// remembers its constant by that address, comparing the text again since
// the buffer may hold another text by now (the lookup in the shared table
// copies the text and takes a lock).
id standin::str(const char* literal) {
  __attribute__((tls_model("initial-exec"))) thread_local AddressCache<const char*, id> known;
  if (const id* constant = known.find(literal);
      constant && std::strcmp(static_cast<NSStringObj*>(*constant)->utf8.c_str(), literal) == 0)
    return *constant;
  id constant = internedConstant(literal);
  known.insert(literal, constant);
  return constant;
}

id standin::stringWithUTF8(std::string_view utf8) {
  if (!utf8IsValid(utf8)) return nil;
  return makeString(std::string(utf8));
}

std::string standin::utf8Of(id str) { return str ? asString(str)->utf8 : std::string(); }

id standin::stringWithFormat(id format, const standin::FormatArgs& args) {
  return makeString(
      standin::formatToUTF8(format ? std::string_view(asString(format)->utf8) : std::string_view(), args));
}

void registerNSString() {
  gString = objc_defineClass<NSStringObj>(standin::nsObjectClass(), "NSString");
  gMutableString = objc_defineClass<NSStringObj>(gString, "NSMutableString");
  Class c = gString;
  class_addClassMethod(c, sel("stringWithUTF8String:"), stringWithUTF8String);
  class_addClassMethod(c, sel("stringWithFormat:"), stringWithFormat);
  class_addClassMethod(c, sel("string"), emptyString);
  class_addClassMethod(c, sel("stringWithString:"), stringWithString);
  class_addMethod(c, sel("length"), length);
  class_addMethod(c, sel("UTF8String"), UTF8String);
  class_addMethod(c, sel("description"), description);
  class_addMethod(c, sel("copy"), copy);
  class_addMethod(c, sel("hasPrefix:"), hasPrefix);
  class_addMethod(c, sel("hasSuffix:"), hasSuffix);
  class_addMethod(c, sel("isEqualToString:"), isEqualToString);
  class_addMethod(c, sel("isEqual:"), isEqual);
  class_addMethod(c, sel("hash"), hash);
  class_addMethod(c, sel("componentsSeparatedByString:"), componentsSeparatedByString);
  class_addMethod(c, sel("substringWithRange:"), substringWithRange);
  class_addMethod(c, sel("substringFromIndex:"), substringFromIndex);
  class_addMethod(c, sel("stringByAppendingString:"), stringByAppendingString);
  class_addMethod(c, sel("boolValue"), boolValue);
  class_addMethod(c, sel("integerValue"), integerValue);
  class_addMethod(c, sel("intValue"), intValue);
  class_addMethod(c, sel("doubleValue"), doubleValue);
  class_addMethod(c, sel("floatValue"), floatValue);
  class_addMethod(standin::nsObjectClass(), sel("description"), objectDescription);
  class_addClassMethod(standin::nsObjectClass(), sel("description"), classDescription);
}
