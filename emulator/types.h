// The types that cross between guest and host, read from the host
// implementation's own type encoding (runtime/type_encoding.h; a guest's
// literal to class_addMethod is matched to one of those first), and how each
// is laid out for the guest's processor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout.h"
#include "signature.h"

namespace emu {

using hostcall::Kind;
using hostcall::parseSignature;
using hostcall::Signature;
using hostcall::Type;

// One piece of a value as the guest's calling convention moves it.
struct Part {
  enum Class { Integer, Floating } cls = Integer;
  unsigned size = 0;  // bytes: 1, 2, 4 or 8
};

// The pieces of a value of this type on the guest's processor.
std::vector<Part> guestParts(const Type& type, Arch arch);
unsigned guestPointerSize(Arch arch);

}  // namespace emu
