#include "uikit/UIFont.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>

#include "foundation/NSString.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"

namespace {

constexpr const char* kSystemFamily = "Liberation Sans";

Class gUIFont = nil;

// The face every system font uses, resolved once for the process.
struct SystemFace {
  cairo_font_face_t* face = nullptr;
  std::string family;
  std::string postScriptName;
};

const SystemFace& systemFace() {
  static SystemFace resolved;
  static std::once_flag once;
  std::call_once(once, [] {
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(kSystemFamily));
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, wanted, &result);
    FcPatternDestroy(wanted);
    if (match) {
      FcChar8* text = nullptr;
      if (FcPatternGetString(match, FC_FAMILY, 0, &text) == FcResultMatch) resolved.family = reinterpret_cast<char*>(text);
      if (FcPatternGetString(match, FC_POSTSCRIPT_NAME, 0, &text) == FcResultMatch)
        resolved.postScriptName = reinterpret_cast<char*>(text);
      resolved.face = cairo_ft_font_face_create_for_pattern(match);  // keeps its own reference
      FcPatternDestroy(match);
    }
    if (!resolved.face || cairo_font_face_status(resolved.face) != CAIRO_STATUS_SUCCESS) {
      // No fontconfig match: cairo's own sans-serif still measures text.
      if (resolved.face) cairo_font_face_destroy(resolved.face);
      resolved.face = cairo_toy_font_face_create("sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
      resolved.family = "sans-serif";
    }
    if (resolved.postScriptName.empty()) resolved.postScriptName = resolved.family;
    // fontconfig keeps its configuration where leak checkers cannot see it;
    // FcFini frees it at exit. The face holds a pattern of its own copy, so
    // it stays usable by anything destroyed later.
    std::atexit([] { FcFini(); });
  });
  return resolved;
}

cairo_scaled_font_t* makeScaledFont(CGFloat pointSize) {
  if (pointSize <= 0) return nullptr;
  cairo_matrix_t fontMatrix, identity;
  cairo_matrix_init_scale(&fontMatrix, pointSize, pointSize);
  cairo_matrix_init_identity(&identity);
  // Unhinted metrics: advances scale linearly with the size, as the device's
  // fractional text layout does.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_scaled_font_t* font = cairo_scaled_font_create(systemFace().face, &fontMatrix, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(font);
    return nullptr;
  }
  return font;
}

UIFontObj* asFont(id self) { return static_cast<UIFontObj*>(self); }

id makeFont(Class cls, CGFloat pointSize) {
  if (!(pointSize > 0) || !std::isfinite(pointSize)) pointSize = 0;
  id font = objc_new(cls);
  asFont(font)->pointSize = pointSize;
  const CGFloat metricsSize = std::min(pointSize, kMaxMetricsFontSize);
  asFont(font)->scaledFont = makeScaledFont(metricsSize);
  asFont(font)->metricsScale = metricsSize > 0 ? pointSize / metricsSize : 1;
  return objc_autorelease(font);
}

id systemFontOfSize(id cls, SEL, CGFloat size) { return makeFont(reinterpret_cast<Class>(cls), size); }
id fontWithSize(id self, SEL, CGFloat size) { return makeFont(self->isa, size); }
CGFloat pointSize(id self, SEL) { return asFont(self)->pointSize; }
CGFloat lineHeight(id self, SEL) { return UIFontLineHeight(self); }
id familyName(id, SEL) { return NSStringWithUTF8(systemFace().family); }
id fontName(id, SEL) { return NSStringWithUTF8(systemFace().postScriptName); }

}  // namespace

UIFontObj::~UIFontObj() {
  if (scaledFont) cairo_scaled_font_destroy(scaledFont);
}

id UIFontSystemFontOfSize(CGFloat pointSize) { return makeFont(gUIFont, pointSize); }

CGFloat UIFontLineAdvance(id font, std::string_view utf8) {
  if (!font || !gUIFont || !class_isSubclassOf(object_getClass(font), gUIFont)) return 0;
  cairo_scaled_font_t* scaled = asFont(font)->scaledFont;
  if (!scaled || utf8.empty()) return 0;
  const std::string text(utf8);  // cairo wants it NUL-terminated
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(scaled, text.c_str(), &extents);
  return cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS ? extents.x_advance * asFont(font)->metricsScale : 0;
}

CGFloat UIFontLineHeight(id font) {
  if (!font || !gUIFont || !class_isSubclassOf(object_getClass(font), gUIFont)) return 0;
  cairo_scaled_font_t* scaled = asFont(font)->scaledFont;
  if (!scaled) return 0;
  cairo_font_extents_t extents;
  cairo_scaled_font_extents(scaled, &extents);
  return extents.height * asFont(font)->metricsScale;
}

void registerUIFont() {
  if (gUIFont) return;
  Class cls = gUIFont = objc_defineClass<UIFontObj>(NSObjectClass(), "UIFont");
  class_addClassMethod(cls, sel("systemFontOfSize:"), systemFontOfSize, "@@:d");
  class_addMethod(cls, sel("fontWithSize:"), fontWithSize, "@@:d");
  class_addMethod(cls, sel("pointSize"), pointSize, "d@:");
  class_addMethod(cls, sel("lineHeight"), lineHeight, "d@:");
  class_addMethod(cls, sel("familyName"), familyName, "@@:");
  class_addMethod(cls, sel("fontName"), fontName, "@@:");
}
