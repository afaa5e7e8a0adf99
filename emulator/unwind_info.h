// Which guest arm64 code an exception may unwind through, as libunwind
// decides it on the device (libunwind's UnwindCursor and CompactUnwinder,
// Apple's compact_unwind_encoding.h): a frame whose return address neither
// the image's __unwind_info (an entry with a non-zero encoding) nor, where
// that table has no entry, an FDE of its __eh_frame covers ends the walk,
// and an exception raised below it is uncaught: SpringBoard terminates. 32-bit ARM on iOS unwinds with
// setjmp/longjmp and is not read here.
#pragma once

#include <cstdint>
#include <optional>

namespace emu {

class Cpu;
struct MachOSlice;

// True when the image's unwind information covers the unslid address.
bool unwindInfoCovers(const MachOSlice& slice, std::uint64_t address);

// The first guest frame, innermost first, of the guest call running on
// `cpu` (stopped at a host trap), whose return address no unwind
// information covers; none on armv7.
std::optional<std::uint64_t> frameWithoutUnwindInfo(Cpu& cpu);

}  // namespace emu
