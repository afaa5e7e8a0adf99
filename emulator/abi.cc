#include "abi.h"

namespace emu {
namespace {

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

Placement placeArm64(const std::vector<Argument>& arguments, std::size_t firstVariadic) {
  Placement placement;
  unsigned ngrn = 0, nsrn = 0;
  std::uint64_t nsaa = 0;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const Argument& a = arguments[i];
    PieceLocations pieces;
    if (i >= firstVariadic) {
      for (const Part& p : a.parts) {
        nsaa = alignUp(nsaa, 8);
        pieces.push_back({{Location::Stack, static_cast<unsigned>(nsaa), p.size}});
        nsaa += 8;
      }
    } else if (!a.parts.empty() && a.parts.front().cls == Part::Floating) {
      if (nsrn + a.parts.size() <= 8) {
        for (const Part& p : a.parts) pieces.push_back({{Location::FpReg, nsrn++, p.size}});
      } else {
        nsrn = 8;
        for (const Part& p : a.parts) {
          nsaa = alignUp(nsaa, p.size);
          pieces.push_back({{Location::Stack, static_cast<unsigned>(nsaa), p.size}});
          nsaa += p.size;
        }
      }
    } else {
      // A composite that does not fit in the registers left goes whole to
      // the stack (AAPCS64, C.13).
      if (a.aggregate && ngrn + a.parts.size() > 8) ngrn = 8;
      for (const Part& p : a.parts) {
        if (ngrn < 8) {
          pieces.push_back({{Location::IntReg, ngrn++, p.size}});
        } else {
          nsaa = alignUp(nsaa, p.size);
          pieces.push_back({{Location::Stack, static_cast<unsigned>(nsaa), p.size}});
          nsaa += p.size;
        }
      }
    }
    placement.arguments.push_back(std::move(pieces));
  }
  placement.stackBytes = alignUp(nsaa, 16);
  return placement;
}

Placement placeArmv7(const std::vector<Argument>& arguments, bool resultInMemory) {
  Placement placement;
  unsigned word = resultInMemory ? 1 : 0;
  auto at = [](unsigned w, unsigned size) {
    return w < 4 ? Location{Location::IntReg, w, size} : Location{Location::Stack, (w - 4) * 4, size};
  };
  for (const Argument& a : arguments) {
    PieceLocations pieces;
    for (const Part& p : a.parts) {
      if (p.size == 8) {
        pieces.push_back({at(word, 4), at(word + 1, 4)});
        word += 2;
      } else {
        pieces.push_back({at(word++, p.size)});
      }
    }
    placement.arguments.push_back(std::move(pieces));
  }
  placement.stackBytes = alignUp(word > 4 ? (word - 4) * 4 : 0, 16);
  return placement;
}

}  // namespace

Placement placeArguments(Arch arch, const std::vector<Argument>& arguments, std::size_t firstVariadic,
                         bool resultInMemory) {
  return arch == Arch::Arm64 ? placeArm64(arguments, firstVariadic) : placeArmv7(arguments, resultInMemory);
}

bool resultInMemory(Arch arch, const Type& type) {
  if (type.kind == Kind::Words) return arch == Arch::Armv7;  // over 4 bytes on 32-bit ARM; x0, x1 on arm64
  if (type.kind != Kind::Lengths) return false;
  if (arch == Arch::Armv7) return type.count * 4 > 4;
  return type.count > 4;  // a homogeneous aggregate of up to four comes back in d0-d3
}

PieceLocations placeResult(Arch arch, const Argument& result) {
  PieceLocations pieces;
  if (arch == Arch::Arm64) {
    unsigned fp = 0, gp = 0;
    for (const Part& p : result.parts)
      pieces.push_back({p.cls == Part::Floating ? Location{Location::FpReg, fp++, p.size}
                                                : Location{Location::IntReg, gp++, p.size}});
    return pieces;
  }
  unsigned word = 0;
  for (const Part& p : result.parts) {
    if (p.size == 8) {
      pieces.push_back({{Location::IntReg, word, 4}, {Location::IntReg, word + 1, 4}});
      word += 2;
    } else {
      pieces.push_back({{Location::IntReg, word++, p.size}});
    }
  }
  return pieces;
}

}  // namespace emu
