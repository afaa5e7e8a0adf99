// The guest's own structures that the emulator reads or writes, field for
// field as the guest's compiler lays them out at each pointer width (`Word`
// is Armv7Word or Arm64Word). Their fixed-width fields fall at the same
// offsets on the host, as the assertions at the end hold, and
// tests/emulator/guest_structures_test.cc holds those against clang's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guest_ptr.h"

namespace emu {

// ---- Blocks (clang's Block-ABI-Apple, libclosure's Block_private.h) --------

// The descriptor a literal points at; when the literal's flags say so, the
// copy and dispose helpers follow it.
template <class Word>
struct BlockDescriptor {
  Word reserved;
  Word size;  // of the literal with its captures
};

template <class Word>
struct BlockCopyDispose {
  FunctionPtr<Word> copy;  // (destination, source)
  FunctionPtr<Word> dispose;
};

// The literal the compiler builds on the stack, its captures after it.
template <class Word>
struct BlockLiteral {
  ObjectPtr<Word> isa;
  std::uint32_t flags;
  std::uint32_t reserved;
  FunctionPtr<Word> invoke;  // (the literal, arguments...)
  GuestPtr<BlockDescriptor<Word>, Word> descriptor;
};

inline constexpr std::uint32_t kBlockNeedsFree = 1u << 24;
inline constexpr std::uint32_t kBlockHasCopyDispose = 1u << 25;
inline constexpr std::uint32_t kBlockReferenceBits = 0xffff;  // the count, and its deallocating bit

// ---- Constant strings in __cfstring (clang's __NSConstantString) ------------

template <class Word>
struct ConstantString {
  ObjectPtr<Word> isa;  // ___CFConstantStringClassReference
  std::uint32_t flags;
  GuestPtr<std::uint8_t, Word> bytes;  // UTF-16 units when kConstantStringUTF16
  Word length;                         // in characters (CFIndex)
};

inline constexpr std::uint32_t kConstantStringUTF16 = 0x10;  // a literal with characters beyond ASCII

// ---- Messages to super (objc4's message.h) ----------------------------------

template <class Word>
struct ObjCSuper {
  ObjectPtr<Word> receiver;
  ObjectPtr<Word> superClass;  // where the method lookup starts
};

// ---- What the stub helper pushes for dyld_stub_binder -----------------------

// The common stub helper, as the linker writes it: arm64 stores the lazy-bind
// offset below the image's cache word (stp x16, x17, [sp, #-16]!); armv7
// pushes the offset, then the cache word (str ip, [sp, #-4]! twice).
template <class Word>
struct StubBinderFrame;

template <>
struct StubBinderFrame<Arm64Word> {
  std::uint64_t lazyBindOffset;
  GuestPtr<Arm64Word, Arm64Word> imageCache;
};

template <>
struct StubBinderFrame<Armv7Word> {
  GuestPtr<Armv7Word, Armv7Word> imageCache;
  std::uint32_t lazyBindOffset;
};

// ---- arm64 frame records (Apple's arm64 code keeps x29 as frame pointer) ----

struct FrameRecord {
  GuestPtr<FrameRecord> previous;
  FunctionPtr<Arm64Word> returnAddress;
};

// Where the guest puts each field.
static_assert(sizeof(BlockLiteral<Armv7Word>) == 20 && offsetof(BlockLiteral<Armv7Word>, invoke) == 12 &&
              offsetof(BlockLiteral<Armv7Word>, descriptor) == 16);
static_assert(sizeof(BlockLiteral<Arm64Word>) == 32 && offsetof(BlockLiteral<Arm64Word>, invoke) == 16 &&
              offsetof(BlockLiteral<Arm64Word>, descriptor) == 24);
static_assert(sizeof(BlockDescriptor<Armv7Word>) == 8 && sizeof(BlockCopyDispose<Armv7Word>) == 8);
static_assert(sizeof(BlockDescriptor<Arm64Word>) == 16 && sizeof(BlockCopyDispose<Arm64Word>) == 16);
static_assert(sizeof(ConstantString<Armv7Word>) == 16 && offsetof(ConstantString<Armv7Word>, bytes) == 8 &&
              offsetof(ConstantString<Armv7Word>, length) == 12);
static_assert(sizeof(ConstantString<Arm64Word>) == 32 && offsetof(ConstantString<Arm64Word>, bytes) == 16 &&
              offsetof(ConstantString<Arm64Word>, length) == 24);
static_assert(sizeof(ObjCSuper<Armv7Word>) == 8 && sizeof(ObjCSuper<Arm64Word>) == 16);
static_assert(sizeof(StubBinderFrame<Armv7Word>) == 8 && offsetof(StubBinderFrame<Armv7Word>, lazyBindOffset) == 4);
static_assert(sizeof(StubBinderFrame<Arm64Word>) == 16 && offsetof(StubBinderFrame<Arm64Word>, imageCache) == 8);
static_assert(sizeof(FrameRecord) == 16 && offsetof(FrameRecord, returnAddress) == 8);

}  // namespace emu
