#include "foundation/utf16.h"

namespace {

// Length in bytes of the UTF-8 sequence starting with `lead`, 0 if invalid.
int sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

bool utf8IsValid(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    auto lead = static_cast<unsigned char>(s[i]);
    int n = sequenceLength(lead);
    if (n == 0 || i + n > s.size()) return false;
    unsigned cp = n == 1 ? lead : lead & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are invalid.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n;
  }
  return true;
}

unsigned long utf16Length(std::string_view s) {
  unsigned long units = 0;
  for (size_t i = 0; i < s.size();) {
    int n = sequenceLength(static_cast<unsigned char>(s[i]));
    if (n == 0) n = 1;
    units += n == 4 ? 2 : 1;
    i += n;
  }
  return units;
}

bool utf16Substring(std::string_view s, unsigned long location, unsigned long length, std::string* out) {
  if (location > utf16Length(s) || length > utf16Length(s) - location) return false;
  unsigned long unit = 0;
  size_t begin = s.size(), end = s.size();
  for (size_t i = 0; i <= s.size();) {
    if (unit >= location && begin == s.size()) begin = i;
    if (unit >= location + length) {
      end = i;
      break;
    }
    if (i == s.size()) break;
    int n = sequenceLength(static_cast<unsigned char>(s[i]));
    if (n == 0) n = 1;
    unit += n == 4 ? 2 : 1;
    i += n;
  }
  if (begin > end) begin = end;
  *out = std::string(s.substr(begin, end - begin));
  return true;
}
