// NSURL: URLs as text. Like the device's +URLWithString:, text holding a
// character that a URL must escape (a space, a quote, a control or non-ASCII
// character, a stray "%") gives no URL.
#include "foundation/NSURL.h"

#include <cctype>
#include <cstring>
#include <functional>

#include "foundation/NSString.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gURL = nil;

bool isURLCharacter(unsigned char c) {
  return std::isalnum(c) || (c != 0 && std::strchr("-._~:/?#[]@!$&'()*+,;=%", c));
}

bool isValidURLText(const std::string& text) {
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (!isURLCharacter(c)) return false;
    if (c == '%' && (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
                     !std::isxdigit(static_cast<unsigned char>(text[i + 2]))))
      return false;
  }
  return true;
}

NSURLObj* asURL(id obj) { return static_cast<NSURLObj*>(obj); }

id URLWithString(id, SEL, id text) {
  return standin::isString(text) ? standin::urlWithUTF8(standin::utf8Of(text)) : nil;
}
id absoluteString(id self, SEL) { return standin::stringWithUTF8(asURL(self)->text); }

// The letters before the first ":", when they form a scheme.
id scheme(id self, SEL) {
  const std::string& text = asURL(self)->text;
  size_t colon = text.find(':');
  if (colon == 0 || colon == std::string::npos || !std::isalpha(static_cast<unsigned char>(text[0]))) return nil;
  for (size_t i = 0; i < colon; ++i)
    if (!std::isalnum(static_cast<unsigned char>(text[i])) && !std::strchr("+-.", text[i])) return nil;
  return standin::stringWithUTF8(text.substr(0, colon));
}

BOOL isEqual(id self, SEL, id other) {
  return other && class_isSubclassOf(other->isa, gURL) && asURL(other)->text == asURL(self)->text;
}
NSUInteger hash(id self, SEL) { return std::hash<std::string>{}(asURL(self)->text); }
id copy(id self, SEL) { return objc_retain(self); }

}  // namespace

id standin::urlWithUTF8(const std::string& text) {
  if (!isValidURLText(text)) return nil;
  auto* url = static_cast<NSURLObj*>(msgSend<id>(gURL, sel("alloc")));
  url->text = text;
  return objc_autorelease(url);
}

void registerNSURL() {
  gURL = objc_defineClass<NSURLObj>(standin::nsObjectClass(), "NSURL");
  class_addClassMethod(gURL, sel("URLWithString:"), URLWithString);
  class_addMethod(gURL, sel("absoluteString"), absoluteString);
  class_addMethod(gURL, sel("description"), absoluteString);
  class_addMethod(gURL, sel("scheme"), scheme);
  class_addMethod(gURL, sel("isEqual:"), isEqual);
  class_addMethod(gURL, sel("hash"), hash);
  class_addMethod(gURL, sel("copy"), copy);
}
