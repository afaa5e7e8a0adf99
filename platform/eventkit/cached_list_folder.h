// One list folder as the store last listed it: its reminder files, each
// with what was read of it, and which of them changes have touched since.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "eventkit/cached_reminder_file.h"
#include "eventkit/folder_watch.h"

struct CachedListFolder {
  FileStamp stamp;
  bool listed = false, trusted = false, tooLarge = false;
  int watch = -1;                                          // see FolderWatch; -1: every file is looked at
  bool listingDirty = true;                                // under a watch: entries came or went
  std::vector<CachedReminderFile> files;                   // its .ics files, by name
  std::unordered_map<std::string, std::size_t> fileIndex;  // name → place in `files`
  std::uint64_t lastUse = 0;
  std::size_t cost = 0;  // files, to-dos and alarms held

  // Reads the folder's entries again, keeping what is known of files still
  // there.
  void relist(int folder);
  // Whatever happened while unwatched is unknown: everything is looked at.
  void markAllDirty();
  // A change the folder's watch reported.
  void note(const FolderWatch::Event& event);
  // Brings one file up to date from the open folder; false when it is gone.
  bool lookAt(CachedReminderFile& file, int folder);
};
