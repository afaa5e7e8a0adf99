// The guest's address space, the same for both processors so that every
// address the guest sees fits in 32 bits: the trap page that stands for the
// host's functions, the module, the heap for what the host hands over
// (constant copies of names, blocks it keeps), the arena of objects the
// guest reads by offset, the names of opaque host pointers, and the stacks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace emu {

enum class Arch { Arm64, Armv7 };

// A guest address as messages print it.
inline std::string hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

inline const char* archName(Arch arch) { return arch == Arch::Arm64 ? "arm64" : "armv7"; }

namespace layout {
// One 4-byte slot per host function; slot 0 is where a guest call that the
// host started returns to.
inline constexpr std::uint64_t kTrapBase = 0x00010000, kTrapSize = 0x00040000;
inline constexpr std::uint64_t kReturnAddress = kTrapBase;
inline constexpr std::uint64_t kImageBase = 0x00100000, kImageLimit = 0x0f000000;
inline constexpr std::uint64_t kHeapBase = 0x10000000, kHeapSize = 0x08000000;
inline constexpr std::uint64_t kArenaBase = 0x20000000, kArenaSize = 0x10000000;
// Never mapped: a guest that dereferences an opaque name faults.
inline constexpr std::uint64_t kOpaqueBase = 0x40000000, kOpaqueSize = 0x10000000;
inline constexpr std::uint64_t kStackBase = 0x60000000, kStackSize = 0x00100000, kMaxThreads = 64;
}  // namespace layout

}  // namespace emu
