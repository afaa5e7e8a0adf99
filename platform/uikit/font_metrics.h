// The advances of the system font's drawing face at one point size, shared by every
// UIFont of that size. A row's height and layout make several fonts and
// measure a few short texts each; asking cairo for a text's extents maps
// every character to a glyph through fontconfig and FreeType under locks,
// so advances are kept per character once measured.
#pragma once

#include <cairo.h>

#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

class FontMetrics {
 public:
  // The metrics for `pointSize` (positive and finite) in `face`; nullptr when
  // cairo cannot make the font. Sizes met often are shared: a bounded number
  // of them is kept for the process.
  static std::shared_ptr<FontMetrics> forSize(cairo_font_face_t* face, double pointSize);

  ~FontMetrics();
  FontMetrics(const FontMetrics&) = delete;
  FontMetrics& operator=(const FontMetrics&) = delete;

  cairo_scaled_font_t* scaledFont() const { return font_; }
  // The advance of one line of UTF-8 text, as cairo lays it out (glyph after
  // glyph, no kerning); 0 for text that is not valid UTF-8.
  double lineAdvance(std::string_view utf8);

 private:
  explicit FontMetrics(cairo_scaled_font_t* font);
  double advanceOf(char32_t character);  // with mutex_ held

  cairo_scaled_font_t* font_;  // owned
  std::mutex mutex_;
  double asciiAdvance_[128];  // negative until measured
  std::unordered_map<char32_t, double> otherAdvances_;
};
