// UIFont (class "UIFont"): the system font at a point size.
//   +systemFontOfSize:, -fontWithSize:, -pointSize, -lineHeight, -familyName,
//   -fontName. NSString's -sizeWithFont: (see NSStringDrawing.h) measures
// text in it.
//
// The device's system font is Helvetica Neue; here it is Liberation Sans
// (fonts-liberation2), found through fontconfig, whose advances and vertical
// metrics match Helvetica's, so measured sizes come out close to the
// device's. A size that is not a positive number gives a font of size 0,
// which measures every text as 0 × 0. Any positive size measures, up to the
// largest the library can pass (2,147,483,647 points): metrics above
// kMaxMetricsFontSize are made at that size and scaled up, since unhinted
// metrics grow linearly with the size and FreeType cannot hold such sizes.
#pragma once

#include <cairo.h>

#include <memory>
#include <string_view>

#include "coregraphics/CGGeometry.h"
#include "runtime/objc.h"
#include "uikit/font_metrics.h"

inline constexpr CGFloat kMaxMetricsFontSize = 4096;

struct UIFontObj : objc_object {
  CGFloat pointSize = 0;
  // Shared by every font of its size; null for size 0. Made at
  // min(pointSize, kMaxMetricsFontSize); its metrics times metricsScale are
  // the font's.
  std::shared_ptr<FontMetrics> metrics;
  cairo_scaled_font_t* scaledFont = nullptr;  // the metrics' font, for drawing
  CGFloat metricsScale = 1;
  ~UIFontObj() override;
};

id UIFontSystemFontOfSize(CGFloat pointSize);  // autoreleased
// The unrounded advance width of one line of UTF-8 text, and the font's
// line height (ascent + descent + line gap); 0 for a non-font.
CGFloat UIFontLineAdvance(id font, std::string_view utf8);
CGFloat UIFontLineHeight(id font);

void registerUIFont();
