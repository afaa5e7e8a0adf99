// A function's types, read from its Objective-C type encoding: what a call
// across by encoding (libffi on the host, a guest's calling convention in
// the emulator) needs to know of each argument and of the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostcall {

enum class Kind {
  Void,
  Int,         // signed integer of `size` bytes, the same on both sides (char, int, long long, BOOL)
  UInt,        // unsigned, likewise
  Word,        // long: the guest's machine word
  UWord,       // unsigned long
  Float,       // float on both sides
  Double,      // RealDouble: a double on both sides (time intervals, floor)
  Length,      // CGFloat: double on the host, the guest's length type
  Lengths,     // a structure of `count` CGFloats (CGPoint, CGSize, CGRect)
  Words,       // a structure of `count` unsigned longs (NSRange)
  Object,      // id or Class
  Selector,    // SEL
  CString,     // const char*
  Pointer,     // an opaque pointer (CGContextRef, a semaphore)
  OutScalar,   // a pointer to a number of `size` bytes, the same on both sides (unsigned int*, BOOL*)
  Block,       // a block; the host takes the std::function of `encoding`
  FormatArgs,  // the variadic arguments a format reads
  Raw,         // a guest address passed as it is (a block's own pointer)
};

struct Type {
  Kind kind = Kind::Void;
  unsigned size = 0;     // Int, UInt: bytes
  unsigned count = 0;    // Lengths, Words: members
  std::string encoding;  // as written: "B" for a bool, the block's "@?<v@?@>"
};

// Result first, then the arguments.
struct Signature {
  std::vector<Type> types;
  const Type& result() const { return types.front(); }
  std::size_t arguments() const { return types.size() - 1; }
  const Type& argument(std::size_t i) const { return types[i + 1]; }
};

// Reads an encoding; offsets and qualifiers are skipped. Bit i of
// `realDoubles` marks the i-th type (0 the result, then the arguments,
// receiver and selector counted) whose "d" is a real double rather than a
// CGFloat, as objc_realDoublesOf derives it from the C++ type: the
// encoding's "d" is both on a 64-bit device. Raises std::invalid_argument
// for a type the bridge cannot carry.
Signature parseSignature(const std::string& encoding, std::uint64_t realDoubles = 0);

}  // namespace hostcall
