#include "values.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

namespace emu {
namespace {

std::int64_t signExtend(std::uint64_t bits, unsigned bytes) {
  if (bytes >= 8) return static_cast<std::int64_t>(bits);
  unsigned shift = 64 - 8 * bytes;
  return static_cast<std::int64_t>(bits << shift) >> shift;
}

std::uint64_t zeroExtend(std::uint64_t bits, unsigned bytes) {
  return bytes >= 8 ? bits : bits & ((std::uint64_t{1} << (8 * bytes)) - 1);
}

// NSIntegerMax (NSNotFound, an undefined date component) is the largest
// word on each side, whatever its width.
constexpr std::uint64_t kGuest32Max = 0x7fffffff;

float asFloat(std::uint64_t bits) { return get<float>(&bits); }
double asDouble(std::uint64_t bits) { return get<double>(&bits); }
std::uint64_t bitsOf(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  return bits;
}
std::uint64_t bitsOf(double value) { return get<std::uint64_t>(&value); }

}  // namespace

void toHost(Cpu& cpu, const Type& type, const std::vector<std::uint64_t>& bits, HostSlot& slot, Keep& keep) {
  Machine& m = cpu.machine();
  const bool arm64 = cpu.arch() == Arch::Arm64;
  const unsigned word = guestPointerSize(cpu.arch());
  std::uint64_t b = bits.empty() ? 0 : bits.front();
  switch (type.kind) {
    case Kind::Void:
    case Kind::FormatArgs: return;
    case Kind::Int:
      if (type.encoding == "B")
        put<std::uint64_t>(slot, zeroExtend(b, 1) != 0);
      else
        put<std::int64_t>(slot, signExtend(b, type.size));
      return;
    case Kind::UInt: put<std::uint64_t>(slot, zeroExtend(b, type.size)); return;
    case Kind::Word:
      put<std::int64_t>(slot, !arm64 && zeroExtend(b, 4) == kGuest32Max ? __LONG_MAX__ : signExtend(b, word));
      return;
    case Kind::UWord:
      put<std::uint64_t>(slot, !arm64 && zeroExtend(b, 4) == kGuest32Max ? __LONG_MAX__ : zeroExtend(b, word));
      return;
    case Kind::Float: put<float>(slot, asFloat(b)); return;
    case Kind::Double: put<double>(slot, asDouble(b)); return;
    case Kind::Length: put<double>(slot, arm64 ? asDouble(b) : asFloat(b)); return;
    case Kind::Lengths:
      for (std::size_t i = 0; i < bits.size(); ++i) {
        double v = arm64 ? asDouble(bits[i]) : asFloat(bits[i]);
        std::memcpy(slot.bytes + 8 * i, &v, 8);
      }
      return;
    case Kind::Words:
      for (std::size_t i = 0; i < bits.size(); ++i) {
        std::uint64_t v = !arm64 && zeroExtend(bits[i], 4) == kGuest32Max ? __LONG_MAX__ : zeroExtend(bits[i], word);
        std::memcpy(slot.bytes + 8 * i, &v, 8);
      }
      return;
    case Kind::Object: put<id>(slot, m.handles().toHost(zeroExtend(b, word))); return;
    case Kind::Selector: put<SEL>(slot, m.handles().selectorToHost(zeroExtend(b, word))); return;
    case Kind::CString:
      if (!b) {
        put<const char*>(slot, nullptr);
      } else {
        keep.strings.push_back(std::make_unique<std::string>(m.memory().readCString(zeroExtend(b, word))));
        put<const char*>(slot, keep.strings.back()->c_str());
      }
      return;
    case Kind::Pointer: put<void*>(slot, m.handles().opaqueToHost(zeroExtend(b, word))); return;
    case Kind::OutScalar: {
      std::uint64_t at = zeroExtend(b, word);
      std::uint8_t* host = at ? m.memory().host(at, type.size) : nullptr;
      if (at && !host)
        throw std::runtime_error("the module passed " + hex(at) + " where " + std::to_string(type.size) +
                                 " bytes of its memory were expected");
      put<void*>(slot, host);
      return;
    }
    case Kind::Block: put<void*>(slot, hostBlock(cpu, type.encoding, zeroExtend(b, word), keep)); return;
    case Kind::Raw: put<std::uint64_t>(slot, zeroExtend(b, word)); return;
  }
}

std::vector<std::uint64_t> toGuest(Cpu& cpu, const Type& type, const void* value) {
  Machine& m = cpu.machine();
  const bool arm64 = cpu.arch() == Arch::Arm64;
  switch (type.kind) {
    case Kind::Void:
    case Kind::FormatArgs: return {};
    case Kind::Int:
      if (type.encoding == "B") return {get<std::uint8_t>(value) != 0 ? 1u : 0u};
      return {static_cast<std::uint64_t>(signExtend(get<std::uint64_t>(value), type.size))};
    case Kind::UInt: return {zeroExtend(get<std::uint64_t>(value), type.size)};
    case Kind::Word: {
      // A 32-bit Foundation works out an NSInteger in 32 bits and clamps
      // what does not fit: -[NSString integerValue] saturates on overflow
      // (swift-corelibs-foundation's Scanner, which integerValue reads with;
      // Apple's reference gives INT_MAX or INT_MIN only for intValue), and CFNumber's
      // conversion to a 32-bit integer clamps the same way (CFNumber.c, CVT).
      // NSIntegerMax itself becomes the guest's NSIntegerMax.
      auto v = get<std::int64_t>(value);
      if (arm64) return {static_cast<std::uint64_t>(v)};
      v = std::clamp<std::int64_t>(v, -std::int64_t{kGuest32Max} - 1, std::int64_t{kGuest32Max});
      return {zeroExtend(static_cast<std::uint64_t>(v), 4)};
    }
    case Kind::UWord: {
      std::uint64_t v = get<std::uint64_t>(value);
      if (!arm64) v = v == static_cast<std::uint64_t>(__LONG_MAX__) ? kGuest32Max : zeroExtend(v, 4);
      return {v};
    }
    case Kind::Float: return {bitsOf(get<float>(value))};
    case Kind::Double: return {bitsOf(get<double>(value))};
    case Kind::Length: {
      double v = get<double>(value);
      return {arm64 ? bitsOf(v) : bitsOf(static_cast<float>(v))};
    }
    case Kind::Lengths: {
      std::vector<std::uint64_t> bits;
      for (unsigned i = 0; i < type.count; ++i) {
        double v = get<double>(static_cast<const unsigned char*>(value) + 8 * i);
        bits.push_back(arm64 ? bitsOf(v) : bitsOf(static_cast<float>(v)));
      }
      return bits;
    }
    case Kind::Words: {
      std::vector<std::uint64_t> bits;
      for (unsigned i = 0; i < type.count; ++i) {
        auto v = get<std::uint64_t>(static_cast<const unsigned char*>(value) + 8 * i);
        if (!arm64) v = v == static_cast<std::uint64_t>(__LONG_MAX__) ? kGuest32Max : zeroExtend(v, 4);
        bits.push_back(v);
      }
      return bits;
    }
    case Kind::Object: return {m.handles().toGuest(get<id>(value))};
    case Kind::Selector: return {m.handles().selectorToGuest(get<SEL>(value))};
    case Kind::CString: {
      const char* text = get<const char*>(value);
      if (!text) return {0};
      std::uint64_t copy = m.memory().copyString(text);
      cpu.keepUntilReturn(copy);
      return {copy};
    }
    case Kind::Pointer:
    case Kind::OutScalar: return {m.handles().opaqueToGuest(get<void*>(value))};
    case Kind::Raw: return {get<std::uint64_t>(value)};
    case Kind::Block: break;
  }
  throw std::runtime_error("the host cannot hand a block to the guest");
}

}  // namespace emu
