#include "uikit/font_metrics.h"

#include <map>

namespace {

// Sizes come from settings files; past this many, fonts get metrics of
// their own that go with them.
constexpr std::size_t kMaxSharedSizes = 64;
// Characters met beyond ASCII; past this, the table starts afresh.
constexpr std::size_t kMaxOtherAdvances = 4096;

// One character from the front of `text`, strictly: no overlong forms, no
// surrogates, nothing past U+10FFFF. False for anything else.
bool nextCharacter(std::string_view& text, char32_t& out) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length;
  char32_t value;
  if (lead < 0x80)
    length = 1, value = lead;
  else if (lead >= 0xC2 && lead <= 0xDF)
    length = 2, value = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3, value = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4, value = lead & 0x07;
  else
    return false;
  if (text.size() < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return false;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  out = value;
  text.remove_prefix(length);
  return true;
}

std::string encode(char32_t c) {
  std::string s;
  if (c < 0x80)
    s += static_cast<char>(c);
  else if (c < 0x800)
    s += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  else if (c < 0x10000)
    s += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
          static_cast<char>(0x80 | (c & 0x3F))};
  else
    s += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
          static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  return s;
}

cairo_scaled_font_t* makeScaledFont(cairo_font_face_t* face, double pointSize) {
  cairo_matrix_t fontMatrix, identity;
  cairo_matrix_init_scale(&fontMatrix, pointSize, pointSize);
  cairo_matrix_init_identity(&identity);
  // Unhinted metrics: advances scale linearly with the size, as the device's
  // fractional text layout does.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_scaled_font_t* font = cairo_scaled_font_create(face, &fontMatrix, &identity, options);
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(font);
    return nullptr;
  }
  return font;
}

}  // namespace

std::shared_ptr<FontMetrics> FontMetrics::forSize(cairo_font_face_t* face, double pointSize) {
  static std::mutex mutex;
  static auto* shared = new std::map<std::pair<cairo_font_face_t*, double>, std::shared_ptr<FontMetrics>>;
  std::lock_guard lock(mutex);
  const auto key = std::make_pair(face, pointSize);
  if (auto it = shared->find(key); it != shared->end()) return it->second;
  cairo_scaled_font_t* font = makeScaledFont(face, pointSize);
  if (!font) return nullptr;
  std::shared_ptr<FontMetrics> metrics(new FontMetrics(font));
  if (shared->size() < kMaxSharedSizes) shared->emplace(key, metrics);
  return metrics;
}

FontMetrics::FontMetrics(cairo_scaled_font_t* font) : font_(font) {
  for (double& advance : asciiAdvance_) advance = -1;
}

FontMetrics::~FontMetrics() { cairo_scaled_font_destroy(font_); }

double FontMetrics::advanceOf(char32_t c) {
  double* slot = nullptr;
  if (c < 128) {
    slot = &asciiAdvance_[c];
    if (*slot >= 0) return *slot;
  } else if (auto it = otherAdvances_.find(c); it != otherAdvances_.end()) {
    return it->second;
  }
  const std::string text = encode(c);
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(font_, text.c_str(), &extents);
  const double advance = extents.x_advance;
  if (slot)
    *slot = advance;
  else {
    if (otherAdvances_.size() >= kMaxOtherAdvances) otherAdvances_.clear();
    otherAdvances_.emplace(c, advance);
  }
  return advance;
}

double FontMetrics::lineAdvance(std::string_view utf8) {
  // cairo's text ends at the first NUL.
  utf8 = utf8.substr(0, utf8.find('\0'));
  std::lock_guard lock(mutex_);
  double width = 0;
  char32_t c;
  while (!utf8.empty()) {
    if (!nextCharacter(utf8, c)) return 0;
    width += advanceOf(c);
  }
  return cairo_scaled_font_status(font_) == CAIRO_STATUS_SUCCESS ? width : 0;
}
