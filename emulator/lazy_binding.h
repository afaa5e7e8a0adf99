// dyld_stub_binder as dyld 239-360 runs it (dyld_stub_binder.s and
// ImageLoaderMachOCompressed::doBindFastLazySymbol): a lazy pointer starts
// out at its entry in the slice's stub helper; the first call through it
// runs that entry, which pushes the symbol's offset into the lazy-bind
// opcodes, and the helper's common part, which pushes the address of the
// image's cache word and jumps to dyld_stub_binder. The binder decodes the
// opcodes at that offset, binds that one symbol, stores it in the lazy
// pointer and jumps to it with the caller's arguments and return address.
#pragma once

#include <cstdint>
#include <string>

namespace emu {

class Cpu;
class Machine;

// The host's dyld_stub_binder, run on the trap the slice's GOT entry for it
// is bound to. Raises GuestFault with dyld's message when the offset or the
// opcodes are wrong or the symbol is missing.
void stubBinder(Cpu& cpu);

// How many symbols dyld_stub_binder has bound since the module loaded.
std::uint64_t lazyBindCount();

}  // namespace emu
