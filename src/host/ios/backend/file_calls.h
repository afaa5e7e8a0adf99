// The settings pane's file calls on the device: the C library (libSystem), with
// Darwin's flag values, and device paths written where they are.
#pragma once

#include "backend/runtime.h"

extern "C" {
int open(const char* path, int flags, ...);
long write(int fd, const void* bytes, unsigned long length);
int fsync(int fd);
int close(int fd);
int rename(const char* from, const char* to);
int unlink(const char* path);
}

namespace qst::prefs {

inline bool writablePath(const char* devicePath, char* out, unsigned long size) {
  unsigned long length = __builtin_strlen(devicePath);
  if (length >= size) return false;
  __builtin_memcpy(out, devicePath, length + 1);
  return true;
}

// Darwin's O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC.
inline constexpr int kCreateFlags = 0x0001 | 0x0200 | 0x0400 | 0x1000000;

inline int createFile(const char* path) { return open(path, kCreateFlags, 0644); }
inline long writeFile(int fd, const void* bytes, unsigned long length) { return write(fd, bytes, length); }
inline int syncFile(int fd) { return fsync(fd); }
inline int closeFile(int fd) { return close(fd); }
inline int renameFile(const char* from, const char* to) { return rename(from, to); }
inline int removeFile(const char* path) { return unlink(path); }

}  // namespace qst::prefs
