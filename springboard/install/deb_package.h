// A Debian package (.deb) as dpkg reads one: an ar archive whose members are
// "debian-binary" (the format, "2.0"), "control.tar.gz" and "data.tar.gz",
// in that order, each tar compressed with gzip (the compression every
// iOS-era dpkg reads). Only what can be installed under a device's "/" is
// accepted: folders and regular files whose paths stay below the root. A
// package over the size limits, truncated, compressed otherwise, or holding
// a link, an absolute path or a ".." is refused whole, before anything is
// written.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace sb {

class PackageError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Limits on what a package may hold; a lock-screen add-on is well under
// each.
inline constexpr std::size_t kMaxPackageBytes = 64u << 20;
inline constexpr std::size_t kMaxUnpackedBytes = 256u << 20;
inline constexpr std::size_t kMaxPackageEntries = 4096;
inline constexpr std::size_t kMaxPackagePathBytes = 1024;

struct PackageEntry {
  std::string path;  // relative to the root, without "./": "Library/MobileSubstrate/..."
  bool isFolder = false;
  unsigned mode = 0;  // permission bits
  std::string bytes;  // a file's contents
};

struct DebPackage {
  std::string name;  // the control file's Package field
  std::vector<PackageEntry> entries;
};

// Raises PackageError saying what is wrong.
DebPackage readDebPackage(const void* bytes, std::size_t size);
DebPackage readDebPackageFile(const std::string& path);

// Writes every entry below `folder` (a fresh private folder); raises
// PackageError when a file cannot be written there.
void unpackPackage(const DebPackage& package, const std::string& folder);

}  // namespace sb
