#include "eventkit/folder_watch.h"

#include <sys/inotify.h>
#include <sys/statfs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::uint32_t kFileChanges = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE;
constexpr std::uint32_t kEntryChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;
// A writer hammering a folder cannot keep a fetch draining forever: past
// this many reads the queue counts as overflowed.
constexpr int kMaxReadsPerDrain = 256;

// Only where the kernel itself sees every write are events complete: local
// file systems. On network and shared folders (NFS, 9p, FUSE) a change made
// elsewhere raises no event, so there the store looks at each file instead.
bool eventsAreComplete(const std::string& path) {
  struct statfs fs{};
  if (statfs(path.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x01021994:  // tmpfs
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x794C7630:  // overlayfs
    case 0xF2F52010:  // f2fs
      return true;
    default: return false;
  }
}
}  // namespace

void FolderWatch::setEnabled(bool enabled) { disabled_ = !enabled; }

int FolderWatch::add(const std::string& path, ino_t inode) {
  if (disabled_ || !eventsAreComplete(path)) return -1;
  if (!fd_.valid() && !unavailable_) {
    fd_.reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    unavailable_ = !fd_.valid();
  }
  if (!fd_.valid()) return -1;
  const int watch = inotify_add_watch(fd_.get(), path.c_str(), kFileChanges | kEntryChanges | kFolderGone | IN_ONLYDIR);
  if (watch < 0) return -1;
  // The path may name another folder by now; the watch must be on the one read.
  struct stat st{};
  if (stat(path.c_str(), &st) != 0 || st.st_ino != inode) {
    remove(watch);
    return -1;
  }
  return watch;
}

void FolderWatch::remove(int watch) {
  if (fd_.valid() && watch >= 0) inotify_rm_watch(fd_.get(), watch);
}

bool FolderWatch::drain(const std::function<void(const Event&)>& onEvent) {
  if (!fd_.valid()) return true;
  alignas(inotify_event) char buffer[64 * 1024];
  for (int reads = 0; reads < kMaxReadsPerDrain; ++reads) {
    const ssize_t got = read(fd_.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;  // EAGAIN: nothing more queued
    bool complete = true;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof(inotify_event);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
      if (event.mask & IN_Q_OVERFLOW) {
        complete = false;
        continue;
      }
      const std::string_view fileName =
          event.len ? std::string_view(name, strnlen(name, event.len)) : std::string_view();
      onEvent({event.wd, fileName, (event.mask & kEntryChanges) != 0, (event.mask & kFolderGone) != 0});
    }
    if (!complete) return false;
  }
  return false;
}
