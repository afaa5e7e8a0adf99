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

#include "image_kind.h"
#include "layout.h"

namespace emu {

class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

// A library the slice links, as its load command records it.
struct Dependency {
  std::string installName;
  std::uint32_t current = 0, compatibility = 0;  // xxxx.yy.zz in 16.8.8 bits
  bool weak = false;                             // LC_LOAD_WEAK_DYLIB
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
  std::vector<Dependency> libraries;   // by ordinal, from 1
  std::vector<std::uint64_t> rebases;  // unslid addresses of pointers to slide
  std::vector<Bind> binds;             // regular and weak, in that order: bound at load
  // The lazy-bind opcodes, read by dyld_stub_binder one symbol at a time
  // from the offset a stub helper pushes.
  std::vector<std::uint8_t> lazyBindInfo;
  std::uint64_t initialisers = 0, initialiserBytes = 0;        // __mod_init_func
  std::uint64_t constantStrings = 0, constantStringBytes = 0;  // __cfstring
  std::vector<Symbol> symbols;                                 // defined ones, by address
  // Where the unwind information lies in `bytes`; the unslid address of the
  // Mach-O header, from which its function offsets count.
  std::uint64_t unwindInfoFileOffset = 0, unwindInfoBytes = 0, headerAddress = 0;
  std::uint64_t ehFrameFileOffset = 0, ehFrameBytes = 0, ehFrame = 0;  // __TEXT,__eh_frame; its address
  std::uint64_t code = 0, codeBytes = 0;                               // __TEXT,__text
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
