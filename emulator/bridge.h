// Calls across: the guest calling a host function or method (its arguments
// read from the guest's registers and stack by the guest's convention,
// converted, and passed with libffi by the host's), and the host calling a
// guest function (a method replacement, a block) the other way round.
#pragma once

#include <ffi.h>

#include <cstdint>
#include <string>
#include <typeinfo>
#include <vector>

#include "machine.h"
#include "runtime/objc.h"
#include "host_call.h"
#include "types.h"

namespace emu {

using hostcall::HostCall;
using hostcall::hostCallFor;

// The guest, stopped at a trap, calls `function`; its result goes back into
// the guest's registers (or, `resultInMemory`, to the address the guest gave
// in r0).
void callHost(Cpu& cpu, void (*function)(), const HostCall& call);

// The host calls the guest function at `address` with host arguments laid
// out as libffi gives them to a closure (`arguments[i]` points at argument
// i); the result is written where `result` points, widened as libffi wants.
void callGuest(Cpu& cpu, std::uint64_t address, const HostCall& call, void** arguments, void* result);

// A host implementation that runs the guest function at `address`: a libffi
// closure of the given encoding, carrying `signature` so the runtime's
// check of every call still holds.
IMP guestImplementation(Machine& machine, std::uint64_t address, const char* types, std::uint64_t realDoubles,
                        const std::type_info* signature);

// A guest-callable address that calls the host implementation `imp` with
// the receiver, selector and arguments the guest passes.
std::uint64_t hostImplementationForGuest(Machine& machine, IMP imp, const std::string& name);

}  // namespace emu
