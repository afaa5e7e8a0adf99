#include "types.h"

namespace emu {

unsigned guestPointerSize(Arch arch) { return arch == Arch::Arm64 ? 8 : 4; }

std::vector<Part> guestParts(const Type& type, Arch arch) {
  const unsigned word = guestPointerSize(arch);
  const unsigned length = arch == Arch::Arm64 ? 8 : 4;
  switch (type.kind) {
    case Kind::Void: return {};
    case Kind::Int:
    case Kind::UInt: return {{Part::Integer, type.size}};
    case Kind::Float: return {{Part::Floating, 4}};
    case Kind::Double: return {{Part::Floating, 8}};
    case Kind::Length: return {{Part::Floating, length}};
    case Kind::Lengths: return std::vector<Part>(type.count, Part{Part::Floating, length});
    case Kind::Words: return std::vector<Part>(type.count, Part{Part::Integer, word});
    case Kind::FormatArgs: return {};
    default: return {{Part::Integer, word}};
  }
}

}  // namespace emu
