// The vertical metrics of the device's system font, in ems, from the fonts'
// own tables as UIFont reports them (ascender, descender and leading of
// +systemFontOfSize:, which are the font's hhea values over its 2,048 units
// per em):
//   iOS 7 and 8, Helvetica Neue: ascender 1950, descender 436, line gap 58:
//     at 12 points 11.425781, -2.554688, lineHeight 14.320312; at 15
//     points lineHeight 17.900391.
//   iOS 9, San Francisco (SF UI Text): ascender 1950, descender 494, no line
//     gap: at 17 points descender -4.100586, lineHeight 20.287109.
// Both lines are 2444/2048 = 1.193359 of the size. Glyphs are drawn, and
// advances measured, with a free face (UIFont.h); only these heights are the
// device's.
#pragma once

struct SystemFontVerticalMetrics {
  double ascender;   // above the baseline
  double descender;  // below it, as a positive amount
  double leading;    // the line gap
  double lineHeight() const { return ascender + descender + leading; }
};

namespace standin {

// Helvetica Neue before iOS 9, San Francisco from iOS 9 on, as the simulated
// system's NSFoundationVersionNumber says.
const SystemFontVerticalMetrics& systemFontVerticalMetrics();

}  // namespace standin
