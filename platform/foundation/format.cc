// The printf-style formatting of stringWithFormat: and NSLog.
//
// Arguments arrive typed, so a conversion never reads memory that was not
// passed; a conversion whose argument has another type, or is missing,
// prints a marker instead. Text produced by an argument is never scanned for
// conversions again.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "foundation/NSString.h"
#include "runtime/message.h"

namespace {

void appendDescription(std::string& out, id obj) {
  if (!obj) {
    out += "(null)";
    return;
  }
  if (id description = msgSend<id>(obj, "description")) out += static_cast<NSStringObj*>(description)->utf8;
}

// Re-runs one conversion through snprintf with a conversion string we built ourselves
// from flags, width and precision that were checked to be plain digits.
template <class T>
std::string printfOne(const std::string& conversion, T value) {
  char buffer[512];
  int n = std::snprintf(buffer, sizeof buffer, conversion.c_str(), value);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, n);
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), conversion.c_str(), value);
  big.resize(static_cast<size_t>(n));
  return big;
}

// A plain decimal conversion (no flags, width or precision) prints what
// printf's "%lld" or "%llu" prints, without printf's cost.
template <class T>
std::string decimal(T value) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

}  // namespace

std::string standin::formatToUTF8(std::string_view format, const standin::FormatArgs& args) {
  std::string out;
  out.reserve(format.size() + 16);
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {  // the text up to the next conversion, in one piece
      const size_t end = std::min(format.find('%', i), format.size());
      out.append(format.substr(i, end - i));
      i = end - 1;
      continue;
    }
    size_t start = i++;
    auto run = [&](size_t from, auto part) {
      while (i < format.size() && part(format[i])) ++i;
      return format.substr(from, i - from);
    };
    const std::string_view flags =
        run(i, [](char c) { return std::string_view("-+ #0").find(c) != std::string_view::npos; });
    const size_t widthStart = i;
    const std::string_view width = run(i, [&](char c) { return c >= '0' && c <= '9' && i - widthStart < 4; });
    std::string_view precision;
    if (i < format.size() && format[i] == '.') {
      const size_t precisionStart = i++;
      precision = run(precisionStart, [&](char c) { return c >= '0' && c <= '9' && i - precisionStart < 4; });
    }
    while (i < format.size() && std::string_view("hlqLjzt").find(format[i]) != std::string_view::npos) ++i;
    if (i >= format.size()) {
      out.append(format.substr(start));
      break;
    }
    char conv = format[i];
    if (conv == '%') {
      out += '%';
      continue;
    }
    const bool plain = flags.empty() && width.empty() && precision.empty();
    std::string prefix(1, '%');
    if (!plain) prefix.append(flags).append(width).append(precision);
    const standin::FormatArg* arg = next < args.size() ? &args[next] : nullptr;
    if (std::string_view("@dDiuUxXoOcfFeEgGsp").find(conv) == std::string_view::npos) {
      out.append(format.substr(start, i - start + 1));  // unknown conversion: kept as written
      continue;
    }
    ++next;
    if (!arg) {
      out += "(missing)";
      continue;
    }
    switch (conv) {
      case '@':
        if (auto* o = std::get_if<id>(arg))
          appendDescription(out, *o);
        else if (auto* s = std::get_if<const char*>(arg))
          out += *s ? *s : "(null)";
        else
          out += "(invalid)";
        break;
      case 'd':
      case 'D':
      case 'i':
      case 'c':
        if (auto* v = std::get_if<long long>(arg); v && plain && conv != 'c')
          out += decimal(*v);
        else if (auto* u = std::get_if<unsigned long long>(arg); u && plain && conv != 'c')
          out += decimal(static_cast<long long>(*u));
        else if (auto* v = std::get_if<long long>(arg))
          out += conv == 'c' ? std::string(1, static_cast<char>(*v)) : printfOne(prefix.append("lld"), *v);
        else if (auto* u = std::get_if<unsigned long long>(arg))
          out += printfOne(prefix.append("lld"), static_cast<long long>(*u));
        else
          out += "(invalid)";
        break;
      case 'u':
      case 'U':
      case 'x':
      case 'X':
      case 'o':
      case 'O': {
        prefix.append("ll").push_back(conv == 'U' ? 'u' : conv == 'O' ? 'o' : conv);
        const bool plainDecimal = plain && (conv == 'u' || conv == 'U');
        if (auto* u = std::get_if<unsigned long long>(arg); u && plainDecimal)
          out += decimal(*u);
        else if (auto* v = std::get_if<long long>(arg); v && plainDecimal)
          out += decimal(static_cast<unsigned long long>(*v));
        else if (auto* u = std::get_if<unsigned long long>(arg))
          out += printfOne(prefix, *u);
        else if (auto* v = std::get_if<long long>(arg))
          out += printfOne(prefix, static_cast<unsigned long long>(*v));
        else
          out += "(invalid)";
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        if (auto* d = std::get_if<double>(arg))
          out += printfOne((prefix.push_back(conv), prefix), *d);
        else
          out += "(invalid)";
        break;
      case 's':
        if (auto* s = std::get_if<const char*>(arg))
          out += printfOne(prefix.append("s"), *s ? *s : "(null)");
        else
          out += "(invalid)";
        break;
      case 'p':
        if (auto* o = std::get_if<id>(arg))
          out += printfOne("%p", static_cast<void*>(*o));
        else
          out += "(invalid)";
        break;
    }
  }
  return out;
}
