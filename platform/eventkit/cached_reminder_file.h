// One reminder file as the store last read it, and reading it again: the
// version it was read at, what was parsed, and why it could not be read.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <memory>
#include <string>

#include "eventkit/ics_reminder.h"

// What tells one version of a file or folder from the next.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  explicit FileStamp(const struct stat& st = {})
      : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim) {}
  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
  }
};

// File systems stamp modification times from a coarse clock (a jiffy here,
// a whole second on some), so a file changed twice within one tick keeps its
// time. A stamp that is not safely older than the moment it was taken is
// not trusted: that file or folder is looked at afresh next time.
bool settled(const FileStamp& stamp);

struct CachedReminderFile {
  std::string name;  // in its list folder
  FileStamp stamp;
  bool trusted = false;
  // Under a folder watch, a file is looked at again only when an event named
  // it; one reached through a symbolic or hard link may change unnoticed
  // and is always looked at.
  bool dirty = true;
  bool outsideWatch = false;
  std::shared_ptr<const ReminderFileContents> contents;
  std::string problem;
  std::size_t textHash = 0;  // of the bytes `contents` was parsed from
};

// Reads the file again from the open list folder; bytes identical to those
// last parsed (a file only touched, or looked at again within one clock
// tick) keep their parse.
void rereadReminderFile(CachedReminderFile& file, int folder);

// How many times rereadReminderFile ran in this process.
std::size_t reminderFileReadCount();
