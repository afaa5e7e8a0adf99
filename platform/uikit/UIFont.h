// UIFont (class "UIFont"): the system font at a point size.
//   +systemFontOfSize:, -fontWithSize:, -pointSize, -lineHeight, -ascender,
//   -descender, -leading, -familyName, -fontName. NSString's -sizeWithFont:
// (see NSStringDrawing.h) measures text in it.
//
// The device's system font is Helvetica Neue (iOS 7 and 8) or San Francisco
// (iOS 9), neither of which is free. Its vertical metrics are the device's
// (system_font_metrics.h): a line is 1.193 × the size on iOS 7 and 8 and
// 1.193359 × on iOS 9, as on the device.
// The glyphs are drawn, and their advances measured, with Liberation Sans
// (fonts-liberation2), found through fontconfig: it is metric-compatible with
// Arial, whose advances are Helvetica's, the closest of the free faces to the
// device's; Helvetica Neue's and San Francisco's own advances differ from
// them glyph by glyph (see the README). A size that is not a positive number
// gives a font of size 0, which measures every text as 0 × 0. Any positive
// size measures, up to the largest the library can pass (2,147,483,647
// points): advances above kMaxMetricsFontSize are made at that size and
// scaled up, since unhinted metrics grow linearly with the size and FreeType
// cannot hold such sizes.
#pragma once

#include <cairo.h>

#include <memory>
#include <string_view>

#include "coregraphics/CGGeometry.h"
#include "runtime/objc.h"
#include "uikit/font_metrics.h"
#include "uikit/system_font_metrics.h"

inline constexpr CGFloat kMaxMetricsFontSize = 4096;

struct UIFontObj : objc_object {
  CGFloat pointSize = 0;
  // Shared by every font of its size; null for size 0. Made at
  // min(pointSize, kMaxMetricsFontSize); its metrics times metricsScale are
  // the font's.
  std::shared_ptr<FontMetrics> metrics;
  cairo_scaled_font_t* scaledFont = nullptr;  // the metrics' font, for drawing
  CGFloat metricsScale = 1;
  SystemFontVerticalMetrics vertical{};  // of the system the font was made on
  ~UIFontObj() override;
};

namespace standin {

id systemFontOfSize(CGFloat pointSize);  // autoreleased
// The unrounded advance width of one line of UTF-8 text, the font's line
// height (ascender + descender + leading) and its ascender (the baseline's
// distance below the line's top); 0 for a non-font.
CGFloat fontLineAdvance(id font, std::string_view utf8);
CGFloat fontLineHeight(id font);
CGFloat fontAscender(id font);

}  // namespace standin

void registerUIFont();
