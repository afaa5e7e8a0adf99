// Change notification for list folders (inotify), so that a warm fetch of
// an unchanged list need not look at each of its files: the kernel says
// which files were written, touched, added, removed or renamed since the
// last fetch. Not thread-safe; the reminder cache calls it under its lock.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

#include "base/scoped_fd.h"

class FolderWatch {
 public:
  // What happened to a watched folder or a file in it.
  struct Event {
    int watch;
    std::string_view name;  // the file's name; "" for the folder itself
    bool entriesChanged;    // a file appeared, went or was renamed
    bool watchEnded;        // the folder went away: its watch is over
  };

  // A watch on the folder at `path`, which must still be the folder with
  // `inode`; -1 when none can be had (no inotify, too many watches, the
  // folder replaced meanwhile).
  int add(const std::string& path, ino_t inode);
  void remove(int watch);
  // Off, no new watch is made and folders are looked at file by file.
  void setEnabled(bool enabled);
  // Hands over every event queued since the last call. False when the
  // kernel dropped events (its queue overflowed): nothing seen can be trusted.
  bool drain(const std::function<void(const Event&)>& onEvent);

 private:
  ScopedFd fd_;  // the inotify instance, made at the first watch
  bool unavailable_ = false;
  bool disabled_ = false;
};
