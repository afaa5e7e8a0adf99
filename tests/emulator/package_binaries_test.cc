// The package's two binaries, both slices, pass what dyld checks before it
// runs anything: the kind of file, every library present on an iOS 7.0
// device at a compatibility version it accepts, no load command dyld does
// not know. Their arm64 code is covered by unwind information function by
// function, so an exception can pass their frames as libunwind walks them.
#include <gtest/gtest.h>

#include "device_libraries.h"
#include "macho_slice.h"
#include "unwind_info.h"

namespace emutest {
namespace {

struct Binary {
  const char* path;
  emu::ImageKind kind;
};

const Binary kBinaries[] = {{QST_DEVICE_DYLIB, emu::ImageKind::Dylib}, {QST_DEVICE_PANE, emu::ImageKind::Bundle}};

TEST(PackageBinariesTest, BothSlicesOfBothBinariesPassDyldsChecks) {
  for (const Binary& binary : kBinaries)
    for (emu::Arch arch : {emu::Arch::Arm64, emu::Arch::Armv7}) {
      SCOPED_TRACE(std::string(binary.path) + " " + emu::archName(arch));
      emu::MachOSlice slice = emu::readMachOSlice(binary.path, arch, binary.kind);
      EXPECT_NO_THROW(emu::checkDependentLibraries(slice));
      for (const emu::Dependency& library : slice.libraries) {
        const emu::DeviceLibrary* device = emu::deviceLibrary(library.installName);
        ASSERT_NE(device, nullptr) << library.installName;
        // Recorded as the device's own: a stub with other versions than the
        // device's library is wrong even where dyld would let it pass.
        EXPECT_EQ(emu::versionText(library.compatibility), emu::versionText(device->compatibility))
            << library.installName;
        EXPECT_EQ(emu::versionText(library.current), emu::versionText(device->current)) << library.installName;
      }
      const emu::ImageKind other = binary.kind == emu::ImageKind::Dylib ? emu::ImageKind::Bundle : emu::ImageKind::Dylib;
      EXPECT_THROW(emu::readMachOSlice(binary.path, arch, other), emu::LoadError);
    }
}

TEST(PackageBinariesTest, EveryArm64FunctionHasUnwindInformation) {
  for (const Binary& binary : kBinaries) {
    SCOPED_TRACE(binary.path);
    emu::MachOSlice slice = emu::readMachOSlice(binary.path, emu::Arch::Arm64, binary.kind);
    ASSERT_GT(slice.codeBytes, 0u);
    unsigned functions = 0;
    for (const emu::Symbol& symbol : slice.symbols) {
      if (symbol.address < slice.code || symbol.address >= slice.code + slice.codeBytes) continue;
      ++functions;
      EXPECT_TRUE(emu::unwindInfoCovers(slice, symbol.address)) << symbol.name;
    }
    EXPECT_GT(functions, 0u);
    // Past the code, nothing is covered.
    EXPECT_FALSE(emu::unwindInfoCovers(slice, slice.code + slice.codeBytes + 0x100000));
  }
}

}  // namespace
}  // namespace emutest
