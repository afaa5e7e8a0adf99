#include "unwind_info.h"

#include <cstring>

#include <llvm/DebugInfo/DWARF/DWARFDataExtractor.h>
#include <llvm/DebugInfo/DWARF/DWARFDebugFrame.h>
#include <llvm/Support/Casting.h>
#include <llvm/Support/Error.h>
#include <llvm/TargetParser/Triple.h>

#include "guest_structures.h"
#include "machine.h"

namespace emu {
namespace {

// compact_unwind_encoding.h: the section's header, its first-level index,
// and the two kinds of second-level page, each starting with PageHeader.
constexpr std::uint32_t kRegularPage = 2, kCompressedPage = 3;
constexpr std::uint32_t kArm64ModeMask = 0x0F000000, kArm64ModeDwarf = 0x03000000;

struct SectionHeader {
  std::uint32_t version, commonEncodingsOffset, commonEncodingsCount, personalitiesOffset, personalitiesCount,
      indexOffset, indexCount;
};
struct IndexEntry {
  std::uint32_t functionOffset, pageOffset, lsdaIndexOffset;
};
struct PageHeader {
  std::uint32_t kind;
  std::uint16_t entriesPageOffset, entryCount;
};
struct CompressedPageHeader {
  PageHeader page;
  std::uint16_t encodingsPageOffset, encodingCount;
};
struct RegularEntry {
  std::uint32_t functionOffset, encoding;
};
static_assert(sizeof(SectionHeader) == 28 && sizeof(IndexEntry) == 12 && sizeof(PageHeader) == 8 &&
              sizeof(CompressedPageHeader) == 12 && sizeof(RegularEntry) == 8);

// `count` consecutive Ts, all inside the section.
template <class T>
struct Table {
  const std::uint8_t* first;
  std::uint64_t count;
  T operator[](std::uint64_t i) const {
    T value;
    std::memcpy(&value, first + i * sizeof(T), sizeof value);
    return value;
  }
};

// The section's bytes in the file; a table is read only where it lies
// wholly inside them.
struct Reader {
  const std::vector<std::uint8_t>& bytes;
  std::uint64_t start, size;  // the section, in the file
  bool ok(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size && length <= size - offset && start + offset + length <= bytes.size();
  }
  template <class T>
  std::optional<T> at(std::uint64_t offset) const {
    if (!ok(offset, sizeof(T))) return std::nullopt;
    T value;
    std::memcpy(&value, bytes.data() + start + offset, sizeof value);
    return value;
  }
  template <class T>
  std::optional<Table<T>> table(std::uint64_t offset, std::uint64_t count) const {
    if (!ok(offset, count * sizeof(T))) return std::nullopt;
    return Table<T>{bytes.data() + start + offset, count};
  }
};

// The encoding libunwind finds for the function at `target` (an offset
// from the image's header); none when the table has no entry for it (then
// libunwind looks in __eh_frame). An encoding of 0 says the function has
// no unwind information.
std::optional<std::uint32_t> encodingFor(const Reader& r, std::uint32_t target) {
  const std::optional<SectionHeader> header = r.at<SectionHeader>(0);
  if (!header || header->version != 1 || header->indexCount < 2) return std::nullopt;
  const std::optional<Table<IndexEntry>> index = r.table<IndexEntry>(header->indexOffset, header->indexCount);
  if (!index) return std::nullopt;
  // The last index entry only marks the end of the covered range.
  if (target < (*index)[0].functionOffset || target >= (*index)[index->count - 1].functionOffset) return std::nullopt;
  std::uint32_t low = 0, high = header->indexCount - 1;  // last entry starting at or before target
  while (high - low > 1) {
    std::uint32_t mid = (low + high) / 2;
    ((*index)[mid].functionOffset <= target ? low : high) = mid;
  }
  const IndexEntry range = (*index)[low];
  const std::uint32_t page = range.pageOffset;
  const std::optional<PageHeader> pageHeader = page ? r.at<PageHeader>(page) : std::nullopt;
  if (!pageHeader || pageHeader->entryCount == 0) return std::nullopt;
  const std::uint32_t entriesOffset = page + pageHeader->entriesPageOffset;
  if (pageHeader->kind == kRegularPage) {
    const std::optional<Table<RegularEntry>> entries = r.table<RegularEntry>(entriesOffset, pageHeader->entryCount);
    if (!entries) return std::nullopt;
    std::optional<std::uint32_t> best;
    for (std::uint32_t i = 0; i < entries->count && (*entries)[i].functionOffset <= target; ++i)
      best = (*entries)[i].encoding;
    return best;
  }
  if (pageHeader->kind != kCompressedPage) return std::nullopt;
  // A compressed entry: the encoding's index in its top byte, the function's
  // offset from the range's start below.
  const std::optional<Table<std::uint32_t>> entries = r.table<std::uint32_t>(entriesOffset, pageHeader->entryCount);
  if (!entries) return std::nullopt;
  std::optional<std::uint32_t> entry;
  for (std::uint32_t i = 0; i < entries->count; ++i) {
    const std::uint32_t e = (*entries)[i];
    if (range.functionOffset + (e & 0x00FFFFFF) > target) break;
    entry = e;
  }
  if (!entry) return std::nullopt;
  const std::uint32_t encodingIndex = *entry >> 24;
  if (encodingIndex < header->commonEncodingsCount)
    return r.at<std::uint32_t>(header->commonEncodingsOffset + encodingIndex * 4);
  const std::optional<CompressedPageHeader> compressed = r.at<CompressedPageHeader>(page);
  const std::uint32_t pageIndex = encodingIndex - header->commonEncodingsCount;
  if (!compressed || pageIndex >= compressed->encodingCount) return std::nullopt;
  // Past the section's end, the page's encoding reads as none.
  return r.at<std::uint32_t>(page + compressed->encodingsPageOffset + pageIndex * 4).value_or(0);
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
    if (std::optional<std::uint32_t> encoding =
            encodingFor(r, static_cast<std::uint32_t>(address - slice.headerAddress))) {
      if ((*encoding & kArm64ModeMask) == kArm64ModeDwarf) return ehFrameCovers(slice, address);
      return *encoding != 0;
    }
  }
  return ehFrameCovers(slice, address);
}

std::optional<std::uint64_t> frameWithoutUnwindInfo(Cpu& cpu) {
  Machine& m = cpu.machine();
  if (cpu.arch() != Arch::Arm64) return std::nullopt;
  const std::uint64_t stackLow = layout::kStackBase,
                      stackHigh = layout::kStackBase + layout::kStackSize * layout::kMaxThreads;
  // The function that called the host, then its callers by their frame
  // records, up to the host's own call into the guest.
  std::uint64_t returnAddress = cpu.lr();
  GuestPtr<FrameRecord> fp(cpu.intReg(29));
  for (unsigned depth = 0; depth < 4096 && returnAddress != layout::kReturnAddress; ++depth) {
    if (returnAddress < m.slide()) return std::nullopt;  // not the image's code
    // The call's own instruction, one before the return address, is the one
    // that must be covered.
    if (!unwindInfoCovers(m.slice(), returnAddress - m.slide() - 1)) return returnAddress;
    if (fp.address() < stackLow || fp.address() + sizeof(FrameRecord) > stackHigh || fp.address() % 8)
      return std::nullopt;
    const FrameRecord record = m.memory().read(fp);
    returnAddress = record.returnAddress.address();
    fp = record.previous;
  }
  return std::nullopt;
}

}  // namespace emu
