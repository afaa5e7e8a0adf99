// The variadic arguments of a format (NSLog, stringWithFormat:): how many
// there are and how wide each is comes from the format's conversions, as a
// variadic callee on the device reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "blocks.h"
#include "foundation/NSString.h"
#include "types.h"

namespace emu {

class Cpu;

struct FormatConversion {
  enum What { Signed, Unsigned, Floating, Object, CString } what = Signed;
  Part part;  // as the guest passes it
};

// The arguments a format reads, in order ("%*d" reads two).
std::vector<FormatConversion> formatConversions(const std::string& format, Arch arch);
standin::FormatArg formatArgument(Cpu& cpu, const FormatConversion& conversion, std::uint64_t bits, Keep& keep);

}  // namespace emu
