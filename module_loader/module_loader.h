// Maps a module as the device's loader would: a Linux build of it with
// dlopen, a device build (a Mach-O file, thin or fat) by running its slice
// for the chosen processor under emulation (emulator/). SpringBoard maps its
// load-ins through it and the Settings app its preference bundles.
//
// Modules are never unmapped: what they install stays installed, as on a
// device, where neither dyld nor NSBundle unloads such an image.
#pragma once

#include <stdexcept>
#include <string>

namespace loader {

// Why a module could not be mapped, in the words of dlerror or of the
// emulator's loader; the caller names the module and what it was for.
class ModuleLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the device's loader is asked for: a Substrate load-in is a dynamic
// library (MH_DYLIB), a preference bundle's executable a bundle (MH_BUNDLE).
// A Linux build is mapped the same either way.
enum class ModuleKind { Dylib, Bundle };

// Maps the module at `path`, its initialisers run. `arch` ("arm64" or
// "armv7") picks a device build's slice. Answers the processor whose code
// runs: "host" for a Linux build, else `arch`. Raises ModuleLoadError.
std::string mapModule(const std::string& path, const std::string& arch, ModuleKind kind);

}  // namespace loader
