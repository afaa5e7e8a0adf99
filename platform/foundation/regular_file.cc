#include "foundation/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

struct FileDescriptor {
  int fd;
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

NSFileReadStatus NSReadRegularFile(const std::string& hostPath, std::size_t maxBytes, std::string* contents) {
  contents->clear();
  struct stat info;
  if (stat(hostPath.c_str(), &info) != 0)
    return errno == ENOENT || errno == ENOTDIR ? NSFileReadStatus::Missing : NSFileReadStatus::Unreadable;
  if (!S_ISREG(info.st_mode)) return NSFileReadStatus::NotRegular;
  // Non-blocking, so a FIFO put in the file's place after the check above
  // cannot hold the open; the descriptor is checked again below.
  FileDescriptor file{open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
  if (file.fd < 0) return errno == ENOENT ? NSFileReadStatus::Missing : NSFileReadStatus::Unreadable;
  if (fstat(file.fd, &info) != 0) return NSFileReadStatus::Unreadable;
  if (!S_ISREG(info.st_mode)) return NSFileReadStatus::NotRegular;
  if (static_cast<unsigned long long>(info.st_size) > maxBytes) return NSFileReadStatus::TooLarge;
  contents->reserve(static_cast<std::size_t>(info.st_size));
  // The size is checked again as the bytes come, for a file still growing.
  char buffer[1 << 16];
  while (true) {
    const ssize_t got = read(file.fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return NSFileReadStatus::Unreadable;
    if (got == 0) break;
    if (static_cast<std::size_t>(got) > maxBytes - contents->size()) return NSFileReadStatus::TooLarge;
    contents->append(buffer, static_cast<std::size_t>(got));
  }
  return NSFileReadStatus::Read;
}

std::string NSFileReadStatusText(NSFileReadStatus status, std::size_t maxBytes) {
  switch (status) {
    case NSFileReadStatus::Read: return "was read";
    case NSFileReadStatus::Missing: return "does not exist";
    case NSFileReadStatus::NotRegular: return "is not a regular file";
    case NSFileReadStatus::TooLarge: return "is larger than " + std::to_string(maxBytes) + " bytes";
    case NSFileReadStatus::Unreadable: return "cannot be read";
  }
  return "cannot be read";
}
