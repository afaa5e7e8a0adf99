#include "device_libraries.h"

#include <array>

#include "runtime/images.h"

namespace emu {
namespace {

constexpr std::uint32_t version(std::uint32_t major, std::uint32_t minor = 0, std::uint32_t patch = 0) {
  return major << 16 | minor << 8 | patch;
}

// iOS 7.0's versions (each later release only raises them, so 7.0's are the
// ones a module must accept): the LC_ID_DYLIB of each library as Apple's
// linker records it in a client built against the iOS 7.0 SDK; Foundation's
// and Core Foundation's are NSFoundationVersionNumber_iOS_7_0 and
// kCFCoreFoundationVersionNumber_iOS_7_0. CydiaSubstrate's own LC_ID_DYLIB
// gives 0.0.0 for both. The Preferences framework is private to Apple; its
// 1.0.0 is what the settings panes of the era record.
constexpr std::array<DeviceLibrary, 9> kLibraries{{
    {kObjcImage, version(228), version(1)},
    {kSystemImage, version(1198), version(1)},
    {kSubstrateImage, version(0), version(0)},
    {kFoundationImage, version(1047, 20), version(300)},
    {kCoreFoundationImage, version(847, 20), version(150)},
    {kCoreGraphicsImage, version(600), version(64)},
    {kUIKitImage, version(2903, 23), version(1)},
    {kEventKitImage, version(1), version(1)},
    {kPreferencesImage, version(1), version(1)},
}};

std::string shortName(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const DeviceLibrary* deviceLibrary(const std::string& installName) {
  for (const DeviceLibrary& library : kLibraries)
    if (installName == library.installName) return &library;
  return nullptr;
}

std::string versionText(std::uint32_t v) {
  return std::to_string(v >> 16) + "." + std::to_string((v >> 8) & 0xff) + "." + std::to_string(v & 0xff);
}

bool deviceProvides(const Dependency& needed) {
  const DeviceLibrary* library = deviceLibrary(needed.installName);
  return library && (needed.compatibility == 0xFFFFFFFFu || library->compatibility >= needed.compatibility);
}

void checkDependentLibraries(const MachOSlice& slice) {
  for (const Dependency& needed : slice.libraries) {
    std::string reason;
    const DeviceLibrary* library = deviceLibrary(needed.installName);
    if (!library) {
      reason = "image not found";
    } else if (needed.compatibility != 0xFFFFFFFFu && library->compatibility < needed.compatibility) {
      // 0xFFFFFFFF stands for any version.
      reason = "Incompatible library version: " + shortName(slice.path) + " requires version " +
               versionText(needed.compatibility) + " or later, but " + shortName(needed.installName) +
               " provides version " + versionText(library->compatibility);
    }
    // A weak library that is absent or too old is left out; its imports
    // then bind as weak imports do.
    if (reason.empty() || needed.weak) continue;
    throw LoadError("dyld: Library not loaded: " + needed.installName + "\n  Referenced from: " + slice.path +
                    "\n  Reason: " + reason);
  }
}

}  // namespace emu
