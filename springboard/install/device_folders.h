// A device folder as the boot's loaders read it: the root with the run's
// private overlay above it (a file of the overlay hides the root's).
#pragma once

#include <string>
#include <vector>

namespace sb {

struct DeviceFolders {
  std::string root;
  std::string overlay;  // "" for none

  // The names directly in a device folder, sorted, each once.
  std::vector<std::string> namesIn(const std::string& devicePath) const;
  // Every path below a device folder, relative to it ("Sub/Entry.plist"),
  // sorted, as -[NSFileManager subpathsOfDirectoryAtPath:error:] lists
  // them; bounded in depth and count, and symbolic links to folders are
  // not followed.
  std::vector<std::string> subpathsIn(const std::string& devicePath) const;
  // Where this host reads a device path: the overlay's copy first.
  std::string hostPathOf(const std::string& devicePath) const;
  // -[NSFileManager fileExistsAtPath:]: a file or folder is there.
  bool exists(const std::string& devicePath) const;
};

}  // namespace sb
