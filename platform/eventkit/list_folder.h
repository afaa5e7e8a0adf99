// Walking a list folder: holding it open and naming its reminder files,
// which are then read relative to it, so a folder renamed or replaced
// meanwhile cannot mix the files of two folders into one read.
#pragma once

#include <string>
#include <vector>

#include "base/scoped_fd.h"

// The folder at a host path, open for listing and for reading its files;
// not valid when it is missing or is no folder.
ScopedFd openListFolder(const std::string& hostPath);

struct ListFolderEntry {
  std::string name;
  // Not a plain file by its entry (a symbolic link, or a file system that
  // does not say): a change made through another path raises no event for
  // this folder.
  bool maybeLinked = false;
};

struct ListFolderEntries {
  std::vector<ListFolderEntry> reminderFiles;  // the .ics files, by name
  bool tooLarge = false;                       // more entries than kMaxListFolderEntries: read that far
};

// The reminder files of the open folder: names ending in ".ics" that are
// not hidden.
ListFolderEntries listReminderFiles(int folder);
