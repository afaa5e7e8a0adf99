#include "coreimage/CIColor.h"

#include <charconv>
#include <cmath>

#include "coregraphics/CGColor.h"
#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

CIColorObj* asColor(id self) { return static_cast<CIColorObj*>(self); }

id makeColor(id cls, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  return RGBAColorMake(reinterpret_cast<Class>(cls), r, g, b, a);
}

id colorWithRGBA(id cls, SEL, CGFloat r, CGFloat g, CGFloat b, CGFloat a) { return makeColor(cls, r, g, b, a); }

id colorWithCGColor(id cls, SEL, CGColorRef color) {
  const CGFloat* c = CGColorGetComponents(color);
  return c ? makeColor(cls, c[0], c[1], c[2], c[3]) : nil;
}

id colorWithString(id cls, SEL, id text) {
  CGFloat c[4];
  CIColorParseComponents(standin::isString(text) ? standin::utf8Of(text) : std::string(), c);
  return makeColor(cls, c[0], c[1], c[2], c[3]);
}

CGFloat red(id self, SEL) { return asColor(self)->components[0]; }
CGFloat green(id self, SEL) { return asColor(self)->components[1]; }
CGFloat blue(id self, SEL) { return asColor(self)->components[2]; }
CGFloat alpha(id self, SEL) { return asColor(self)->components[3]; }

id stringRepresentation(id self, SEL) {
  return standin::stringWithUTF8(CIColorFormatComponents(asColor(self)->components));
}

BOOL isEqual(id self, SEL, id other) {
  if (self == other) return YES;
  if (!other || !msgSend<BOOL>(other, "isKindOfClass:", static_cast<id>(objc_getClass("CIColor")))) return NO;
  return RGBAColorSameComponents(asColor(self)->components, asColor(other)->components);
}

NSUInteger hash(id self, SEL) { return RGBAColorHash(asColor(self)->components); }

}  // namespace

void CIColorParseComponents(std::string_view text, CGFloat out[4]) {
  out[0] = out[1] = out[2] = 0;
  out[3] = 1;
  std::size_t pos = 0;
  auto skipSpaces = [&] {
    while (pos < text.size() && isSpace(text[pos])) ++pos;
  };
  skipSpaces();
  if (pos < text.size() && text[pos] == '[') ++pos;
  for (int i = 0; i < 4; ++i) {
    skipSpaces();
    double value = 0;
    auto [end, err] = std::from_chars(text.data() + pos, text.data() + text.size(), value);
    if (err != std::errc() || !std::isfinite(value)) {
      // Apple's documentation of +colorWithString: "If the string contains
      // no float values, then clearColor will be returned" (0 0 0 0).
      if (i == 0) out[3] = 0;
      return;
    }
    out[i] = value;
    pos = static_cast<std::size_t>(end - text.data());
  }
}

std::string CIColorFormatComponents(const CGFloat components[4]) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char buffer[32];
    const double value = components[i] == 0 ? 0.0 : components[i];  // no "-0"
    auto [end, err] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (i) text += ' ';
    text.append(buffer, err == std::errc() ? end : buffer);
  }
  return text;
}

void registerCoreImage() {
  if (objc_getClass("CIColor")) return;
  Class cls = objc_defineClass<CIColorObj>(standin::nsObjectClass(), "CIColor");
  class_addClassMethod(cls, sel("colorWithCGColor:"), colorWithCGColor);
  class_addClassMethod(cls, sel("colorWithString:"), colorWithString);
  class_addClassMethod(cls, sel("colorWithRed:green:blue:alpha:"), colorWithRGBA);
  class_addMethod(cls, sel("red"), red);
  class_addMethod(cls, sel("green"), green);
  class_addMethod(cls, sel("blue"), blue);
  class_addMethod(cls, sel("alpha"), alpha);
  class_addMethod(cls, sel("stringRepresentation"), stringRepresentation);
  class_addMethod(cls, sel("isEqual:"), isEqual);
  class_addMethod(cls, sel("hash"), hash);
}
