// What the runtime reports as a method's type encoding: the encoding its
// implementation derives, written as the device's compiler writes it for the
// simulated slice, or a module's own literal, checked against that.
// The runtime's own; frameworks read encodings with class_getMethodTypeEncoding.
#pragma once

#include <cstdint>

#include "runtime/objc_class.h"

namespace objc_detail {

// A method added with the encoding `imp` derives, or with the caller's
// text `given`.
objc_method methodOf(IMP imp, const char* given);
// What class_getMethodTypeEncoding answers for the method.
const char* reportedEncoding(const objc_method& m);

// `types` (an IMP's, see type_encoding.h) for the simulated slice; "" for
// none. Good for the life of the process.
const char* reportedEncoding(const char* types, std::uint64_t realDoubles);

// Raises where a module gives class_addMethod a literal that says something
// else than `imp` takes on the simulated slice; nothing for no literal.
void checkGivenEncoding(Class cls, SEL name, IMP imp, const char* given);

}  // namespace objc_detail
