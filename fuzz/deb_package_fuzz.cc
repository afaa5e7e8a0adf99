// A package handed to the simulator with --install: read whole as dpkg would
// read it (ar members, then both gzip-compressed tars). Anything malformed
// must end in a PackageError; nothing here writes a file.
#include <cstddef>
#include <cstdint>

#include "install/deb_package.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    sb::DebPackage package = sb::readDebPackage(data, size);
    for (const sb::PackageEntry& entry : package.entries)
      if (entry.path.empty() || entry.path[0] == '/' || entry.path.find("..") == 0) __builtin_trap();
  } catch (const sb::PackageError&) {}
  return 0;
}
