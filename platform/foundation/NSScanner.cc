// NSScanner: hexadecimal scanning over a string's UTF-16 units.
#include "foundation/NSScanner.h"

#include <climits>

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gScanner = nil;

NSScannerObj* asScanner(id obj) { return static_cast<NSScannerObj*>(obj); }

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

id scannerWithString(id self, SEL, id string) {
  if (!standin::isString(string)) return nil;
  auto* scanner = static_cast<NSScannerObj*>(msgSend<id>(self, sel("alloc")));
  scanner->string = objc_retain(string);
  auto units = icu::UnicodeString::fromUTF8(standin::utf8Of(string));
  scanner->units.assign(reinterpret_cast<const char16_t*>(units.getBuffer()), static_cast<size_t>(units.length()));
  return objc_autorelease(scanner);
}

id string(id self, SEL) { return asScanner(self)->string; }
NSUInteger scanLocation(id self, SEL) { return asScanner(self)->location; }

// Past the end raises, as on the device; the end itself is a valid place.
void setScanLocation(id self, SEL, NSUInteger location) {
  NSScannerObj* scanner = asScanner(self);
  if (location > scanner->units.size())
    objc_raise("NSRangeException", "-[NSScanner setScanLocation:]: Index " + std::to_string(location) +
                                       " out of bounds; string length " + std::to_string(scanner->units.size()));
  scanner->location = location;
}

size_t afterWhitespace(const NSScannerObj* scanner) {
  size_t i = scanner->location;
  while (i < scanner->units.size() && u_isUWhiteSpace(scanner->units[i])) ++i;
  return i;
}

BOOL isAtEnd(id self, SEL) { return afterWhitespace(asScanner(self)) >= asScanner(self)->units.size(); }

// An optional "0x"/"0X", then hex digits up to the first other character.
// Too many digits saturate at UINT_MAX and are still consumed. Without a
// digit nothing is consumed and the result is left alone.
BOOL scanHexInt(id self, SEL, unsigned int* result) {
  NSScannerObj* scanner = asScanner(self);
  const std::u16string& s = scanner->units;
  size_t i = afterWhitespace(scanner);
  // "0x" without a digit after it scans as the single digit 0.
  if (i + 2 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X') && hexDigit(s[i + 2]) >= 0) i += 2;
  if (i >= s.size() || hexDigit(s[i]) < 0) return NO;
  unsigned long long value = 0;
  for (; i < s.size() && hexDigit(s[i]) >= 0; ++i)
    if (value <= UINT_MAX) value = value * 16 + static_cast<unsigned>(hexDigit(s[i]));
  scanner->location = i;
  if (result) *result = value > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(value);
  return YES;
}

}  // namespace

NSScannerObj::~NSScannerObj() { objc_release(string); }

void registerNSScanner() {
  gScanner = objc_defineClass<NSScannerObj>(standin::nsObjectClass(), "NSScanner");
  class_addClassMethod(gScanner, sel("scannerWithString:"), scannerWithString);
  class_addMethod(gScanner, sel("string"), string);
  class_addMethod(gScanner, sel("scanLocation"), scanLocation);
  class_addMethod(gScanner, sel("setScanLocation:"), setScanLocation);
  class_addMethod(gScanner, sel("isAtEnd"), isAtEnd);
  class_addMethod(gScanner, sel("scanHexInt:"), scanHexInt);
}
