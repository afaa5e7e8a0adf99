#include "store/atomic_file.h"

#include "host/preference_files.h"

namespace qst::prefs {
namespace {

constexpr unsigned long kMaxPathBytes = 1024;

bool writeAll(int fd, const char* bytes, unsigned long length) {
  while (length > 0) {
    long written = writeFile(fd, bytes, length);
    if (written <= 0) return false;
    bytes += written;
    length -= static_cast<unsigned long>(written);
  }
  return true;
}

}  // namespace

bool writeFileAtomically(id devicePath, id data) {
  const char* device = UTF8String(devicePath);
  char path[kMaxPathBytes], partial[kMaxPathBytes + 4];
  if (!device || !data || !writablePath(device, path, sizeof path)) return false;
  unsigned long pathLength = __builtin_strlen(path);
  __builtin_memcpy(partial, path, pathLength);
  __builtin_memcpy(partial + pathLength, ".new", 5);

  int fd = createFile(partial);
  if (fd < 0) return false;
  bool written =
      writeAll(fd, static_cast<const char*>(msgSend<const void*>(data, "bytes")), msgSend<NSUInteger>(data, "length"));
  // Synced before the rename: after a power loss the name points at whole
  // bytes, not at a file whose blocks never reached the disk.
  written = syncFile(fd) == 0 && written;
  written = closeFile(fd) == 0 && written;
  if (written && renameFile(partial, path) == 0) return true;
  removeFile(partial);
  return false;
}

}  // namespace qst::prefs
