// A host function called by its type encoding: the signature prepared for
// libffi once per encoding and kept. The emulator's calls across and
// SpringBoard's tracer both call through it.
#pragma once

#include <ffi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "signature.h"

namespace hostcall {

struct HostCall {
  Signature signature;
  ffi_cif cif;
  std::vector<ffi_type*> argumentTypes;
};
// `realDoubles`: see parseSignature. Raises std::invalid_argument for a type
// no call can carry, std::runtime_error when libffi refuses the signature.
const HostCall& hostCallFor(const std::string& encoding, std::uint64_t realDoubles = 0);

}  // namespace hostcall
