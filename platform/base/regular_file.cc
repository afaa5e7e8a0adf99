#include "base/regular_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/scoped_fd.h"

namespace {

enum class Bound { WholeFile, Head };

standin::FileReadStatus missingOr(int error) {
  return error == ENOENT || error == ENOTDIR ? standin::FileReadStatus::Missing : standin::FileReadStatus::Unreadable;
}

standin::FileReadStatus readRegular(int folder, const char* name, std::size_t maxBytes, Bound bound,
                                    std::string* contents, struct stat* info) {
  contents->clear();
  struct stat seen;
  // Looked at before it is opened, so that opening a device file cannot
  // act on the device.
  if (fstatat(folder, name, &seen, 0) != 0) return missingOr(errno);
  if (info) *info = seen;
  if (!S_ISREG(seen.st_mode)) return standin::FileReadStatus::NotRegular;
  // Non-blocking, so a FIFO put in the file's place after the look above
  // cannot hold the open; the descriptor is looked at again below.
  const ScopedFd file(openat(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid()) return missingOr(errno);
  if (fstat(file.get(), &seen) != 0) return standin::FileReadStatus::Unreadable;
  if (info) *info = seen;
  if (!S_ISREG(seen.st_mode)) return standin::FileReadStatus::NotRegular;
  const auto size = static_cast<unsigned long long>(seen.st_size);
  if (bound == Bound::WholeFile && size > maxBytes) return standin::FileReadStatus::TooLarge;
  contents->reserve(static_cast<std::size_t>(std::min<unsigned long long>(size, maxBytes)));
  // The size is checked again as the bytes come, for a file still growing.
  char buffer[1 << 16];
  while (bound == Bound::WholeFile || contents->size() < maxBytes) {
    const std::size_t wanted =
        bound == Bound::Head ? std::min(sizeof buffer, maxBytes - contents->size()) : sizeof buffer;
    const ssize_t got = read(file.get(), buffer, wanted);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return standin::FileReadStatus::Unreadable;
    if (got == 0) break;
    if (static_cast<std::size_t>(got) > maxBytes - contents->size()) return standin::FileReadStatus::TooLarge;
    contents->append(buffer, static_cast<std::size_t>(got));
  }
  return standin::FileReadStatus::Read;
}

}  // namespace

standin::FileReadStatus standin::readRegularFile(const std::string& hostPath, std::size_t maxBytes,
                                                 std::string* contents) {
  return readRegular(AT_FDCWD, hostPath.c_str(), maxBytes, Bound::WholeFile, contents, nullptr);
}

standin::FileReadStatus standin::readRegularFileAt(int folder, const std::string& name, std::size_t maxBytes,
                                                   std::string* contents, struct stat* info) {
  return readRegular(folder, name.c_str(), maxBytes, Bound::WholeFile, contents, info);
}

standin::FileReadStatus standin::readRegularFileHead(const std::string& hostPath, std::size_t maxBytes,
                                                     std::string* contents) {
  return readRegular(AT_FDCWD, hostPath.c_str(), maxBytes, Bound::Head, contents, nullptr);
}

std::string standin::fileReadStatusText(standin::FileReadStatus status, std::size_t maxBytes) {
  switch (status) {
    case standin::FileReadStatus::Read: return "was read";
    case standin::FileReadStatus::Missing: return "does not exist";
    case standin::FileReadStatus::NotRegular: return "is not a regular file";
    case standin::FileReadStatus::TooLarge: return "is larger than " + std::to_string(maxBytes) + " bytes";
    case standin::FileReadStatus::Unreadable: return "cannot be read";
  }
  return "cannot be read";
}
