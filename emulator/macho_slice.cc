#include "macho_slice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include <llvm/BinaryFormat/MachO.h>
#include <llvm/Object/MachO.h>
#include <llvm/Object/MachOUniversal.h>
#include <llvm/Support/Error.h>
#include <llvm/Support/MemoryBuffer.h>

#include "base/regular_file.h"

namespace emu {
namespace {

namespace MachO = llvm::MachO;
using llvm::object::MachOObjectFile;

std::string errorText(llvm::Error error) { return llvm::toString(std::move(error)); }

// The processor a slice is for, by its CPU type; armv7 takes the ARM
// subtypes a 32-bit iOS device runs (v7, v7s, v7k).
bool sliceIsFor(std::uint32_t cpuType, std::uint32_t cpuSubType, Arch arch) {
  if (arch == Arch::Arm64) return cpuType == MachO::CPU_TYPE_ARM64;
  std::uint32_t sub = cpuSubType & ~MachO::CPU_SUBTYPE_MASK;
  return cpuType == MachO::CPU_TYPE_ARM &&
         (sub == MachO::CPU_SUBTYPE_ARM_V7 || sub == MachO::CPU_SUBTYPE_ARM_V7S || sub == MachO::CPU_SUBTYPE_ARM_V7K);
}

// The LC_REQ_DYLD commands dyld 239-360 knows (ImageLoaderMachO's reading
// of the load commands); any other with that bit, such as chained fixups or
// an exports trie of its own, stops the load there.
bool dyldKnowsRequired(std::uint32_t cmd) {
  switch (cmd) {
    case MachO::LC_LOAD_WEAK_DYLIB:
    case MachO::LC_RPATH:
    case MachO::LC_REEXPORT_DYLIB:
    case MachO::LC_DYLD_INFO_ONLY:
    case MachO::LC_LOAD_UPWARD_DYLIB:
    case MachO::LC_MAIN: return true;
    default: return false;
  }
}

std::string shortName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void readLoadCommands(const MachOObjectFile& object, MachOSlice& slice) {
  std::optional<std::uint32_t> unknownRequired, minimumVersion;
  for (const auto& command : object.load_commands()) {
    switch (command.C.cmd) {
      case MachO::LC_SEGMENT_64: {
        auto s = object.getSegment64LoadCommand(command);
        slice.segments.push_back({std::string(s.segname, strnlen(s.segname, 16)), s.vmaddr, s.vmsize, s.fileoff,
                                  s.filesize, static_cast<std::uint32_t>(s.initprot)});
        break;
      }
      case MachO::LC_SEGMENT: {
        auto s = object.getSegmentLoadCommand(command);
        slice.segments.push_back({std::string(s.segname, strnlen(s.segname, 16)), s.vmaddr, s.vmsize, s.fileoff,
                                  s.filesize, static_cast<std::uint32_t>(s.initprot)});
        break;
      }
      case MachO::LC_LOAD_DYLIB:
      case MachO::LC_LOAD_WEAK_DYLIB:
      case MachO::LC_REEXPORT_DYLIB:
      case MachO::LC_LOAD_UPWARD_DYLIB: {
        auto d = object.getDylibIDLoadCommand(command);
        if (d.dylib.name >= command.C.cmdsize) throw LoadError("a library load command names nothing");
        const char* name = command.Ptr + d.dylib.name;
        slice.libraries.push_back({std::string(name, strnlen(name, command.C.cmdsize - d.dylib.name)),
                                   d.dylib.current_version, d.dylib.compatibility_version,
                                   command.C.cmd == MachO::LC_LOAD_WEAK_DYLIB});
        break;
      }
      case MachO::LC_VERSION_MIN_IPHONEOS: minimumVersion = object.getVersionMinLoadCommand(command).version; break;
      default:
        if ((command.C.cmd & MachO::LC_REQ_DYLD) && !dyldKnowsRequired(command.C.cmd) && !unknownRequired)
          unknownRequired = command.C.cmd;
        break;
    }
  }
  if (unknownRequired) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", *unknownRequired);
    throw LoadError("dyld: cannot load '" + shortName(slice.path) + "'" +
                    (minimumVersion ? " because it was built for OS version " + std::to_string(*minimumVersion >> 16) +
                                          "." + std::to_string((*minimumVersion >> 8) & 0xff)
                                    : std::string()) +
                    " (load command " + code + " is unknown)");
  }
}

template <class Table>
void readBinds(Table table, MachOSlice& slice) {
  for (const auto& entry : table) {
    Bind bind;
    bind.address = entry.address();
    bind.symbol = entry.symbolName().str();
    bind.addend = entry.addend();
    bind.weakImport = entry.flags() & MachO::BIND_SYMBOL_FLAGS_WEAK_IMPORT;
    int ordinal = entry.ordinal();
    if (ordinal > 0 && static_cast<std::size_t>(ordinal) <= slice.libraries.size())
      bind.library = slice.libraries[ordinal - 1].installName;
    slice.binds.push_back(std::move(bind));
  }
}

// The file type, refused as dyld 239-360 refuses it (dyld.cpp, loadPhase6
// and checkandAddImage): only an executable, a dylib or a bundle maps at
// all; a main executable never loads into another process; an API that
// asks for one kind refuses the other ("not a bundle", "not a dylib").
void checkFileType(std::uint32_t filetype, const std::string& path, ImageKind kind) {
  switch (filetype) {
    case MachO::MH_EXECUTE: throw LoadError(path + ": can't load a main executable");
    case MachO::MH_DYLIB:
      if (kind == ImageKind::Bundle) throw LoadError(path + ": not a bundle");
      return;
    case MachO::MH_BUNDLE:
      if (kind == ImageKind::Dylib) throw LoadError(path + ": not a dylib");
      return;
    default: throw LoadError(path + ": mach-o, but wrong filetype");
  }
}

MachOSlice readObject(MachOObjectFile& object, const std::string& path, Arch arch, ImageKind kind,
                      llvm::StringRef bytes) {
  MachOSlice slice;
  slice.arch = arch;
  slice.kind = kind;
  slice.path = path;
  slice.bytes.assign(bytes.begin(), bytes.end());
  checkFileType(object.getHeader().filetype, path, kind);
  readLoadCommands(object, slice);

  llvm::Error error = llvm::Error::success();
  for (const auto& entry : object.rebaseTable(error)) slice.rebases.push_back(entry.address());
  if (error) throw LoadError(path + ": rebase information: " + errorText(std::move(error)));
  readBinds(object.bindTable(error), slice);
  if (error) throw LoadError(path + ": bind information: " + errorText(std::move(error)));
  readBinds(object.weakBindTable(error), slice);
  if (error) throw LoadError(path + ": weak bind information: " + errorText(std::move(error)));
  // Lazy binds are read when a stub first calls through (lazy_binding.h),
  // as dyld reads them.
  llvm::ArrayRef<std::uint8_t> lazy = object.getDyldInfoLazyBindOpcodes();
  slice.lazyBindInfo.assign(lazy.begin(), lazy.end());

  for (const auto& section : object.sections()) {
    auto name = section.getName();
    if (!name) continue;
    if (*name == "__mod_init_func") {
      slice.initialisers = section.getAddress();
      slice.initialiserBytes = section.getSize();
    } else if (*name == "__text" && object.getSectionFinalSegmentName(section.getRawDataRefImpl()) == "__TEXT") {
      slice.code = section.getAddress();
      slice.codeBytes = section.getSize();
    } else if ((*name == "__unwind_info" || *name == "__eh_frame") &&
               object.getSectionFinalSegmentName(section.getRawDataRefImpl()) == "__TEXT") {
      const std::uint64_t offset = object.is64Bit() ? object.getSection64(section.getRawDataRefImpl()).offset
                                                    : object.getSection(section.getRawDataRefImpl()).offset;
      if (*name == "__unwind_info") {
        slice.unwindInfoFileOffset = offset;
        slice.unwindInfoBytes = section.getSize();
      } else {
        slice.ehFrameFileOffset = offset;
        slice.ehFrameBytes = section.getSize();
        slice.ehFrame = section.getAddress();
      }
    } else if (*name == "__cfstring") {
      slice.constantStrings = section.getAddress();
      slice.constantStringBytes = section.getSize();
    }
  }
  for (const Segment& segment : slice.segments)
    if (segment.fileoff == 0 && segment.filesize) slice.headerAddress = segment.vmaddr;
  for (const auto& symbol : object.symbols()) {
    auto flags = symbol.getFlags();
    if (!flags || (*flags & llvm::object::SymbolRef::SF_Undefined)) continue;
    auto name = symbol.getName();
    auto address = symbol.getAddress();
    if (!name || !address || name->empty()) continue;
    std::uint64_t value = *address;
    // A Thumb function's symbol says so in its description, not its value.
    if (arch == Arch::Armv7 && (object.getSymbolTableEntry(symbol.getRawDataRefImpl()).n_desc & MachO::N_ARM_THUMB_DEF))
      value |= 1;
    slice.symbols.push_back({value, name->str()});
  }
  std::sort(slice.symbols.begin(), slice.symbols.end(),
            [](const Symbol& a, const Symbol& b) { return a.address < b.address; });
  return slice;
}

}  // namespace

bool looksLikeMachO(const std::string& path) {
  std::string head;
  if (standin::readRegularFileHead(path, 4, &head) != standin::FileReadStatus::Read || head.size() < 4) return false;
  const auto* magic = reinterpret_cast<const unsigned char*>(head.data());
  std::uint32_t be = (magic[0] << 24) | (magic[1] << 16) | (magic[2] << 8) | magic[3];
  std::uint32_t le = (magic[3] << 24) | (magic[2] << 16) | (magic[1] << 8) | magic[0];
  return be == MachO::FAT_MAGIC || be == MachO::FAT_MAGIC_64 || le == MachO::MH_MAGIC || le == MachO::MH_MAGIC_64;
}

MachOSlice readMachOSlice(const std::string& path, Arch arch, ImageKind kind) {
  // A load-in library is a few hundred kilobytes; the loader copies what it
  // reads, so a file far beyond any is refused rather than copied.
  constexpr std::size_t kMaxModuleBytes = 64u << 20;
  std::string bytes;
  const standin::FileReadStatus status = standin::readRegularFile(path, kMaxModuleBytes, &bytes);
  if (status == standin::FileReadStatus::TooLarge)
    throw LoadError(path + ": larger than 64 MiB, not a load-in library");
  if (status != standin::FileReadStatus::Read)
    throw LoadError(path + ": " + standin::fileReadStatusText(status, kMaxModuleBytes));
  return readMachOSlice(std::string_view(bytes), path, arch, kind);
}

MachOSlice readMachOSlice(std::string_view bytes, const std::string& path, Arch arch, ImageKind kind) {
  // LLVM reads a symbol's name up to its NUL without a bound: a string table
  // that ends the file without one would be read past the end. A copy that
  // ends in NUL stops it there.
  const std::string terminated(bytes);
  auto binary =
      llvm::object::createBinary(llvm::MemoryBufferRef(llvm::StringRef(terminated.data(), terminated.size()), path));
  if (!binary) throw LoadError(path + ": " + errorText(binary.takeError()));

  if (auto* fat = llvm::dyn_cast<llvm::object::MachOUniversalBinary>(binary->get())) {
    std::string present;
    for (const auto& member : fat->objects()) {
      if (!sliceIsFor(member.getCPUType(), member.getCPUSubType(), arch)) {
        present += (present.empty() ? "" : ", ") + member.getArchFlagName();
        continue;
      }
      auto object = member.getAsObjectFile();
      if (!object) throw LoadError(path + ": " + errorText(object.takeError()));
      return readObject(**object, path, arch, kind, (*object)->getData());
    }
    throw LoadError(path + ": no " + archName(arch) + " slice (it has " + (present.empty() ? "none" : present) + ")");
  }
  auto* object = llvm::dyn_cast<MachOObjectFile>(binary->get());
  if (!object) throw LoadError(path + ": not a Mach-O file");
  const auto& header = object->getHeader();
  if (!sliceIsFor(header.cputype, header.cpusubtype, arch))
    throw LoadError(path + ": a thin file without an " + std::string(archName(arch)) + " slice");
  return readObject(*object, path, arch, kind, object->getData());
}

}  // namespace emu
