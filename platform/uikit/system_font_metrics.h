// The vertical metrics of the device's system font, in ems, as UIFont
// reports them for +systemFontOfSize: (ascender, descender and leading are
// the font's hhea ascent, descent and line gap over its units per em):
//   iOS 7 and 8, Helvetica Neue: 1,000 units per em, ascent 952, descent
//     213, line gap 28, the figures published for the face; a line is
//     1.193 × the size (20.281 at 17 points).
//   iOS 9, San Francisco (SF UI Text): 2,048 units per em, ascent 1950,
//     descent 494, no line gap; a line is 2444/2048 = 1.193359 × the size.
//     Measured on iOS 9: at 15 points lineHeight 17.900391; at 17 points
//     descender -4.100586, lineHeight 20.287109.
// The two differ by less than 0.015 point at 40 points, but the library's
// heights are rounded up, so a size whose line falls either side of a whole
// point gives another row height. Glyphs are drawn, and advances measured,
// with a free face (UIFont.h); only these heights are the device's.
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
