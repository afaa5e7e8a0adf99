#include "uikit/NSStringDrawing.h"

#include <cmath>

#include "foundation/NSString.h"
#include "uikit/UIFont.h"

namespace {

CGSize sizeWithFont(id self, SEL, id font) { return NSStringSizeWithFont(self, font); }

}  // namespace

CGSize NSStringSizeWithFont(id text, id font) {
  if (!NSIsString(text)) return {};
  const CGFloat width = UIFontLineAdvance(font, NSStringUTF8(text));
  const CGFloat height = UIFontLineHeight(font);
  return CGSizeMake(std::ceil(width), std::ceil(height));
}

void registerNSStringDrawing() {
  Class string = objc_getClass("NSString");
  if (!string) return;
  class_addMethod(string, sel("sizeWithFont:"), sizeWithFont);
}
