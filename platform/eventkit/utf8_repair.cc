#include "eventkit/utf8_repair.h"

namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed sequence starting at `at`, or 0 with `consumed`
// set to the length of the ill-formed subpart to replace.
std::size_t wellFormedLength(std::string_view s, std::size_t at, std::size_t& consumed) {
  const auto lead = static_cast<unsigned char>(s[at]);
  consumed = 1;
  if (lead < 0x80) return 1;
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (at + i >= s.size()) return 0;
    const auto c = static_cast<unsigned char>(s[at + i]);
    const bool fits = i == 1 ? (c >= low && c <= high) : isContinuation(c);
    if (!fits) return 0;
    consumed = i + 1;
  }
  return length;
}
}  // namespace

std::string repairUTF8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t consumed = 0;
    if (const std::size_t n = wellFormedLength(bytes, at, consumed)) {
      out.append(bytes.substr(at, n));
      at += n;
    } else {
      out.append(kReplacement);
      at += consumed;
    }
  }
  return out;
}
