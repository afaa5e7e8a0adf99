#include "unwind_info.h"

#include <cstring>

#include <llvm/DebugInfo/DWARF/DWARFDataExtractor.h>
#include <llvm/DebugInfo/DWARF/DWARFDebugFrame.h>
#include <llvm/Support/Casting.h>
#include <llvm/Support/Error.h>
#include <llvm/TargetParser/Triple.h>

#include "machine.h"

namespace emu {
namespace {

// compact_unwind_encoding.h
constexpr std::uint32_t kRegularPage = 2, kCompressedPage = 3;
constexpr std::uint32_t kArm64ModeMask = 0x0F000000, kArm64ModeDwarf = 0x03000000;

struct Reader {
  const std::vector<std::uint8_t>& bytes;
  std::uint64_t start, size;  // the section, in the file
  bool ok(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size && length <= size - offset && start + offset + length <= bytes.size();
  }
  std::uint32_t u32(std::uint64_t offset) const {
    std::uint32_t v = 0;
    if (ok(offset, 4)) std::memcpy(&v, bytes.data() + start + offset, 4);
    return v;
  }
  std::uint16_t u16(std::uint64_t offset) const {
    std::uint16_t v = 0;
    if (ok(offset, 2)) std::memcpy(&v, bytes.data() + start + offset, 2);
    return v;
  }
};

// The encoding libunwind finds for the function at `target` (an offset
// from the image's header); none when the table has no entry for it (then
// libunwind looks in __eh_frame). An encoding of 0 says the function has
// no unwind information.
std::optional<std::uint32_t> encodingFor(const Reader& r, std::uint32_t target) {
  if (!r.ok(0, 28) || r.u32(0) != 1) return std::nullopt;  // version 1
  const std::uint32_t commonOffset = r.u32(4), commonCount = r.u32(8);
  const std::uint32_t indexOffset = r.u32(20), indexCount = r.u32(24);
  if (indexCount < 2 || !r.ok(indexOffset, std::uint64_t{indexCount} * 12)) return std::nullopt;
  // The last index entry only marks the end of the covered range.
  if (target < r.u32(indexOffset) || target >= r.u32(indexOffset + (indexCount - 1) * 12)) return std::nullopt;
  std::uint32_t low = 0, high = indexCount - 1;  // last entry starting at or before target
  while (high - low > 1) {
    std::uint32_t mid = (low + high) / 2;
    (r.u32(indexOffset + mid * 12) <= target ? low : high) = mid;
  }
  const std::uint32_t base = r.u32(indexOffset + low * 12);
  const std::uint32_t page = r.u32(indexOffset + low * 12 + 4);
  if (page == 0 || !r.ok(page, 8)) return std::nullopt;
  const std::uint32_t kind = r.u32(page);
  const std::uint32_t entriesOffset = page + r.u16(page + 4), entries = r.u16(page + 6);
  if (entries == 0) return std::nullopt;
  if (kind == kRegularPage) {
    if (!r.ok(entriesOffset, std::uint64_t{entries} * 8)) return std::nullopt;
    std::uint32_t best = 0;
    bool found = false;
    for (std::uint32_t i = 0; i < entries && r.u32(entriesOffset + i * 8) <= target; ++i) {
      best = r.u32(entriesOffset + i * 8 + 4);
      found = true;
    }
    return found ? std::optional<std::uint32_t>(best) : std::nullopt;
  }
  if (kind != kCompressedPage || !r.ok(entriesOffset, std::uint64_t{entries} * 4)) return std::nullopt;
  const std::uint32_t pageEncodings = page + r.u16(page + 8), pageEncodingCount = r.u16(page + 10);
  std::optional<std::uint32_t> entry;
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint32_t e = r.u32(entriesOffset + i * 4);
    if (base + (e & 0x00FFFFFF) > target) break;
    entry = e;
  }
  if (!entry) return std::nullopt;
  const std::uint32_t index = *entry >> 24;
  if (index < commonCount)
    return r.ok(commonOffset + index * 4, 4) ? std::optional<std::uint32_t>(r.u32(commonOffset + index * 4))
                                             : std::nullopt;
  if (index - commonCount >= pageEncodingCount) return std::nullopt;
  return r.u32(pageEncodings + (index - commonCount) * 4);
}

// True when an FDE of the image's __eh_frame covers the unslid address:
// libunwind's DWARF search, read with LLVM's DWARF frame parser.
bool ehFrameCovers(const MachOSlice& slice, std::uint64_t address) {
  if (slice.ehFrameBytes == 0 || slice.ehFrameFileOffset > slice.bytes.size() ||
      slice.ehFrameBytes > slice.bytes.size() - slice.ehFrameFileOffset)
    return false;
  llvm::StringRef bytes(reinterpret_cast<const char*>(slice.bytes.data() + slice.ehFrameFileOffset),
                        slice.ehFrameBytes);
  llvm::DWARFDebugFrame frames(llvm::Triple::aarch64, /*IsEH=*/true, slice.ehFrame);
  if (llvm::Error error = frames.parse(llvm::DWARFDataExtractor(bytes, /*IsLittleEndian=*/true, 8))) {
    llvm::consumeError(std::move(error));
    return false;  // libunwind finds nothing in a section it cannot read
  }
  for (const llvm::dwarf::FrameEntry& entry : frames.entries())
    if (const auto* fde = llvm::dyn_cast<llvm::dwarf::FDE>(&entry))
      if (address >= fde->getInitialLocation() && address - fde->getInitialLocation() < fde->getAddressRange())
        return true;
  return false;
}

}  // namespace

// As libunwind's UnwindCursor::setInfoBasedOnIPRegister: the compact table
// first; an entry there decides (a DWARF-mode encoding by its FDE); without
// one, __eh_frame.
bool unwindInfoCovers(const MachOSlice& slice, std::uint64_t address) {
  if (slice.unwindInfoBytes && address >= slice.headerAddress && address - slice.headerAddress <= 0xFFFFFFFFu) {
    Reader r{slice.bytes, slice.unwindInfoFileOffset, slice.unwindInfoBytes};
    if (std::optional<std::uint32_t> encoding = encodingFor(r, static_cast<std::uint32_t>(address - slice.headerAddress))) {
      if ((*encoding & kArm64ModeMask) == kArm64ModeDwarf) return ehFrameCovers(slice, address);
      return *encoding != 0;
    }
  }
  return ehFrameCovers(slice, address);
}

std::optional<std::uint64_t> frameWithoutUnwindInfo(Cpu& cpu) {
  Machine& m = cpu.machine();
  if (cpu.arch() != Arch::Arm64) return std::nullopt;
  const std::uint64_t stackLow = layout::kStackBase, stackHigh = layout::kStackBase + layout::kStackSize * layout::kMaxThreads;
  // The function that called the host, then its callers by their frame
  // records {previous fp, return address} (Apple's arm64 code keeps x29 as
  // the frame pointer), up to the host's own call into the guest.
  std::uint64_t returnAddress = cpu.lr(), fp = cpu.intReg(29);
  for (unsigned depth = 0; depth < 4096 && returnAddress != layout::kReturnAddress; ++depth) {
    if (returnAddress < m.slide()) return std::nullopt;  // not the image's code
    // The call's own instruction, one before the return address, is the one
    // that must be covered.
    if (!unwindInfoCovers(m.slice(), returnAddress - m.slide() - 1)) return returnAddress;
    if (fp < stackLow || fp + 16 > stackHigh || fp % 8) return std::nullopt;
    returnAddress = m.memory().readWord(fp + 8, 8);
    fp = m.memory().readWord(fp, 8);
  }
  return std::nullopt;
}

}  // namespace emu
