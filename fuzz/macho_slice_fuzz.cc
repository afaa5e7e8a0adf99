// A Mach-O file handed to the simulator with --module: thin or fat, either
// slice, read as the loader reads it (segments, rebases, binds and
// symbols). Anything malformed must end in a LoadError naming the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "macho_slice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (emu::Arch arch : {emu::Arch::Arm64, emu::Arch::Armv7}) {
    for (emu::ImageKind kind : {emu::ImageKind::Dylib, emu::ImageKind::Bundle}) {
      try {
        emu::readMachOSlice(bytes, "module.dylib", arch, kind);
      } catch (const emu::LoadError&) {}
    }
  }
  return 0;
}
