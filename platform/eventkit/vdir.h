// The local copy of a calendar account in the layout CalDAV sync tools
// (vdirsyncer) write: one folder per list, named by the list's identifier,
// holding a `displayname` file, a `color` file and .ics files: one per item,
// or one exported calendar holding every item.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eventkit/list_color.h"

struct ReminderList {
  std::string identifier;
  std::string folder;       // host path of the list's folder
  std::string displayName;  // valid UTF-8; "" when nothing names the list
  std::optional<ListColor> color;
  // A `color` file is there but holds no colour this store reads; the
  // calendar's own colour, if any, stands in.
  bool colorFileUnreadable = false;
};

// An identifier names a folder directly inside the lists folder: it may not
// be empty, contain a '/' or a NUL, or start with '.' (hidden folders, "..").
bool isListIdentifier(std::string_view identifier);

// The list with that identifier under `listsFolder`, or nullopt when there
// is no such folder. Without a `displayname` or `color` file, the name or
// colour the list's calendar file gives itself (X-WR-CALNAME,
// X-APPLE-CALENDAR-COLOR, COLOR) stands in.
std::optional<ReminderList> readReminderList(const std::string& listsFolder, std::string_view identifier);
// The identifiers of every list under `listsFolder`, sorted.
std::vector<std::string> listIdentifiers(const std::string& listsFolder);
