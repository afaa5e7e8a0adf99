// A typed pointer into the guest's memory, as touchHLE's mem.rs has them:
// the address together with the type of what lies there, so that a
// structure is read and written whole through GuestMemory rather than word
// by word at counted offsets. `Word` is how wide the pointer itself is where
// it is stored: Armv7Word in an armv7 structure, Arm64Word in an arm64 one
// and wherever the host holds one.
#pragma once

#include <cstdint>
#include <type_traits>

#include "layout.h"

namespace emu {

// The pointer-sized word of each slice's guest.
using Armv7Word = std::uint32_t;
using Arm64Word = std::uint64_t;

// What guest pointers point at that the host never reads through: code, and
// objects, which the host knows by name (handles.h).
struct GuestFunction;
struct GuestObject;

template <class T, class Word = Arm64Word>
class GuestPtr {
  static_assert(std::is_same_v<Word, Armv7Word> || std::is_same_v<Word, Arm64Word>);

 public:
  constexpr GuestPtr() = default;
  // A 32-bit guest's pointer arithmetic wraps in 32 bits; so does this.
  constexpr explicit GuestPtr(std::uint64_t address) : bits_(static_cast<Word>(address)) {}

  constexpr std::uint64_t address() const { return bits_; }

  template <class U>
  constexpr GuestPtr<U, Word> cast() const {
    return GuestPtr<U, Word>(bits_);
  }
  // The n-th T from here, as C counts.
  constexpr GuestPtr operator+(std::uint64_t n) const { return GuestPtr(address() + n * sizeof(T)); }

 private:
  Word bits_ = 0;
};

template <class Word>
using FunctionPtr = GuestPtr<GuestFunction, Word>;
template <class Word>
using ObjectPtr = GuestPtr<GuestObject, Word>;

// Calls `body` with a value of the guest's pointer-sized word type, so that
// one generic body reads the structures of either width.
template <class Body>
decltype(auto) withGuestWord(Arch arch, Body&& body) {
  if (arch == Arch::Arm64) return body(Arm64Word{});
  return body(Armv7Word{});
}

}  // namespace emu
