// The settings pane's file calls in the simulator: the host's C library,
// and device paths mapped to the run's private folder, so the user's device
// root is never written.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/device.h"

namespace qst::prefs {

// Where the file at `devicePath` is written, into `out`; false when it may
// not be written (no private folder) or the path does not fit.
inline bool writablePath(const char* devicePath, char* out, unsigned long size) {
  std::string path = standin::deviceWritablePath(devicePath);
  if (path.empty() || path.size() >= size) return false;
  std::memcpy(out, path.c_str(), path.size() + 1);
  return true;
}

inline int createFile(const char* path) { return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644); }
inline long writeFile(int fd, const void* bytes, unsigned long length) { return ::write(fd, bytes, length); }
inline int syncFile(int fd) { return ::fsync(fd); }
inline int closeFile(int fd) { return ::close(fd); }
inline int renameFile(const char* from, const char* to) { return std::rename(from, to); }
inline int removeFile(const char* path) { return ::unlink(path); }

}  // namespace qst::prefs
