// One slice of a Mach-O dylib, as the loader needs it: its segments, the
// dyld information (rebases, binds, lazy binds), its initialisers and its
// symbol table. Read with LLVM's Object library. Nothing here looks a symbol
// up in the module, so its export trie is not read: LLVM 19 walks a
// malformed one out of bounds.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "layout.h"

namespace emu {

class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a loader asks for: a Substrate load-in is a dynamic library
// (MH_DYLIB), a preference bundle's executable a bundle (MH_BUNDLE).
enum class ImageKind { Dylib, Bundle };

struct Segment {
  std::string name;
  std::uint64_t vmaddr = 0, vmsize = 0, fileoff = 0, filesize = 0;
  std::uint32_t initprot = 0;  // VM_PROT_READ 1, WRITE 2, EXECUTE 4
};

struct Bind {
  std::uint64_t address = 0;  // unslid
  std::string symbol;
  std::string library;  // install name; empty for a flat lookup
  std::int64_t addend = 0;
  bool weakImport = false;
};

struct Symbol {
  std::uint64_t address = 0;  // unslid; Thumb functions have bit 0 set
  std::string name;
};

struct MachOSlice {
  Arch arch = Arch::Arm64;
  ImageKind kind = ImageKind::Dylib;
  std::string path;
  std::vector<std::uint8_t> bytes;  // the slice alone
  std::vector<Segment> segments;
  std::vector<std::uint64_t> rebases;  // unslid addresses of pointers to slide
  std::vector<Bind> binds;             // regular, lazy and weak, in that order
  std::uint64_t initialisers = 0, initialiserBytes = 0;  // __mod_init_func
  std::uint64_t constantStrings = 0, constantStringBytes = 0;  // __cfstring
  std::vector<Symbol> symbols;  // defined ones, by address
};

// True when the file starts as a Mach-O file or a fat one.
bool looksLikeMachO(const std::string& path);
// Picks the slice for `arch` from a thin or fat file; raises LoadError
// naming the file and what is wrong, in dyld's words where dyld refuses it
// (a file type other than `kind`).
MachOSlice readMachOSlice(const std::string& path, Arch arch, ImageKind kind);
// The same from a file's bytes; `path` names the file in messages.
MachOSlice readMachOSlice(std::string_view bytes, const std::string& path, Arch arch, ImageKind kind);

}  // namespace emu
