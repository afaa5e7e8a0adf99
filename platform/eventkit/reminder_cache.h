// The store's memory of the reminder files it has read, kept for the life of
// the process as a device's reminder store keeps its database. A file is
// read again only when it appeared or changed (modification time, size or
// inode); a list folder whose entries did not change costs a look at the
// folder and one at each file, no reading.
//
// Safe to use from any thread; the store's threads and the caller of
// calendarWithIdentifier: share it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "eventkit/ics_reminder.h"

// What one fetch may still read.
struct FetchBudget {
  std::size_t files = kMaxReminderFilesPerFetch;
  std::size_t components = kMaxComponentsPerFetch;
};

struct ListFile {
  std::string name;  // the file's name in its list folder
  // nullptr when the file could not be read at all; `problem` says why
  // ("" for a file that is no iCalendar).
  std::shared_ptr<const ReminderFileContents> contents;
  std::string problem;
  // How many of contents->reminders this fetch takes (all, unless the
  // fetch's budget ran out inside this file).
  std::size_t remindersTaken = 0;
};

struct ListFiles {
  std::vector<ListFile> files;  // by file name
  bool budgetRanOut = false;    // files or components were left out
  bool folderTooLarge = false;  // more entries than a list folder may have
};

// The .ics files of a list folder (host path), in name order, within the
// budget, which they use up.
ListFiles readListFiles(const std::string& folder, FetchBudget& budget);

// The calendar properties that the first of the folder's .ics files to carry
// them give, looking at a few files only.
CalendarProperties listCalendarProperties(const std::string& folder);

// How many times a reminder file has been opened and read in this process.
std::size_t reminderFileReadsForTesting();
// Whether list folders are watched for changes (on by default, where the
// system allows). Off, every fetch looks at each file's modification time,
// size and inode, as it does where watching is not possible.
void watchReminderFoldersForTesting(bool watch);
// Forgets every file read, as a freshly started store knows none; for
// measuring the first fetch.
void forgetReminderFilesForTesting();
