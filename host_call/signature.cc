#include "signature.h"

#include <algorithm>
#include <stdexcept>

#include "runtime/encoding_types.h"
#include "runtime/type_encoding.h"

namespace hostcall {
namespace {

Type typeOf(const std::string& token, bool realDouble) {
  Type t;
  auto integer = [&](Kind kind, unsigned size) {
    t.kind = kind;
    t.size = size;
    return t;
  };
  if (token == "v") return t;
  if (token == "B" || token == "c") return integer(Kind::Int, 1);
  if (token == "C") return integer(Kind::UInt, 1);
  if (token == "s") return integer(Kind::Int, 2);
  if (token == "S") return integer(Kind::UInt, 2);
  if (token == "i") return integer(Kind::Int, 4);
  if (token == "I") return integer(Kind::UInt, 4);
  if (token == "q") return integer(Kind::Int, 8);
  if (token == "Q") return integer(Kind::UInt, 8);
  if (token == "l") return integer(Kind::Word, 0);
  if (token == "L") return integer(Kind::UWord, 0);
  if (token == "f") return integer(Kind::Float, 4);
  if (token == "d") return integer(realDouble ? Kind::Double : Kind::Length, 8);
  if (token == "@" || token == "#") return integer(Kind::Object, 0);
  if (token == ":") return integer(Kind::Selector, 0);
  if (token == "*") return integer(Kind::CString, 0);
  if (token == "^?") return integer(Kind::Raw, 0);  // a function pointer: here, a guest address
  // Through a pointer to a number as wide on both sides, the host reads and
  // writes the guest's own memory; a pointer to a word or a length (which
  // differ in width) stays opaque.
  if (token == "^c" || token == "^C" || token == "^B") return integer(Kind::OutScalar, 1);
  if (token == "^s" || token == "^S") return integer(Kind::OutScalar, 2);
  if (token == "^i" || token == "^I" || token == "^f") return integer(Kind::OutScalar, 4);
  if (token == "^q" || token == "^Q") return integer(Kind::OutScalar, 8);
  if (token[0] == '^') return integer(Kind::Pointer, 0);
  if (token.rfind("@?", 0) == 0) return integer(Kind::Block, 0);
  if (token == kFormatArgumentsEncoding) return integer(Kind::FormatArgs, 0);
  if (token.rfind("{CGPoint=", 0) == 0 || token.rfind("{CGSize=", 0) == 0 || token.rfind("{CGRect=", 0) == 0) {
    t.kind = Kind::Lengths;
    t.count = static_cast<unsigned>(std::count(token.begin(), token.end(), 'd'));
    return t;
  }
  if (token.rfind("{_NSRange=", 0) == 0) {
    t.kind = Kind::Words;
    t.count = 2;
    return t;
  }
  throw std::invalid_argument("no way to carry the type \"" + token + "\" between guest and host");
}

}  // namespace

Signature parseSignature(const std::string& encoding, std::uint64_t realDoubles) {
  Signature signature;
  unsigned index = 0;
  for (std::string& token : encodingTypes(encoding)) {
    bool realDouble = index < 64 && (realDoubles >> index & 1);
    ++index;
    Type type = typeOf(token, realDouble);
    type.encoding = std::move(token);
    signature.types.push_back(std::move(type));
  }
  if (signature.types.empty()) throw std::invalid_argument("an empty type encoding");
  return signature;
}

}  // namespace hostcall
