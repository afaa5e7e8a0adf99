// Where the guest's calling convention puts each piece of each argument and
// of the result: Apple's arm64 variant (x0-x7, d0-d7, homogeneous float
// aggregates in consecutive d registers, variadic arguments on the stack in
// 8-byte slots, stack arguments at their natural alignment) and iOS's 32-bit
// ARM one (r0-r3 then the stack in 4-byte words, floating point in core
// registers, 8-byte values only 4-byte aligned, structures over 4 bytes
// returned through memory whose address comes in r0).
#pragma once

#include <cstdint>
#include <vector>

#include "types.h"

namespace emu {

struct Location {
  enum Where { IntReg, FpReg, Stack } where = IntReg;
  unsigned index = 0;  // register number, or byte offset from the stack pointer
  unsigned size = 0;   // bytes read or written there
};

// One argument's pieces and, for each piece, the places its bytes go (two on
// 32-bit ARM for an 8-byte piece: low word first).
using PieceLocations = std::vector<std::vector<Location>>;

struct Placement {
  std::vector<PieceLocations> arguments;
  std::uint64_t stackBytes = 0;
};

struct Argument {
  std::vector<Part> parts;
  bool aggregate = false;  // a structure (homogeneous aggregate on arm64)
};

// `firstVariadic`: index of the first variadic argument (arguments.size()
// when none). `resultInMemory`: the hidden result address takes the first
// register (32-bit ARM).
Placement placeArguments(Arch arch, const std::vector<Argument>& arguments, std::size_t firstVariadic,
                         bool resultInMemory);

// Whether a result of this type comes back through memory the caller gives.
bool resultInMemory(Arch arch, const Type& type);
// Where a result returned in registers lies.
PieceLocations placeResult(Arch arch, const Argument& result);

}  // namespace emu
