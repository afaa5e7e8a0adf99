// What the host provides to the guest, by install name and symbol: one
// declared host implementation per function of the link stubs
// (device/stubs/*.tbd), with its C signature, each on a trap slot of its
// own; and the data symbols, placed in the guest's memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/objc.h"

namespace emu {

class Machine;

// The guest address bound to `symbol` of `library` (an install name), made
// on first use; nothing when the host does not provide it.
std::optional<std::uint64_t> resolveImport(Machine& machine, const std::string& library, const std::string& symbol);

}  // namespace emu
