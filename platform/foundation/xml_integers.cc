#include "foundation/xml_integers.h"

#include <cstdint>
#include <optional>

namespace {

bool isXMLSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// CoreFoundation's parseIntegerTag (CFPropertyList.c): spaces, an optional
// sign, spaces, then "0x" and hex digits or decimal digits, leading zeros
// being only zeros (never octal); nothing may follow the digits, not even a
// space; the magnitude must fit 64 bits unsigned, and a negative one
// INT64_MIN. Values above INT64_MAX stay positive.
std::optional<std::string> integerText(std::string_view text, std::string* error) {
  std::size_t at = 0;
  auto skipSpaces = [&] {
    while (at < text.size() && isXMLSpace(text[at])) ++at;
  };
  skipSpaces();
  if (at == text.size()) return *error = "an empty <integer>", std::nullopt;
  bool negative = false;
  if (text[at] == '-' || text[at] == '+') {
    negative = text[at++] == '-';
    skipSpaces();
  }
  unsigned base = 10;
  bool zeros = false;
  if (at < text.size() && text[at] == '0') {
    if (at + 1 < text.size() && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
      base = 16;
      ++at;
    } else {
      zeros = true;
    }
    ++at;
  }
  while (at < text.size() && text[at] == '0') {
    zeros = true;
    ++at;
  }
  if (at == text.size()) {
    if (zeros) return std::string("0");
    return *error = "an incomplete <integer>", std::nullopt;
  }
  uint64_t value = 0;
  for (; at < text.size(); ++at) {
    const int digit = digitValue(text[at]);
    if (digit < 0 || (base == 10 && digit > 9))
      return *error = "a character that is not a digit in <integer>", std::nullopt;
    if ((UINT64_MAX - static_cast<uint64_t>(digit)) / base < value)
      return *error = "an <integer> too large for 64 bits", std::nullopt;
    value = value * base + static_cast<uint64_t>(digit);
    if (negative && value > static_cast<uint64_t>(INT64_MAX) + 1)
      return *error = "an <integer> too small for 64 bits", std::nullopt;
  }
  return (negative && value != 0 ? "-" : "") + std::to_string(value);
}

// Where the construct opened at `at` ("<!--", "<![CDATA[") ends, or npos.
std::size_t skipPast(std::string_view xml, std::size_t at, std::string_view opening, std::string_view closing) {
  if (xml.substr(at, opening.size()) != opening) return at;
  const std::size_t end = xml.find(closing, at + opening.size());
  return end == std::string_view::npos ? std::string_view::npos : end + closing.size();
}

bool isIntegerTag(std::string_view xml, std::size_t at) {
  constexpr std::string_view kTag = "<integer";
  if (xml.substr(at, kTag.size()) != kTag || at + kTag.size() >= xml.size()) return false;
  const char next = xml[at + kTag.size()];
  return next == '>' || next == '/' || isXMLSpace(next);
}

}  // namespace

bool standin::canonicalXMLIntegers(std::string_view xml, std::string* out, std::string* error) {
  out->clear();
  out->reserve(xml.size());
  std::size_t copied = 0;
  for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at)) {
    std::size_t past = skipPast(xml, at, "<!--", "-->");
    if (past == at) past = skipPast(xml, at, "<![CDATA[", "]]>");
    if (past == std::string_view::npos) break;  // unterminated: libplist reports it
    if (past != at) {
      at = past;
      continue;
    }
    if (!isIntegerTag(xml, at)) {
      ++at;
      continue;
    }
    const std::size_t open = xml.find('>', at);
    if (open == std::string_view::npos) break;
    if (xml[open - 1] == '/') return *error = "an empty <integer>", false;
    const std::size_t close = xml.find('<', open + 1);
    if (close == std::string_view::npos) break;
    const std::optional<std::string> value = integerText(xml.substr(open + 1, close - open - 1), error);
    if (!value) return false;
    out->append(xml.substr(copied, open + 1 - copied));
    out->append(*value);
    copied = close;
    at = close;
  }
  out->append(xml.substr(copied));
  return true;
}
