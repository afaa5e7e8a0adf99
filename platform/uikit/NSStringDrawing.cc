#include "uikit/NSStringDrawing.h"

#include <cmath>

#include "foundation/NSString.h"
#include "uikit/UIFont.h"

namespace {

CGSize sizeWithFont(id self, SEL, id font) { return standin::sizeOfStringWithFont(self, font); }

}  // namespace

CGSize standin::sizeOfStringWithFont(id text, id font) {
  if (!standin::isString(text)) return {};
  const CGFloat width = standin::fontLineAdvance(font, standin::utf8Of(text));
  const CGFloat height = standin::fontLineHeight(font);
  return CGSizeMake(std::ceil(width), std::ceil(height));
}

void registerNSStringDrawing() {
  Class string = objc_getClass("NSString");
  if (!string) return;
  class_addMethod(string, sel("sizeWithFont:"), sizeWithFont);
}
