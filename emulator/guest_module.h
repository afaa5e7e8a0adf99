// Loads a Mach-O dylib's slice into the guest as the device's loader would
// map it into SpringBoard: segments with their protections, rebases and
// binds applied, every import resolved by install name and symbol, the
// constant strings made the platform's strings, then the initialisers run in
// order. What the module installs (method replacements through
// MSHookMessageEx and class_addMethod) runs its machine code under
// emulation from then on.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime/objc.h"

#include "layout.h"
#include "macho_slice.h"

namespace emu {

// Raises LoadError when the file, the slice or an import is wrong (in dyld's
// words where dyld refuses it), GuestFault when an initialiser faults. `kind`
// is what the caller loads: a Substrate load-in (ImageKind::Dylib) or a
// preference bundle's executable (ImageKind::Bundle); a file of the other
// kind is refused. Each image gets a machine of its own; an image is loaded
// once.
void loadGuestModule(const std::string& path, Arch arch, ImageKind kind);

// "arm64" or "armv7"; raises LoadError for another name.
Arch archNamed(const std::string& name);

// What running the guest has cost so far: guest instructions executed (only
// counted when asked before the module loads: counting slows every
// instruction) and calls from the guest into the host.
struct GuestCost {
  std::uint64_t instructions = 0, hostCalls = 0;
};
void countGuestInstructions(bool on);
GuestCost guestCost();
// Host calls by callee, counted when asked before the module loads: "[sel]"
// for a message (a super send "[super sel]"), a C function by its name.
void countHostCallees(bool on);
std::vector<std::pair<std::string, std::uint64_t>> hostCallees();

}  // namespace emu
