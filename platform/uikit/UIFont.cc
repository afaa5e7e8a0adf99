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
#include "runtime/thread_owned.h"
#include "uikit/system_font_metrics.h"

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
      if (FcPatternGetString(match, FC_FAMILY, 0, &text) == FcResultMatch)
        resolved.family = reinterpret_cast<char*>(text);
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

UIFontObj* asFont(id self) { return static_cast<UIFontObj*>(self); }

id makeFont(Class cls, CGFloat pointSize) {
  if (!(pointSize > 0) || !std::isfinite(pointSize)) pointSize = 0;
  id font = objc_new(cls);
  asFont(font)->pointSize = pointSize;
  asFont(font)->vertical = standin::systemFontVerticalMetrics();
  const CGFloat metricsSize = std::min(pointSize, kMaxMetricsFontSize);
  if (metricsSize > 0) asFont(font)->metrics = FontMetrics::forSize(systemFace().face, metricsSize);
  if (asFont(font)->metrics) asFont(font)->scaledFont = asFont(font)->metrics->scaledFont();
  asFont(font)->metricsScale = metricsSize > 0 ? pointSize / metricsSize : 1;
  return objc_autorelease(font);
}

// Apple documents font objects as immutable, safe to use from any thread:
// a system font of a size asked for again can be the one made before. Each
// thread keeps its last few sizes, so a font asked for again takes no lock;
// labels and row heights ask for the same few sizes all the time, and each
// font made afresh costs an object and a metrics lookup.
struct KeptFonts {
  struct Kept {
    CGFloat pointSize = -1;
    id font = nil;  // +1
  };
  static constexpr std::size_t kKept = 8;
  Kept kept[kKept];
  std::size_t next = 0;
  ~KeptFonts() {
    for (Kept& k : kept) objc_release(k.font);
  }
};

id sharedFont(Class cls, CGFloat pointSize) {
  if (cls != gUIFont) return makeFont(cls, pointSize);
  if (!(pointSize > 0) || !std::isfinite(pointSize)) pointSize = 0;
  KeptFonts* fonts = ThreadOwned<KeptFonts>::get();
  if (!fonts) return makeFont(cls, pointSize);  // the thread is ending
  for (const KeptFonts::Kept& k : fonts->kept)
    if (k.font && k.pointSize == pointSize) return objc_autorelease(objc_retain(k.font));
  KeptFonts::Kept& k = fonts->kept[fonts->next];
  fonts->next = (fonts->next + 1) % KeptFonts::kKept;
  objc_release(k.font);
  k.pointSize = pointSize;
  k.font = objc_retain(makeFont(cls, pointSize));
  return k.font;
}

id systemFontOfSize(id cls, SEL, CGFloat size) { return sharedFont(reinterpret_cast<Class>(cls), size); }
id fontWithSize(id self, SEL, CGFloat size) { return sharedFont(self->isa, size); }
CGFloat pointSize(id self, SEL) { return asFont(self)->pointSize; }
CGFloat lineHeight(id self, SEL) { return standin::fontLineHeight(self); }
CGFloat ascender(id self, SEL) { return standin::fontAscender(self); }
CGFloat descender(id self, SEL) { return -asFont(self)->pointSize * asFont(self)->vertical.descender; }
CGFloat leading(id self, SEL) { return asFont(self)->pointSize * asFont(self)->vertical.leading; }
id familyName(id, SEL) { return standin::stringWithUTF8(systemFace().family); }
id fontName(id, SEL) { return standin::stringWithUTF8(systemFace().postScriptName); }

}  // namespace

UIFontObj::~UIFontObj() = default;

id standin::systemFontOfSize(CGFloat pointSize) { return sharedFont(gUIFont, pointSize); }

CGFloat standin::fontLineAdvance(id font, std::string_view utf8) {
  if (!font || !gUIFont || !class_isSubclassOf(object_getClass(font), gUIFont)) return 0;
  FontMetrics* metrics = asFont(font)->metrics.get();
  return metrics ? metrics->lineAdvance(utf8) * asFont(font)->metricsScale : 0;
}

// The device's line: its system font's vertical metrics times the size,
// whatever face draws the glyphs.
CGFloat standin::fontLineHeight(id font) {
  if (!font || !gUIFont || !class_isSubclassOf(object_getClass(font), gUIFont)) return 0;
  return asFont(font)->pointSize * asFont(font)->vertical.lineHeight();
}

CGFloat standin::fontAscender(id font) {
  if (!font || !gUIFont || !class_isSubclassOf(object_getClass(font), gUIFont)) return 0;
  return asFont(font)->pointSize * asFont(font)->vertical.ascender;
}

void registerUIFont() {
  if (gUIFont) return;
  Class cls = gUIFont = objc_defineClass<UIFontObj>(standin::nsObjectClass(), "UIFont");
  class_addClassMethod(cls, sel("systemFontOfSize:"), systemFontOfSize);
  class_addMethod(cls, sel("fontWithSize:"), fontWithSize);
  class_addMethod(cls, sel("pointSize"), pointSize);
  class_addMethod(cls, sel("lineHeight"), lineHeight);
  class_addMethod(cls, sel("ascender"), ascender);
  class_addMethod(cls, sel("descender"), descender);
  class_addMethod(cls, sel("leading"), leading);
  class_addMethod(cls, sel("familyName"), familyName);
  class_addMethod(cls, sel("fontName"), fontName);
}
