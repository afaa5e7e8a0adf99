// The outer archive and both tars are read with libarchive from memory, the
// package having been read whole within its limit; nothing is written until
// every entry has been checked.
#include "install/deb_package.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/regular_file.h"

namespace sb {
namespace {

namespace fs = std::filesystem;

using Archive = std::unique_ptr<archive, int (*)(archive*)>;

std::string why(archive* a) {
  const char* text = archive_error_string(a);
  return text ? text : "unreadable";
}

// A member's or a file's bytes, at most `limit` of them.
std::string readData(archive* a, archive_entry* entry, std::size_t limit, const std::string& name) {
  if (archive_entry_size_is_set(entry) && static_cast<std::size_t>(archive_entry_size(entry)) > limit)
    throw PackageError(name + " is larger than a package may hold");
  std::string bytes;
  char buffer[64 * 1024];
  for (;;) {
    la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
    if (n < 0) throw PackageError(name + ": " + why(a));
    if (n == 0) return bytes;
    if (bytes.size() + static_cast<std::size_t>(n) > limit)
      throw PackageError(name + " is larger than a package may hold");
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

// "./Library/x" -> "Library/x"; "" for the root itself. Raises for a path
// that would leave the root.
std::string relativePath(const char* raw) {
  if (!raw || !*raw) throw PackageError("the package holds an entry without a name");
  std::string path = raw;
  if (path.size() > kMaxPackagePathBytes) throw PackageError("the package holds a path longer than a device takes");
  if (path[0] == '/') throw PackageError("the package holds the absolute path " + path);
  std::string clean;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") throw PackageError("the package holds the path " + path + ", which climbs out of the root");
    if (!part.empty() && part != ".") clean += (clean.empty() ? "" : "/") + part;
    start = end + 1;
  }
  return clean;
}

// A gzip-compressed tar, each entry handed to `take`.
template <class Take>
void readTar(const std::string& member, const std::string& bytes, Take take) {
  Archive tar(archive_read_new(), archive_read_free);
  archive_read_support_filter_gzip(tar.get());
  archive_read_support_format_tar(tar.get());
  if (archive_read_open_memory(tar.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
    throw PackageError(member + ": " + why(tar.get()));
  if (archive_filter_code(tar.get(), 0) != ARCHIVE_FILTER_GZIP)
    throw PackageError(member + " is not compressed with gzip");
  archive_entry* entry = nullptr;
  for (;;) {
    int status = archive_read_next_header(tar.get(), &entry);
    if (status == ARCHIVE_EOF) return;
    if (status != ARCHIVE_OK) throw PackageError(member + ": " + why(tar.get()));
    take(tar.get(), entry);
  }
}

std::string controlField(const std::string& control, const std::string& field) {
  size_t at = 0;
  while (at < control.size()) {
    size_t end = control.find('\n', at);
    if (end == std::string::npos) end = control.size();
    std::string line = control.substr(at, end - at);
    if (line.rfind(field + ":", 0) == 0) {
      std::string value = line.substr(field.size() + 1);
      size_t first = value.find_first_not_of(" \t");
      return first == std::string::npos ? "" : value.substr(first, value.find_last_not_of(" \t\r") - first + 1);
    }
    at = end + 1;
  }
  return "";
}

}  // namespace

DebPackage readDebPackage(const void* bytes, std::size_t size) {
  if (size > kMaxPackageBytes) throw PackageError("the package is larger than a package may be");
  Archive ar(archive_read_new(), archive_read_free);
  archive_read_support_format_ar(ar.get());
  if (archive_read_open_memory(ar.get(), bytes, size) != ARCHIVE_OK)
    throw PackageError("not a Debian package: " + why(ar.get()));
  // dpkg's order: the format, then the control archive, then the data.
  const char* const kMembers[] = {"debian-binary", "control.tar.gz", "data.tar.gz"};
  std::string members[3];
  archive_entry* entry = nullptr;
  for (int i = 0; i < 3; ++i) {
    int status = archive_read_next_header(ar.get(), &entry);
    if (status != ARCHIVE_OK)
      throw PackageError(std::string("not a Debian package: ") +
                         (status == ARCHIVE_EOF ? "no " + std::string(kMembers[i]) : why(ar.get())));
    std::string name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
    if (name != kMembers[i])
      throw PackageError("not a Debian package this device reads: " + std::string(kMembers[i]) + " expected, " +
                         (name.empty() ? "a nameless member" : name) + " found");
    members[i] = readData(ar.get(), entry, kMaxPackageBytes, name);
  }
  if (members[0].rfind("2.", 0) != 0 || members[0].back() != '\n')
    throw PackageError("debian-binary names a format other than 2.x");

  DebPackage package;
  readTar("control.tar.gz", members[1], [&](archive* tar, archive_entry* e) {
    if (relativePath(archive_entry_pathname(e)) == "control" && archive_entry_filetype(e) == AE_IFREG)
      package.name = controlField(readData(tar, e, 1 << 20, "control"), "Package");
  });
  if (package.name.empty()) throw PackageError("control.tar.gz has no control file naming the package");

  std::size_t total = 0;
  readTar("data.tar.gz", members[2], [&](archive* tar, archive_entry* e) {
    std::string path = relativePath(archive_entry_pathname(e));
    if (archive_entry_hardlink(e) || archive_entry_symlink(e) || archive_entry_filetype(e) == AE_IFLNK)
      throw PackageError("the package holds the link " + path + "; links are not installed");
    if (package.entries.size() == kMaxPackageEntries) throw PackageError("the package holds too many files");
    PackageEntry item;
    item.path = path;
    item.mode = archive_entry_perm(e) & 0777;
    if (archive_entry_filetype(e) == AE_IFDIR) {
      item.isFolder = true;
    } else if (archive_entry_filetype(e) == AE_IFREG) {
      item.bytes = readData(tar, e, kMaxUnpackedBytes - total, path);
      total += item.bytes.size();
    } else {
      throw PackageError("the package holds " + path + ", which is neither a folder nor a file");
    }
    if (path.empty() && !item.isFolder) throw PackageError("the package holds a file in place of the root");
    if (!path.empty()) package.entries.push_back(std::move(item));
  });
  return package;
}

DebPackage readDebPackageFile(const std::string& path) {
  std::string bytes;
  const standin::FileReadStatus status = standin::readRegularFile(path, kMaxPackageBytes, &bytes);
  if (status == standin::FileReadStatus::TooLarge) throw PackageError(path + " is larger than a package may be");
  if (status != standin::FileReadStatus::Read) throw PackageError(path + " is not a readable file");
  try {
    return readDebPackage(bytes.data(), bytes.size());
  } catch (const PackageError& e) {
    throw PackageError(path + ": " + e.what());
  }
}

void unpackPackage(const DebPackage& package, const std::string& folder) {
  for (const PackageEntry& entry : package.entries) {
    // Paths were checked as read: relative, without "..", no links made.
    fs::path target = fs::path(folder) / entry.path;
    std::error_code ec;
    if (entry.isFolder) {
      fs::create_directories(target, ec);
      if (!fs::is_directory(target, ec)) throw PackageError("cannot make the folder /" + entry.path);
      continue;
    }
    fs::create_directories(target.parent_path(), ec);
    if (fs::symlink_status(target, ec).type() != fs::file_type::not_found)
      throw PackageError("the package installs /" + entry.path + " twice");
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(entry.bytes.data(), static_cast<std::streamsize>(entry.bytes.size()));
    if (!out.flush()) throw PackageError("cannot write /" + entry.path);
    out.close();
    ::chmod(target.c_str(), entry.mode & 0755);
  }
}

}  // namespace sb
