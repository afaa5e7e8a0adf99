#include "format_arguments.h"

#include <cstring>

#include "machine.h"

namespace emu {

std::vector<FormatConversion> formatConversions(const std::string& format, Arch arch) {
  const unsigned word = guestPointerSize(arch);
  std::vector<FormatConversion> conversions;
  auto add = [&](FormatConversion::What what, Part::Class cls, unsigned size) {
    conversions.push_back({what, Part{cls, size}});
  };
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (++i >= format.size()) break;
    if (format[i] == '%') continue;
    while (i < format.size() && std::strchr("-+ #0'", format[i])) ++i;
    for (int field = 0; field < 2 && i < format.size(); ++field) {  // width, then precision
      if (field == 1) {
        if (format[i] != '.') break;
        ++i;
      }
      if (i < format.size() && format[i] == '*') {
        add(FormatConversion::Signed, Part::Integer, 4);
        ++i;
      }
      while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
    }
    unsigned size = 4;  // int, and what is promoted to it
    int longs = 0;
    while (i < format.size() && std::strchr("hlqLzjt", format[i])) {
      char m = format[i++];
      if (m == 'l')
        ++longs;
      else if (m == 'q' || m == 'j' || m == 'L')
        longs = 2;
      else if (m == 'z' || m == 't')
        size = word;
    }
    if (longs == 1) size = word;
    if (longs >= 2) size = 8;
    if (i >= format.size()) break;
    switch (format[i]) {
      case 'd':
      case 'i':
      case 'c':
      case 'C': add(FormatConversion::Signed, Part::Integer, size); break;
      case 'u':
      case 'o':
      case 'x':
      case 'X': add(FormatConversion::Unsigned, Part::Integer, size); break;
      case 'p': add(FormatConversion::Unsigned, Part::Integer, word); break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        add(FormatConversion::Floating, Part::Floating, 8);  // float is promoted to double
        break;
      case '@': add(FormatConversion::Object, Part::Integer, word); break;
      case 's': add(FormatConversion::CString, Part::Integer, word); break;
      default: break;  // not a conversion the platform formats; reads nothing
    }
  }
  return conversions;
}

standin::FormatArg formatArgument(Cpu& cpu, const FormatConversion& c, std::uint64_t bits, Keep& keep) {
  Machine& m = cpu.machine();
  const unsigned size = c.part.size;
  const std::uint64_t value = size >= 8 ? bits : bits & ((std::uint64_t{1} << (8 * size)) - 1);
  switch (c.what) {
    case FormatConversion::Signed: {
      unsigned shift = 64 - 8 * size;
      return static_cast<long long>(static_cast<std::int64_t>(value << shift) >> shift);
    }
    case FormatConversion::Unsigned: return static_cast<unsigned long long>(value);
    case FormatConversion::Floating: {
      double d;
      std::memcpy(&d, &bits, 8);
      return d;
    }
    case FormatConversion::Object: return m.handles().toHost(value);
    case FormatConversion::CString:
      if (!value) return static_cast<const char*>(nullptr);
      keep.strings.push_back(std::make_unique<std::string>(m.memory().readCString(value)));
      return keep.strings.back()->c_str();
  }
  return 0LL;
}

}  // namespace emu
