#include "lazy_binding.h"

#include <atomic>
#include <optional>

#include "device_libraries.h"
#include "guest_structures.h"
#include "imports.h"
#include "machine.h"

namespace emu {
namespace {

namespace op {
// <mach-o/loader.h>
constexpr std::uint8_t kImmediateMask = 0x0F, kOpcodeMask = 0xF0;
constexpr std::uint8_t kDone = 0x00, kOrdinalImm = 0x10, kOrdinalUleb = 0x20, kSpecialImm = 0x30, kSymbol = 0x40,
                       kType = 0x50, kSegmentOffset = 0x70, kDoBind = 0x90;
constexpr std::uint8_t kWeakImport = 0x1;
}  // namespace op

std::atomic<std::uint64_t> gBound{0};

// dyld's own failures end the process from inside the binder (dyld::halt).
[[noreturn]] void halt(const std::string& message) { throw GuestFault("dyld: lazy symbol binding failed: " + message); }

std::uint64_t readUleb(const std::vector<std::uint8_t>& bytes, std::size_t& at) {
  std::uint64_t value = 0;
  unsigned shift = 0;
  while (true) {
    if (at >= bytes.size()) halt("malformed uleb128");
    std::uint8_t byte = bytes[at++];
    if (shift >= 64 && (byte & 0x7f)) halt("uleb128 too big");
    if (shift < 64) value |= std::uint64_t{byte & 0x7fu} << shift;
    shift += 7;
    if (!(byte & 0x80)) return value;
  }
}

struct Found {
  std::uint64_t pointer;  // slid address of the lazy pointer
  std::string symbol;
  long ordinal = 0;
  bool weakImport = false;
};

// The opcodes from `offset` up to the first BIND_OPCODE_DO_BIND, as
// doBindFastLazySymbol reads them: any opcode but these is refused.
Found decode(const Machine& m, std::uint64_t offset) {
  const MachOSlice& slice = m.slice();
  const std::vector<std::uint8_t>& bytes = slice.lazyBindInfo;
  if (offset > bytes.size())
    halt("fast lazy bind offset out of range (" + std::to_string(offset) + ", max=" + std::to_string(bytes.size()) +
         ") in image " + slice.path);
  std::vector<const Segment*> segments;  // as dyld counts them: every segment
  for (const Segment& s : slice.segments) segments.push_back(&s);
  Found found;
  std::optional<std::uint64_t> address;
  std::size_t at = offset;
  while (at < bytes.size()) {
    const std::uint8_t immediate = bytes[at] & op::kImmediateMask, opcode = bytes[at] & op::kOpcodeMask;
    ++at;
    switch (opcode) {
      case op::kDone: break;
      case op::kOrdinalImm: found.ordinal = immediate; break;
      case op::kOrdinalUleb: found.ordinal = static_cast<long>(readUleb(bytes, at)); break;
      case op::kSpecialImm:
        found.ordinal = immediate ? static_cast<std::int8_t>(op::kOpcodeMask | immediate) : 0;
        break;
      case op::kSymbol: {
        std::size_t end = at;
        while (end < bytes.size() && bytes[end]) ++end;
        if (end >= bytes.size()) halt("symbol name runs past the lazy-bind information in " + slice.path);
        found.symbol.assign(reinterpret_cast<const char*>(bytes.data() + at), end - at);
        found.weakImport = immediate & op::kWeakImport;
        at = end + 1;
        break;
      }
      case op::kType: break;  // pointers only, as every lazy bind is
      case op::kSegmentOffset:
        if (immediate >= segments.size())
          halt("BIND_OPCODE_SET_SEGMENT_AND_OFFSET_ULEB has segment " + std::to_string(immediate) +
               " which is too large (0.." + std::to_string(segments.size() - 1) + ")");
        address = m.slide() + segments[immediate]->vmaddr + readUleb(bytes, at);
        break;
      case op::kDoBind:
        if (!address || found.symbol.empty())
          halt("lazy bind at offset " + std::to_string(offset) + " names no pointer or symbol");
        found.pointer = *address;
        return found;
      default: halt("bad lazy bind opcode " + std::to_string(opcode));
    }
  }
  halt("no lazy bind at offset " + std::to_string(offset) + " in " + slice.path);
}

std::optional<std::uint64_t> resolve(Machine& m, const Found& found, std::string& expectedIn) {
  const MachOSlice& slice = m.slice();
  std::string library;  // flat for the special ordinals
  if (found.ordinal > 0) {
    if (static_cast<std::size_t>(found.ordinal) > slice.libraries.size())
      halt("lazy bind of " + found.symbol + " names library ordinal " + std::to_string(found.ordinal) + " of " +
           std::to_string(slice.libraries.size()));
    const Dependency& dependency = slice.libraries[found.ordinal - 1];
    library = dependency.installName;
    if (!deviceProvides(dependency)) {  // a weak library left out
      expectedIn = library;
      return found.weakImport ? std::optional<std::uint64_t>(0) : std::nullopt;
    }
  }
  expectedIn = library.empty() ? "flat namespace" : library;
  std::optional<std::uint64_t> target = resolveImport(m, library, found.symbol);
  if (!target && found.weakImport) target = 0;
  return target;
}

template <class Word>
void bindOnFirstCall(Cpu& cpu) {
  Machine& m = cpu.machine();
  const GuestPtr<StubBinderFrame<Word>> pushed(cpu.sp());
  const StubBinderFrame<Word> frame = m.memory().read(pushed);
  const std::uint64_t cache = frame.imageCache.address();
  bool inImage = false;
  for (const Segment& s : m.slice().segments)
    if (s.vmsize && cache >= m.slide() + s.vmaddr && cache < m.slide() + s.vmaddr + s.vmsize) inImage = true;
  if (!inImage) throw GuestFault("dyld: fast lazy binding from unknown image");

  Found found = decode(m, frame.lazyBindOffset);
  std::string expectedIn;
  std::optional<std::uint64_t> target = resolve(m, found, expectedIn);
  if (!target)
    halt("Symbol not found: " + found.symbol + "\n  Referenced from: " + m.slice().path +
         "\n  Expected in: " + expectedIn);
  m.memory().write(GuestPtr<FunctionPtr<Word>>(found.pointer), FunctionPtr<Word>(*target));
  ++gBound;
  cpu.setSp((pushed + 1).address());  // pops what the helper pushed
  cpu.continueAt(*target);
}

}  // namespace

void stubBinder(Cpu& cpu) {
  withGuestWord(cpu.arch(), [&]<class Word>(Word) { bindOnFirstCall<Word>(cpu); });
}

std::uint64_t lazyBindCount() { return gBound.load(); }

}  // namespace emu
