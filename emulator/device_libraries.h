// The libraries a device of iOS 7-9 has, with the versions dyld compares a
// client's load commands against, and dyld's checks of a module's load
// commands (dyld-239 to dyld-360, ImageLoader::recursiveLoadLibraries and
// ImageLoaderMachO's reading of the load commands): a library the device
// lacks, or one older than the client was linked against, stops the load.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "macho_slice.h"

namespace emu {

// A version as Mach-O stores it: xxxx.yy.zz in 16.8.8 bits.
struct DeviceLibrary {
  const char* installName;
  std::uint32_t current, compatibility;
};

// The device's library of that install name, or none.
const DeviceLibrary* deviceLibrary(const std::string& installName);

// "1.2.3"
std::string versionText(std::uint32_t version);

// True when the device has the library at a compatibility version the
// slice accepts.
bool deviceProvides(const Dependency& needed);

// Raises LoadError in dyld's words when a library the slice needs is absent
// from the device or provides a compatibility version below the one the
// slice recorded.
void checkDependentLibraries(const MachOSlice& slice);

}  // namespace emu
