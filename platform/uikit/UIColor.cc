#include "uikit/UIColor.h"

#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

Class gUIColor = nil;

UIColorObj* asColor(id self) { return static_cast<UIColorObj*>(self); }

id makeColor(id cls, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  return RGBAColorMake(reinterpret_cast<Class>(cls), r, g, b, a);
}

id colorWithRGBA(id cls, SEL, CGFloat r, CGFloat g, CGFloat b, CGFloat a) { return makeColor(cls, r, g, b, a); }
id colorWithWhite(id cls, SEL, CGFloat white, CGFloat a) { return makeColor(cls, white, white, white, a); }

id colorWithCIColor(id cls, SEL, id ciColor) {
  if (!ciColor) return nil;
  return makeColor(cls, msgSend<CGFloat>(ciColor, "red"), msgSend<CGFloat>(ciColor, "green"),
                   msgSend<CGFloat>(ciColor, "blue"), msgSend<CGFloat>(ciColor, "alpha"));
}

// One class method per named colour, each with its components.
template <int R10, int G10, int B10, int A10>
id namedColor(id cls, SEL) {
  return makeColor(cls, R10 / 10.0, G10 / 10.0, B10 / 10.0, A10 / 10.0);
}

CGColorRef cgColor(id self, SEL) {
  UIColorObj* color = asColor(self);
  if (!color->cgColor) {
    const CGFloat* c = color->components;
    color->cgColor = standin::createColorRGBA(c[0], c[1], c[2], c[3]);
  }
  return color->cgColor;
}

BOOL getRGBA(id self, SEL, CGFloat* r, CGFloat* g, CGFloat* b, CGFloat* a) {
  const CGFloat* c = asColor(self)->components;
  if (r) *r = c[0];
  if (g) *g = c[1];
  if (b) *b = c[2];
  if (a) *a = c[3];
  return YES;
}

CGFloat alphaComponent(id self, SEL) { return asColor(self)->components[3]; }

id colorWithAlphaComponent(id self, SEL, CGFloat alpha) {
  const CGFloat* c = asColor(self)->components;
  return makeColor(self->isa, c[0], c[1], c[2], alpha);
}

BOOL isEqual(id self, SEL, id other) {
  CGFloat theirs[4];
  return standin::colorGetRGBA(other, theirs) && RGBAColorSameComponents(asColor(self)->components, theirs);
}

NSUInteger hash(id self, SEL) { return RGBAColorHash(asColor(self)->components); }

}  // namespace

UIColorObj::~UIColorObj() { CGColorRelease(cgColor); }

id standin::colorWithRGBA(CGFloat r, CGFloat g, CGFloat b, CGFloat a) { return makeColor(gUIColor, r, g, b, a); }

bool standin::colorGetRGBA(id color, CGFloat out[4]) {
  if (!color || !gUIColor || !class_isSubclassOf(object_getClass(color), gUIColor)) return false;
  for (int i = 0; i < 4; ++i) out[i] = asColor(color)->components[i];
  return true;
}

void registerUIColor() {
  if (gUIColor) return;
  Class cls = gUIColor = objc_defineClass<UIColorObj>(standin::nsObjectClass(), "UIColor");
  class_addClassMethod(cls, sel("colorWithRed:green:blue:alpha:"), colorWithRGBA);
  class_addClassMethod(cls, sel("colorWithWhite:alpha:"), colorWithWhite);
  class_addClassMethod(cls, sel("colorWithCIColor:"), colorWithCIColor);
  class_addClassMethod(cls, sel("blackColor"), namedColor<0, 0, 0, 10>);
  class_addClassMethod(cls, sel("grayColor"), namedColor<5, 5, 5, 10>);
  class_addClassMethod(cls, sel("whiteColor"), namedColor<10, 10, 10, 10>);
  class_addClassMethod(cls, sel("redColor"), namedColor<10, 0, 0, 10>);
  class_addClassMethod(cls, sel("greenColor"), namedColor<0, 10, 0, 10>);
  class_addClassMethod(cls, sel("blueColor"), namedColor<0, 0, 10, 10>);
  class_addClassMethod(cls, sel("yellowColor"), namedColor<10, 10, 0, 10>);
  class_addClassMethod(cls, sel("orangeColor"), namedColor<10, 5, 0, 10>);
  class_addClassMethod(cls, sel("purpleColor"), namedColor<5, 0, 5, 10>);
  class_addClassMethod(cls, sel("brownColor"), namedColor<6, 4, 2, 10>);
  class_addClassMethod(cls, sel("clearColor"), namedColor<0, 0, 0, 0>);
  class_addMethod(cls, sel("CGColor"), cgColor);
  class_addMethod(cls, sel("getRed:green:blue:alpha:"), getRGBA);
  class_addMethod(cls, sel("alpha"), alphaComponent);
  class_addMethod(cls, sel("colorWithAlphaComponent:"), colorWithAlphaComponent);
  class_addMethod(cls, sel("isEqual:"), isEqual);
  class_addMethod(cls, sel("hash"), hash);
}
