// Every function and datum the device build may link against (the exports
// of device/stubs/*.tbd) has a host implementation the emulator binds, on
// each slice the stub lists it for: a stub added for the device without one
// would otherwise fail only when a device binary first calls it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "Device.h"
#include "foundation/NSLog.h"
#include "base/regular_file.h"
#include "imports.h"
#include "machine.h"
#include "runtime/autorelease.h"
#include "device_libraries.h"
#include "macho_slice.h"
#include "unwind_info.h"

namespace emu {
namespace {

constexpr std::size_t kMaxStubBytes = 1u << 20;  // a stub lists a few hundred symbols

struct StubSymbol {
  std::string library, symbol;
  std::vector<std::string> targets;  // "armv7-ios", "arm64-ios"
};

// The items of the flow list "[ a, b, c ]" that starts at or after `from`
// (it may span lines).
std::vector<std::string> flowList(const std::string& text, std::size_t from) {
  std::size_t open = text.find('[', from), close = text.find(']', open);
  if (open == std::string::npos || close == std::string::npos) throw std::runtime_error("an unclosed list");
  std::vector<std::string> items;
  std::stringstream list(text.substr(open + 1, close - open - 1));
  for (std::string item; std::getline(list, item, ',');) {
    item.erase(0, item.find_first_not_of(" \t\r\n'"));
    item.erase(item.find_last_not_of(" \t\r\n'") + 1);
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

// The exported symbols of one stub, each with the targets of its section.
// Only the keys these stubs use are read; an export section with another
// kind of list fails the test rather than being passed over.
std::vector<StubSymbol> stubSymbols(const std::filesystem::path& path) {
  std::string text;
  if (standin::readRegularFile(path.string(), kMaxStubBytes, &text) != standin::FileReadStatus::Read)
    throw std::runtime_error(path.string() + " cannot be read");
  std::size_t name = text.find("install-name:");
  if (name == std::string::npos) throw std::runtime_error(path.string() + " has no install name");
  std::size_t quote = text.find('\'', name);
  std::string library = text.substr(quote + 1, text.find('\'', quote + 1) - quote - 1);
  std::vector<StubSymbol> symbols;
  std::size_t at = text.find("exports:");
  std::vector<std::string> targets;
  std::istringstream lines(at == std::string::npos ? "" : text.substr(at));
  std::size_t offset = at;
  for (std::string line; std::getline(lines, line); offset += line.size() + 1) {
    std::string key = line.substr(0, line.find(':'));
    key.erase(0, key.find_first_not_of(" -"));
    if (key == "targets")
      targets = flowList(text, offset);
    else if (key == "symbols")
      for (const std::string& s : flowList(text, offset)) symbols.push_back({library, s, targets});
    else if (key == "objc-classes") {
      // Linked so that the framework is loaded; the library finds these
      // classes by name at run time and binds no class symbol.
    } else if (!key.empty() && key != "exports" && key != "..." && line.find(':') != std::string::npos)
      throw std::runtime_error(path.string() + ": an export list of kind \"" + key + "\"");
  }
  return symbols;
}

void everyStubSymbolIsBound(const char* arch, const std::string& target) {
  standin::setLogEcho(false);
  AutoreleasePool pool;
  sb::DeviceOptions options;
  options.root = QST_SAMPLE_ROOT;
  options.modulePath = QST_DEVICE_DYLIB;
  options.arch = arch;
  sb::Device device(options);
  ASSERT_EQ(Machine::all().size(), 1u);
  Machine& machine = *Machine::all().front();
  unsigned checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(QST_DEVICE_STUBS)) {
    if (entry.path().extension() != ".tbd") continue;
    for (const StubSymbol& s : stubSymbols(entry.path())) {
      if (std::find(s.targets.begin(), s.targets.end(), target) == s.targets.end()) continue;
      ++checked;
      EXPECT_TRUE(resolveImport(machine, s.library, s.symbol))
          << entry.path().filename().string() << ": " << s.symbol << " (" << target << ") has no host implementation";
    }
  }
  EXPECT_GT(checked, 40u);
}

TEST(LinkStubsTest, EveryArm64StubSymbolHasAHostImplementation) { everyStubSymbolIsBound("arm64", "arm64-ios"); }
TEST(LinkStubsTest, EveryArmv7StubSymbolHasAHostImplementation) { everyStubSymbolIsBound("armv7", "armv7-ios"); }

// The package's two binaries, both slices, pass what dyld checks before it
// runs anything: the kind of file, every library present on an iOS 7.0
// device at a compatibility version it accepts, no load command dyld does
// not know. Their arm64 code is covered by unwind information function by
// function, so an exception can pass their frames as libunwind walks them.
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
      const emu::ImageKind other =
          binary.kind == emu::ImageKind::Dylib ? emu::ImageKind::Bundle : emu::ImageKind::Dylib;
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
}  // namespace emu
