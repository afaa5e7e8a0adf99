// One value crossing between guest and host: as libffi holds it on the
// host (HostSlot) and as the guest's calling convention moves it, in pieces
// of at most a register each, converted by its type (types.h) for the
// guest's processor: lengths are floats and words 32 bits on armv7.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "blocks.h"
#include "machine.h"
#include "types.h"

namespace emu {

// One host value as libffi reads or writes it: integers widened to 64 bits.
struct alignas(16) HostSlot {
  unsigned char bytes[32] = {};
};

template <class T>
void put(HostSlot& slot, T value) {
  std::memcpy(slot.bytes, &value, sizeof value);
}
template <class T>
T get(const void* slot) {
  T value;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

// Guest pieces to one host value; what it points to is kept in `keep`
// until the call returns.
void toHost(Cpu& cpu, const Type& type, const std::vector<std::uint64_t>& bits, HostSlot& slot, Keep& keep);

// One host value to guest pieces.
std::vector<std::uint64_t> toGuest(Cpu& cpu, const Type& type, const void* value);

}  // namespace emu
